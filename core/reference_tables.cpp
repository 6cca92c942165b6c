#include "reference_tables.h"

namespace zorvan {

Text FitSymbol(Text symbol) {
  symbol.resize(2, Space);
  return symbol;
}

namespace {

ElementTable LoadElementTable(RecordReader& atoms) {
  ElementTable table;
  // No end-of-file test: a short atom.csv is fatal, and records after the
  // 103rd are never read.
  for (int n = 1; n <= ElementCount; ++n) {
    atoms.ReadInt16();  // the atomic number; the record's position is the element number
    table.AtomSymbol[n] = FitSymbol(atoms.ReadText());
    table.AtomicWeight[n] = atoms.ReadFloat();
  }
  return table;
}

GroupTable LoadGroupTable(RecordReader& groups) {
  GroupTable table;
  while (table.GroupLast() + 1 < GroupCapacity && !groups.AtEnd()) {
    Text abbrev = groups.ReadText();
    Text formula = groups.ReadText();
    table.GroupAbbrev.push_back(std::move(abbrev));
    table.GroupFormula.push_back(std::move(formula));
  }
  return table;
}

}  // namespace

ReferenceTables LoadTables(RecordReader& atoms, RecordReader& groups) {
  return ReferenceTables{LoadElementTable(atoms), LoadGroupTable(groups)};
}

ReferenceTables LoadTables(const std::filesystem::path& folder) {
  // One file at a time, atom.csv first, so the first broken file is the one reported.
  RecordReader atoms = RecordReader::Open(folder, "atom.csv");
  ElementTable elements = LoadElementTable(atoms);
  RecordReader groups = RecordReader::Open(folder, "group.csv");
  return ReferenceTables{std::move(elements), LoadGroupTable(groups)};
}

}  // namespace zorvan
