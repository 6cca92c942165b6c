// The profile of a pattern at a resolving power, drawn over its centroids.
//
// An instrument at resolving power R shows each ion as a peak of FWHM
// m/z / R; what it reports, and what the window lists, are the centroids at
// R, in which isotopologues closer than that width are already merged. The
// profile is drawn from those centroids, each a Gaussian of its own height,
// and is their upper envelope rather than their sum: two centroids a little
// more than one FWHM apart (and the joining at R can leave them closer)
// would otherwise add into a peak taller than either stick. So the profile
// touches every stick that stands out and never rises above them.
//
// The profile is sampled about each centroid, its top among the samples,
// and where two Gaussians meet, so that a line through the samples keeps
// each peak's height and each notch's depth however far a plot zooms in or
// out; VisibleProfile keeps, per pixel column, the points that give the
// column its extent.
#include "mass/profile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "mass/percent_text.h"  // ParseNumber

namespace zorvan::mass {

namespace {

// A Gaussian of FWHM w is exp(-FourLn2 * (d / w)^2) of its top at d from it.
constexpr double FourLn2 = 4 * std::numbers::ln2;
// Near the top the samples lie w / 16 apart: a chord between two of them
// stays within 0.3% of the peak's height below the curve.
constexpr int SamplesPerFwhm = 16;
// They do so out to 1.5 FWHM, where the curve is down to 0.2% of its top;
// a few more take it to the baseline (at 3 FWHM, 1e-11 of its top).
constexpr int DenseSamples = 24;  // each side: 1.5 FWHM
constexpr double TailOffsets[] = {1.75, 2.0, 2.5, 3.0};
// A centroid farther than this many of its FWHM adds nothing (1e-19 of its
// height), and is not looked at.
constexpr double Reach = 4;

// The sorted, distinct m/z values at which the profile is sampled.
std::vector<double> SamplePlaces(const std::vector<Peak>& sticks, double r) {
  std::vector<double> at;
  at.reserve(sticks.size() * (2 * DenseSamples + 1 + 2 * std::size(TailOffsets)));
  for (const Peak& stick : sticks) {
    const double fwhm = stick.Mz / r;
    for (int k = -DenseSamples; k <= DenseSamples; ++k) at.push_back(stick.Mz + k * fwhm / SamplesPerFwhm);
    for (const double d : TailOffsets) {
      at.push_back(stick.Mz - d * fwhm);
      at.push_back(stick.Mz + d * fwhm);
    }
  }
  std::sort(at.begin(), at.end());
  at.erase(std::unique(at.begin(), at.end()), at.end());
  return at;
}

double GaussianAt(const Peak& stick, double r, double mz) {
  const double z = (mz - stick.Mz) * r / stick.Mz;
  return stick.Relative * std::exp(-FourLn2 * z * z);
}

// The highest Gaussian at `mz` and its stick (none: sticks.size()), among
// the sticks from `first` on that reach it.
std::pair<double, size_t> HighestAt(const std::vector<Peak>& sticks, double r, size_t first, double mz) {
  std::pair<double, size_t> top{0, sticks.size()};
  for (size_t j = first; j < sticks.size() && sticks[j].Mz - Reach * sticks[j].Mz / r <= mz; ++j)
    if (const double g = GaussianAt(sticks[j], r, mz); g > top.first) top = {g, j};
  return top;
}

// Where the Gaussian of `a`, the higher at `from`, meets that of `b`, the
// higher at `to`: the bottom of the notch between two peaks, which the
// samples on either side would cut off.
double Crossing(const Peak& a, const Peak& b, double r, double from, double to) {
  for (double middle = (from + to) / 2; middle > from && middle < to; middle = (from + to) / 2)
    (GaussianAt(a, r, middle) >= GaussianAt(b, r, middle) ? from : to) = middle;
  return from;
}

// "10 000 000": a whole number, thousands set apart by spaces.
std::string Grouped(long long value) {
  std::string digits = std::to_string(value), text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ' ';
    text += digits[i];
  }
  return text;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::vector<ProfilePoint> Envelope(const std::vector<Peak>& sticks, double resolvingPower) {
  std::vector<ProfilePoint> profile;
  const double r = resolvingPower;
  if (sticks.empty() || !(r > 0) || !std::isfinite(r)) return profile;
  const std::vector<double> at = SamplePlaces(sticks, r);
  profile.reserve(at.size() + sticks.size());
  size_t first = 0;              // the first stick that can still reach the sample
  size_t owner = sticks.size();  // whose Gaussian the last sample lies on
  for (const double mz : at) {
    while (first < sticks.size() && sticks[first].Mz + Reach * sticks[first].Mz / r < mz) ++first;
    const auto [top, stick] = HighestAt(sticks, r, first, mz);
    if (owner < sticks.size() && stick < sticks.size() && stick != owner) {
      const double notch = Crossing(sticks[owner], sticks[stick], r, profile.back().Mz, mz);
      profile.push_back({notch, GaussianAt(sticks[owner], r, notch)});
    }
    profile.push_back({mz, top});
    owner = stick;
  }
  return profile;
}

std::vector<ProfilePoint> VisibleProfile(const std::vector<ProfilePoint>& profile, double low, double high,
                                         int columns) {
  std::vector<ProfilePoint> line;
  if (profile.empty() || !(high > low) || columns < 1) return line;
  const auto byMz = [](const ProfilePoint& p, double mz) { return p.Mz < mz; };
  auto begin = std::lower_bound(profile.begin(), profile.end(), low, byMz);
  if (begin != profile.begin()) --begin;
  auto end = std::lower_bound(begin, profile.end(), std::nextafter(high, INFINITY), byMz);
  if (end != profile.end()) ++end;
  const double perMz = columns / (high - low);
  // Points beyond the ends fall into the columns -1 and `columns`.
  const auto column = [&](double mz) { return std::clamp(std::floor((mz - low) * perMz), -1.0, double(columns)); };
  for (auto it = begin; it != end;) {
    const double c = column(it->Mz);
    auto lowest = it, highest = it, last = it;
    for (auto next = it + 1; next != end && column(next->Mz) == c; ++next) {
      last = next;
      if (next->Relative < lowest->Relative) lowest = next;
      if (next->Relative > highest->Relative) highest = next;
    }
    auto kept = {it, std::min(lowest, highest), std::max(lowest, highest), last};
    for (auto k = kept.begin(); k != kept.end(); ++k)
      if (k == kept.begin() || *k != *(k - 1)) line.push_back(**k);
    it = last + 1;
  }
  return line;
}

std::vector<Peak> RelativePeaks(const std::vector<std::pair<double, double>>& measured) {
  std::vector<Peak> peaks;
  double top = 0;
  for (const auto& [mz, intensity] : measured)
    if (std::isfinite(mz) && mz > 0 && std::isfinite(intensity) && intensity > 0) {
      peaks.push_back({mz, intensity});
      top = std::max(top, intensity);
    }
  for (Peak& p : peaks) p.Relative = p.Relative / top * 100;
  std::erase_if(peaks, [](const Peak& p) { return p.Relative == 0; });  // below the range of a double
  std::sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.Mz < b.Mz; });
  return peaks;
}

std::string ParseResolvingPower(std::string_view text, double& r) {
  text = Trimmed(text);
  if (!text.empty() && (text.front() == 'R' || text.front() == 'r')) {
    text = Trimmed(text.substr(1));
    if (!text.empty() && text.front() == '=') text = Trimmed(text.substr(1));
  }
  double factor = 1;
  if (!text.empty() && (text.back() == 'k' || text.back() == 'K')) {
    factor = 1000;
    text = Trimmed(text.substr(0, text.size() - 1));
  }
  std::string number;  // without the spaces, commas and the like that group the digits
  for (const char c : text)
    if (c != ' ' && c != ',' && c != '_' && c != '\'') number += c;
  double value = 0;
  if (ParseNumber(number, value) && value * factor >= MinResolvingPower && value * factor <= MaxResolvingPower) {
    r = value * factor;
    return {};
  }
  return "分解能 R は " + Grouped(static_cast<long long>(MinResolvingPower)) + " から " +
         Grouped(static_cast<long long>(MaxResolvingPower)) +
         " までの数で入れてください(例: 45000、45 000、R = 45 000、45k)";
}

std::string ResolvingPowerText(double r) { return "R = " + Grouped(std::llround(r)); }

}  // namespace zorvan::mass
