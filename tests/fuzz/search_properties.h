// Properties of the width folding and the name search that hold for every
// input, and the inputs of the search fuzz targets. Each check returns an
// empty string when its properties hold and otherwise a description of the
// first broken one.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/record_reader.h"
#include "core/text.h"
#include "search/name_database.h"
#include "search/width_fold.h"
#include "tests/fuzz/fuzz_input.h"

namespace zorvan::fuzz {

// True for the code units the fold tables can hold: the hyphen and quotation
// marks near U+2010, the CJK punctuation and katakana block, and the
// half-width and full-width forms.
inline bool InFoldBlocks(char16_t c) {
  return (c >= 0x2010 && c <= 0x2019) || (c >= 0x3000 && c <= 0x30FF) || (c >= 0xFF00 && c <= 0xFFEF);
}

// True for what a fold may produce from a changed character: printable
// ASCII or a half-width katakana form (U+FF61 to U+FF9F).
inline bool IsHalfWidthResult(char16_t c) { return (c >= 0x20 && c < 0x7F) || (c >= 0xFF61 && c <= 0xFF9F); }

// Checks ToHalfWidth on `text`: folding twice is folding once, the result is
// never shorter, the fold of a text is the folds of its code units one after
// the other, and each code unit either stays as it is or becomes one
// half-width character, or a half-width base letter and a sound mark.
inline std::string CheckFold(const Text& text) {
  Violations v;
  const std::string where = " [text \"" + Show(text) + "\"]";
  const Text once = ToHalfWidth(text);
  v.Expect(ToHalfWidth(once) == once, "folding twice differs from folding once" + where);
  v.Expect(once.size() >= text.size(), "the fold is shorter than the text" + where);
  Text joined;
  for (char16_t c : text) {
    const Text piece = ToHalfWidth(Text(1, c));
    joined += piece;
    const std::string at = " [code unit " + Show(Text(1, c)) + "]";
    if (!InFoldBlocks(c)) {
      v.Expect(piece == Text(1, c), "a character outside the tables changed" + at);
    } else if (piece != Text(1, c)) {
      v.Expect(piece.size() == 1 || (piece.size() == 2 && (piece[1] == 0xFF9E || piece[1] == 0xFF9F)),
               "a fold piece that is neither one character nor a letter and a sound mark" + at);
      for (char16_t p : piece) v.Expect(IsHalfWidthResult(p), "a fold into a non-half-width character" + at);
    }
    if (!v.Ok()) return v.Message();
  }
  v.Expect(joined == once, "the fold depends on the neighbouring characters" + where);
  return v.Message();
}

// Checks SearchNames(query, db): at most HitCapacity hits, exactly the first
// records in file order whose first or second name holds the folded query,
// each under the first name that holds it, with its record's formula; and
// folding the query beforehand changes nothing.
inline std::string CheckSearch(const Text& query, const NameDatabase& db) {
  Violations v;
  const std::string where = " [query \"" + Show(query) + "\"]";
  const Text folded = ToHalfWidth(query);
  const SearchResults hits = SearchNames(query, db);
  if (!v.Expect(hits.HitName.size() == hits.HitFormula.size() && hits.HitLast() < HitCapacity,
                std::to_string(hits.HitLast() + 1) + " hits" + where))
    return v.Message();
  for (const Text& name : hits.HitName)
    if (!v.Expect(!name.empty() && name.find(folded) != Text::npos,
                  "hit \"" + Show(name) + "\" does not hold the folded query" + where))
      return v.Message();

  std::vector<std::pair<Text, Text>> expected;
  for (int a = 0; a <= db.SubstanceLast() && expected.size() < static_cast<size_t>(HitCapacity); ++a) {
    for (const Text* name : {&db.SubstanceName1[a], &db.SubstanceName2[a]})
      if (!name->empty() && name->find(folded) != Text::npos) {
        expected.emplace_back(*name, db.SubstanceFormula[a]);
        break;
      }
  }
  if (!v.Expect(hits.HitName.size() == expected.size(),
                std::to_string(hits.HitName.size()) + " hits, expected " + std::to_string(expected.size()) + where))
    return v.Message();
  for (size_t h = 0; h < expected.size(); ++h)
    if (!v.Expect(hits.HitName[h] == expected[h].first && hits.HitFormula[h] == expected[h].second,
                  "hit " + std::to_string(h) + " is \"" + Show(hits.HitName[h]) + "\", expected \"" +
                      Show(expected[h].first) + "\"" + where))
      return v.Message();

  const SearchResults again = SearchNames(folded, db);
  v.Expect(again.HitName == hits.HitName && again.HitFormula == hits.HitFormula,
           "searching the folded query finds other hits" + where);
  return v.Message();
}

// One input of the fold target. The first byte chooses the decoding of the
// rest: bit 0 set for UTF-8, clear for raw UTF-16LE code units (lone
// surrogates included).
inline std::string FoldInput(std::string_view bytes) {
  if (bytes.empty()) return {};
  const bool utf8 = static_cast<unsigned char>(bytes[0]) & 1;
  bytes.remove_prefix(1);
  return CheckFold(utf8 ? FromUtf8(bytes) : FromUtf16Le(bytes));
}

// Returns the example name database, loaded once from the data folder.
inline const NameDatabase& ExampleNames() {
  static const NameDatabase db = [] {
    NameDatabase loaded;
    LoadNameDatabase(loaded, true, DataFolder());
    return loaded;
  }();
  return db;
}

// One input of the names target: the bytes up to the first NUL are the UTF-8
// query; the bytes after it, when there is a NUL, are a name.csv in code page
// 932, else the example name.csv is searched. Loading either fails with
// ReadPastEnd and leaves the database not loaded, or gives at most
// NameCapacity records; the search then holds its properties.
inline std::string NamesInput(std::string_view bytes) {
  Violations v;
  const TwoParts parts = SplitAtNul(bytes);
  const Text query = FromUtf8(parts.first);
  if (std::string s = CheckFold(query); !s.empty()) return s;
  if (!parts.hasSecond) return CheckSearch(query, ExampleNames());

  const Text content = DecodeCp932(parts.second);
  NameDatabase db;
  RecordReader off("name.csv", content);
  LoadNameDatabase(db, false, off);
  if (!v.Expect(db.SubstanceLast() == -1, "loaded with search mode off")) return v.Message();
  try {
    RecordReader reader("name.csv", content);
    LoadNameDatabase(db, true, reader);
  } catch (const DataFileError& e) {
    v.Expect(e.Problem() == DataFileProblem::ReadPastEnd && e.FileName() == "name.csv",
             std::string("unexpected load error: ") + e.what());
    v.Expect(db.SubstanceLast() == -1, "a failed load left records behind");
    return v.Message();
  }
  if (!v.Expect(db.SubstanceLast() < NameCapacity && db.SubstanceName1.size() == db.SubstanceName2.size() &&
                    db.SubstanceName1.size() == db.SubstanceFormula.size(),
                "a database of " + std::to_string(db.SubstanceLast() + 1) + " records"))
    return v.Message();
  return CheckSearch(query, db);
}

}  // namespace zorvan::fuzz
