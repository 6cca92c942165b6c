// How counts, weights and percentages are written.
#pragma once

#include <type_traits>  // std::type_identity_t

#include "core/text.h"

namespace zorvan {

// Each form writes its characters at `out` and returns their end; `out` needs
// room for MaxNumberLen of them (the longest, a percentage near the float
// limit, takes 46). The characters are ASCII, written as UTF-16 units for
// the windows or as bytes for zorvan-batch.
inline constexpr int MaxNumberLen = 72;

// Writes `value` as a 32-bit value is shown: at most 7 significant digits,
// no trailing zeros, scientific (1.677722E+07, 1E-05) when the decimal
// exponent of the rounded value is 7 or more or below -4, with
// `decimalPoint` as the point.
template <typename Char>
Char* PutGeneralNumber(Char* out, float value, std::type_identity_t<Char> decimalPoint = '.');

namespace detail {
template <typename Char>
Char* PutShortNumber(Char* out, float value);
}  // namespace detail

// Writes the general form with "." and without the zero before the point:
// 0.5 is ".5". Used for the counts of the composition formula.
template <typename Char>
Char* PutShortNumber(Char* out, float value) {
  // Most counts are a single digit, their own form: written here without a call.
  if (value >= 1 && value <= 9 && value == static_cast<float>(static_cast<int>(value))) {
    *out = static_cast<Char>('0' + static_cast<int>(value));
    return out + 1;
  }
  return detail::PutShortNumber(out, value);
}

// Writes the 7-character percentage field of a weight fraction: the fraction
// as a percentage with two decimals, right-aligned ("  5.00%", " 11.19%",
// "100.00%"). A longer percentage, possible only with negative atomic weights,
// is kept whole rather than cut.
template <typename Char>
Char* PutPercentField(Char* out, float fraction, std::type_identity_t<Char> decimalPoint = '.');

// Writes the same percentage without the spaces that pad it ("5.00%").
template <typename Char>
Char* PutPercentage(Char* out, float fraction, std::type_identity_t<Char> decimalPoint = '.');

}  // namespace zorvan
