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

NameDatabase ReadNameDatabase(RecordReader& reader) {
  NameDatabase db;
  // Records beyond the capacity are never read, so a broken tail after them
  // raises no error.
  while (db.SubstanceLast() + 1 < NameCapacity && !reader.AtEnd()) {
    Substance record;
    record.SubstanceName1 = reader.ReadText();
    record.SubstanceName2 = reader.ReadText();
    record.SubstanceFormula = reader.ReadText();
    db.Records.push_back(std::move(record));
  }
  return db;
}

void LoadNameDatabase(NameDatabase& db, bool searchMode, const std::filesystem::path& folder) {
  if (db.SubstanceLast() >= 0 || !searchMode) return;
  RecordReader reader = RecordReader::Open(folder, NameFileName);
  // Assigned only once read whole, so a file ending inside a record leaves `db` not loaded.
  db = ReadNameDatabase(reader);
}

SearchResults SearchNames(const Text& query, const NameDatabase& db) {
  const Text folded = ToHalfWidth(query);
  SearchResults results;
  for (const Substance& record : db.Records) {
    const Text* name = Holds(record.SubstanceName1, folded)   ? &record.SubstanceName1
                       : Holds(record.SubstanceName2, folded) ? &record.SubstanceName2
                                                              : nullptr;
    if (name == nullptr) continue;
    results.Hits.push_back(Hit{*name, record.SubstanceFormula});
    if (results.HitLast() + 1 == HitCapacity) break;
  }
  return results;
}

}  // namespace zorvan
