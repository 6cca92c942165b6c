// Reagent tables as tab-separated text: the table a user gives (the file
// the window saves and zorvan-reagents reads) and the solved table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "amounts/reagent_table.h"

namespace zorvan::amounts {

struct TableFile {
  Table Rows;
  std::vector<std::string> Problems;  // Japanese: columns skipped, a header missing
};

// Reads a table: a header line naming the columns (the keys of Columns(),
// or their Japanese names; any order, any case; "mmol", "mass_mg",
// "volume_ul" and "molarity_m" as the solved table names them, their numbers
// in that unit), then a row per line. Lines end in LF or CR LF; blank lines
// and rows without a non-blank cell are skipped; a UTF-8 byte order mark is dropped; fields are unescaped as
// EscapeField writes them and invalid UTF-8 becomes U+FFFD. Cells are set
// left to right with SetCell, so the quantity given last in a row wins.
TableFile ReadTableTsv(std::string_view text);

// Writes `table` with a header of every column, lines ended by LF: what
// ReadTableTsv reads back to the same table.
std::string WriteTableTsv(const Table& table);

// The header of the solved table.
inline constexpr std::string_view SolvedHeader =
    "name\tformula\tmw\trole\tequiv\tmmol\tmass_mg\tvolume_ul\tmolarity_m\tdensity\tpurity\ttheoretical_mg\t"
    "yield_percent\tnote";
// Writes the solved table under SolvedHeader: numbers with 6 significant
// figures (%.6g), never the display rounding; empty where not defined.
std::string SolvedTsv(const Table& table, const SolvedTable& solved, std::string_view lineEnd = "\n");

// A field with its backslash, tab, CR and LF written \\, \t, \r and \n, so
// that it never splits a line or its fields.
std::string EscapeField(std::string_view text);

}  // namespace zorvan::amounts
