// From a measured m/z, or an elemental analysis, back to every formula that
// fits.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mass/ion.h"

namespace zorvan::mass {

struct ElementRange {
  const IsotopeElement* Element = nullptr;
  int Min = 0, Max = 0;
};

// The ranges searched when none are given.
inline constexpr std::string_view DefaultRanges = "C0-100 H0-200 N0-10 O0-20 S0-4 P0-4 F0-10 Cl0-6 Br0-4 I0-4";

// Parses "C0-100H0-200N0-10" (spaces or commas between elements allowed).
// Returns an empty string, or what is wrong, in Japanese (UTF-8).
std::string ParseRanges(std::string_view text, const IsotopeTable& table, std::vector<ElementRange>& ranges);

// Measured percentages and the molecular-weight range, compared as the main
// window shows them (atom.csv weights, two decimals).
struct AnalysisFilter {
  std::vector<std::pair<std::string, double>> Percent;  // symbol, measured %
  double Tolerance = 0.4;                               // percentage points
};

struct FinderQuery {
  std::optional<double> Mz;        // none: the elemental-analysis question alone
  IonSpec Ion;                     // default [M+H]+
  double TolerancePpm = 5;         // used when ToleranceMda is not set
  std::optional<double> ToleranceMda;
  std::vector<ElementRange> Ranges;
  std::optional<double> DbeMin, DbeMax;
  bool IntegerDbe = false;
  bool Rules = false;              // the plausibility rules (ratios, LEWIS, SENIOR)
  std::optional<AnalysisFilter> Analysis;
  std::optional<std::pair<double, double>> WeightRange;  // for the analysis alone
};

struct Candidate {
  Molecule Formula;          // M
  Ion Ion;                   // its ion under the query's IonSpec
  double ErrorPpm = 0, ErrorMda = 0;  // calculated - measured
  std::optional<double> Dbe;
  std::string Weight;        // as the main window shows it, when percentages were given
  std::vector<std::pair<std::string, std::string>> Percent;  // symbol, "65.21"
};

struct FinderProgress {
  double Fraction = 0;  // 0..1 of the search space walked
  uint64_t Found = 0;
};

// Returns an empty string when the query can be answered, else why not in
// Japanese (UTF-8): an unbounded question, a bad range, no m/z and no
// weight range, ...
std::string CheckQuery(const FinderQuery& query);

// Calls `found` with every candidate of `query` as the search meets it (in no
// particular order; the caller sorts by |error|, then Hill formula) and
// `progress` now and then; stops early when `found` returns false or
// `cancel` becomes true. `tables` gives the atom.csv weights for the
// percentages and the weight. Returns how many candidates were met.
uint64_t FindFormulas(const FinderQuery& query, const ReferenceTables& tables,
                      const std::function<bool(const Candidate&)>& found,
                      const std::function<void(const FinderProgress&)>& progress = {},
                      const std::atomic<bool>* cancel = nullptr);

}  // namespace zorvan::mass
