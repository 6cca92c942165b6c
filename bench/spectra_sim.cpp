// Simulated MS1 spectra of known formulas, written as a SIRIUS .ms file, for
// bench/ms_spectra.sh to measure how often the isotope-pattern score puts
// the true formula first.
//
//   spectra_sim COUNT SEED [PPM_NOISE [INTENSITY_NOISE [RESOLUTION]]]
//
// Half of the COUNT formulas have a monoisotopic mass of 100-500 Da, half
// of 500-1000 Da: CHNOPS with F, Cl, Br and I now and then, within the
// finder's default ranges and passing its plausibility rules. Each is
// ionized in turn as [M+H]+, [M+Na]+ and [M-H]-; its centroids at
// RESOLUTION (default 60000) come from the fine structure, those under 0.5%
// of the largest are dropped, and every m/z is moved by a normal error of
// PPM_NOISE ppm (default 1.5) and every intensity by one of INTENSITY_NOISE
// percent of itself (default 5). The parent m/z is the moved monoisotopic
// peak. Each compound is named NUMBER_FORMULA, the formula it was made from.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "mass/finder.h"
#include "mass/finder_detail.h"  // Plausible
#include "mass/spectra.h"

using namespace zorvan;

namespace {

struct Draw {
  std::mt19937_64 random;
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; }
  double Real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); }
  double Normal(double sd) { return std::normal_distribution<double>(0, sd)(random); }
};

// A plausible formula of monoisotopic mass within lo..hi, within `ranges`.
mass::Molecule Formula(Draw& d, double lo, double hi, const std::vector<mass::ElementRange>& ranges) {
  const auto element = [&](std::string_view symbol) {
    for (const mass::ElementRange& r : ranges)
      if (r.Element->Symbol == symbol) return r;
    std::abort();
  };
  for (;;) {
    const double target = d.Real(lo, hi);
    std::vector<std::pair<std::string_view, int>> counts = {
        {"N", d.Chance(0.35) ? 0 : d.Int(1, std::min(8, 1 + static_cast<int>(target / 120)))},
        {"O", d.Int(0, std::min(16, static_cast<int>(target / 55)))},
        {"S", d.Chance(0.2) ? d.Int(1, 2) : 0},
        {"P", d.Chance(0.06) ? 1 : 0},
        {"F", d.Chance(0.1) ? d.Int(1, 4) : 0},
        {"Cl", d.Chance(0.15) ? d.Int(1, 3) : 0},
        {"Br", d.Chance(0.08) ? d.Int(1, 2) : 0},
        {"I", d.Chance(0.03) ? 1 : 0}};
    mass::Molecule m;
    double rest = target;
    int hydrogenShift = 2;  // H = 2 C + 2 + N + P - halogens - 2 DBE
    for (const auto& [symbol, n] : counts) {
      if (n == 0) continue;
      m.push_back({element(symbol).Element, n});
      rest -= n * element(symbol).Element->MonoisotopicMass();
      hydrogenShift += (symbol == "N" || symbol == "P") ? n : (symbol == "O" || symbol == "S") ? 0 : -n;
    }
    const double h = element("H").Element->MonoisotopicMass();
    const int dbe = d.Int(0, std::max(1, static_cast<int>(rest / 14 * 0.6)));
    const int c = static_cast<int>(std::lround((rest - h * (hydrogenShift - 2 * dbe)) / (12 + 2 * h)));
    const int hydrogens = 2 * c + hydrogenShift - 2 * dbe;
    if (c < 1 || hydrogens < 1) continue;
    m.push_back({element("C").Element, c});
    m.push_back({element("H").Element, hydrogens});
    std::sort(m.begin(), m.end(), [](auto& a, auto& b) { return a.Element->AtomicNumber < b.Element->AtomicNumber; });
    const bool inRanges = std::all_of(
        m.begin(), m.end(), [&](const mass::ElementCount& e) { return e.Count <= element(e.Element->Symbol).Max; });
    const double mono = mass::MonoisotopicMass(m);
    if (inRanges && mono >= lo && mono <= hi && mass::Plausible(m)) return m;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: spectra_sim COUNT SEED [PPM_NOISE [INTENSITY_NOISE [RESOLUTION]]]\n", stderr);
    return 2;
  }
  const int count = std::atoi(argv[1]);
  Draw d{std::mt19937_64(std::strtoull(argv[2], nullptr, 10))};
  const double ppm = argc > 3 ? std::atof(argv[3]) : 1.5, relative = argc > 4 ? std::atof(argv[4]) / 100 : 0.05;
  const double resolution = argc > 5 ? std::atof(argv[5]) : mass::DefaultResolvingPower;
  const mass::IsotopeTable isotopes = mass::IsotopeTable::FromIsoSpec();
  std::vector<mass::ElementRange> ranges;
  mass::ParseRanges(mass::DefaultRanges, isotopes, ranges);
  const char* ions[] = {"[M+H]+", "[M+Na]+", "[M-H]-"};
  for (int k = 0; k < count; ++k) {
    const bool heavy = k >= count / 2;
    const mass::Molecule m = Formula(d, heavy ? 500 : 100, heavy ? 1000 : 500, ranges);
    mass::IonSpec ionSpec;
    mass::ParseIon(ions[k % 3], isotopes, ionSpec);
    mass::Ion ion;
    mass::FormIon(m, ionSpec, ion);
    mass::PatternRequest request{mass::Resolution::Centroid, resolution, 0.5};
    const mass::Pattern pattern = mass::ComputePattern(ion.Formula, ion.Charge, request);
    mass::SpectrumCompound compound;
    char name[16];
    std::snprintf(name, sizeof name, "%03d_", k + 1);
    compound.Name = name + mass::HillFormula(m);
    compound.Ion = ions[k % 3];
    for (const mass::Peak& p : pattern.Peaks)
      compound.Peaks.push_back({p.Mz * (1 + d.Normal(ppm) * 1e-6),
                                std::max(0.0, std::round(p.Relative * (1 + d.Normal(relative)) * 1e4) / 1e4)});
    for (mass::MeasuredPeak& p : compound.Peaks) p.Mz = std::round(p.Mz * 1e6) / 1e6;
    compound.ParentMz = compound.Peaks.front().Mz;
    std::fputs(mass::MsText(compound).c_str(), stdout);
  }
  return 0;
}
