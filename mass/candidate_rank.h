// A finder query's candidates put in the order of how well their isotope
// patterns explain measured peaks: the one ranking zorvan-ms and the finder
// window share.
#pragma once

#include <atomic>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mass/finder.h"
#include "mass/isotope_score.h"

namespace zorvan::mass {

// Unless more are asked for, the best this many candidates are certain to
// be scored in full; the rest follow by estimate when theirs is too low.
inline constexpr size_t ScoredInFull = 10;

struct RankedCandidates {
  MeasuredPattern Measured;  // the peaks as they were scored
  // Best first, Index into the candidates given. Without measured peaks in
  // the pattern's window: every candidate, unscored, in the order given.
  std::vector<RankedIon> Ranked;
  bool FitsNone = false;  // even the best explains the peaks too badly
  // Why the candidates stayed in mass order, in Japanese (UTF-8); empty
  // when they were scored.
  std::string MassAlone;
};

// What is said when even the best candidate explains the peaks too badly.
inline constexpr std::string_view FitsNoneText = "どの候補もピークに合いません";

// Ranks `candidates`, found by FindFormulas for `query` (which has an m/z)
// and sorted by CandidateBefore, by their patterns against `peaks`; the
// query's tolerance is also each peak's m/z tolerance. `exact` and `cancel`
// as RankByPattern takes them.
RankedCandidates RankCandidates(std::span<const Candidate> candidates, const FinderQuery& query,
                                std::span<const MeasuredPeak> peaks, ScoreOptions options, size_t exact,
                                const std::atomic<bool>* cancel = nullptr);

// A score with two decimals, as the tables show it.
std::string ScoreText(double score);
// The parts of a score and the peaks it explains, in Japanese (UTF-8):
// "質量 -0.12 強度 -1.05 未説明 0.00 欠落 0.00 一致 3/3".
std::string ScorePartsText(const PatternScore& score);
// The note of one ranked candidate: why there is no score, its parts, or
// the estimate it was left at.
std::string ScoreNote(const RankedCandidates& rank, const RankedIon& ranked);

}  // namespace zorvan::mass
