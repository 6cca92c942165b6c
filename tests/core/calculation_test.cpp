#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/calculation.h"
#include "tests/support/test_tables.h"

namespace zorvan {
namespace {

struct CalcRow {
  const char* name;
  std::u16string formula;
  bool groups;
  std::u16string composition;
  std::u16string weight;
  std::vector<std::u16string> lines;
};

class Calculation : public ::testing::TestWithParam<CalcRow> {};

TEST_P(Calculation, ShowsTexts) {
  const CalcRow& row = GetParam();
  ReferenceTables tables = testing::StandardTables();
  FormulaEngine engine(tables);
  CalcResult r = engine.CalculateFormula(row.formula, row.groups);
  EXPECT_EQ(ToUtf8(r.Composition), ToUtf8(row.composition));
  EXPECT_EQ(ToUtf8(r.MolecularWeight), ToUtf8(row.weight));
  std::vector<std::string> got, want;
  for (const Text& l : r.PercentLines) got.push_back(ToUtf8(l));
  for (const Text& l : row.lines) want.push_back(ToUtf8(l));
  EXPECT_EQ(got, want);
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, Calculation,
    ::testing::Values(
        CalcRow{"water", u"H2O", true, u"H2O1", u"18.01528", {u"H \t 11.19%", u"O \t 88.81%"}},
        CalcRow{"acetic", u"CH3COOH", true, u"H4C2O2", u"60.05256",
                {u"H \t  6.71%", u"C \t 40.00%", u"O \t 53.28%"}},
        CalcRow{"carbonAlone", u"C", true, u"C1", u"12.011", {u"C \t100.00%"}},
        CalcRow{"zeroCountDropped", u"CH0", true, u"C1", u"12.011", {u"C \t100.00%"}},
        CalcRow{"half", u"C0.5H2", true, u"H2C.5", u"8.021379", {u"H \t 25.13%", u"C \t 74.87%"}},
        CalcRow{"twoLetterSymbol", u"CaCl2", true, u"Cl2Ca1", u"110.9834",
                {u"Cl\t 63.89%", u"Ca\t 36.11%"}},
        CalcRow{"empty", u"", true, u"", u"0", {}},
        CalcRow{"onlyZero", u"H0", true, u"", u"0", {}},
        CalcRow{"emptyParens", u"()", true, u"", u"0", {}},
        CalcRow{"error", u"H2O ", true, u"Error!", u"", {}},
        CalcRow{"groupExpanded", u"PhOH", true, u"H6C6O1", u"94.11304",
                {u"H \t  6.43%", u"C \t 76.57%", u"O \t 17.00%"}},
        CalcRow{"groupCountMultipliesGroup", u"Ph2O", true, u"H10C12O1", u"170.2108",
                {u"H \t  5.92%", u"C \t 84.68%", u"O \t  9.40%"}},
        CalcRow{"groupsOff", u"PhOH", false, u"Error!", u"", {}},
        CalcRow{"groupInsideWord", u"Phe", true, u"Error!", u"", {}},
        CalcRow{"scientificWeight", u"C1000000", true, u"C1000000", u"1.2011E+07",
                {u"C \t100.00%"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CalculationNumbers, DecimalPointFromCaller) {
  ReferenceTables tables = testing::StandardTables();
  FormulaEngine engine(tables);
  CalcResult r = engine.CalculateFormula(u"C0.5H2", true, u',');
  EXPECT_EQ(r.Composition, u"H2C.5");  // counts always use "."
  EXPECT_EQ(r.MolecularWeight, u"8,021379");
  EXPECT_EQ(r.PercentLines.at(0), u"H \t 25,13%");
}

TEST(CalculationNumbers, ErrorThenCorrectFormulaShowsFullResults) {
  ReferenceTables tables = testing::StandardTables();
  FormulaEngine engine(tables);
  EXPECT_TRUE(engine.CalculateFormula(u"Xx", true).Failed());
  EXPECT_EQ(engine.CalculateFormula(u"H2O", true).MolecularWeight, u"18.01528");
}

TEST(GroupExpansion, FollowsTableOrderAndRules) {
  struct Row {
    const char* name;
    std::string groups;
    std::u16string formula;
    std::u16string expanded;  // empty means the expansion fails
  };
  const Row rows[] = {
      {"simple", "Ph,C6H5\r\n", u"PhOH", u"(C6H5)OH"},
      {"everyOccurrence", "Me,CH3\r\n", u"MeOMe", u"(CH3)O(CH3)"},
      {"emptyFormulaDeletes", "Zz,\r\n", u"HZzZzO", u"H()()O"},
      {"laterRewritesEarlier", "Ph,C6Qq\r\nQq,H5\r\n", u"Ph", u"(C6(H5))"},
      {"earlierNeverSeesLater", "Qq,H5\r\nPh,C6Qq\r\n", u"Ph", u"(C6Qq)"},
      {"emptyAbbreviationSkipped", ",H\r\nMe,CH3\r\n", u"Me", u"(CH3)"},
      {"selfReferenceEnds", "X,XX\r\n", u"X", u""},
      {"crossingInsertedText", "H),CH\r\n", u"H)", u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ReferenceTables tables = testing::StandardTables(row.groups);
    FormulaEngine engine(tables);
    Text formula = row.formula;
    bool ok = engine.ExpandGroups(formula);
    if (row.expanded.empty()) {
      EXPECT_FALSE(ok);
      EXPECT_TRUE(engine.CalculateFormula(row.formula, true).Failed());
    } else {
      EXPECT_TRUE(ok);
      EXPECT_EQ(ToUtf8(formula), ToUtf8(row.expanded));
    }
  }
}

TEST(CalculationLimits, OverlongFormulasAreErrors) {
  ReferenceTables tables = testing::StandardTables("Zz,CCCCCCCCCC\r\n");
  FormulaEngine engine(tables);
  Text longest(static_cast<size_t>(MaxFormulaLen), u'H');
  EXPECT_EQ(engine.CalculateFormula(longest, false).Composition, u"H32766");
  EXPECT_TRUE(engine.CalculateFormula(longest + u"H", false).Failed());
  // Expansion that passes the limit: 3000 * 12 characters.
  Text grows;
  for (int i = 0; i < 3000; ++i) grows += u"Zz";
  EXPECT_TRUE(engine.CalculateFormula(grows, true).Failed());
  EXPECT_TRUE(engine.CalculateFormula(Text(1 << 20, u'C'), true).Failed());
}

TEST(CalculationLimits, NonPositiveWeightsGiveNoNumberText) {
  std::string atoms = testing::AtomCsv();
  // Make hydrogen weigh 0 and helium weigh -4.
  atoms.replace(atoms.find("1,H,1.00794"), 11, "1,H,0");
  atoms.replace(atoms.find("2,He,4"), 6, "2,He,-4");
  ReferenceTables tables = testing::MakeTables(atoms, "");
  FormulaEngine engine(tables);

  CalcResult r = engine.CalculateFormula(u"H2", true);
  EXPECT_EQ(r.Composition, u"H2");
  EXPECT_EQ(r.MolecularWeight, u"0");
  EXPECT_EQ(r.PercentLines, std::vector<Text>{u"H \t---.--%"});

  // He2C: -8 + 12.011 = 4.011; the fractions go past 100 % and keep their digits.
  r = engine.CalculateFormula(u"He2C", true);
  EXPECT_EQ(r.MolecularWeight, u"4.011");
  ASSERT_EQ(r.PercentLines.size(), 2u);
  EXPECT_EQ(r.PercentLines[0], u"He\t-199.45%");
  EXPECT_EQ(r.PercentLines[1], u"C \t299.45%");
}

}  // namespace
}  // namespace zorvan
