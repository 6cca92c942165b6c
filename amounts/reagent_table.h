// The reagent table of a reaction: what the user gave for each row, as text,
// and the table solved from it: every amount that can be derived, and for
// each row that cannot be solved a note that says why, the rest solved all
// the same.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "amounts/units.h"

namespace zorvan::amounts {

// The cells a user fills in, in the order the table file writes them.
enum class Column {
  Name,
  Formula,
  Role,
  Equiv,
  Amount,
  Mass,
  Volume,
  Density,
  Molarity,
  Purity,
  Coefficient,
  Limiting
};
inline constexpr int ColumnCount = 12;

struct ColumnInfo {
  Column Id;
  std::string_view Key;       // the name in a table file's header
  std::string_view Japanese;  // the window's header and the notes
  const Unit* Bare;           // the unit of a number written without one; null for text
};
// Every column, in Column order.
const std::array<ColumnInfo, ColumnCount>& Columns();
const ColumnInfo& InfoOf(Column column);
// True for the four cells of which a row takes only the one given last.
bool IsQuantity(Column column);

enum class Role { Reactant, Reagent, Catalyst, Solvent, Product };
inline constexpr int RoleCount = 5;
// "reactant" as a file writes it, "反応物" as the window shows it.
std::string_view RoleKey(Role role);
std::string_view RoleJapanese(Role role);
// Reads a role by either name (English case-insensitively); an empty text
// is a reactant.
std::optional<Role> ParseRole(std::string_view text);

// One row as given: the text of each cell, UTF-8.
struct Row {
  std::array<std::string, ColumnCount> Cells;
  std::string& operator[](Column c) { return Cells[static_cast<size_t>(c)]; }
  const std::string& operator[](Column c) const { return Cells[static_cast<size_t>(c)]; }
};
using Table = std::vector<Row>;

// Sets a cell as a user gives it. Whatever was given last wins: a
// non-empty equivalents, amount, mass or volume clears the other three of
// the row; a blank one is kept empty. A number without a unit gets the column's unit written after it
// ("250" in the mass column becomes "250 mg"); other text is kept as typed.
void SetCell(Row& row, Column column, std::string_view text);
// Reads the limiting cell: "yes", "1", "true" or "x" (any case) is true,
// empty, "no", "0" and "false" false; anything else none.
std::optional<bool> ParseLimiting(std::string_view text);

// The molecular weight of a row's formula, or why there is none.
struct FormulaWeight {
  std::optional<double> Value;  // g/mol
  std::string Note;             // "Error!: ..." when the formula gives Error!
};

// One row solved. Amounts are in base units (g, mol, L); a value is empty
// where it is not defined or cannot be derived.
struct SolvedRow {
  Role Kind = Role::Reactant;
  bool Limiting = false;
  std::optional<double> Weight, Equiv, Mol, Mass, Volume;
  std::optional<double> Density, Molarity, Purity, Coefficient;  // as given
  std::optional<double> TheoreticalMol, TheoreticalMass, Yield;  // products: Yield in percent
  std::optional<Column> Given;                                   // the quantity the amounts come from
  const Unit* GivenUnit = nullptr;                               // the unit it was written in
  std::string Note;                                              // Japanese; empty when the row is solved
};

struct SolvedTable {
  std::vector<SolvedRow> Rows;
  std::optional<size_t> Reference;  // the limiting row, when there is exactly one
};

// Solves `table`, the weight of row i being `weights[i]` (a missing one
// reads as no formula). Mass is what goes on the balance: amount x weight /
// purity. A volume goes through the molarity, else the density. The
// equivalents are relative to the limiting row; a product gets its
// theoretical amount from the limiting row times its coefficient, and,
// given an actual amount, the yield (purity applied).
SolvedTable Solve(const Table& table, const std::vector<FormulaWeight>& weights);

}  // namespace zorvan::amounts
