// Measured weight percentages as a chemist types them: "C=80.95, H=8.20".
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/calculation.h"  // ElementShare

namespace zorvan::mass {

using MeasuredPercent = std::vector<std::pair<std::string, double>>;  // symbol, percent

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

}  // namespace zorvan::mass
