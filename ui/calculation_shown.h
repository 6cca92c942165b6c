// What the main window shows after one calculation, as the tool windows
// that follow it receive it.
#pragma once

#include <QString>

#include "core/calculation.h"

namespace zorvan {

struct CalculationShown {
  QString Formula;    // the formula box's text that was calculated
  Calculation Value;  // its calculation: counts, parts, weight shares, notes and texts
};

}  // namespace zorvan
