// A formula written in parts joined by "*", as a chemist writes a solvate or
// a salt for an elemental analysis ("C20H26O6*0.25H2O", "C10H12N2O*HCl",
// "CuSO4*5H2O"). The percentages are those of the whole formula; the masses,
// ions and patterns those of the part before the first "*", the molecule a
// mass spectrometer sees.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/calculation.h"

namespace zorvan::mass {

struct FurtherPart {
  // The count in front of the part as typed, or, after an earlier part
  // with a count (the "*" levels nest: "CaCl2*2H2O*3NH3" holds 6 NH3), the
  // product of them all; empty for 1.
  std::string Count;
  std::u16string_view Formula;  // the rest of the part, as typed
};

struct FormulaParts {
  std::u16string_view First;  // the text before the first "*"
  // The parts after each "*"; empty for a formula of one part, and for one
  // whose "*" do not simply join parts ("(CuSO4*5H2O)2", "CuSO4*5"), which
  // is then taken whole.
  std::vector<FurtherPart> Rest;
};

// Splits `formula` at its "*" outside parentheses.
FormulaParts SplitParts(std::u16string_view formula);

// Calculates the part of `formula` before its first "*" into `result` with
// `engine`, counts only, when SplitParts finds further parts; returns false,
// calculating nothing, when there are none.
bool CalculateFirstPart(FormulaEngine& engine, std::u16string_view formula, bool replaceGroups, Calculation& result);

// "C20H26O6·0.25H2O": `firstHill`, then each further part, its count and its
// formula, joined by a middle dot (U+00B7); UTF-8.
std::string PartsNotation(const std::string& firstHill, const FormulaParts& parts);

// Says, in Japanese (UTF-8), that the masses are those of the first part and
// which parts were left out.
std::string LeftOutNote(const FormulaParts& parts);

}  // namespace zorvan::mass
