// The mass code against values from outside it (tests/cases/mass), and the
// unit pattern against the fine structure it must sum to.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <sstream>

#include "mass/paper.h"
#include "mass/parts.h"
#include "mass/pattern.h"
#include "mass/profile.h"
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

// The envelope of Gaussians of FWHM m/z / R over `sticks`, evaluated directly.
double EnvelopeAt(const std::vector<Peak>& sticks, double r, double mz) {
  double top = 0;
  for (const Peak& s : sticks)
    top = std::max(top, s.Relative * std::exp(-4 * std::log(2.0) * std::pow((mz - s.Mz) * r / s.Mz, 2)));
  return top;
}

// Draws `profile` as the plot does, `columns` pixels over [low, high], and
// checks each column's height (the line's points there and where it crosses
// the column's edges) against the envelope's highest in the column: a
// stick's top or an edge. Within 1% of the highest stick within 3 FWHM.
void CheckDrawnHeights(const std::vector<Peak>& sticks, const std::vector<ProfilePoint>& profile, double r, double low,
                       double high, int columns) {
  const double width = (high - low) / columns;
  const auto column = [&](double mz) { return std::floor((mz - low) / width); };
  std::vector<double> drawn(static_cast<size_t>(columns), 0), expected(drawn.size()), near(drawn.size(), 1e-3);
  const auto raise = [&](std::vector<double>& v, double c, double value) {
    if (c >= 0 && c < columns) v[static_cast<size_t>(c)] = std::max(v[static_cast<size_t>(c)], value);
  };
  const std::vector<ProfilePoint> line = VisibleProfile(profile, low, high, columns);
  for (size_t i = 0; i < line.size(); ++i) {
    raise(drawn, column(line[i].Mz), line[i].Relative);
    for (double k = column(i > 0 ? line[i - 1].Mz : INFINITY) + 1; k <= std::min(column(line[i].Mz), columns + 0.0);
         ++k) {
      const ProfilePoint &a = line[i - 1], &b = line[i];
      const double value = a.Relative + (b.Relative - a.Relative) * (low + k * width - a.Mz) / (b.Mz - a.Mz);
      raise(drawn, k - 1, value);
      raise(drawn, k, value);
    }
  }
  for (int c = 0; c < columns; ++c)
    expected[static_cast<size_t>(c)] =
        std::max(EnvelopeAt(sticks, r, low + c * width), EnvelopeAt(sticks, r, low + (c + 1) * width));
  for (const Peak& s : sticks) {
    raise(expected, column(s.Mz), s.Relative);
    for (double c = std::max(column(s.Mz * (1 - 3 / r)), 0.0); c <= std::min(column(s.Mz * (1 + 3 / r)), columns - 1.0);
         ++c)
      raise(near, c, s.Relative);
  }
  for (size_t c = 0; c < drawn.size(); ++c)
    ASSERT_NEAR(drawn[c], expected[c], 0.01 * near[c])
        << "column " << c << " of " << columns << " from " << low << " to " << high;
}

class MassCases : public ::testing::Test {
 protected:
  const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  const IsotopeTable isotopes = IsotopeTable::FromIsoSpec();
  const AtomMap atoms{tables.Elements, isotopes};
  FormulaEngine engine{tables};
  Calculation last;  // of the last ToMolecule

  // Calculates `formula` as the main window does, the whole formula's
  // percentages into `listed` and, of a solvate or salt, the first part into
  // `molecule`; returns the note, if any.
  std::string ToMolecule(const std::string& formula, Molecule& molecule, Percentages* listed = nullptr) {
    engine.Calculate(FromUtf8(formula), {}, last);
    if (last.Status != CalcStatus::Ok) return "Error!";
    if (listed) *listed = ListedPercentages(last);
    const Calculation* molecular = &last;
    Calculation first;
    if (CalculateFirstPart(engine, FromUtf8(formula), true, first)) {
      if (first.Status != CalcStatus::Ok) return "Error!";
      molecular = &first;
    }
    const std::string note = atoms.ToMolecule(molecular->Counts, molecule);
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
    } else if (kind == "profile") {
      const Ion ion = MustIon(Must(f.at(1)), f.at(2), ionSpec);
      for (size_t k = 3; k < f.size(); ++k) {
        const double r = std::stod(f[k]);
        SCOPED_TRACE("R = " + f[k]);
        const std::vector<Peak> sticks =
            ComputePattern(ion.Formula, ionSpec.Charge, {Resolution::Centroid, r, 0.01, 100000}).Peaks;
        const std::vector<ProfilePoint> profile = Envelope(sticks, r);
        CheckDrawnHeights(sticks, profile, r, sticks.front().Mz - 1, sticks.back().Mz + 1, 300);
        CheckDrawnHeights(sticks, profile, r, sticks.front().Mz - 1, sticks.back().Mz + 1, 1600);
        CheckDrawnHeights(sticks, profile, r, sticks.front().Mz - 1, sticks.back().Mz + 1, 1);  // one pixel wide
        std::vector<Peak> highest = sticks;
        std::sort(highest.begin(), highest.end(), [](const Peak& a, const Peak& b) { return a.Relative > b.Relative; });
        highest.resize(std::min<size_t>(highest.size(), 4));
        for (const Peak& top : highest)
          for (const double half : {0.3, 3.0, 30.0, 300.0})
            CheckDrawnHeights(sticks, profile, r, top.Mz - half * top.Mz / r, top.Mz + half * 1.1 * top.Mz / r, 600);
      }
    } else if (kind == "resolution") {
      double r = 0;
      const std::string error = ParseResolvingPower(f.at(1), r);
      EXPECT_EQ(error.empty() ? ResolvingPowerText(r) : "-", f.at(2)) << error;
      if (!error.empty()) {
        EXPECT_NE(error.find("100 から 10 000 000"), std::string::npos) << error;
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
      Percentages listed;
      ASSERT_EQ(ToMolecule(f.at(1), molecule, &listed), "");
      MeasuredPercent measured;
      EXPECT_EQ(f.at(2) == "-" ? "" : ParsePercentages(f.at(2), measured), "");
      const FoundAnalysis found = SortFound(measured, listed);
      const Text text = FromUtf8(f.at(1));
      const FormulaParts parts = SplitParts(text);
      EXPECT_EQ(AnalysisLine(PartsNotation(HillFormula(molecule), parts), listed, found.Kept).Plain, f.at(3));
      std::string notes;
      for (const std::string& note : FoundNotes(found)) notes += (notes.empty() ? "" : "; ") + note;
      EXPECT_EQ(notes, f.size() > 4 ? f.at(4) : "");
    } else if (kind == "error") {
      const MassError error = ErrorOf(std::stod(f.at(1)), std::stod(f.at(2)));
      EXPECT_TRUE(Near(error.Ppm, f.at(3)) && Near(error.Mda, f.at(4))) << error.Ppm << " " << error.Mda;
      EXPECT_EQ(FoundNote(std::stod(f.at(1)), std::stod(f.at(2))).substr(0, f.size() > 5 ? f.at(5).size() : 0),
                f.size() > 5 ? f.at(5) : "");
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
