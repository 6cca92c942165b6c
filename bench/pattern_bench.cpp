// Isotope patterns per molecule: insulin and a 12 kDa protein, fine (0.01%
// floor), unit and centroids at R = 60 000, and the profile the window draws.
#include <benchmark/benchmark.h>

#include "mass/pattern.h"
#include "mass/profile.h"

namespace {

using zorvan::mass::IsotopeTable;
using zorvan::mass::Molecule;
using zorvan::mass::Resolution;

const IsotopeTable& Table() {
  static const IsotopeTable table = IsotopeTable::FromIsoSpec();
  return table;
}

Molecule Protein(int64_t c, int64_t h, int64_t n, int64_t o, int64_t s) {
  return {{Table().Find("C"), c},
          {Table().Find("H"), h},
          {Table().Find("N"), n},
          {Table().Find("O"), o},
          {Table().Find("S"), s}};
}

const Molecule Insulin = Protein(257, 383, 65, 77, 6);
const Molecule Protein12k = Protein(520, 817, 139, 147, 8);

void Pattern(benchmark::State& state, const Molecule& molecule, Resolution kind) {
  const zorvan::mass::PatternRequest request{kind, 60000, 0.01, 100000};
  size_t peaks = 0;
  for (auto _ : state) {
    const zorvan::mass::Pattern pattern = zorvan::mass::ComputePattern(molecule, 1, request);
    peaks = pattern.Peaks.size();
    benchmark::DoNotOptimize(pattern);
  }
  state.counters["peaks"] = static_cast<double>(peaks);
}
BENCHMARK_CAPTURE(Pattern, insulin_fine, Insulin, Resolution::Fine)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Pattern, insulin_unit, Insulin, Resolution::Unit)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Pattern, insulin_r60000, Insulin, Resolution::Centroid)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Pattern, protein12k_fine, Protein12k, Resolution::Fine)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Pattern, protein12k_unit, Protein12k, Resolution::Unit)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Pattern, protein12k_r60000, Protein12k, Resolution::Centroid)->Unit(benchmark::kMicrosecond);

// The profile over insulin's centroids at R = 60 000, and the points of it a
// line 1600 pixels wide over the whole pattern keeps.
void Profile(benchmark::State& state) {
  const auto pattern = zorvan::mass::ComputePattern(Insulin, 1, {Resolution::Centroid, 60000, 0.01, 100000});
  size_t points = 0;
  for (auto _ : state) {
    const auto profile = zorvan::mass::Envelope(pattern.Peaks, 60000);
    points = profile.size();
    benchmark::DoNotOptimize(zorvan::mass::VisibleProfile(profile, profile.front().Mz, profile.back().Mz, 1600));
  }
  state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(Profile)->Unit(benchmark::kMicrosecond);

}  // namespace
