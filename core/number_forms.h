// How numbers are written: the counts, weights and percentages a
// calculation shows, and the whole and fixed numbers of the mass tools.
//
// This is the one home of the fast forms (digit tables, writers that do not
// branch on a number's length): the rest of the code calls the functions
// below, and tests/cases/number_forms.txt holds their cases. Release builds
// are optimised across files, so that zorvan-batch and zorvan-ms inline
// them all the same.
#pragma once

#include <cstdint>
#include <type_traits>  // std::type_identity_t

namespace zorvan {

// Each form writes its characters at `out` and returns their end; `out` needs
// room for MaxNumberLen of them (the longest, a percentage near the float
// limit, takes 46), as a form may write past its end before it knows its
// length. The characters are ASCII, written as UTF-16 units for the windows
// or as bytes for the tools.
inline constexpr int MaxNumberLen = 72;

// Writes `value` as a 32-bit value is shown: at most 7 significant digits,
// no trailing zeros, scientific (1.677722E+07, 1E-05) when the decimal
// exponent of the rounded value is 7 or more or below -4, with
// `decimalPoint` as the point.
template <typename Char>
Char* PutGeneralNumber(Char* out, float value, std::type_identity_t<Char> decimalPoint = '.');

// Writes the general form with "." and without the zero before the point:
// 0.5 is ".5". Used for the counts of the composition formula.
template <typename Char>
Char* PutShortNumber(Char* out, float value);

// Writes the 7-character percentage field of a weight fraction: the fraction
// as a percentage with two decimals, right-aligned ("  5.00%", " 11.19%",
// "100.00%"). A longer percentage, possible only with negative atomic
// weights, is kept whole rather than cut.
template <typename Char>
Char* PutPercentField(Char* out, float fraction, std::type_identity_t<Char> decimalPoint = '.');

// Writes the same percentage without the spaces that pad it ("5.00%").
template <typename Char>
Char* PutPercentage(Char* out, float fraction, std::type_identity_t<Char> decimalPoint = '.');

// Return the numbers the forms show: the value of PutGeneralNumber's text,
// and the percentage of a weight fraction rounded to two decimals as
// PutPercentage writes it; for a reader that compares what a user sees.
double ShownGeneralNumber(float value);
double ShownPercent(float fraction);

// Writes a whole number in decimal, a "-" before a negative one.
template <typename Char>
Char* PutWholeNumber(Char* out, int64_t value);

// Writes `value` with `decimals` decimals (at most 6): `value` times
// 10^decimals, formed in double and rounded half away from zero, without a
// sign when that is 0; past 10^15 such units, the decimals of `value`'s
// exact binary value instead.
char* PutFixed(char* out, double value, int decimals);

// Writes a whole or half number, such as a degree of unsaturation ("4",
// "-0.5", "1.5").
char* PutHalves(char* out, double value);

}  // namespace zorvan
