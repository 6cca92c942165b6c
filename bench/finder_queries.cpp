// Times each query of a zorvan-ms find input file on its own, in process,
// so that the slowest single query can be told apart from the start of the
// program: the best of RUNS runs of each.
//
//   finder_queries QUERIES [RUNS]
//
// QUERIES holds lines MZ TAB ION TAB PPM TAB RANGES, as bench/ms_find.sh
// writes them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "mass/finder.h"

using namespace zorvan;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: finder_queries QUERIES [RUNS]\n", stderr);
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const mass::IsotopeTable isotopes = mass::IsotopeTable::FromIsoSpec();
  const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  std::ifstream in(argv[1]);
  std::vector<double> times;
  std::string line, slowest;
  uint64_t candidates = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string mz, ion, ppm, ranges;
    std::getline(fields, mz, '\t');
    std::getline(fields, ion, '\t');
    std::getline(fields, ppm, '\t');
    std::getline(fields, ranges, '\t');
    mass::FinderQuery q;
    q.Mz = std::stod(mz);
    q.TolerancePpm = std::stod(ppm);
    q.Rules = false;  // as bench/ms_find.sh asks, to compare with mf-finder
    if (!mass::ParseIon(ion, isotopes, q.Ion).empty() || !mass::ParseRanges(ranges, isotopes, q.Ranges).empty()) {
      std::fprintf(stderr, "bad query: %s\n", line.c_str());
      return 2;
    }
    double best = 1e30;
    uint64_t found = 0;
    for (int r = 0; r < runs; ++r) {
      const auto start = std::chrono::steady_clock::now();
      found = mass::FindFormulas(q, tables, [](const mass::Candidate&) { return true; });
      best =
          std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    candidates += found;
    if (times.empty() || best > *std::max_element(times.begin(), times.end())) slowest = line;
    times.push_back(best);
  }
  if (times.empty()) return 2;
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  double total = 0;
  for (const double t : times) total += t;
  std::printf("queries %zu  candidates %llu  total %.3f ms  median %.4f ms  slowest %.4f ms (%s)\n", times.size(),
              static_cast<unsigned long long>(candidates), total, sorted[sorted.size() / 2], sorted.back(),
              slowest.c_str());
  return 0;
}
