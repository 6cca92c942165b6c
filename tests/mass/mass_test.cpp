// The mass code against values from outside it (tests/cases/mass), and the
// unit pattern against the fine structure it must sum to.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <sstream>

#include "mass/paper.h"
#include "mass/pattern.h"
#include "tests/support.h"

namespace zorvan::mass {
namespace {

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

// True when `value` lies within 0.6 units of the last digit written in `text`.
bool Near(double value, const std::string& text) {
  const size_t point = text.find('.');
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
  return std::fabs(value - std::stod(text)) <= 0.6 * std::pow(10.0, -decimals);
}

class MassCases : public ::testing::Test {
 protected:
  const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  const IsotopeTable isotopes = IsotopeTable::FromIsoSpec();
  const AtomMap atoms{tables.Elements, isotopes};
  FormulaEngine engine{tables};

  // Calculates `formula` as the main window does; returns the note, if any.
  std::string ToMolecule(const std::string& formula, Molecule& molecule) {
    CalcResult result;
    engine.Calculate(FromUtf8(formula), true, result);
    if (result.Status != CalcStatus::Ok) return "Error!";
    const std::string note = atoms.ToMolecule(engine.Counts(), molecule);
    return note.empty() && molecule.empty() ? "原子がありません" : note;
  }
  Molecule Must(const std::string& formula) {
    Molecule molecule;
    EXPECT_EQ(ToMolecule(formula, molecule), "");
    return molecule;
  }
  Ion MustIon(const Molecule& molecule, const std::string& text, IonSpec& ionSpec) {
    Ion ion;
    EXPECT_EQ(ParseIon(text, isotopes, ionSpec), "");
    EXPECT_EQ(FormIon(molecule, ionSpec, ion), "");
    return ion;
  }
  // The peaks of a pattern by nominal shift from the monoisotopic mass.
  std::map<int, std::vector<double>> ByShift(const Molecule& molecule, const Pattern& pattern) {
    std::map<int, std::vector<double>> shifts;
    for (const Peak& p : pattern.Peaks)
      shifts[static_cast<int>(std::lround(p.Mz - MonoisotopicMass(molecule)))].push_back(p.Relative);
    return shifts;
  }
};

TEST_F(MassCases, MatchEachReferenceValue) {
  for (const std::string& line : testing::CaseLines(testing::CasesFolder / "mass" / "reference.tsv")) {
    SCOPED_TRACE(line);
    const std::vector<std::string> f = Fields(line);
    const std::string& kind = f.at(0);
    IonSpec ionSpec;
    Molecule molecule;
    if (kind == "mz") {
      EXPECT_TRUE(Near(MustIon(Must(f.at(1)), f.at(2), ionSpec).Mz, f.at(3)));
    } else if (kind == "hill") {
      molecule = Must(f.at(1));
      EXPECT_EQ(HillFormula(molecule), f.at(2));
      EXPECT_EQ(NominalMass(molecule), std::stoll(f.at(3)));
      const std::optional<double> dbe = Dbe(molecule);
      EXPECT_EQ(dbe ? std::to_string(*dbe) : "-", f.at(4) == "-" ? "-" : std::to_string(std::stod(f.at(4))));
    } else if (kind == "unit" || kind == "fine") {
      molecule = Must(f.at(1));
      PatternRequest request;
      request.Kind = kind == "unit" ? Resolution::Unit : Resolution::Fine;
      request.MinPercent = kind == "unit" ? 0.01 : std::stod(f.at(2));
      const auto shifts = ByShift(
          molecule,
          ComputePattern(MustIon(molecule, kind == "unit" ? f.at(2) : "M", ionSpec).Formula, ionSpec.Charge, request));
      for (size_t k = 3; k < f.size(); ++k) {
        const size_t colon = f[k].find(':');
        const int shift = std::stoi(f[k].substr(0, colon));
        const std::string expected = f[k].substr(colon + 1);
        ASSERT_TRUE(shifts.contains(shift)) << "no peak at shift " << shift;
        if (kind == "unit")
          EXPECT_TRUE(Near(shifts.at(shift).at(0), expected)) << shift << ": " << shifts.at(shift).at(0);
        else
          EXPECT_EQ(std::to_string(shifts.at(shift).size()), expected) << shift;
      }
    } else if (kind == "refuse") {
      EXPECT_NE(ToMolecule(f.at(1), molecule).find(f.at(2)), std::string::npos) << ToMolecule(f.at(1), molecule);
    } else if (kind == "ion") {
      EXPECT_EQ(ParseIon(f.at(1), isotopes, ionSpec), "");
      EXPECT_EQ(ionSpec.PaperNotation, f.at(2));
      EXPECT_EQ(ionSpec.Charge, std::stoi(f.at(3)));
    } else if (kind == "ionerror") {
      EXPECT_NE(ParseIon(f.at(1), isotopes, ionSpec).find(f.at(2)), std::string::npos)
          << ParseIon(f.at(1), isotopes, ionSpec);
    } else if (kind == "formerror") {
      Ion ion;
      ASSERT_EQ(ParseIon(f.at(2), isotopes, ionSpec), "");
      EXPECT_NE(FormIon(Must(f.at(1)), ionSpec, ion).find(f.at(3)), std::string::npos);
    } else if (kind == "hrms") {
      const Ion ion = MustIon(Must(f.at(1)), f.at(2), ionSpec);
      const PaperLine paper =
          HrmsLine(f.at(3), ionSpec, ion, f.at(4) == "-" ? std::nullopt : std::optional(std::stod(f.at(4))));
      EXPECT_EQ(paper.Plain, f.at(5));
    } else if (kind == "analysis") {
      molecule = Must(f.at(1));
      Percentages found;
      EXPECT_EQ(f.at(2) == "-" || ParseAnalysis(f.at(2), found), true);
      EXPECT_EQ(AnalysisLine(HillFormula(molecule), ListedPercentages(engine), found).Plain, f.at(3));
    } else {
      ADD_FAILURE() << "unknown kind " << kind;
    }
  }
}

// The unit pattern sums the fine structure by nominal mass, and centroids
// at a low resolving power come to the same: checked on random small
// molecules, whose nominal shifts rounding recovers.
TEST_F(MassCases, UnitPatternIsTheSummedFineStructure) {
  const char* symbols[] = {"C", "H", "N", "O", "S", "Cl", "Br", "Fe", "Se", "Sn", "B", "Li"};
  std::mt19937 random(17);
  for (int round = 0; round < 200; ++round) {
    Molecule molecule;
    for (const char* symbol : symbols)
      if (const int count = static_cast<int>(random() % 7) - 4; count > 0)
        molecule.push_back({isotopes.Find(symbol), count});
    if (molecule.empty()) continue;
    const int charge = static_cast<int>(random() % 3) - 1;
    SCOPED_TRACE(HillFormula(molecule) + " charge " + std::to_string(charge));
    PatternRequest fine{Resolution::Fine, 0, 0, 1000000};
    // Both lists go down to 1e-6 percent of the largest peak; the fine
    // structure's own floor lies a million times lower.
    PatternRequest unit{Resolution::Unit, 0, 1e-6, 1000000};
    PatternRequest centroid{Resolution::Centroid, 0, 1e-6, 1000000};
    const Pattern peaks = ComputePattern(molecule, charge, fine);
    ASSERT_FALSE(peaks.Capped) << peaks.Note;
    std::map<long, std::pair<double, double>> sums;  // nominal: intensity, intensity * m/z
    for (const Peak& p : peaks.Peaks) {
      const long nominal = std::lround(p.Mz * std::max(1, std::abs(charge)) - MonoisotopicMass(molecule));
      sums[nominal].first += p.Relative;
      sums[nominal].second += p.Relative * p.Mz;
    }
    double top = 0;
    for (const auto& [nominal, sum] : sums) top = std::max(top, sum.first);
    std::erase_if(sums, [&](const auto& entry) { return entry.second.first / top * 100 < 1e-6; });
    const Pattern summed = ComputePattern(molecule, charge, unit);
    ASSERT_EQ(summed.Peaks.size(), sums.size());
    size_t k = 0;
    for (const auto& [nominal, sum] : sums) {
      EXPECT_NEAR(summed.Peaks[k].Relative, sum.first / top * 100, 0.01) << nominal;
      EXPECT_NEAR(summed.Peaks[k].Mz, sum.second / sum.first, 2e-5) << nominal;
      ++k;
    }
    centroid.ResolvingPower = MonoisotopicMass(molecule) / 0.5;  // FWHM half a unit at the first peak
    const Pattern joined = ComputePattern(molecule, charge, centroid);
    ASSERT_EQ(joined.Peaks.size(), summed.Peaks.size());
    // A centroid gathers the fine peaks down to its own floor only, which
    // moves the small ones a little.
    for (size_t i = 0; i < joined.Peaks.size(); ++i)
      if (summed.Peaks[i].Relative > 0.1) {
        EXPECT_NEAR(joined.Peaks[i].Mz, summed.Peaks[i].Mz, 2e-5);
      }
  }
}

// The profile is a Gaussian of FWHM m/z / R under each peak, scaled to 100:
// at R = 1000 a peak at 1000 is 1 u wide at half height, and a peak far
// from it keeps its own height.
TEST(Profile, IsASumOfGaussiansOfTheResolvingPowersWidth) {
  const std::vector<ProfilePoint> profile = Profile({{1000, 100}, {1010, 50}}, 1000, 20001);
  double first = 0, last = 0, top2 = 0;
  for (const ProfilePoint& p : profile) {
    if (p.Mz < 1005 && p.Relative >= 50) (first == 0 ? first : last) = p.Mz;
    if (p.Mz > 1005) top2 = std::max(top2, p.Relative);
  }
  EXPECT_NEAR(last - first, 1.0, 0.01);
  EXPECT_NEAR(top2, 50, 0.1);
}

// A pattern too large to list says so, within bounded time and memory.
TEST_F(MassCases, RefusesPatternsTooLargeToList) {
  const std::pair<Molecule, Resolution> cases[] = {
      {{{isotopes.Find("Sn"), 200}}, Resolution::Fine},
      {{{isotopes.Find("C"), 2000}, {isotopes.Find("H"), 4000}, {isotopes.Find("O"), 1000}}, Resolution::Fine},
      {{{isotopes.Find("C"), 1'000'000'000}}, Resolution::Unit},
      {{{isotopes.Find("Sn"), 100'000}}, Resolution::Unit}};
  for (const auto& [molecule, kind] : cases) {
    const Pattern pattern = ComputePattern(molecule, 0, {kind, 0, 0.0001, 1000});
    EXPECT_TRUE(pattern.Capped && pattern.Peaks.empty() && !pattern.Note.empty()) << HillFormula(molecule);
  }
}

}  // namespace
}  // namespace zorvan::mass
