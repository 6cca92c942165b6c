// Checks the example name.csv against the example element and group tables.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "core/calculation.h"
#include "search/name_database.h"

namespace zorvan {
namespace {

struct TextbookWeight {
  const char* formula;
  double weight;
};

// Molecular weights as printed in textbooks, independent of our tables.
const TextbookWeight TextbookWeights[] = {
#include "textbook_weights.inc"
};

class ExampleNames : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadNameDatabase(db_, true, ZORVAN_DATA_DIR);
    ASSERT_GE(db_.SubstanceLast() + 1, 500);
  }
  ReferenceTables tables_ = LoadTables(ZORVAN_DATA_DIR);
  FormulaEngine engine_{tables_};
  NameDatabase db_;
};

TEST_F(ExampleNames, EveryFormulaCalculates) {
  for (int a = 0; a <= db_.SubstanceLast(); ++a) {
    CalcResult r = engine_.CalculateFormula(db_.SubstanceFormula[a], true);
    EXPECT_FALSE(r.Failed()) << ToUtf8(db_.SubstanceName1[a]) << " " << ToUtf8(db_.SubstanceFormula[a]);
    EXPECT_NE(r.MolecularWeight, u"0") << ToUtf8(db_.SubstanceName1[a]);
  }
}

TEST_F(ExampleNames, NoDuplicatesAndNoReplacementCharacters) {
  std::set<Text> firstNames;
  std::set<std::tuple<Text, Text, Text>> records;
  for (int a = 0; a <= db_.SubstanceLast(); ++a) {
    EXPECT_TRUE(firstNames.insert(db_.SubstanceName1[a]).second) << ToUtf8(db_.SubstanceName1[a]);
    EXPECT_TRUE(records.insert({db_.SubstanceName1[a], db_.SubstanceName2[a], db_.SubstanceFormula[a]}).second);
    for (const Text* field : {&db_.SubstanceName1[a], &db_.SubstanceName2[a], &db_.SubstanceFormula[a]})
      EXPECT_EQ(field->find(ReplacementChar), Text::npos) << ToUtf8(*field);
  }
}

TEST_F(ExampleNames, WeightsAgreeWithTextbooks) {
  ASSERT_GE(std::size(TextbookWeights), 30u);
  for (const TextbookWeight& row : TextbookWeights) {
    SCOPED_TRACE(row.formula);
    Text formula = FromUtf8(row.formula);
    bool listed = false;
    for (int a = 0; a <= db_.SubstanceLast() && !listed; ++a) listed = db_.SubstanceFormula[a] == formula;
    EXPECT_TRUE(listed);
    CalcResult r = engine_.CalculateFormula(formula, true);
    EXPECT_NEAR(std::stod(ToUtf8(r.MolecularWeight)), row.weight, 0.01);
  }
}

TEST_F(ExampleNames, FullWidthEthanolFindsTheHalfWidthName) {
  // エタノール in full-width katakana.
  SearchResults hits = SearchNames(u"\u30A8\u30BF\u30CE\u30FC\u30EB", db_);
  ASSERT_GE(hits.HitLast(), 0);
  EXPECT_EQ(hits.HitName[0], u"\uFF74\uFF80\uFF89\uFF70\uFF99");  // ｴﾀﾉｰﾙ
  EXPECT_EQ(engine_.CalculateFormula(hits.HitFormula[0], true).Composition, u"H6C2O1");
}

}  // namespace
}  // namespace zorvan
