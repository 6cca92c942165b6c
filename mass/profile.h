// What a plot of an isotope pattern draws: the profile over the centroids at
// a resolving power, the few points of it a line of some pixels needs, the
// measured peaks laid over it, and the resolving power a chemist types.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mass/pattern.h"

namespace zorvan::mass {

struct ProfilePoint {
  double Mz = 0;
  double Relative = 0;
};

// The resolving powers the window and the plot accept, bounds included.
constexpr double MinResolvingPower = 100;
constexpr double MaxResolvingPower = 10'000'000;

// The profile the centroids `sticks` (m/z ascending) stand for at resolving
// power `resolvingPower`: each centroid a Gaussian of its own height and of
// FWHM m/z / R, and the profile their upper envelope, so that each peak of
// it stands exactly on its stick and none rises above the sticks. Sampled
// densely about each centroid, its top and the notch between two peaks
// among the samples; m/z ascending.
std::vector<ProfilePoint> Envelope(const std::vector<Peak>& sticks, double resolvingPower);

// The points of `profile` that a line drawn `columns` pixels wide over the
// m/z range [low, high] needs: in each column its first, lowest, highest
// and last point, and the nearest point beyond each end, so that the line
// runs to the edges. A peak narrower than a column keeps its height.
std::vector<ProfilePoint> VisibleProfile(const std::vector<ProfilePoint>& profile, double low, double high,
                                         int columns);

// Measured peaks (m/z, intensity in any unit) as the plot draws them: those
// with a finite positive m/z and a finite intensity above zero, m/z
// ascending, scaled so that the highest is 100.
std::vector<Peak> RelativePeaks(const std::vector<std::pair<double, double>>& measured);

// Reads a resolving power as a chemist writes it: "45000", "45 000",
// "45,000", "R = 45 000", "45k" ("." as the point). Returns an empty string
// and sets `r`, or says in Japanese (UTF-8) what is wrong, with the bounds.
std::string ParseResolvingPower(std::string_view text, double& r);

// "R = 45 000": R rounded to a whole number, thousands set apart by spaces.
std::string ResolvingPowerText(double r);

}  // namespace zorvan::mass
