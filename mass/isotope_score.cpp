// Isotope-pattern scores.
//
// A candidate is judged by how likely its pattern makes the measured peaks,
// in the spirit of the likelihood of Böcker, Letzel, Lipták and Pervukhin
// ("SIRIUS: decomposing isotope patterns for metabolite identification",
// Bioinformatics 25 (2009) 218-224): normal m/z errors, intensities compared
// after scaling the calculated pattern to the measured one, and peaks that
// are measured but not calculated, or calculated but not measured, counted
// by the same error model instead of by a separate rule.
//
//  - The calculated pattern is its centroids at the measured resolving
//    power R (isotopologues closer than m/z / R merged into one, as the
//    instrument merges them), down to a fifth of the noise t, the smallest
//    measured peak (percent of the largest).
//  - Each measured peak is matched to the nearest centroid within the m/z
//    tolerance (MassPpm); a centroid takes one peak, the nearest pairs first.
//  - The calculated intensities p (largest = 100) are scaled by the s that
//    fits the matched peaks best (weighted least squares).
//  - A measured intensity q around an expected s p is normal with
//    sigma(s p) = sqrt((e s p)^2 + (min(t, 1) / 3)^2): the relative error e
//    (IntensityError) and an absolute noise under which the smallest peaks
//    are uncertain. An m/z error is normal with sigma MassPpm / 3.
//  - The parts, as natural-log likelihoods (0 a perfect fit):
//      Mass         -1/2 (dppm / sigma)^2 over the matched peaks, each
//                   peak's error taken as independent of the others' (so
//                   that a pattern of n peaks weighs its mass about as one
//                   peak measured n times; a calibration offset is bounded
//                   by the tolerance the candidates were found within);
//      Intensity    -1/2 ((q - s p) / sigma(s p))^2 over the matched peaks;
//      Unexplained  -1/2 (q / sigma(0))^2 over the measured peaks no centroid
//                   explains (the candidate expects nothing but noise there);
//      Missing      log P(a peak of s p measured under t) over the centroids
//                   no peak was matched to.
//    Each peak's term is bounded smoothly at PenaltyCap, so that one peak
//    that nothing explains (a co-eluting ion's) weighs like a very bad fit
//    rather than deciding everything by itself.
//
// The estimate that spares most candidates the full pattern compares the
// same model on unit-mass sums, which the element counts give in a few
// hundred multiplications (each element's sums cached per count), plus the
// monoisotopic m/z: it splits no unresolved cluster and so is rarely worse
// than the full score, and only candidates whose estimate comes within
// EstimateMargin of the best full scores are scored in full.
#include "mass/isotope_score.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <utility>

namespace zorvan::mass {

namespace {

// The largest a single peak's term may cost.
constexpr double PenaltyCap = 50;
// How far below the best full scores an estimate may lie and its candidate
// still be scored in full.
constexpr double EstimateMargin = 10;
// The isotope steps above the monoisotopic ion that a pattern is looked for
// in: Br4 Cl6 S4 reaches M+20.
constexpr int WindowSteps = 24;
// The isotope steps past the last measured one that the estimate compares:
// a candidate that expects peaks there is told by their absence.
constexpr int ExtraSteps = 3;
// The highest noise level assumed for the absolute intensity error, percent
// of the largest peak: a list of only large peaks says where the list was
// cut, not that the instrument is that noisy.
constexpr double NoiseCeiling = 1;
// The smallest noise level assumed, percent of the largest peak.
constexpr double LeastNoise = 0.01;

double Bounded(double penalty) { return PenaltyCap * -std::expm1(-penalty / PenaltyCap); }

// log of the standard normal distribution function at z.
double LogPhi(double z) {
  if (z > -30) return std::log(0.5 * std::erfc(-z / std::numbers::sqrt2));
  return -0.5 * z * z - std::log(-z) - 0.5 * std::log(2 * std::numbers::pi);
}

class ErrorModel {
 public:
  ErrorModel(const MeasuredPattern& measured, const ScoreOptions& options)
      : relative_(std::max(options.IntensityError, 0.0)),
        noise_(measured.Noise),
        absolute_(std::min(measured.Noise, NoiseCeiling) / 3),
        massPpm_(std::max(options.MassPpm, 0.0)) {}

  double Sigma(double expected) const { return std::hypot(relative_ * expected, absolute_); }
  // Each returns a penalty, -log-likelihood, at least 0.
  double Intensity(double measured, double expected) const {
    const double z = (measured - expected) / Sigma(expected);
    return Bounded(0.5 * z * z);
  }
  double Unexplained(double measured) const { return Intensity(measured, 0); }
  double Missing(double expected) const { return Bounded(-LogPhi((noise_ - expected) / Sigma(expected))); }
  double Mass(double measuredMz, double calculatedMz) const {
    if (massPpm_ == 0) return 0;
    const double z = (measuredMz - calculatedMz) / measuredMz * 1e6 / (massPpm_ / 3);
    return Bounded(0.5 * z * z);
  }
  bool Within(double measuredMz, double calculatedMz) const {
    return std::abs(measuredMz - calculatedMz) <= massPpm_ * 1e-6 * measuredMz;
  }
  // The scale s of the expected intensities `p` that fits the measured `q`
  // best, each pair weighed by its uncertainty at the scale found so far.
  double Scale(const std::vector<std::pair<double, double>>& qp) const {
    double s = 1;
    for (int round = 0; round < 3; ++round) {
      double num = 0, den = 0;
      for (const auto& [q, p] : qp) {
        const double w = 1 / (Sigma(s * p) * Sigma(s * p));
        num += w * q * p;
        den += w * p * p;
      }
      if (!(den > 0) || !(num > 0)) return s;
      s = num / den;
    }
    return s;
  }

 private:
  double relative_, noise_, absolute_, massPpm_;
};

// Sums the parts into `score`, their signs turned.
void Close(PatternScore& score) {
  score.Mass = -score.Mass;
  score.Intensity = -score.Intensity;
  score.Unexplained = -score.Unexplained;
  score.Missing = -score.Missing;
  score.Total = score.Mass + score.Intensity + score.Unexplained + score.Missing;
}

// For each measured peak, the index of its centroid or -1: within the
// tolerance, nearest pairs first, one peak per centroid.
std::vector<int> Match(std::span<const Peak> calculated, const MeasuredPattern& measured, const ErrorModel& model) {
  struct Pair {
    double Distance;
    int Measured, Calculated;
  };
  std::vector<Pair> pairs;
  size_t from = 0;
  for (size_t i = 0; i < measured.Peaks.size(); ++i) {
    const double mz = measured.Peaks[i].Mz;
    while (from < calculated.size() && calculated[from].Mz < mz && !model.Within(mz, calculated[from].Mz)) ++from;
    for (size_t j = from; j < calculated.size() && (calculated[j].Mz <= mz || model.Within(mz, calculated[j].Mz)); ++j)
      if (model.Within(mz, calculated[j].Mz))
        pairs.push_back({std::abs(mz - calculated[j].Mz), static_cast<int>(i), static_cast<int>(j)});
  }
  std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.Distance < b.Distance; });
  std::vector<int> match(measured.Peaks.size(), -1);
  std::vector<bool> taken(calculated.size(), false);
  for (const Pair& p : pairs) {
    if (match[static_cast<size_t>(p.Measured)] >= 0 || taken[static_cast<size_t>(p.Calculated)]) continue;
    match[static_cast<size_t>(p.Measured)] = p.Calculated;
    taken[static_cast<size_t>(p.Calculated)] = true;
  }
  return match;
}

}  // namespace

MeasuredPattern PrepareMeasured(std::span<const MeasuredPeak> peaks, double parentMz, int charge) {
  MeasuredPattern m;
  m.ParentMz = parentMz;
  m.Charge = charge;
  const double step = 1.0 / std::max(1, std::abs(charge));
  double top = 0;
  for (const MeasuredPeak& p : peaks) {
    const bool inside = p.Mz >= parentMz - 0.5 * step && p.Mz <= parentMz + (WindowSteps + 0.5) * step;
    if (!(std::isfinite(p.Mz) && std::isfinite(p.Intensity) && p.Intensity > 0)) continue;
    if (!inside) {
      ++m.Outside;
      continue;
    }
    m.Peaks.push_back(p);
    top = std::max(top, p.Intensity);
  }
  std::sort(m.Peaks.begin(), m.Peaks.end(), [](const MeasuredPeak& a, const MeasuredPeak& b) { return a.Mz < b.Mz; });
  for (MeasuredPeak& p : m.Peaks) {
    p.Intensity = p.Intensity / top * 100;
    m.Noise = std::min(m.Noise, p.Intensity);
  }
  m.Noise = std::clamp(m.Noise, LeastNoise, 100.0);
  return m;
}

PatternScore ScorePattern(std::span<const Peak> calculated, const MeasuredPattern& measured,
                          const ScoreOptions& options) {
  const ErrorModel model(measured, options);
  const std::vector<int> match = Match(calculated, measured, model);
  std::vector<std::pair<double, double>> qp;
  std::vector<bool> taken(calculated.size(), false);
  for (size_t i = 0; i < match.size(); ++i) {
    if (match[i] < 0) continue;
    qp.emplace_back(measured.Peaks[i].Intensity, calculated[static_cast<size_t>(match[i])].Relative);
    taken[static_cast<size_t>(match[i])] = true;
  }
  const double s = model.Scale(qp);
  PatternScore score;
  score.Measured = static_cast<int>(measured.Peaks.size());
  for (size_t i = 0; i < match.size(); ++i) {
    const MeasuredPeak& q = measured.Peaks[i];
    if (match[i] < 0) {
      score.Unexplained += model.Unexplained(q.Intensity);
      continue;
    }
    const Peak& p = calculated[static_cast<size_t>(match[i])];
    ++score.Matched;
    score.Mass += model.Mass(q.Mz, p.Mz);
    score.Intensity += model.Intensity(q.Intensity, s * p.Relative);
  }
  for (size_t j = 0; j < calculated.size(); ++j)
    if (!taken[j]) score.Missing += model.Missing(s * calculated[j].Relative);
  Close(score);
  return score;
}

double CalculatedFloor(const MeasuredPattern& measured) { return std::max(LeastNoise, measured.Noise / 5); }

std::optional<PatternScore> ScoreIon(const Ion& ion, const MeasuredPattern& measured, const ScoreOptions& options) {
  PatternRequest request;
  request.Kind = Resolution::Centroid;
  request.ResolvingPower = options.ResolvingPower;
  request.MinPercent = CalculatedFloor(measured);
  const Pattern pattern = ComputePattern(ion.Formula, ion.Charge, request);
  if (pattern.Capped) return std::nullopt;
  return ScorePattern(pattern.Peaks, measured, options);
}

bool FitsNoCandidate(const PatternScore& best) {
  if (best.Measured == 0) return false;
  // The Wilson-Hilferty approximation of the chi-square quantile; 3.0902 is
  // the normal's 99.9% point.
  const double k = 2.0 * best.Measured, h = 2 / (9 * k);
  const double quantile = k * std::pow(1 - h + 3.0902 * std::sqrt(h), 3);
  return -2 * best.Total > quantile;
}

namespace {

// Unit-mass sums by isotope step from the monoisotopic ion, index 0 at
// step First.
struct UnitSums {
  int First = 0;
  std::vector<double> P;
};

// a * b, steps above `last` dropped (and below -WindowSteps).
UnitSums Convolve(const UnitSums& a, const UnitSums& b, int last) {
  UnitSums c;
  c.First = std::max(a.First + b.First, -WindowSteps);
  last = std::min(a.First + static_cast<int>(a.P.size()) + b.First + static_cast<int>(b.P.size()) - 2, last);
  c.P.assign(static_cast<size_t>(std::max(last - c.First + 1, 1)), 0.0);
  for (size_t i = 0; i < a.P.size(); ++i) {
    if (a.P[i] == 0) continue;
    const int shift = a.First + static_cast<int>(i) + b.First - c.First;
    const size_t from = static_cast<size_t>(std::max(0, -shift));
    const size_t to = std::min(b.P.size(), static_cast<size_t>(std::max(0, static_cast<int>(c.P.size()) - shift)));
    for (size_t j = from; j < to; ++j) c.P[static_cast<size_t>(shift) + j] += a.P[i] * b.P[j];
  }
  return c;
}

class Estimator {
 public:
  Estimator(const MeasuredPattern& measured, const ScoreOptions& options)
      : measured_(measured), model_(measured, options), floor_(CalculatedFloor(measured)) {
    const int size = std::max(1, std::abs(measured.Charge));
    clusters_.assign(WindowSteps + 1, 0.0);
    for (const MeasuredPeak& p : measured.Peaks) {
      const long k = std::lround((p.Mz - measured.ParentMz) * size);
      if (k < 0 || k > WindowSteps) continue;
      clusters_[static_cast<size_t>(k)] += p.Intensity;
      last_ = std::max(last_, static_cast<int>(k) + ExtraSteps);
    }
    last_ = std::min(last_, WindowSteps);
    clusters_.resize(static_cast<size_t>(last_ + 1));
  }

  double operator()(const Ion& ion);

 private:
  const UnitSums& Element(const IsotopeElement& element, int64_t count);
  double MonoMass(double mz) const;

  const MeasuredPattern& measured_;
  ErrorModel model_;
  double floor_;
  // The steps compared: those measured and ExtraSteps more, whose absence
  // tells as well.
  int last_ = ExtraSteps;
  std::vector<double> clusters_;
  std::map<std::pair<const IsotopeElement*, int64_t>, UnitSums> cache_;
};

const UnitSums& Estimator::Element(const IsotopeElement& element, int64_t count) {
  const auto key = std::pair(&element, count);
  if (const auto it = cache_.find(key); it != cache_.end()) return it->second;
  UnitSums base;
  const int mono = element.NominalMass();
  base.First = element.Isotopes.front().MassNumber - mono;
  base.P.assign(static_cast<size_t>(element.Isotopes.back().MassNumber - element.Isotopes.front().MassNumber + 1), 0);
  for (const Isotope& i : element.Isotopes)
    base.P[static_cast<size_t>(i.MassNumber - element.Isotopes.front().MassNumber)] += i.Abundance;
  UnitSums result{0, {1.0}};
  for (int64_t n = count; n > 0; n >>= 1) {
    if (n & 1) result = Convolve(result, base, last_);
    if (n > 1) base = Convolve(base, base, last_);
  }
  return cache_.emplace(key, std::move(result)).first->second;
}

// The m/z term of the measured peak nearest the monoisotopic ion.
double Estimator::MonoMass(double mz) const {
  const MeasuredPeak* nearest = nullptr;
  for (const MeasuredPeak& p : measured_.Peaks)
    if (model_.Within(p.Mz, mz) && (nearest == nullptr || std::abs(p.Mz - mz) < std::abs(nearest->Mz - mz)))
      nearest = &p;
  return nearest != nullptr ? model_.Mass(nearest->Mz, mz) : 0;
}

double Estimator::operator()(const Ion& ion) {
  UnitSums sums{0, {1.0}};
  for (const ElementCount& e : ion.Formula) sums = Convolve(sums, Element(*e.Element, e.Count), last_);
  const double top = *std::max_element(sums.P.begin(), sums.P.end());
  if (!(top > 0)) return -PenaltyCap * static_cast<double>(measured_.Peaks.size() + 1);
  const auto expected = [&](int k) {
    const int i = k - sums.First;
    return i >= 0 && i < static_cast<int>(sums.P.size()) ? sums.P[static_cast<size_t>(i)] / top * 100 : 0.0;
  };
  std::vector<std::pair<double, double>> qp;
  for (int k = 0; k <= last_; ++k)
    if (clusters_[static_cast<size_t>(k)] > 0 && expected(k) >= floor_)
      qp.emplace_back(clusters_[static_cast<size_t>(k)], expected(k));
  const double s = model_.Scale(qp);
  double penalty = MonoMass(ion.Mz);
  for (int k = std::min(sums.First, 0); k <= last_; ++k) {
    const double q = k >= 0 ? clusters_[static_cast<size_t>(k)] : 0, p = expected(k);
    if (q > 0)
      penalty += model_.Intensity(q, p >= floor_ ? s * p : 0);
    else if (p >= floor_)
      penalty += model_.Missing(s * p);
  }
  return -penalty;
}

}  // namespace

std::vector<RankedIon> RankByPattern(std::span<const Ion> ions, const MeasuredPattern& measured,
                                     const ScoreOptions& options, size_t exact, const std::atomic<bool>* cancel) {
  Estimator estimate(measured, options);
  std::vector<RankedIon> ranked(ions.size());
  for (size_t i = 0; i < ions.size(); ++i) ranked[i] = {i, std::nullopt, estimate(ions[i])};
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const RankedIon& a, const RankedIon& b) { return a.Estimate > b.Estimate; });
  // The best `exact` totals so far, the worst of them on top.
  std::vector<double> best;
  const auto worse = [](double a, double b) { return a > b; };
  exact = std::max<size_t>(exact, 1);
  for (RankedIon& r : ranked) {
    if (best.size() == exact && r.Estimate < best.front() - EstimateMargin) break;
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) break;
    r.Score = ScoreIon(ions[r.Index], measured, options);
    if (!r.Score) continue;
    if (best.size() < exact) {
      best.push_back(r.Score->Total);
      std::push_heap(best.begin(), best.end(), worse);
    } else if (r.Score->Total > best.front()) {
      std::pop_heap(best.begin(), best.end(), worse);
      best.back() = r.Score->Total;
      std::push_heap(best.begin(), best.end(), worse);
    }
  }
  std::stable_sort(ranked.begin(), ranked.end(), [](const RankedIon& a, const RankedIon& b) {
    if (a.Score.has_value() != b.Score.has_value()) return a.Score.has_value();
    const double x = a.Score ? a.Score->Total : a.Estimate, y = b.Score ? b.Score->Total : b.Estimate;
    if (x != y) return x > y;
    return a.Index < b.Index;
  });
  return ranked;
}

std::string PatternScoreHelp() {
  const auto number = [](double v) {
    std::string text = std::to_string(v);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
  };
  const ScoreOptions defaults;
  return "同位体パターンのスコア (Böcker ら 2009 の尤度にならう。自然対数、0 が完全な一致、負に大きいほど悪い):\n"
         "  候補のイオンの同位体ピークを分解能 R のセントロイド (m/z / R より近い同位体分子種は一つ) にし、\n"
         "  単一同位体ピークの半ステップ下から " +
         std::to_string(WindowSteps) +
         " ステップ上までの測定ピークと比べます。測定ピークは最も近いセントロイドに\n"
         "  質量許容誤差 (既定 " +
         number(defaults.MassPpm) +
         " ppm) 以内で一つずつ対応させ、計算強度は測定強度に合う倍率をかけます。\n"
         "  m/z の誤差は標準偏差が許容誤差の 1/3、強度の誤差は相対 " +
         number(defaults.IntensityError * 100) +
         "% (既定) と、最小の測定ピーク t (最大ピークに対する\n"
         "  %、" +
         number(NoiseCeiling) +
         "% まで) の 1/3 のノイズの正規分布とし、内訳は 質量 (対応したピークの m/z)、強度 (対応したピークの強度)、\n"
         "  未説明 (候補が予測しない測定ピーク)、欠落 (t 以上に予測されたのに測定されないピーク) です。\n"
         "  一つのピークの寄与は -" +
         number(PenaltyCap) + " までです。計算は t の 1/5 までのセントロイドで行い、元素数からの概算\n" +
         "  (単位質量の和) が最良のスコアに " + number(EstimateMargin) +
         " 以上及ばない候補はパターンを計算しません。最良の候補でも\n"
         "  χ² (1 ピーク 2 自由度) の 99.9% 点を超えるときは、どの候補も合わないと記します。\n\n";
}

}  // namespace zorvan::mass
