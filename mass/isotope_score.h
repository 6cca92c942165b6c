// How well a candidate formula's isotope pattern explains measured peaks,
// and the order that puts the best candidates of a query first.
//
// The score is a log-likelihood (natural log; 0 is a perfect fit, the more
// negative the worse) of the measured peaks under the candidate's centroids
// at the measured resolving power; isotope_score.cpp says how each part is
// formed.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "mass/ion.h"
#include "mass/pattern.h"

namespace zorvan::mass {

// The resolving power assumed when none is given (an Orbitrap at m/z 200).
inline constexpr double DefaultResolvingPower = 60000;

struct MeasuredPeak {
  double Mz = 0;
  double Intensity = 0;  // any unit: only the ratios count
};

struct ScoreOptions {
  // A measured peak is matched to a calculated centroid within this many
  // ppm; its deviation counts as a normal error with a third of it as its
  // standard deviation.
  double MassPpm = 5;
  // The relative standard deviation of a measured intensity (0.05: 5%).
  double IntensityError = 0.05;
  // The resolving power the peaks were measured at: calculated isotopologues
  // closer than m/z / R are merged into one centroid, as the instrument
  // merges them.
  double ResolvingPower = DefaultResolvingPower;
};

// The measured peaks of one compound that belong to its isotope pattern.
struct MeasuredPattern {
  std::vector<MeasuredPeak> Peaks;  // m/z ascending; intensity in percent of the largest
  // The smallest peak, percent of the largest: the instrument reported none
  // below it, so a calculated peak under it is not expected to be seen.
  double Noise = 100;
  double ParentMz = 0;
  int Charge = 1;      // signed; its size spaces the isotopes
  size_t Outside = 0;  // peaks given outside the pattern's window, not scored
};

// Keeps the peaks from half an isotope step below `parentMz` (the
// monoisotopic ion's measured m/z) to 24.5 steps above it with a positive,
// finite intensity, and scales them to the largest = 100.
MeasuredPattern PrepareMeasured(std::span<const MeasuredPeak> peaks, double parentMz, int charge);

// The score and its parts, each at most 0, Total their sum.
struct PatternScore {
  double Total = 0;
  double Mass = 0;         // m/z deviations of the matched peaks
  double Intensity = 0;    // relative intensities of the matched peaks
  double Unexplained = 0;  // measured peaks the candidate does not predict
  double Missing = 0;      // calculated peaks above the noise that were not measured
  int Matched = 0;         // measured peaks explained
  int Measured = 0;        // measured peaks scored
};

// Scores calculated centroids (m/z ascending, relative to the largest = 100,
// as ComputePattern gives them at options.ResolvingPower) against `measured`.
PatternScore ScorePattern(std::span<const Peak> calculated, const MeasuredPattern& measured,
                          const ScoreOptions& options);

// The floor, percent of the largest, down to which a candidate's centroids
// are calculated for `measured`: a fifth of its noise.
double CalculatedFloor(const MeasuredPattern& measured);

// Calculates the centroids of `ion` at options.ResolvingPower down to
// CalculatedFloor and scores them. None when no pattern can be calculated
// (a molecule too large; ComputePattern's note says why).
std::optional<PatternScore> ScoreIon(const Ion& ion, const MeasuredPattern& measured, const ScoreOptions& options);

// Whether even `best` explains the peaks too badly to be believed: its
// -2 Total beyond the 99.9% point of a chi-square of two degrees of freedom
// (m/z and intensity) per measured peak.
bool FitsNoCandidate(const PatternScore& best);

struct RankedIon {
  size_t Index = 0;                   // into the ions given
  std::optional<PatternScore> Score;  // none: not scored in full
  // The estimate from element counts alone (unit-mass sums and the
  // monoisotopic m/z), which decided whether it was scored in full.
  double Estimate = 0;
};

// Orders `ions` by score, best first; ties keep the order given. Every ion
// gets the cheap estimate; the full score is calculated in the order of the
// estimates until no further ion can reach the best `exact` scores (its
// estimate below the exact-th score by more than the estimate's margin). The
// rest follow, unscored, by estimate. Stops early, with what it has, when
// `cancel` becomes true.
std::vector<RankedIon> RankByPattern(std::span<const Ion> ions, const MeasuredPattern& measured,
                                     const ScoreOptions& options, size_t exact,
                                     const std::atomic<bool>* cancel = nullptr);

// What the help of the window and of zorvan-ms says of the score and its
// defaults, in Japanese (UTF-8).
std::string PatternScoreHelp();

}  // namespace zorvan::mass
