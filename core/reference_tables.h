// The element table and the group-abbreviation table, read once at start-up.
#pragma once

#include <array>
#include <filesystem>
#include <vector>

#include "core/record_reader.h"
#include "core/text.h"

namespace zorvan {

inline constexpr int ElementCount = 103;
inline constexpr int GroupCapacity = 101;

struct Element {
  Text AtomSymbol;         // exactly 2 characters, left-aligned and space-padded
  float AtomicWeight = 0;  // as the file holds it, zero and negative included
};

// Indexed by element number 1..103, the record's position in atom.csv; slot 0 is unused.
using ElementTable = std::array<Element, ElementCount + 1>;

struct Group {
  Text GroupAbbrev;   // searched for in a formula, case-sensitive
  Text GroupFormula;  // replaces the abbreviation, wrapped in parentheses
};

// The groups in file order, which is the order they are applied in.
struct GroupTable {
  std::vector<Group> Slots;
  // Returns the slot of the last loaded group, or -1 when there is none.
  int GroupLast() const { return static_cast<int>(Slots.size()) - 1; }
};

struct ReferenceTables {
  ElementTable Elements;
  GroupTable Groups;
};

// Reads "atom.csv" and "group.csv" from `folder`. Throws DataFileError when a
// file is missing or ends inside a record.
ReferenceTables LoadTables(const std::filesystem::path& folder);

// Read the 103 records of an atom.csv, and the first 101 of a group.csv.
// Throw DataFileError when the records run out too early.
ElementTable ReadElementTable(RecordReader& atoms);
GroupTable ReadGroupTable(RecordReader& groups);

}  // namespace zorvan
