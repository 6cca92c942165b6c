// The substance name database read from "name.csv" and the search over it.
#pragma once

#include <filesystem>
#include <vector>

#include "core/record_reader.h"
#include "core/text.h"

namespace zorvan {

inline constexpr char NameFileName[] = "name.csv";
inline constexpr int NameCapacity = 10000;  // records kept from the file
inline constexpr int HitCapacity = 1000;    // hits kept by one search

// The substance records in file order, each a first name, a second name and
// a formula; the three vectors always have the same length.
struct NameDatabase {
  std::vector<Text> SubstanceName1;
  std::vector<Text> SubstanceName2;
  std::vector<Text> SubstanceFormula;

  // Returns the slot of the last record, or -1 while the database is not loaded.
  int SubstanceLast() const { return static_cast<int>(SubstanceName1.size()) - 1; }
};

// The hits of one search in record order: the name that held the query and
// the formula of its record.
struct SearchResults {
  std::vector<Text> HitName;
  std::vector<Text> HitFormula;

  // Returns the slot of the last hit, or -1 when there is none.
  int HitLast() const { return static_cast<int>(HitName.size()) - 1; }
};

// Loads the first NameCapacity records of "name.csv" in `folder` when `db` is
// not loaded and `searchMode` is on; otherwise opens nothing. A file without
// records leaves `db` not loaded, so that a later call reads it again. Throws
// DataFileError when the file is missing or ends inside a record; `db` is then
// left not loaded.
void LoadNameDatabase(NameDatabase& db, bool searchMode, const std::filesystem::path& folder);

// Loads from `reader` under the same conditions and with the same failures.
void LoadNameDatabase(NameDatabase& db, bool searchMode, RecordReader& reader);

// Returns up to HitCapacity records, in file order, whose first or second name
// holds the half-width fold of `query` (ToHalfWidth), each under its first name
// when that holds it and under its second name otherwise. The match is an exact,
// case-sensitive substring test against the names as stored; an empty query
// matches every non-empty name. Callers load the database first.
SearchResults SearchNames(const Text& query, const NameDatabase& db);

}  // namespace zorvan
