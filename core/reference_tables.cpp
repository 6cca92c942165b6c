#include "core/reference_tables.h"

namespace zorvan {

ElementTable ReadElementTable(RecordReader& atoms) {
  ElementTable table;
  // No end-of-file test: a short atom.csv is fatal, and records after the
  // 103rd are never read.
  for (int n = 1; n <= ElementCount; ++n) {
    atoms.ReadText();  // the atomic number, dropped: the record's position is the element number
    table[n].AtomSymbol = atoms.ReadText();
    table[n].AtomSymbol.resize(2, Space);  // padded or cut to 2 characters
    table[n].AtomicWeight = atoms.ReadFloat();
  }
  return table;
}

GroupTable ReadGroupTable(RecordReader& groups) {
  GroupTable table;
  while (table.GroupLast() + 1 < GroupCapacity && !groups.AtEnd()) {
    Group group;
    group.GroupAbbrev = groups.ReadText();
    group.GroupFormula = groups.ReadText();
    table.Slots.push_back(std::move(group));
  }
  return table;
}

ReferenceTables LoadTables(const std::filesystem::path& folder) {
  // One file at a time, atom.csv first, so the first broken file is the one reported.
  RecordReader atoms = RecordReader::Open(folder, "atom.csv");
  ElementTable elements = ReadElementTable(atoms);
  RecordReader groups = RecordReader::Open(folder, "group.csv");
  return ReferenceTables{std::move(elements), ReadGroupTable(groups)};
}

}  // namespace zorvan
