// The search behind FindFormulas.
//
// How it prunes: the elements are walked one per level, the heaviest
// outermost and the lightest innermost, by the mass the window bounds (the
// monoisotopic mass for an m/z, the atom.csv weight for the analysis alone).
// At each level only the counts c are tried for which the mass so far plus
// c m can still reach the window [low, high] with what the remaining
// elements can add at least (minRest) and at most (maxRest):
//   ceil((low - partial - maxRest) / m) <= c <= floor((high - partial - minRest) / m).
// At the innermost level this leaves just the counts that land in the
// window, so the work grows with the formulas of the outer elements that can
// still reach it, not with the product of all the ranges. For the analysis
// alone a measured percentage bounds its element's count by the weight
// (c m / W within the percentage, so c <= Fhigh W_high / m), and once that
// count is fixed it narrows the weight itself to c m / Fhigh .. c m / Flow;
// the elements with a measured percentage are walked first for that reason.
//
// The last two levels are solved together when the outer one has a whole
// mass, as carbon has (12 by definition) before hydrogen. With the inner
// element's mass m = N + d (N its nominal mass, d its small defect, positive
// for every element lighter than carbon), a pair
// (x, y) lands in the window [a, b] left for them when K + d y lies in it,
// K = 12 x + N y being a whole number. As d y stays within d times the y
// range (under 1 u for H0-120), only one or two K can do, and for each K
// the y within (a - K) / d .. (b - K) / d, a span of about the window over
// d: one or two values, of which those with K - N y divisible by 12 give an
// x. So a pair costs a few steps instead of one per count of carbon.
//
// The window is widened by a margin (10^-9 of the mass) far above the
// rounding of these sums; each formula met in it is then decided by the same
// functions that report it elsewhere (FormIon's m/z; the calculation's
// weighing and number forms for the main window's weight and percentages;
// the molecule's Hill formula and DBE), so the ends of the tolerance are
// included exactly, nothing inside is lost to rounding, and a candidate
// shows what the other windows show for its formula.
#include <algorithm>
#include <cmath>

#include "core/calculation.h"  // AtomicWeights
#include "core/number_forms.h"
#include "mass/finder.h"
#include "mass/finder_detail.h"

namespace zorvan::mass {
namespace {

// Percentage points: a typed percentage and its tolerance differ from their
// binary values by far less than this, and a shown percentage moves in steps
// of 0.01, so the guard admits the ends and nothing a reader would call out.
constexpr double PercentGuard = 1e-9;

// Round down and up by truncation, a single instruction where std::floor
// and std::ceil may be calls without SSE4.1; the values are counts and
// masses far inside the int64 range.
int64_t Down(double x) {
  const auto t = static_cast<int64_t>(x);
  return t - (x < static_cast<double>(t));
}
int64_t Up(double x) {
  const auto t = static_cast<int64_t>(x);
  return t + (x > static_cast<double>(t));
}

struct Level {
  const IsotopeElement* Element = nullptr;
  int Lo = 0, Hi = 0;
  double Mass = 0;             // what the window bounds
  int AtomNumber = 0;          // in atom.csv, when weights are needed
  float Weight = 0;            // atom.csv
  int Measured = -1;           // index into the measured percentages
  bool Bounds = false;         // the percentage bounds the count (the analysis alone)
  double FLow = 0, FHigh = 1;  // the weight fraction, widened
  double Inverse = 0;          // 1 / Mass
};

class Search {
 public:
  Search(const FinderQuery& query, const ReferenceTables& tables, const std::function<bool(const Candidate&)>& found,
         const std::function<void(const FinderProgress&)>& progress, const std::atomic<bool>* cancel);

  uint64_t Run();

 private:
  // The steps of the constructor: the levels of the ranges; the window of
  // masses M may have, from the ion and its m/z or from the weight range;
  // the levels with a measured percentage; the levels heaviest first (the
  // bounded ones before) with what the rest can add; the last two levels
  // when they can be solved together.
  void AddLevels(const ReferenceTables& tables);
  void WindowOfIon();
  void WindowOfWeight();
  void MarkMeasured();
  void OrderLevels();
  void PreparePair();

  void Walk(size_t i, double partial, double low, double high, double base, double span);
  // The last two levels together, when the outer has a whole mass; false
  // when that would take more steps than the plain walk.
  bool WalkPair(double low, double high);
  void Consider();
  // Returns whether the DBE of `candidate_` passes the query's filters.
  bool DbeFits() const;
  // Fills the weight and percentages of `candidate_` as the main window
  // shows them; false when they miss the measured values or the weight range.
  bool Analyse();

  const FinderQuery& query_;
  const std::function<bool(const Candidate&)>& found_;
  const std::function<void(const FinderProgress&)>& progress_;
  const std::atomic<bool>* cancel_;
  std::vector<Level> levels_;
  std::vector<double> minRest_, maxRest_;  // of the levels from i on
  std::vector<size_t> byAtomicNumber_;     // the levels in the order a molecule is formed
  // Weighing, when weights are needed: atom.csv's weights, the counts by
  // atom.csv number (of the levels' elements only), and the result.
  std::optional<AtomicWeights> weights_;
  AtomCounts atomCounts_{};
  ElementSet atoms_;
  WeightShares shares_;
  // The last two levels when solved together: the outer's whole mass, the
  // inner's nominal mass, its defect and that defect's inverse.
  int64_t pairWhole_ = 0, pairNominal_ = 0;
  double pairWholeInverse_ = 0, pairDefect_ = 0, pairInverse_ = 0;
  double pairLowDefect_ = 0, pairHighDefect_ = 0;  // the least and most d y
  std::vector<int> counts_;
  bool possible_ = true;  // false when the ion needs atoms no M can have
  bool pair_ = false;     // the last two levels can be solved together
  double low_ = 0, high_ = 0, tolerance_ = 0;
  uint64_t count_ = 0;
  double reported_ = 0;  // the fraction last reported
  bool stop_ = false;
  Candidate candidate_;
};

Search::Search(const FinderQuery& query, const ReferenceTables& tables,
               const std::function<bool(const Candidate&)>& found,
               const std::function<void(const FinderProgress&)>& progress, const std::atomic<bool>* cancel)
    : query_(query), found_(found), progress_(progress), cancel_(cancel) {
  AddLevels(tables);
  if (query.Mz)
    WindowOfIon();
  else
    WindowOfWeight();
  if (query.Analysis) MarkMeasured();
  OrderLevels();
  PreparePair();
  counts_.assign(levels_.size(), 0);
}

void Search::AddLevels(const ReferenceTables& tables) {
  if (query_.Analysis || query_.WeightRange) weights_.emplace(tables.Elements);
  for (const ElementRange& r : query_.Ranges) {
    Level level;
    level.Element = r.Element;
    level.Lo = r.Min;
    level.Hi = r.Max;
    level.Mass = r.Element->MonoisotopicMass();
    if (weights_) {
      level.AtomNumber = AtomNumberOf(*r.Element, tables.Elements);
      level.Weight = tables.Elements[level.AtomNumber].AtomicWeight;
      atoms_.Add(level.AtomNumber);
    }
    levels_.push_back(level);
  }
}

void Search::WindowOfIon() {
  const IonSpec& ion = query_.Ion;
  // An ion that takes atoms away needs at least that many in n M.
  for (const ElementCount& removed : ion.Removed) {
    int64_t need = removed.Count;
    for (const ElementCount& added : ion.Added) need -= added.Element == removed.Element ? added.Count : 0;
    if (need <= 0) continue;
    const auto least = static_cast<int>((need + ion.Multiplier - 1) / ion.Multiplier);
    const auto it =
        std::find_if(levels_.begin(), levels_.end(), [&](const Level& l) { return l.Element == removed.Element; });
    if (it == levels_.end())
      possible_ = false;
    else
      it->Lo = std::max(it->Lo, least);
  }
  const double mz = *query_.Mz;
  tolerance_ = query_.ToleranceMda ? *query_.ToleranceMda / 1000 : query_.TolerancePpm * mz * 1e-6;
  // m/z = (n M + added - removed - z me) / |z|, solved for M at both ends.
  const int z = ion.Charge;
  const double size = z == 0 ? 1 : std::abs(z);
  const double shift = z * ElectronMass - MonoisotopicMass(ion.Added) + MonoisotopicMass(ion.Removed);
  low_ = ((mz - tolerance_) * size + shift) / ion.Multiplier;
  high_ = ((mz + tolerance_) * size + shift) / ion.Multiplier;
  const double margin = 1e-9 * (1 + std::abs(high_));
  low_ -= margin;
  high_ += margin;
}

void Search::WindowOfWeight() {
  // The weight shown has seven digits; the margin covers that and the
  // float sums behind it.
  for (Level& l : levels_) l.Mass = l.Weight;
  low_ = query_.WeightRange->first * (1 - 1e-5) - 1e-5;
  high_ = query_.WeightRange->second * (1 + 1e-5) + 1e-5;
}

void Search::MarkMeasured() {
  const AnalysisFilter& a = *query_.Analysis;
  for (size_t k = 0; k < a.Percent.size(); ++k) {
    for (Level& l : levels_) {
      if (l.Element->Symbol != a.Percent[k].first) continue;
      l.Measured = static_cast<int>(k);
      // A shown percentage within the tolerance has a fraction within it
      // and half a step more; the rest of the widening covers the floats.
      l.Bounds = !query_.Mz;
      l.FLow = std::max(0.0, (a.Percent[k].second - a.Tolerance - 0.015) / 100);
      l.FHigh = std::min(1.0, (a.Percent[k].second + a.Tolerance + 0.015) / 100);
    }
  }
}

void Search::OrderLevels() {
  std::stable_sort(levels_.begin(), levels_.end(), [](const Level& a, const Level& b) {
    if (a.Bounds != b.Bounds) return a.Bounds;
    return a.Mass > b.Mass;
  });
  for (Level& l : levels_) l.Inverse = 1 / l.Mass;
  minRest_.assign(levels_.size() + 1, 0);
  maxRest_.assign(levels_.size() + 1, 0);
  for (size_t i = levels_.size(); i-- > 0;) {
    minRest_[i] = minRest_[i + 1] + levels_[i].Lo * levels_[i].Mass;
    maxRest_[i] = maxRest_[i + 1] + levels_[i].Hi * levels_[i].Mass;
  }
  for (size_t i = 0; i < levels_.size(); ++i) byAtomicNumber_.push_back(i);
  std::sort(byAtomicNumber_.begin(), byAtomicNumber_.end(),
            [&](size_t a, size_t b) { return levels_[a].Element->AtomicNumber < levels_[b].Element->AtomicNumber; });
}

void Search::PreparePair() {
  if (levels_.size() < 2) return;
  const Level& outer = levels_[levels_.size() - 2];
  const Level& inner = levels_.back();
  pair_ = !outer.Bounds && !inner.Bounds && outer.Mass == std::nearbyint(outer.Mass) && outer.Mass > 0 &&
          inner.Mass > std::nearbyint(inner.Mass);
  pairWhole_ = static_cast<int64_t>(outer.Mass);
  pairWholeInverse_ = 1 / outer.Mass;
  pairNominal_ = static_cast<int64_t>(std::nearbyint(inner.Mass));
  pairDefect_ = inner.Mass - static_cast<double>(pairNominal_);
  pairInverse_ = 1 / pairDefect_;
  pairLowDefect_ = pairDefect_ * inner.Lo;
  pairHighDefect_ = pairDefect_ * inner.Hi;
}

uint64_t Search::Run() {
  if (possible_ && !levels_.empty()) Walk(0, 0, low_, high_, 0, 1);
  if (progress_) progress_({1, count_});
  return count_;
}

void Search::Walk(size_t i, double partial, double low, double high, double base, double span) {
  if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) stop_ = true;
  if (stop_) return;
  if (i + 2 == levels_.size() && pair_ && WalkPair(low - partial, high - partial)) return;
  // Multiplied by the inverse mass rather than divided: the one-ulp
  // difference is far inside the margin of the window.
  const Level& l = levels_[i];
  int64_t from = std::max<int64_t>(l.Lo, Up((low - partial - maxRest_[i + 1]) * l.Inverse));
  int64_t to = std::min<int64_t>(l.Hi, Down((high - partial - minRest_[i + 1]) * l.Inverse));
  if (l.Bounds) {
    from = std::max(from, Up(l.FLow * low * l.Inverse));
    to = std::min(to, Down(l.FHigh * high * l.Inverse));
  }
  if (from > to) return;
  const int first = static_cast<int>(from), last = static_cast<int>(to);
  const bool innermost = i + 1 == levels_.size();
  const double step = progress_ ? span / (last - first + 1) : 0;
  for (int c = first; c <= last && !stop_; ++c) {
    counts_[i] = c;
    if (innermost) {
      Consider();
      continue;
    }
    double childLow = low, childHigh = high;
    if (l.Bounds && c > 0) {
      childLow = std::max(low, c * l.Mass / l.FHigh);
      if (l.FLow > 0) childHigh = std::min(high, c * l.Mass / l.FLow);
    }
    const double childBase = base + step * (c - first);
    const double sum = partial + c * l.Mass;
    // Just above the pair, its solution is called straight away.
    if (i + 3 == levels_.size() && pair_ && !l.Bounds && WalkPair(low - sum, high - sum)) continue;
    Walk(i + 1, sum, childLow, childHigh, childBase, step);
    if (progress_ && i < 2) {
      // Never backwards, whatever the rounding of the nested shares.
      reported_ = std::max(reported_, std::min(1.0, childBase + step));
      progress_({reported_, count_});
    }
  }
}

// Inlined into the loops that call it once per outer count: the loads of the
// pair's constants then stay out of those loops.
[[gnu::always_inline]] inline bool Search::WalkPair(double a, double b) {
  const size_t n = levels_.size();
  const Level& outer = levels_[n - 2];
  const Level& inner = levels_[n - 1];
  // K + d y within [a, b] for some y of the range bounds K.
  const int64_t kFrom = Up(a - pairHighDefect_), kTo = Down(b - pairLowDefect_);
  if (kTo - kFrom >= outer.Hi - outer.Lo) return false;
  for (int64_t k = kFrom; k <= kTo && !stop_; ++k) {
    const double yLow = (a - static_cast<double>(k)) * pairInverse_,
                 yHigh = (b - static_cast<double>(k)) * pairInverse_;
    const int64_t yFrom = std::max<int64_t>(inner.Lo, Up(yLow)), yTo = std::min<int64_t>(inner.Hi, Down(yHigh));
    for (int64_t y = yFrom; y <= yTo && !stop_; ++y) {
      // The rounded quotient divides exactly when its product gives back
      // the whole number.
      const int64_t rest = k - pairNominal_ * y, x = Down(static_cast<double>(rest) * pairWholeInverse_ + 0.5);
      if (x * pairWhole_ != rest || x < outer.Lo || x > outer.Hi) continue;
      counts_[n - 2] = static_cast<int>(x);
      counts_[n - 1] = static_cast<int>(y);
      Consider();
    }
  }
  return true;
}

void Search::Consider() {
  Candidate& c = candidate_;
  // In atomic-number order, as a calculation's molecule is formed: the sums
  // of the masses, and so the last bit of the m/z, are those of the mass
  // window for the same formula.
  c.Formula.clear();
  for (const size_t i : byAtomicNumber_) {
    if (counts_[i] > 0) c.Formula.push_back({levels_[i].Element, counts_[i]});
  }
  if (c.Formula.empty()) return;
  if (query_.Mz) {
    if (!FormIon(c.Formula, query_.Ion, c.Ionized).empty()) return;
    if (!(std::abs(c.Ionized.Mz - *query_.Mz) <= tolerance_)) return;
    const MassError error = ErrorOf(c.Ionized.Mz, *query_.Mz);
    c.ErrorPpm = error.Ppm;
    c.ErrorMda = error.Mda;
  }
  c.Dbe = Dbe(c.Formula);
  if (!DbeFits()) return;
  if (query_.Rules && !Plausible(c.Formula)) return;
  if (weights_ && !Analyse()) return;
  c.Hill.resize(HillFormulaRoom(c.Formula));
  c.Hill.resize(static_cast<size_t>(PutHillFormula(c.Hill.data(), c.Formula) - c.Hill.data()));
  ++count_;
  if (!found_(c)) stop_ = true;
}

bool Search::DbeFits() const {
  const std::optional<double>& dbe = candidate_.Dbe;
  if (!query_.IntegerDbe && !query_.DbeMin && !query_.DbeMax) return true;
  if (!dbe) return false;
  if (query_.IntegerDbe && *dbe != std::floor(*dbe)) return false;
  return !(query_.DbeMin && *dbe < *query_.DbeMin) && !(query_.DbeMax && *dbe > *query_.DbeMax);
}

bool Search::Analyse() {
  Candidate& c = candidate_;
  // The main window's weighing of the same counts.
  for (size_t i = 0; i < levels_.size(); ++i) atomCounts_[levels_[i].AtomNumber] = static_cast<float>(counts_[i]);
  weights_->Weigh(atomCounts_, atoms_, shares_);
  char text[MaxNumberLen];
  c.Weight.assign(text, PutMolecularWeight(text, shares_, '.'));
  if (query_.WeightRange) {
    const double shown = ShownGeneralNumber(shares_.Weight);
    if (shown < query_.WeightRange->first || shown > query_.WeightRange->second) return false;
  }
  c.Percent.clear();
  c.Deviation = 0;
  if (!query_.Analysis) return true;
  const AnalysisFilter& a = *query_.Analysis;
  c.Percent.resize(a.Percent.size());
  for (const Level& l : levels_) {
    if (l.Measured < 0) continue;
    // An element the formula lacks has no share, and its percentage is 0.
    ElementShare share{l.AtomNumber, 0, 0, {}};
    for (int k = 0; k < shares_.Size; ++k)
      if (shares_.Elements[k].Number == l.AtomNumber) share = shares_.Elements[k];
    const double deviation = std::abs(ShownPercent(share.Fraction) - a.Percent[l.Measured].second);
    if (deviation > a.Tolerance + PercentGuard) return false;
    c.Deviation = std::max(c.Deviation, deviation);
    c.Percent[l.Measured] = {l.Element->Symbol, ShownPercentage(share)};
  }
  return true;
}

}  // namespace

uint64_t FindFormulas(const FinderQuery& query, const ReferenceTables& tables,
                      const std::function<bool(const Candidate&)>& found,
                      const std::function<void(const FinderProgress&)>& progress, const std::atomic<bool>* cancel) {
  if (!CheckQuery(query, tables).empty()) return 0;
  return Search(query, tables, found, progress, cancel).Run();
}

uint64_t FindFormulasForIons(FinderQuery query, const std::vector<IonSpec>& ions, const ReferenceTables& tables,
                             const std::function<bool(const Candidate&)>& found,
                             const std::function<void(const FinderProgress&)>& progress,
                             const std::atomic<bool>* cancel) {
  const size_t rounds = query.Mz ? ions.size() : std::min<size_t>(ions.size(), 1);
  uint64_t count = 0;
  bool stopped = false;
  for (size_t k = 0; k < rounds && !stopped; ++k) {
    query.Ion = ions[k];
    const auto named = [&](const Candidate& c) {
      if (k == 0) {
        stopped = !found(c);
      } else {
        Candidate copy = c;  // the search's own is reused for the next
        copy.IonIndex = k;
        stopped = !found(copy);
      }
      return !stopped;
    };
    const auto share = [&](const FinderProgress& p) {
      if (progress) progress({(static_cast<double>(k) + p.Fraction) / static_cast<double>(rounds), count + p.Found});
    };
    count += FindFormulas(query, tables, named, share, cancel);
  }
  return count;
}

}  // namespace zorvan::mass
