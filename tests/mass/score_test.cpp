// The isotope-pattern score: measured patterns that must overturn the mass
// order (tests/cases/mass/isotope_score.txt), and a formula's own pattern,
// calculated without noise, ranked first among the finder's candidates, as
// a score of every candidate in full would rank it.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "core/calculation.h"
#include "mass/finder.h"
#include "mass/finder_detail.h"  // Plausible
#include "mass/isotope_score.h"
#include "tests/support.h"

namespace zorvan::mass {
namespace {

class Score : public ::testing::Test {
 protected:
  const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  const IsotopeTable isotopes = IsotopeTable::FromIsoSpec();
  const AtomMap atoms{tables.Elements, isotopes};
  FormulaEngine engine{tables};

  Ion IonOf(const std::string& formula, const IonSpec& ionSpec) {
    const Calculation result = engine.Calculate(FromUtf8(formula), {false});
    Molecule m;
    Ion ion;
    EXPECT_EQ(atoms.ToMolecule(result.Counts, m), "");
    EXPECT_EQ(FormIon(m, ionSpec, ion), "") << formula;
    return ion;
  }
};

TEST_F(Score, PatternOverturnsTheMassOrder) {
  for (const std::string& line : testing::CaseLines(testing::CasesFolder / "mass/isotope_score.txt")) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
    ASSERT_EQ(f.size(), 6u) << line;
    SCOPED_TRACE(f[0]);
    IonSpec ionSpec;
    ASSERT_EQ(ParseIon(f[1], isotopes, ionSpec), "");
    std::vector<MeasuredPeak> peaks;
    std::istringstream pairs(f[3]);
    for (MeasuredPeak p; pairs >> p.Mz >> p.Intensity; pairs.ignore(1)) peaks.push_back(p);
    const double parent = std::stod(f[2]);
    const MeasuredPattern measured = PrepareMeasured(peaks, parent, ionSpec.Charge);
    std::vector<Ion> ions{IonOf(f[4], ionSpec)};
    std::istringstream closer(f[5]);
    for (std::string formula; closer >> formula;) ions.push_back(IonOf(formula, ionSpec));
    const double expected = ScoreIon(ions[0], measured, {}).value().Total;
    for (size_t i = 1; i < ions.size(); ++i) {
      EXPECT_LT(std::abs(ions[i].Mz - parent), std::abs(ions[0].Mz - parent)) << i;
      EXPECT_LT(ScoreIon(ions[i], measured, {}).value().Total, expected) << i;
    }
    EXPECT_EQ(RankByPattern(ions, measured, {}, 1).front().Index, 0u);
  }
}

TEST_F(Score, OwnNoiselessPatternRanksFirstAsScoringAllWould) {
  std::mt19937 random(23);
  FinderQuery q;
  ASSERT_EQ(ParseRanges("C1-30 H1-60 N0-4 O0-8 S0-2 Cl0-2 Br0-1", isotopes, q.Ranges), "");
  q.Rules = true;
  const char* ions[] = {"[M+H]+", "[M-H]-", "[M+Na]+"};
  for (int k = 0; k < 24; ++k) {
    Molecule m;
    do {
      m.clear();
      for (const ElementRange& r : q.Ranges)
        if (const int n = std::uniform_int_distribution(r.Min, r.Max)(random)) m.push_back({r.Element, n});
    } while (!Plausible(m));
    ASSERT_EQ(ParseIon(ions[k % 3], isotopes, q.Ion), "");
    Ion own;
    ASSERT_EQ(FormIon(m, q.Ion, own), "");
    SCOPED_TRACE(HillFormula(m) + " " + ions[k % 3]);
    std::vector<MeasuredPeak> peaks;
    for (const Peak& p : ComputePattern(own.Formula, own.Charge, {Resolution::Centroid, 60000, 0.5}).Peaks)
      peaks.push_back({p.Mz, p.Relative});
    const MeasuredPattern measured = PrepareMeasured(peaks, own.Mz, own.Charge);
    q.Mz = own.Mz;
    std::vector<Ion> candidates;
    std::vector<std::string> hill;
    FindFormulas(q, tables, [&](const Candidate& c) {
      candidates.push_back(c.Ionized);
      hill.push_back(c.Hill);
      return true;
    });
    const RankedIon first = RankByPattern(candidates, measured, {}, 1).front();
    EXPECT_EQ(hill[first.Index], HillFormula(m));
    for (const Ion& c : candidates) EXPECT_LE(ScoreIon(c, measured, {}).value().Total, first.Score.value().Total);
  }
}

}  // namespace
}  // namespace zorvan::mass
