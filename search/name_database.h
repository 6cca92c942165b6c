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

struct Substance {
  Text SubstanceName1;
  Text SubstanceName2;
  Text SubstanceFormula;
};

// The substance records in file order.
struct NameDatabase {
  std::vector<Substance> Records;
  // Returns the slot of the last record, or -1 while the database is not loaded.
  int SubstanceLast() const { return static_cast<int>(Records.size()) - 1; }
};

struct Hit {
  Text HitName;     // the name that held the query
  Text HitFormula;  // the formula of its record
};

// The hits of one search in record order.
struct SearchResults {
  std::vector<Hit> Hits;
  // Returns the slot of the last hit, or -1 when there is none.
  int HitLast() const { return static_cast<int>(Hits.size()) - 1; }
};

// Loads the first NameCapacity records of "name.csv" in `folder` when `db` is
// not loaded and `searchMode` is on; otherwise opens nothing. A file without
// records leaves `db` not loaded, so that a later call reads it again. Throws
// DataFileError when the file is missing or ends inside a record; `db` is then
// left not loaded.
void LoadNameDatabase(NameDatabase& db, bool searchMode, const std::filesystem::path& folder);

// Reads the first NameCapacity records from `reader`. Throws DataFileError
// when the file ends inside a record.
NameDatabase ReadNameDatabase(RecordReader& reader);

// Returns up to HitCapacity records, in file order, whose first or second name
// holds the half-width fold of `query` (ToHalfWidth), each under its first name
// when that holds it and under its second name otherwise. The match is an exact,
// case-sensitive substring test against the names as stored; an empty query
// matches every non-empty name. Callers load the database first.
SearchResults SearchNames(const Text& query, const NameDatabase& db);

}  // namespace zorvan
