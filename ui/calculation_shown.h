// What the main window shows after one calculation, as the tool windows
// that follow it receive it.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "core/formula_parser.h"  // AtomCounts

namespace zorvan {

struct CalculationShown {
  QString Formula;           // the formula box's text that was calculated
  bool Ok = false;           // false after "Error!"
  AtomCounts Counts{};       // after group replacement, hydrates included; zero unless Ok
  QStringList PercentLines;  // List1's lines as shown: symbol, a tab, the percentage field
  QString Notes;             // the composition box's tooltip: the cause of an error, cautions
  // Of a solvate or salt ("C20H26O6*0.25H2O"), the counts of the part before
  // the first "*" (mass::CalculateFirstPart), the molecule the masses are of.
  std::optional<AtomCounts> FirstPart;
};

// What was measured of a compound, as typed: it goes with the compound's
// formula from the finder to the mass window.
struct MeasuredValues {
  QString Ion;      // the ion notation
  QString Mz;       // the measured m/z
  QString Percent;  // the measured weight percents, "C=65.20, H=6.30"
};

}  // namespace zorvan
