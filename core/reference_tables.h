// The element table and the group-abbreviation table, read once at start-up.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "record_reader.h"
#include "text.h"

namespace zorvan {

inline constexpr int ElementCount = 103;
inline constexpr int GroupCapacity = 101;

// Element-indexed arrays run from 1 to 103; slot 0 is unused.
struct ElementTable {
  std::array<Text, ElementCount + 1> AtomSymbol;  // exactly 2 characters, space-padded
  std::array<float, ElementCount + 1> AtomicWeight{};
};

struct GroupTable {
  std::vector<Text> GroupAbbrev;   // slot 0 first, in file order
  std::vector<Text> GroupFormula;  // replaces the abbreviation, wrapped in parentheses
  // Returns the slot of the last loaded group, or -1 when there is none.
  int GroupLast() const { return static_cast<int>(GroupAbbrev.size()) - 1; }
};

struct ReferenceTables {
  ElementTable Elements;
  GroupTable Groups;
};

// Reads "atom.csv" and "group.csv" from `folder`. Throws DataFileError when a
// file is missing or ends inside a record.
ReferenceTables LoadTables(const std::filesystem::path& folder);

// The same from two readers, for callers that hold the files in memory.
ReferenceTables LoadTables(RecordReader& atoms, RecordReader& groups);

// Returns `symbol` left-aligned in exactly 2 characters: padded or cut.
Text FitSymbol(Text symbol);

}  // namespace zorvan
