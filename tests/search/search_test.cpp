// The width folding, the name search and the example name data, driven by
// the case files in tests/cases.
#include <gtest/gtest.h>

#include <unistd.h>  // getpid

#include <fstream>
#include <set>

#include "core/calculation.h"
#include "search/name_database.h"
#include "search/width_fold.h"
#include "tests/support.h"

namespace zorvan {
namespace {

using testing::CaseLines;

// fold.txt: a text and its fold, tab-separated.
TEST(ToHalfWidth, FoldsEachCase) {
  for (const std::string& line : CaseLines(testing::CasesFolder / "fold.txt")) {
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    EXPECT_EQ(ToUtf8(ToHalfWidth(FromUtf8(line.substr(0, tab)))), line.substr(tab + 1)) << line;
  }
}

// Every code unit on its own: exactly the 188 characters of the three
// full-width tables change, each into half-width forms, and only the
// voiced and semi-voiced katakana into two characters.
TEST(ToHalfWidth, ChangesExactlyTheTableCharacters) {
  int changed = 0, twoUnits = 0;
  for (char32_t c = 0; c <= 0xFFFF; ++c) {
    const Text in(1, static_cast<char16_t>(c));
    const Text out = ToHalfWidth(in);
    if (out == in) continue;
    ++changed;
    for (char16_t h : out) EXPECT_TRUE(h < 0x7F || (h >= 0xFF61 && h <= 0xFF9F)) << std::hex << static_cast<int>(c);
    if (out.size() == 2) {
      ++twoUnits;
      EXPECT_TRUE(out[1] == u'\uFF9E' || out[1] == u'\uFF9F') << std::hex << static_cast<int>(c);
    }
  }
  EXPECT_EQ(changed, 188);
  EXPECT_EQ(twoUnits, 26);
}

// search/NAME.csv is a name.csv; NAME.txt holds lines "query: TEXT", each
// followed by the hits it must find, "[name][formula]" in order.
TEST(SearchNames, FindsEachCase) {
  for (const auto& csv : testing::CaseFiles("search", ".csv")) {
    SCOPED_TRACE(csv.filename().string());
    RecordReader reader = RecordReader::Open(csv.parent_path(), csv.filename().string());
    const NameDatabase db = ReadNameDatabase(reader);
    std::string query;
    std::vector<std::string> expected;
    auto check = [&] {
      std::vector<std::string> got;
      for (const Hit& hit : SearchNames(FromUtf8(query), db).Hits)
        got.push_back(
            std::string("[").append(ToUtf8(hit.HitName)).append("][").append(ToUtf8(hit.HitFormula)).append("]"));
      EXPECT_EQ(got, expected) << "query: " << query;
    };
    std::vector<std::string> lines = CaseLines(std::filesystem::path(csv).replace_extension(".txt"));
    for (size_t i = 0; i < lines.size(); ++i) {
      if (!lines[i].starts_with("query:")) continue;
      query = lines[i].substr(lines[i].size() > 6 ? 7 : 6);
      expected.clear();
      while (i + 1 < lines.size() && !lines[i + 1].starts_with("query:")) expected.push_back(lines[++i]);
      check();
    }
  }
}

TEST(SearchNames, KeepsTheFirst10000RecordsAndTheFirst1000Hits) {
  const auto folder = std::filesystem::temp_directory_path() / ("zorvan-names-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  {
    std::ofstream csv(folder / "name.csv", std::ios::binary);
    for (int i = 0; i < 10001; ++i) csv << "n" << i << ",,C" << i + 1 << "\r\n";
    csv << "broken,";  // past the 10000th record: never read
  }
  NameDatabase db;
  LoadNameDatabase(db, false, folder);
  EXPECT_EQ(db.SubstanceLast(), -1);  // search mode off: nothing read
  LoadNameDatabase(db, true, folder);
  ASSERT_EQ(db.SubstanceLast(), 9999);
  EXPECT_EQ(db.Records.back().SubstanceFormula, u"C10000");
  const SearchResults hits = SearchNames(u"n", db);
  ASSERT_EQ(hits.HitLast(), 999);
  EXPECT_EQ(hits.Hits.back().HitName, u"n999");
  std::filesystem::remove(folder / "name.csv");
  LoadNameDatabase(db, true, folder);  // loaded already: the file is not read again
  EXPECT_EQ(db.SubstanceLast(), 9999);
  std::filesystem::remove_all(folder);
}

// The example name.csv: every formula calculates with the example tables,
// no name repeats or holds an undecodable byte, and the weights of
// textbook.txt ("formula weight") agree with the printed ones.
TEST(ExampleData, NamesCalculateAndAgreeWithTextbooks) {
  const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  FormulaEngine engine(tables);
  NameDatabase db;
  LoadNameDatabase(db, true, ZORVAN_DATA_DIR);
  ASSERT_GE(db.SubstanceLast(), 999);
  std::set<Text> firstNames, formulas;
  for (const Substance& s : db.Records) {
    EXPECT_TRUE(firstNames.insert(s.SubstanceName1).second) << ToUtf8(s.SubstanceName1);
    formulas.insert(s.SubstanceFormula);
    const Calculation r = engine.Calculate(s.SubstanceFormula);
    EXPECT_TRUE(r.Status == CalcStatus::Ok && r.MolecularWeight != u"0") << ToUtf8(s.SubstanceFormula);
    EXPECT_EQ((s.SubstanceName1 + s.SubstanceName2).find(ReplacementChar), Text::npos);
  }
  for (const std::string& line : CaseLines(testing::CasesFolder / "textbook.txt")) {
    char formula[64];
    double weight = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%63s %lf", formula, &weight), 2) << line;
    EXPECT_TRUE(formulas.count(FromUtf8(formula))) << formula << " is not in name.csv";
    EXPECT_NEAR(std::stod(ToUtf8(engine.Calculate(FromUtf8(formula)).MolecularWeight)), weight, 0.01) << formula;
  }
}

}  // namespace
}  // namespace zorvan
