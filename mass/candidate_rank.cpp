#include "mass/candidate_rank.h"

#include <charconv>  // std::to_chars
#include <cmath>

namespace zorvan::mass {

RankedCandidates RankCandidates(std::span<const Candidate> candidates, const FinderQuery& query,
                                std::span<const MeasuredPeak> peaks, ScoreOptions options, size_t exact,
                                const std::atomic<bool>* cancel) {
  RankedCandidates result;
  const double mz = query.Mz.value_or(0);
  options.MassPpm = query.ToleranceMda ? *query.ToleranceMda / 1000 / mz * 1e6 : query.TolerancePpm;
  result.Measured = PrepareMeasured(peaks, mz, query.Ion.Charge);
  if (result.Measured.Peaks.empty()) {
    result.MassAlone = peaks.empty() ? "ピークがないため質量だけで並べています"
                                     : "親イオンの同位体の範囲にピークがないため質量だけで並べています";
    for (size_t i = 0; i < candidates.size(); ++i) result.Ranked.push_back({i, std::nullopt, 0});
    return result;
  }
  std::vector<Ion> ions;
  ions.reserve(candidates.size());
  for (const Candidate& c : candidates) ions.push_back(c.Ionized);
  result.Ranked = RankByPattern(ions, result.Measured, options, exact, cancel);
  result.FitsNone =
      !result.Ranked.empty() && result.Ranked.front().Score && FitsNoCandidate(*result.Ranked.front().Score);
  return result;
}

std::string ScoreText(double score) {
  char text[64];
  const double rounded = std::round(score * 100) / 100;
  return std::string(
      text, std::to_chars(text, text + sizeof text, rounded == 0 ? 0.0 : rounded, std::chars_format::fixed, 2).ptr);
}

std::string ScorePartsText(const PatternScore& s) {
  return "質量 " + ScoreText(s.Mass) + " 強度 " + ScoreText(s.Intensity) + " 未説明 " + ScoreText(s.Unexplained) +
         " 欠落 " + ScoreText(s.Missing) + " 一致 " + std::to_string(s.Matched) + "/" + std::to_string(s.Measured);
}

std::string ScoreNote(const RankedCandidates& rank, const RankedIon& ranked) {
  if (rank.Measured.Peaks.empty()) return rank.MassAlone;
  if (ranked.Score) return ScorePartsText(*ranked.Score);
  return "概算 " + ScoreText(ranked.Estimate) + " (パターンは計算していません)";
}

}  // namespace zorvan::mass
