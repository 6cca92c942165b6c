#include "search/name_database.h"

#include <utility>

#include "search/width_fold.h"

namespace zorvan {

namespace {

bool Holds(const Text& name, const Text& query) {
  // find() reports an empty query at position 0 even in an empty name, which
  // must not match.
  return !name.empty() && name.find(query) != Text::npos;
}

}  // namespace

void LoadNameDatabase(NameDatabase& db, bool searchMode, const std::filesystem::path& folder) {
  if (db.SubstanceLast() >= 0 || !searchMode) return;
  RecordReader reader = RecordReader::Open(folder, NameFileName);
  LoadNameDatabase(db, searchMode, reader);
}

void LoadNameDatabase(NameDatabase& db, bool searchMode, RecordReader& reader) {
  if (db.SubstanceLast() >= 0 || !searchMode) return;
  // Read into a fresh database so that a file ending inside a record leaves
  // `db` untouched.
  NameDatabase loaded;
  loaded.SubstanceName1.reserve(NameCapacity);
  loaded.SubstanceName2.reserve(NameCapacity);
  loaded.SubstanceFormula.reserve(NameCapacity);
  // Records beyond the capacity are never read, so a broken tail after them
  // raises no error.
  while (loaded.SubstanceLast() + 1 < NameCapacity && !reader.AtEnd()) {
    loaded.SubstanceName1.push_back(reader.ReadText());
    loaded.SubstanceName2.push_back(reader.ReadText());
    loaded.SubstanceFormula.push_back(reader.ReadText());
  }
  db = std::move(loaded);
}

SearchResults SearchNames(const Text& query, const NameDatabase& db) {
  const Text folded = ToHalfWidth(query);
  SearchResults results;
  const int last = db.SubstanceLast();
  for (int a = 0; a <= last && results.HitLast() + 1 < HitCapacity; ++a) {
    const Text* hit = nullptr;
    if (Holds(db.SubstanceName1[a], folded))
      hit = &db.SubstanceName1[a];
    else if (Holds(db.SubstanceName2[a], folded))
      hit = &db.SubstanceName2[a];
    if (hit == nullptr) continue;
    results.HitName.push_back(*hit);
    results.HitFormula.push_back(db.SubstanceFormula[a]);
  }
  return results;
}

}  // namespace zorvan
