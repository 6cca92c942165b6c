// Isotope patterns. The fine structure comes from IsoSpec's threshold
// generator, walked lazily and cut at a number of peaks; the unit-mass
// pattern is an exact convolution of each element's isotopes by mass number,
// which no truncated fine structure can match for a protein.
#include "mass/pattern.h"

#include <isoSpec++.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "mass/ion.h"  // ElectronMass

namespace zorvan::mass {

namespace {

// IsoSpec counts atoms in an int; a pattern of more atoms of one element is
// refused.
constexpr int64_t MaxPatternAtoms = 100'000'000;
// A unit pattern whose nominal masses spread more than this (one standard
// deviation, in u) would take seconds to convolve; such a molecule weighs
// well over 10^8 u and is refused.
constexpr double MaxUnitSpread = 300;
// IsoSpec builds each element's sub-isotopologues above the threshold in
// full before the walk starts; an element estimated to have more than this
// many is refused rather than allowed to exhaust memory.
constexpr double MaxMarginalSize = 2e6;
// IsoSpec refuses, by throwing, a fine structure with more atoms of one
// element than this (its "subisotopologue" size limit).
constexpr int64_t MaxFineAtoms = 10'485'759;
// Entries of a convolution below this fraction of its largest are dropped
// from its ends: their sum stays far below the 0.01 percentage points and
// 2e-5 u the unit pattern keeps to.
constexpr double ConvolutionFloor = 1e-18;

// One element's or one molecule's isotopes summed by mass number: for each
// nominal mass from First on, the probability and probability times mass.
struct NominalSum {
  int64_t First = 0;
  std::vector<double> P, PM;
};

NominalSum Convolve(const NominalSum& a, const NominalSum& b) {
  NominalSum c;
  c.First = a.First + b.First;
  c.P.assign(a.P.size() + b.P.size() - 1, 0.0);
  c.PM.assign(c.P.size(), 0.0);
  for (size_t i = 0; i < a.P.size(); ++i) {
    const double p = a.P[i], pm = a.PM[i];
    if (p == 0) continue;
    for (size_t j = 0; j < b.P.size(); ++j) {
      c.P[i + j] += p * b.P[j];
      c.PM[i + j] += p * b.PM[j] + pm * b.P[j];
    }
  }
  // Trim both ends.
  const double floor = *std::max_element(c.P.begin(), c.P.end()) * ConvolutionFloor;
  size_t lo = 0, hi = c.P.size();
  while (lo + 1 < hi && c.P[lo] < floor) ++lo;
  while (hi - 1 > lo && c.P[hi - 1] < floor) --hi;
  c.First += static_cast<int64_t>(lo);
  c.P =
      std::vector<double>(c.P.begin() + static_cast<std::ptrdiff_t>(lo), c.P.begin() + static_cast<std::ptrdiff_t>(hi));
  c.PM = std::vector<double>(c.PM.begin() + static_cast<std::ptrdiff_t>(lo),
                             c.PM.begin() + static_cast<std::ptrdiff_t>(hi));
  return c;
}

// The isotopes of `count` atoms of `element`, by binary powers.
NominalSum ElementSum(const IsotopeElement& element, int64_t count) {
  NominalSum base;
  base.First = element.Isotopes.front().MassNumber;
  base.P.assign(static_cast<size_t>(element.Isotopes.back().MassNumber - base.First + 1), 0.0);
  base.PM.assign(base.P.size(), 0.0);
  for (const Isotope& i : element.Isotopes) {
    base.P[static_cast<size_t>(i.MassNumber - base.First)] += i.Abundance;
    base.PM[static_cast<size_t>(i.MassNumber - base.First)] += i.Abundance * i.Mass;
  }
  NominalSum result{0, {1.0}, {0.0}};
  for (; count > 0; count >>= 1) {
    if (count & 1) result = Convolve(result, base);
    if (count > 1) base = Convolve(base, base);
  }
  return result;
}

double MzOf(double mass, int charge) {
  const double ion = mass - charge * ElectronMass;
  return charge == 0 ? ion : ion / std::abs(charge);
}

// Scales `peaks` to the largest = 100, drops those below `minPercent` and
// sorts them by m/z.
void Finish(std::vector<Peak>& peaks, double minPercent) {
  double top = 0;
  for (const Peak& p : peaks) top = std::max(top, p.Relative);
  if (top <= 0) {
    peaks.clear();
    return;
  }
  for (Peak& p : peaks) p.Relative = p.Relative / top * 100;
  std::erase_if(peaks, [&](const Peak& p) { return p.Relative < minPercent; });
  std::sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.Mz < b.Mz; });
}

bool Cancelled(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }

Pattern UnitPattern(const Molecule& formula, int charge, double minPercent, const std::atomic<bool>* cancel) {
  NominalSum sum{0, {1.0}, {0.0}};
  for (const ElementCount& e : formula) {
    if (Cancelled(cancel)) return {{}, true, "計算を取り消しました"};
    sum = Convolve(sum, ElementSum(*e.Element, e.Count));
  }
  Pattern pattern;
  for (size_t k = 0; k < sum.P.size(); ++k)
    if (sum.P[k] > 0) pattern.Peaks.push_back({MzOf(sum.PM[k] / sum.P[k], charge), sum.P[k]});
  Finish(pattern.Peaks, minPercent);
  return pattern;
}

// An estimate of how many sub-isotopologues of `count` atoms of `element`
// lie above `threshold` of the most probable one: the lattice points in the
// ellipsoid of the multinomial's normal approximation, and never more than
// the compositions there are.
double MarginalSizeEstimate(const IsotopeElement& element, int64_t count, double threshold) {
  const int d = static_cast<int>(element.Isotopes.size()) - 1;
  if (d == 0) return 1;
  const double r = std::sqrt(2 * std::log(1 / threshold));
  double logVolume = d / 2.0 * std::log(std::numbers::pi) + d * std::log(r) - std::lgamma(d / 2.0 + 1) +
                     d / 2.0 * std::log(static_cast<double>(count));
  for (const Isotope& i : element.Isotopes) logVolume += 0.5 * std::log(i.Abundance);
  double logCompositions = 0;  // log C(count + d, d)
  for (int k = 1; k <= d; ++k) logCompositions += std::log((static_cast<double>(count) + k) / k);
  return std::exp(std::min(logVolume, logCompositions)) + 1;
}

// The fine structure down to `threshold` of the largest peak, at most
// `maxPeaks` of them, intensities as probabilities; Capped when cut.
Pattern FineStructure(const Molecule& formula, int charge, double threshold, size_t maxPeaks,
                      const std::atomic<bool>* cancel) {
  for (const ElementCount& e : formula)
    if (e.Count > MaxFineAtoms || MarginalSizeEstimate(*e.Element, e.Count, threshold) > MaxMarginalSize)
      return {{},
              true,
              e.Element->Symbol +
                  " の同位体の組み合わせが多すぎて微細構造を求められません(単位質量か下限を上げてください)"};
  std::vector<int> isotopeCounts, atomCounts;
  std::vector<double> masses, probabilities;
  for (const ElementCount& e : formula) {
    isotopeCounts.push_back(static_cast<int>(e.Element->Isotopes.size()));
    atomCounts.push_back(static_cast<int>(e.Count));
    for (const Isotope& i : e.Element->Isotopes) {
      masses.push_back(i.Mass);
      probabilities.push_back(i.Abundance);
    }
  }
  Pattern pattern;
  if (formula.empty()) return pattern;
  IsoSpec::IsoThresholdGenerator generator(IsoSpec::Iso(static_cast<int>(formula.size()), isotopeCounts.data(),
                                                        atomCounts.data(), masses.data(), probabilities.data()),
                                           threshold, false);
  while (generator.advanceToNextConfiguration()) {
    if (pattern.Peaks.size() == maxPeaks || (pattern.Peaks.size() % 4096 == 0 && Cancelled(cancel))) {
      pattern.Peaks.clear();
      pattern.Capped = true;
      pattern.Note = Cancelled(cancel) ? "計算を取り消しました"
                                       : "ピークが " + std::to_string(maxPeaks) +
                                             " 本を超えるため表示できません(下限を上げてください)";
      return pattern;
    }
    pattern.Peaks.push_back({MzOf(generator.mass(), charge), generator.prob()});
  }
  return pattern;
}

// Joins sorted fine peaks into centroids at resolving power `r`.
std::vector<Peak> Centroids(const std::vector<Peak>& fine, double r) {
  std::vector<Peak> centroids;
  double start = 0, sum = 0, weighted = 0;
  for (const Peak& p : fine) {
    if (sum > 0 && p.Mz - start > start / r) {
      centroids.push_back({weighted / sum, sum});
      sum = weighted = 0;
    }
    if (sum == 0) start = p.Mz;
    sum += p.Relative;
    weighted += p.Relative * p.Mz;
  }
  if (sum > 0) centroids.push_back({weighted / sum, sum});
  return centroids;
}

}  // namespace

Pattern ComputePattern(const Molecule& formula, int charge, const PatternRequest& request,
                       const std::atomic<bool>* cancel) {
  double variance = 0;
  for (const ElementCount& e : formula) {
    if (e.Count > MaxPatternAtoms)
      return {{}, true, e.Element->Symbol + " の数が多すぎて同位体パターンを求められません"};
    const IsotopeElement& el = *e.Element;
    double mean = 0, square = 0;
    for (const Isotope& i : el.Isotopes) {
      mean += i.Abundance * i.MassNumber;
      square += i.Abundance * i.MassNumber * i.MassNumber;
    }
    variance += static_cast<double>(e.Count) * (square - mean * mean);
  }
  if (std::sqrt(variance) > MaxUnitSpread) return {{}, true, "分子が大きすぎて同位体パターンを求められません"};
  const double minPercent = std::max(request.MinPercent, 0.0);
  if (request.Kind == Resolution::Unit) return UnitPattern(formula, charge, minPercent, cancel);
  // Centroids gather the small fine peaks around the large ones too: walk a
  // hundred times further down than the floor they are shown to, or, for a
  // molecule with too many peaks there, down to that floor.
  const bool centroid = request.Kind == Resolution::Centroid;
  const double shown = std::clamp(minPercent / 100, 1e-12, 1.0);
  Pattern pattern =
      FineStructure(formula, charge, centroid ? std::max(shown * 0.01, 1e-12) : shown, request.MaxPeaks, cancel);
  if (centroid && pattern.Capped && !Cancelled(cancel))
    pattern = FineStructure(formula, charge, shown, request.MaxPeaks, cancel);
  if (pattern.Capped) return pattern;
  if (centroid) {
    std::sort(pattern.Peaks.begin(), pattern.Peaks.end(), [](const Peak& a, const Peak& b) { return a.Mz < b.Mz; });
    pattern.Peaks = Centroids(pattern.Peaks, std::max(request.ResolvingPower, 1.0));
  }
  Finish(pattern.Peaks, minPercent);
  return pattern;
}

}  // namespace zorvan::mass
