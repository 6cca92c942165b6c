// Isotope patterns: fine structure, unit-mass sums and centroids at a
// resolving power (mass/profile.h draws them).
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "mass/molecule.h"

namespace zorvan::mass {

struct Peak {
  double Mz = 0;
  double Relative = 0;  // percent of the largest peak
};

enum class Resolution { Unit, Fine, Centroid };

struct PatternRequest {
  Resolution Kind = Resolution::Fine;
  double ResolvingPower = 0;  // R, for Centroid
  double MinPercent = 0.01;   // floor, percent of the largest peak
  size_t MaxPeaks = 100000;   // fine peaks built at most
};

struct Pattern {
  std::vector<Peak> Peaks;  // m/z ascending
  // Set, with the reason in Japanese (UTF-8) in Note, when the peaks were cut
  // at MaxPeaks or the work was cancelled.
  bool Capped = false;
  std::string Note;
};

// The pattern of the ion `formula` of charge `charge` (0: the neutral).
// Bounded in time and memory by request.MaxPeaks; stops early, with Capped
// set, when `cancel` becomes true.
Pattern ComputePattern(const Molecule& formula, int charge, const PatternRequest& request,
                       const std::atomic<bool>* cancel = nullptr);

}  // namespace zorvan::mass
