// Quantities with units as a chemist writes them ("1.00 g", "250 mg",
// "101.7 µL", "1.6 M", "98 %"), read into doubles and written back rounded
// to significant figures. Values are held in the base unit of their
// dimension (g, mol, L, mol/L, g/mL, percent); only display rounds.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace zorvan::amounts {

enum class Dimension { Mass, Amount, Volume, Molarity, Density, Percent, Ratio };

struct Unit {
  Dimension Dim;
  double Factor;            // base units per unit: mg is 1e-3 g
  std::string_view Symbol;  // as written, UTF-8 ("µL")
};

// How many significant figures amounts are shown with unless the user
// chooses otherwise: as amounts are written in a paper ("1.00 g", "5.35 mmol").
inline constexpr int DefaultFigures = 3;
// The range a user may choose from.
inline constexpr int MinFigures = 2, MaxFigures = 6;

// Returns `text` without the blanks around it: ASCII spaces and tabs,
// NO-BREAK SPACE and IDEOGRAPHIC SPACE, as pasted from documents.
std::string_view TrimBlanks(std::string_view text);
// Returns `text` with its ASCII capitals in lower case, for names read in any case.
std::string AsciiLower(std::string_view text);

// The units of `dim` in which amounts are written, largest first (g, mg, µg).
std::span<const Unit> UnitsOf(Dimension dim);
// The unit of `dim` called `symbol`, or null.
const Unit* FindUnit(Dimension dim, std::string_view symbol);

// A number read from a cell, with the unit written after it or, when none
// was, the cell's bare unit.
struct Quantity {
  double Value = 0;          // in `In`
  const Unit* In = nullptr;  // never null after a successful read
  std::string Number;        // the digits as written ("1.00"), for echoing them
  bool UnitWritten = false;  // false when `In` is the bare unit
  double Base() const { return Value * In->Factor; }
};

// Reads `text` ("1.00 g", "250mg", "101.7 uL", "98%", " 1.6 M ") as a
// positive finite number of dimension `bare.Dim`, followed by one of its
// units or by none (then `bare`). "u" and the Greek mu stand for the micro
// sign, "l" for "L" and "mol/L" for "M". Returns an empty string, or why the text is no such quantity (in
// Japanese).
std::string ParseQuantity(std::string_view text, const Unit& bare, Quantity& out);

// Writes `value` rounded to `figures` significant figures, trailing zeros
// kept ("1.00", "0.800", "1480"), never in exponent form; "." as the point.
std::string Significant(double value, int figures);
// The same without trailing zeros after the point ("1.6", "0.05", "2").
std::string SignificantTrimmed(double value, int figures);
// Returns the unit of `dim` that `base` is written in: the largest one in
// which its rounded value is at least 1, else the smallest.
const Unit& ChooseUnit(double base, Dimension dim, int figures);
// "5.35 mmol": `base` in the unit ChooseUnit picks, or in `unit` when given.
std::string WithUnit(double base, Dimension dim, int figures, const Unit* unit = nullptr);
// Equivalents as papers write them: one decimal ("1.0", "1.2"), or two
// significant figures below 0.1 ("0.05", "0.025").
std::string EquivText(double equiv);
// A value of 6 significant figures as printf's %.6g writes it: the
// machine-readable columns of zorvan-reagents.
std::string General6(double value);

}  // namespace zorvan::amounts
