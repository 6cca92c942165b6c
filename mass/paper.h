// The two lines of an experimental section: the high-resolution mass and the
// elemental analysis, as plain text and as HTML with sub- and superscripts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/calculation.h"
#include "mass/ion.h"
#include "mass/percent_text.h"

namespace zorvan::mass {

struct PaperLine {
  std::string Plain;  // UTF-8: ASCII but for the middle dot (U+00B7) of a solvate or salt
  std::string Html;   // counts in <sub>, the charge in <sup>
};

// A measured m/z further than this from the calculated one, in ppm of the
// calculated, is shown with a warning: the usual acceptance of a
// high-resolution mass is 5 ppm.
inline constexpr double FoundFarPpm = 10;
// Further than this it is a slip of the keyboard (17.10783 for 171.0783)
// rather than a measurement, and the HRMS line leaves it out.
inline constexpr double FoundRefusedPpm = 1000;

// Returns what is to be said of measured m/z `found` against `calculated`,
// in Japanese (UTF-8): that it lies more than FoundFarPpm away, that it was
// left out of the line, or "" when it fits.
std::string FoundNote(double calculated, double found);

// "HRMS (ESI) m/z: [M + Na]+ Calcd for C10H12NaO 171.0780; Found 171.0783."
// Without `found`, or with one more than FoundRefusedPpm from the ion's m/z,
// the line ends after the calculated m/z with ".".
PaperLine HrmsLine(const std::string& method, const IonSpec& ionSpec, const Ion& ion, std::optional<double> found);

// Symbol and percentage text as the main window's list shows it ("81.04").
using Percentages = std::vector<std::pair<std::string, std::string>>;

// Returns the percentages the main window lists for `c`, calculated with at
// least CalcDetail::Weight: every element that has one, without the "%".
Percentages ListedPercentages(const Calculation& c);

// The elements an elemental analysis reports, in the order papers give them:
// the Anal. line lists these and no others.
inline constexpr std::string_view AnalysisElements[] = {"C", "H", "N", "S"};

// Measured percentages sorted for the Anal. line against the `calculated`
// ones of the formula (ListedPercentages).
struct FoundAnalysis {
  Percentages Kept;                   // those the line lists, two decimals, in the order given
  std::vector<std::string> Absent;    // elements the formula does not hold
  std::vector<std::string> Unlisted;  // elements it holds that the line does not list
  std::vector<std::string> Beyond;    // kept, more than DefaultPercentTolerance points off
};
FoundAnalysis SortFound(const MeasuredPercent& measured, const Percentages& calculated);

// What is to be said of `found`, in Japanese (UTF-8), one note each: the
// elements left out of the line and why, those further off than the
// criterion ("0.4 を超える差: C").
std::vector<std::string> FoundNotes(const FoundAnalysis& found);

// "Anal. Calcd for C10H12O: C, 81.04; H, 8.16." over C, H, N and S in that
// order as far as `calculated` holds them; with `found`, "Found: C, 80.95;
// H, 8.20." follows. `formula` is the Hill formula, or the notation of a
// solvate or salt (PartsNotation).
PaperLine AnalysisLine(const std::string& formula, const Percentages& calculated, const Percentages& found);

// The title of a pattern's figure: "C6H4Br2, [M + H]+, R = 60 000", the
// molecule's Hill formula, the ion and `resolution` as given (which may be
// other than ASCII).
PaperLine FigureTitle(const std::string& hill, const IonSpec& ionSpec, const std::string& resolution);

}  // namespace zorvan::mass
