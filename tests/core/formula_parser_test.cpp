#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/calculation.h"
#include "tests/support/test_tables.h"

namespace zorvan {
namespace {

using testing::ElementSymbols;

struct CountsRow {
  const char* name;
  std::u16string formula;
  std::map<std::string, float> counts;  // every element not listed counts 0
};

class ParserCounts : public ::testing::TestWithParam<CountsRow> {};

TEST_P(ParserCounts, GivesCounts) {
  const CountsRow& row = GetParam();
  ReferenceTables tables = testing::StandardTables();
  FormulaEngine engine(tables);
  CalcResult r = engine.CalculateFormula(row.formula, false);
  ASSERT_FALSE(r.Failed()) << ToUtf8(row.formula);
  for (int n = 1; n <= ElementCount; ++n) {
    auto it = row.counts.find(ElementSymbols[n - 1]);
    float expected = it == row.counts.end() ? 0.0f : it->second;
    EXPECT_EQ(engine.Counts()[n], expected) << ElementSymbols[n - 1];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, ParserCounts,
    ::testing::Values(
        CountsRow{"water", u"H2O", {{"H", 2}, {"O", 1}}},
        CountsRow{"acetic", u"CH3COOH", {{"C", 2}, {"H", 4}, {"O", 2}}},
        CountsRow{"hydroxide", u"Ca(OH)2", {{"Ca", 1}, {"O", 2}, {"H", 2}}},
        CountsRow{"nested", u"((CH3)3C)2O", {{"C", 8}, {"H", 18}, {"O", 1}}},
        CountsRow{"hydrate", u"CuSO4*5H2O", {{"Cu", 1}, {"S", 1}, {"O", 9}, {"H", 10}}},
        CountsRow{"starNoNumber", u"CuSO4*H2O", {{"Cu", 1}, {"S", 1}, {"O", 5}, {"H", 2}}},
        CountsRow{"starChain", u"CaCl2*2H2O*3NH3", {{"Ca", 1}, {"Cl", 2}, {"H", 22}, {"O", 2}, {"N", 6}}},
        CountsRow{"parenEndsStar", u"(CuSO4*5H2O)2", {{"Cu", 1}, {"S", 1}, {"O", 14}, {"H", 20}}},
        CountsRow{"starLevelGoesOn", u"(N*2O)3C", {{"N", 1}, {"O", 6}, {"C", 1}}},
        CountsRow{"unclosed", u"Ca(OH", {{"Ca", 1}, {"O", 1}, {"H", 1}}},
        CountsRow{"emptyParens", u"H2()3O", {{"H", 2}, {"O", 1}}},
        CountsRow{"trailingParen", u"H2O(", {{"H", 2}, {"O", 1}}},
        CountsRow{"trailingStar", u"H2O*", {{"H", 2}, {"O", 1}}},
        CountsRow{"outerCloseEnds", u"H2O)3NaCl", {{"H", 6}, {"O", 3}}},
        CountsRow{"outerCloseSkipsJunk", u"H)  x!", {{"H", 1}}},
        CountsRow{"empty", u"", {}},
        CountsRow{"cobalt", u"Co", {{"Co", 1}}},
        CountsRow{"carbonMonoxide", u"CO", {{"C", 1}, {"O", 1}}},
        CountsRow{"zeroCount", u"H0", {}},
        CountsRow{"half", u"C0.5", {{"C", 0.5f}}},
        CountsRow{"halfNoZero", u"C.5", {{"C", 0.5f}}},
        CountsRow{"trailingPoint", u"C1.", {{"C", 1}}},
        CountsRow{"leadingZeros", u"C007", {{"C", 7}}},
        CountsRow{"floatNearest", u"C0.1", {{"C", 0.1f}}},
        CountsRow{"floatRounding", u"C16777217", {{"C", 16777216.0f}}},
        CountsRow{"repeatedElement", u"COCO", {{"C", 2}, {"O", 2}}}),
    [](const auto& info) { return std::string(info.param.name); });

// The "*" row rounds product plus count once: 0.1 * 3 + 0.2 in double, then
// to float, differs from rounding the product first.
TEST(ParserArithmetic, StarRowRoundsOnce) {
  ReferenceTables tables = testing::StandardTables();
  FormulaEngine engine(tables);
  ASSERT_FALSE(engine.CalculateFormula(u"C0.2*3C0.1", false).Failed());
  float expected = static_cast<float>(3.0 * static_cast<double>(0.1f) + static_cast<double>(0.2f));
  EXPECT_EQ(engine.Counts()[6], expected);
}

TEST(ParserErrors, SyntaxErrorsGiveError) {
  ReferenceTables tables = testing::StandardTables();
  FormulaEngine engine(tables);
  for (const char16_t* formula :
       {u" H2O", u"H2O ", u"H2 O", u"h2o", u"2H2O", u"H2o", u"CL", u"Hc", u"C.", u"C..5",
        u"C1.2.3", u"(OH).", u"H2O*.", u"H-1", u"H1e5", u"H,O", u"\uFF28\uFF12\uFF2F" /* FULLWIDTH H2O */,
        u"PhOH" /* groups off */, u"X"}) {
    SCOPED_TRACE(ToUtf8(formula));
    EXPECT_TRUE(engine.CalculateFormula(formula, false).Failed());
  }
}

TEST(ParserLimits, DeepNestingCalculates) {
  ReferenceTables tables = testing::StandardTables();
  FormulaEngine engine(tables);
  for (int depth : {10000, 16000}) {
    SCOPED_TRACE(depth);
    Text formula(static_cast<size_t>(depth), u'(');
    formula += u"H2O";
    formula += Text(static_cast<size_t>(depth), u')');
    CalcResult r = engine.CalculateFormula(formula, false);
    EXPECT_EQ(r.Composition, u"H2O1");
    // Unclosed levels are closed by the end of the text.
    r = engine.CalculateFormula(Text(static_cast<size_t>(depth), u'(') + u"H2O", false);
    EXPECT_EQ(r.Composition, u"H2O1");
  }
}

TEST(ParserLimits, HundredThousandLevelsEndInError) {
  ReferenceTables tables = testing::StandardTables();
  FormulaEngine engine(tables);
  Text formula(100000, u'(');
  formula += u"H";
  EXPECT_TRUE(engine.CalculateFormula(formula, false).Failed());
  // The longest formula, all of it unclosed levels, still calculates: the
  // cursor steps past the end once per open level without overflowing.
  Text longest(static_cast<size_t>(MaxFormulaLen - 1), u'(');
  longest += u"H";
  EXPECT_EQ(engine.CalculateFormula(longest, false).Composition, u"H1");
  EXPECT_TRUE(engine.CalculateFormula(longest + u"(", false).Failed());
}

TEST(ParserLimits, CountsBeyondFloatRangeAreErrors) {
  ReferenceTables tables = testing::StandardTables();
  FormulaEngine engine(tables);
  Text fortyNines(40, u'9');
  Text twentyZeros(20, u'0');
  for (const Text& formula :
       {Text(u"C") + fortyNines, Text(u"(C") + fortyNines + u")0", Text(u"C*") + fortyNines + u"H",
        Text(u"(C1") + twentyZeros + u")1" + twentyZeros, Text(u"C") + Text(400, u'9')}) {
    SCOPED_TRACE(ToUtf8(formula));
    CalcResult r = engine.CalculateFormula(formula, false);
    EXPECT_TRUE(r.Failed());
  }
  // A count near the top of the range is fine until the weight overflows.
  EXPECT_EQ(engine.CalculateFormula(Text(u"H1") + Text(38, u'0'), false).MolecularWeight, u"1.00794E+38");
  EXPECT_TRUE(engine.CalculateFormula(Text(u"H34") + Text(37, u'0'), false).Failed());
}

}  // namespace
}  // namespace zorvan
