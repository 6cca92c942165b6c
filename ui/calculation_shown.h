// What the main window shows after one calculation, as the tool windows
// that follow it receive it.
#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "core/calculation.h"

namespace zorvan {

struct CalculationShown {
  QString Formula;    // the formula box's text that was calculated
  Calculation Value;  // its calculation: counts, parts, weight shares, notes and texts
  // Of a solvate or salt ("C20H26O6*0.25H2O"), the calculation of the part
  // before the first "*" (mass::CalculateFirstPart), the molecule the
  // masses are of.
  std::optional<Calculation> FirstPart;
  QString Name;  // the substance's name when the formula came from the name search
};

// What was measured of a compound, as typed: it goes with the compound's
// formula from the finder to the mass window.
struct MeasuredValues {
  QString Ion;      // the ion notation
  QString Mz;       // the measured m/z
  QString Percent;  // the measured weight percents, "C=65.20, H=6.30"
  // The measured peaks (m/z, intensity) the row was ordered by; none when
  // it was ordered by mass.
  std::vector<std::pair<double, double>> Peaks;
  double ResolvingPower = 0;  // that the peaks were measured at; 0 without peaks
};

}  // namespace zorvan
