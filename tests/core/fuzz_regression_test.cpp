// Replays every stored fuzz input, the seed corpora and the inputs that once
// found a fault, through the same property checks as the fuzz targets, so that
// the normal test suite catches a regression without clang; and pins the
// outcome of the extreme inputs that bound time and memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "core/calculation.h"
#include "core/record_reader.h"
#include "core/reference_tables.h"
#include "search/name_database.h"
#include "tests/fuzz/core_properties.h"
#include "tests/fuzz/search_properties.h"
#include "tests/support/test_tables.h"

namespace zorvan {
namespace {

namespace fs = std::filesystem;

// Returns the fuzz folder of the source tree, which lies beside the data folder.
fs::path FuzzFolder() { return fs::path(ZORVAN_DATA_DIR).parent_path() / "tests" / "fuzz"; }

struct FuzzTarget {
  const char* name;  // the folder name under corpus/ and regressions/
  std::string (*input)(std::string_view bytes);
};

void PrintTo(const FuzzTarget& target, std::ostream* os) { *os << target.name; }

class StoredFuzzInputs : public ::testing::TestWithParam<FuzzTarget> {};

TEST_P(StoredFuzzInputs, HoldEveryProperty) {
  const FuzzTarget& target = GetParam();
  size_t replayed = 0;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path folder = FuzzFolder() / kind / target.name;
    if (!fs::is_directory(folder)) continue;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      SCOPED_TRACE(std::string(kind) + "/" + target.name + "/" + entry.path().filename().string());
      EXPECT_EQ(target.input(fuzz::ReadBytes(entry.path())), "");
      ++replayed;
    }
  }
  // Every target has seeds; none replayed means the folder was not found.
  EXPECT_GT(replayed, 0u);
}

INSTANTIATE_TEST_SUITE_P(Targets, StoredFuzzInputs,
                         ::testing::Values(FuzzTarget{"tables", fuzz::TablesInput},
                                           FuzzTarget{"calculate", fuzz::CalculateInput},
                                           FuzzTarget{"groups", fuzz::GroupsInput},
                                           FuzzTarget{"batch", fuzz::BatchInput},
                                           FuzzTarget{"fold", fuzz::FoldInput},
                                           FuzzTarget{"names", fuzz::NamesInput}),
                         [](const auto& info) { return std::string(info.param.name); });

// The oracle and the form checks must themselves be right, or the replay
// proves nothing.
TEST(FuzzPropertyChecks, OracleAndFormChecksAreRight) {
  ReferenceTables tables = testing::StandardTables();
  fuzz::ReferenceParser parser(tables.Elements);
  AtomCounts counts{};
  ASSERT_EQ(parser.Parse(u"(CuSO4*5H2O)2", counts), fuzz::ReferenceParser::Outcome::Counts);
  EXPECT_EQ(counts[8], 14.0f);  // O
  EXPECT_EQ(counts[1], 20.0f);  // H
  EXPECT_EQ(parser.Parse(u"C1.2.3", counts), fuzz::ReferenceParser::Outcome::Error);
  EXPECT_EQ(parser.Parse(Text(5000, u'('), counts), fuzz::ReferenceParser::Outcome::TooDeep);

  EXPECT_TRUE(fuzz::IsGeneralForm(u"18.01528", true));
  EXPECT_FALSE(fuzz::IsGeneralForm(u"18.015280", true));   // trailing zero
  EXPECT_FALSE(fuzz::IsGeneralForm(u"18.015283", true));   // 8 significant digits
  EXPECT_FALSE(fuzz::IsGeneralForm(u"0.5", false));        // the short form drops the zero
  EXPECT_TRUE(fuzz::IsGeneralForm(u"1.677722E+07", false));
  EXPECT_TRUE(fuzz::HoldsInfOrNan(u"-INF"));
  EXPECT_FALSE(fuzz::HoldsInfOrNan(u"H2In1"));
}

// Extreme inputs: each ends with "Error!", a start-up error or a result.

FormulaEngine& ExampleEngine() {
  static FormulaEngine engine(fuzz::ExampleTables());
  return engine;
}

TEST(ResourceBounds, FormulaOfAMegabyteIsAnError) {
  const Text formula(size_t{1} << 20, u'H');
  EXPECT_TRUE(ExampleEngine().CalculateFormula(formula, true).Failed());
  EXPECT_TRUE(ExampleEngine().CalculateFormula(formula, false).Failed());
}

TEST(ResourceBounds, NestingIsBoundedByTheLength) {
  // 16383 levels around one atom: 32766 characters, the longest formula.
  Text deep(16383, u'(');
  deep += u'H';
  deep += Text(16382, u')');
  ASSERT_EQ(deep.size(), static_cast<size_t>(MaxFormulaLen));
  EXPECT_EQ(ExampleEngine().CalculateFormula(deep, true).Composition, u"H1");
  // 32766 open levels that the end of the text closes.
  CalcResult open = ExampleEngine().CalculateFormula(Text(MaxFormulaLen, u'('), false);
  EXPECT_EQ(open.Composition, u"");
  EXPECT_EQ(open.MolecularWeight, u"0");
  // 100000 levels exceed the length limit before any is opened.
  EXPECT_TRUE(ExampleEngine().CalculateFormula(Text(100000, u'('), false).Failed());
  EXPECT_TRUE(ExampleEngine().CalculateFormula(Text(100000, u'*'), false).Failed());
}

TEST(ResourceBounds, CountsBeyondTheFloatRangeAreErrors) {
  EXPECT_TRUE(ExampleEngine().CalculateFormula(Text(u"C") + Text(32765, u'9'), false).Failed());
  // A count that fits but whose weight does not.
  EXPECT_TRUE(ExampleEngine().CalculateFormula(Text(u"C") + Text(38, u'9'), false).Failed());
  // Products past the range.
  EXPECT_TRUE(ExampleEngine().CalculateFormula(u"(C1000000000000000000000)1000000000000000000", false).Failed());
  EXPECT_TRUE(ExampleEngine().CalculateFormula(u"(C1000000000000000000000)1000000000000000000)0", false).Failed());
}

TEST(ResourceBounds, GroupsThatGrowEndWithAnError) {
  struct Row {
    const char* name;
    std::string groups;
    std::u16string formula;
  };
  const Row rows[] = {
      {"ownAbbreviation", "X,X\r\n", u"X"},
      {"doubling", "H,HH\r\n", u"H"},
      {"closingParenthesis", "),H\r\n", u"(H)"},
      {"openingParenthesis", "(,(\r\n", u"(H)"},
      {"eachDoublesTheNext", "A,BB\r\nB,CC\r\nC,DD\r\nD,EE\r\nE,FF\r\nF,GG\r\nG,HH\r\nH,II\r\nI,JJ\r\nJ,KK\r\nK,LL\r\n",
       u"AAAAAAAAAA"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ReferenceTables tables = testing::StandardTables(row.groups);
    FormulaEngine engine(tables);
    EXPECT_TRUE(engine.CalculateFormula(row.formula, true).Failed());
    EXPECT_EQ(fuzz::CheckCalculation(tables, engine, row.formula, true), "");
  }
}

TEST(ResourceBounds, GroupsThatShrinkAndGrowStayWithinTheLimit) {
  // Each group rewrites the whole text again, a third of it each time: the
  // most work per group a table can ask for, over up to 32766 characters.
  const std::string groups = "HHH,\r\n(),H\r\n(H),\r\n";
  ReferenceTables tables = testing::StandardTables(groups);
  FormulaEngine engine(tables);
  CalcResult r = engine.CalculateFormula(Text(MaxFormulaLen, u'H'), true);
  EXPECT_EQ(r.Composition, u"");
  EXPECT_EQ(r.MolecularWeight, u"0");
}

TEST(ResourceBounds, TenMegabyteLines) {
  const std::string line(10u << 20, 'a');
  // name.csv: one record whose first name is 10 MB long.
  RecordReader names("name.csv", DecodeCp932(line + ",b,H2O\r\n"));
  NameDatabase db;
  LoadNameDatabase(db, true, names);
  ASSERT_EQ(db.SubstanceLast(), 0);
  EXPECT_EQ(db.SubstanceName1[0].size(), line.size());
  EXPECT_EQ(SearchNames(u"aaa", db).HitLast(), 0);
  EXPECT_EQ(SearchNames(u"b", db).HitLast(), 0);
  // atom.csv: one long line is one record, far short of 103.
  RecordReader atoms("atom.csv", DecodeCp932(line));
  RecordReader groups("group.csv", Text());
  try {
    LoadTables(atoms, groups);
    ADD_FAILURE() << "an atom.csv of one line loaded";
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.FileName(), "atom.csv");
    EXPECT_EQ(e.Problem(), DataFileProblem::ReadPastEnd);
  }
}

TEST(ResourceBounds, HugeBatchPaste) {
  // 60000 lines in 840 KB of clipboard text: one block each.
  Text clipboard;
  for (int i = 0; i < 20000; ++i) clipboard += u"CH3COOH\r\nH2O)9\r\n(((\r\n";
  clipboard.resize(clipboard.size() - 2);
  EXPECT_EQ(fuzz::CheckBatch(ExampleEngine(), clipboard), "");
}

}  // namespace
}  // namespace zorvan
