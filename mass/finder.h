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

// The defaults and limits of a finder question, the same for the window and
// zorvan-ms find; their help and messages are written from these.
// The ranges searched when none are given.
inline constexpr std::string_view DefaultRanges = "C0-100 H0-200 N0-10 O0-20 S0-4 P0-4 F0-10 Cl0-6 Br0-4 I0-4";

// The tolerance of an m/z when none is given, in ppm of the measured m/z.
inline constexpr double DefaultTolerancePpm = 5;

// The largest count a range may name.
inline constexpr int MaxRangeCount = 100000;

// The largest m/z or molecular weight a query may name: the bounds of the
// search then stay far inside the range of whole numbers it counts with.
inline constexpr double MaxMass = 1e7;

// The widest tolerance a query may ask for, in ppm and in mDa.
inline constexpr double MaxTolerancePpm = 1000, MaxToleranceMda = 1000;

// The most candidates of one question held to be put in order; a question
// with more is too wide to be read.
inline constexpr uint64_t MaxHeldCandidates = 1000000;

// The defaults and limits above, in Japanese (UTF-8), for the help of the
// window and of zorvan-ms find.
std::string FinderDefaultsHelp();

// Sets of elements a chemist searches most, each with the default ranges of
// its elements; the last is the default itself.
struct RangePreset {
  std::string_view Name;     // as the window lists it
  std::string_view Symbols;  // the elements, space-separated
};
inline constexpr RangePreset RangePresets[] = {{"CHNO", "C H N O"},
                                               {"CHNOS", "C H N O S"},
                                               {"CHNOPS", "C H N O P S"},
                                               {"CHNOPS + ハロゲン", "C H N O P S F Cl Br I"},
                                               {"既定", ""}};
// Returns the ranges of `preset`: the default ranges of its elements, in
// the default's order.
std::string PresetRanges(const RangePreset& preset);

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
  MeasuredPercent Percent;                     // symbol, measured %, from ParsePercentages
  double Tolerance = DefaultPercentTolerance;  // percentage points
};

struct FinderQuery {
  std::optional<double> Mz;                   // none: the elemental-analysis question alone
  IonSpec Ion;                                // from ParseIon; left as it is, the neutral M
  double TolerancePpm = DefaultTolerancePpm;  // used when ToleranceMda is not set
  std::optional<double> ToleranceMda;
  std::vector<ElementRange> Ranges;
  std::optional<double> DbeMin, DbeMax;
  bool IntegerDbe = false;
  bool Rules = true;  // the plausibility rules (ratios, LEWIS, SENIOR)
  std::optional<AnalysisFilter> Analysis;
  // The molecular weight as the main window shows it, both ends included:
  // needed by the analysis alone, a further filter beside an m/z.
  std::optional<std::pair<double, double>> WeightRange;
};

struct Candidate {
  Molecule Formula;                   // M
  std::string Hill;                   // M's Hill formula
  Ion Ionized;                        // its ion under the query's IonSpec; empty without an m/z
  size_t IonIndex = 0;                // which of the ions asked for (FindFormulasForIons)
  double ErrorPpm = 0, ErrorMda = 0;  // measured - calculated (ErrorOf); 0 without an m/z
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

// The parts of a question, as the window's boxes and zorvan-ms find's
// options name them.
enum class FinderField { Mz, Ion, Ppm, Mda, Ranges, Dbe, Percent, PercentTolerance, WeightRange };

// Reads the text of one part of a question into `query`, the same for the
// window and zorvan-ms find: a number with "." as the point, spaces around
// it allowed; a range MIN:MAX, MIN-MAX or MIN～MAX (of the DBE either end
// may be left out); a tolerance in ppm replaces one in mDa; ranges replace
// the ranges entirely; percentages keep a tolerance already read. Returns an
// empty string, or what is wrong, naming the part, in Japanese (UTF-8).
// CheckQuery then decides whether the values can be searched.
std::string ReadField(FinderField field, std::string_view text, const IsotopeTable& table, FinderQuery& query);

// Reads a query line, MZ[TAB ION[TAB PPM[TAB RANGES]]], into `query` with
// ReadField: the fields given and not empty replace what it holds.
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
  double Error = 0;      // |error| in ppm
  double Deviation = 0;  // from the measured percentages
  std::string_view Hill;
  size_t IonIndex = 0;
};
CandidateRank RankOf(const Candidate& c);

// Returns whether `a` comes before `b`: the smaller |error_ppm|, then the
// smaller deviation from the percentages, then the Hill formula, then the
// ion's place among those asked for.
bool RankBefore(const CandidateRank& a, const CandidateRank& b);
inline bool CandidateBefore(const Candidate& a, const Candidate& b) { return RankBefore(RankOf(a), RankOf(b)); }

// FindFormulas for each of `ions` in turn, query.Ion replaced, each
// candidate naming its ion by IonIndex; the progress covers them all. A
// question without an m/z is answered once.
uint64_t FindFormulasForIons(FinderQuery query, const std::vector<IonSpec>& ions, const ReferenceTables& tables,
                             const std::function<bool(const Candidate&)>& found,
                             const std::function<void(const FinderProgress&)>& progress = {},
                             const std::atomic<bool>* cancel = nullptr);

}  // namespace zorvan::mass
