// From a measured m/z, or an elemental analysis, back to every formula that
// fits.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/reference_tables.h"
#include "mass/ion.h"
#include "mass/percent_text.h"

namespace zorvan::mass {

struct ElementRange {
  const IsotopeElement* Element = nullptr;
  int Min = 0, Max = 0;
};

// The ranges searched when none are given.
inline constexpr std::string_view DefaultRanges = "C0-100 H0-200 N0-10 O0-20 S0-4 P0-4 F0-10 Cl0-6 Br0-4 I0-4";

// The largest count a range may name.
inline constexpr int MaxRangeCount = 100000;

// The largest m/z or molecular weight a query may name: the bounds of the
// search then stay far inside the range of whole numbers it counts with.
inline constexpr double MaxMass = 1e7;

// The widest tolerance a query may ask for, in ppm and in mDa.
inline constexpr double MaxTolerancePpm = 1000, MaxToleranceMda = 1000;

// The plausibility rules with their numbers, in Japanese (UTF-8), for the
// help of the window and of zorvan-ms.
extern const std::string_view PlausibilityRulesHelp;

// Parses "C0-100H0-200N0-10" (spaces or commas between elements allowed)
// into `ranges`. Returns an empty string, or what is wrong, in Japanese
// (UTF-8).
std::string ParseRanges(std::string_view text, const IsotopeTable& table, std::vector<ElementRange>& ranges);

// Measured percentages, compared with those the main window shows (atom.csv
// weights, two decimals).
struct AnalysisFilter {
  MeasuredPercent Percent;  // symbol, measured %, from ParsePercentages
  double Tolerance = 0.4;   // percentage points
};

struct FinderQuery {
  std::optional<double> Mz;  // none: the elemental-analysis question alone
  IonSpec Ion;               // from ParseIon; left as it is, the neutral M
  double TolerancePpm = 5;   // used when ToleranceMda is not set
  std::optional<double> ToleranceMda;
  std::vector<ElementRange> Ranges;
  std::optional<double> DbeMin, DbeMax;
  bool IntegerDbe = false;
  bool Rules = false;  // the plausibility rules (ratios, LEWIS, SENIOR)
  std::optional<AnalysisFilter> Analysis;
  // The molecular weight as the main window shows it, both ends included:
  // needed by the analysis alone, a further filter beside an m/z.
  std::optional<std::pair<double, double>> WeightRange;
};

struct Candidate {
  Molecule Formula;                   // M
  std::string Hill;                   // M's Hill formula
  Ion Ionized;                        // its ion under the query's IonSpec; empty without an m/z
  double ErrorPpm = 0, ErrorMda = 0;  // calculated - measured; 0 without an m/z
  std::optional<double> Dbe;
  // As the main window shows them, when percentages or a weight range were
  // given: the weight, and "symbol, 65.21" for each measured element in the
  // order given, with the largest |calculated - measured| in points.
  std::string Weight;
  std::vector<std::pair<std::string, std::string>> Percent;
  double Deviation = 0;
};

struct FinderProgress {
  double Fraction = 0;  // 0..1 of the search space walked
  uint64_t Found = 0;
};

// Reads a query line, MZ[TAB ION[TAB PPM[TAB RANGES]]], into `query`: the
// fields given and not empty replace what it holds (a PPM replaces an mDa
// tolerance, RANGES the ranges entirely). Returns an empty string, or what
// is wrong, in Japanese (UTF-8).
std::string ReadQueryLine(std::string_view line, const IsotopeTable& table, FinderQuery& query);

// Returns an empty string when `query` can be answered with `tables`, else
// why not in Japanese (UTF-8): no m/z and no weight range or percentages, a
// bad range, tolerance, weight range or percentage, an element atom.csv
// lacks when weights are needed.
std::string CheckQuery(const FinderQuery& query, const ReferenceTables& tables);

// Calls `found` with every candidate of a query that CheckQuery accepts: each
// M in the ranges whose ion (FormIon of M with its elements in atomic-number
// order, as a calculation forms it) lies within the tolerance, both ends
// included (|m/z - Mz| <= TolerancePpm * Mz * 1e-6, or ToleranceMda / 1000,
// computed in that order), and that passes the filters. They come as
// the search meets them (in no particular order), with `progress` now and then;
// stops early when `found` returns false or `cancel` becomes true. `tables`
// gives the atom.csv weights for the percentages and the weight. Returns how
// many candidates `found` was given.
uint64_t FindFormulas(const FinderQuery& query, const ReferenceTables& tables,
                      const std::function<bool(const Candidate&)>& found,
                      const std::function<void(const FinderProgress&)>& progress = {},
                      const std::atomic<bool>* cancel = nullptr);

// What places a candidate in a list: the order of candidates is said once,
// in RankBefore, for every list that holds them.
struct CandidateRank {
  double Error = 0;      // |error| in mDa
  double Deviation = 0;  // from the measured percentages
  std::string_view Hill;
};
CandidateRank RankOf(const Candidate& c);

// Returns whether `a` comes before `b`: the smaller |error|, then the
// smaller deviation from the percentages, then the Hill formula.
bool RankBefore(const CandidateRank& a, const CandidateRank& b);
inline bool CandidateBefore(const Candidate& a, const Candidate& b) { return RankBefore(RankOf(a), RankOf(b)); }

}  // namespace zorvan::mass
