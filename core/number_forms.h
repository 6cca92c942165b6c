// How counts, weights and percentages are written.
#pragma once

#include <array>
#include <cmath>        // std::nearbyint
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

// The two digits of each number below 100.
inline constexpr auto DigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// Writes the two digits of `n` (below 100).
template <typename Char>
void PutPair(Char* out, unsigned n) {
  out[0] = static_cast<Char>(DigitPairs[2 * n]);
  out[1] = static_cast<Char>(DigitPairs[2 * n + 1]);
}

// Rounds `x` to a whole number, ties to even, as std::nearbyint does, but
// for 0 < x < 2^52 without a library call: x + 2^52 keeps no bits below the
// units, so the addition rounds, and taking 2^52 away again is exact.
inline double RoundToWhole(double x) { return x > 0 && x < 0x1p52 ? (x + 0x1p52) - 0x1p52 : std::nearbyint(x); }

// A percentage of 1000 or more, or below 0: possible only with zero or
// negative atomic weights. Kept apart (cold: never inlined), so that the
// usual path stays small enough to be inlined itself.
template <typename Char>
[[gnu::cold, gnu::noinline]] Char* PutWidePercent(Char* out, float fraction, Char decimalPoint, bool padded);

// The percentage of a weight fraction with two decimals, padded on the left
// to the 7-character field or not. The usual field is written here, where a
// caller writing many can inline it.
template <typename Char>
Char* PutPercent(Char* out, float fraction, Char decimalPoint, bool padded) {
  // A float times 10000 is exact in a double, so rounding it to a whole
  // number of hundredths (ties to even) is the two-decimal rounding. Below
  // 99999.5 it rounds to 0.00 to 999.99: "ddd.dd%" with spaces for leading
  // zeros; and there it rounds by adding and taking away 2^52, with no call.
  const double scaled = static_cast<double>(fraction) * 10000;
  if (!(scaled >= 0 && scaled < 99999.5)) return PutWidePercent(out, fraction, decimalPoint, padded);
  const auto whole = static_cast<unsigned>((scaled + 0x1p52) - 0x1p52);
  const unsigned units = whole / 100;
  // A leading place is written, then kept by moving past it or dropped by
  // writing over it: one to three digits, in an order no branch has to guess.
  *out = units >= 100 ? static_cast<Char>('0' + units / 100) : ' ';
  out += padded || units >= 100;
  const auto tens = static_cast<Char>(DigitPairs[2 * (units % 100)]);  // read either way
  *out = units >= 10 ? tens : ' ';
  out += padded || units >= 10;
  *out++ = static_cast<Char>('0' + units % 10);
  *out++ = decimalPoint;
  PutPair(out, whole % 100);
  out[2] = '%';
  return out + 3;
}

}  // namespace detail

namespace detail {
template <typename Char>
Char* PutShortNumber(Char* out, float value);
}  // namespace detail

// Writes the general form with "." and without the zero before the point:
// 0.5 is ".5". Used for the counts of the composition formula.
template <typename Char>
Char* PutShortNumber(Char* out, float value) {
  // Nearly all counts are whole numbers of one or two digits, their own
  // form: written here without a call, and without a branch on the number
  // of digits (H2, C12).
  if (value >= 1 && value < 100 && value == static_cast<float>(static_cast<int>(value))) {
    const int n = static_cast<int>(value);
    const bool two = n >= 10;
    const auto tens = static_cast<Char>(detail::DigitPairs[2 * n]);  // read either way
    out[0] = two ? tens : static_cast<Char>('0' + n);
    out[1] = static_cast<Char>(detail::DigitPairs[2 * n + 1]);
    return out + 1 + two;
  }
  return detail::PutShortNumber(out, value);
}

// Writes the 7-character percentage field of a weight fraction: the fraction
// as a percentage with two decimals, right-aligned ("  5.00%", " 11.19%",
// "100.00%"). A longer percentage, possible only with negative atomic weights,
// is kept whole rather than cut.
template <typename Char>
Char* PutPercentField(Char* out, float fraction, std::type_identity_t<Char> decimalPoint = '.') {
  return detail::PutPercent<Char>(out, fraction, decimalPoint, true);
}

// Writes the same percentage without the spaces that pad it ("5.00%").
template <typename Char>
Char* PutPercentage(Char* out, float fraction, std::type_identity_t<Char> decimalPoint = '.') {
  return detail::PutPercent<Char>(out, fraction, decimalPoint, false);
}

// Return the numbers the forms show: the value of PutGeneralNumber's text,
// and the percentage of a weight fraction rounded to two decimals as
// PutPercentage writes it; for a reader that compares what a user sees.
double ShownGeneralNumber(float value);
double ShownPercent(float fraction);

}  // namespace zorvan
