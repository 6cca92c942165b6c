// Measured weight percentages as a chemist types them: "C=80.95, H=8.20".
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/calculation.h"  // ElementShare

namespace zorvan::mass {

using MeasuredPercent = std::vector<std::pair<std::string, double>>;  // symbol, percent

// How far, in percentage points, a measured weight percent may lie from the
// calculated one: the common criterion of journals for an elemental
// analysis, and the finder's default tolerance.
inline constexpr double DefaultPercentTolerance = 0.4;

// Parses pairs of an element symbol and a percentage from 0 to 100, written
// "C=80.95", "C 80.95" or "C:80.95" and separated by commas, semicolons or
// spaces; each symbol at most once. Returns an empty string, or what is
// wrong, in Japanese (UTF-8). Empty text gives no pairs.
std::string ParsePercentages(std::string_view text, MeasuredPercent& percent);

// The percentage the main window lists for `e`, without the "%" ("81.04");
// empty when the molecular weight gives none.
std::string ShownPercentage(const ElementShare& e);

// Reads `text`, all of it, as a finite number ("." as the point, no spaces);
// returns false when it is anything else.
bool ParseNumber(std::string_view text, double& value);

// ParseNumber with spaces around the number allowed, as a box holds it.
bool ReadTypedNumber(std::string_view text, double& value);

// Writes `value` as briefly as it reads back ("0.4", "1000", "10000000"),
// so that help and messages state a limit as the code holds it.
std::string NumberText(double value);

}  // namespace zorvan::mass
