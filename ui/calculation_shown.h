// What the main window shows after one calculation, as the tool windows
// that follow it receive it.
#pragma once

#include <QString>
#include <QStringList>

#include "core/formula_parser.h"  // AtomCounts

namespace zorvan {

struct CalculationShown {
  QString Formula;           // the formula box's text that was calculated
  bool Ok = false;           // false after "Error!"
  AtomCounts Counts{};       // after group replacement, hydrates included; zero unless Ok
  QStringList PercentLines;  // List1's lines as shown: symbol, a tab, the percentage field
  QString Notes;             // the composition box's tooltip: the cause of an error, cautions
  QString Name;              // the substance's name when the formula came from the name search
};

}  // namespace zorvan
