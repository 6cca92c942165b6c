#include "core/number_forms.h"

#include <algorithm>  // std::find
#include <array>
#include <charconv>  // std::to_chars
#include <cmath>

namespace zorvan {

namespace {

// Powers of ten from 10^0 to 10^12, each exact in a double.
constexpr double Pow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};

using detail::PutPair;
using detail::RoundToWhole;

template <typename Char>
Char* PutAscii(Char* out, const char* begin, const char* end, Char decimalPoint) {
  for (const char* p = begin; p != end; ++p) *out++ = *p == '.' ? decimalPoint : static_cast<Char>(*p);
  return out;
}

// Writes `whole` (0 or more) in decimal.
template <typename Char>
Char* PutWhole(Char* out, unsigned whole) {
  if (whole < 10) {  // most counts
    *out = static_cast<Char>('0' + whole);
    return out + 1;
  }
  int digits = 1;
  for (unsigned rest = whole; rest >= 10; rest /= 10) ++digits;
  Char* const end = out + digits;
  for (Char* p = end; p != out; whole /= 10) *--p = static_cast<Char>('0' + whole % 10);
  return end;
}

// A value rounded to 7 significant digits: the digits and the decimal
// exponent of the rounded value (9999999.5 has 1000000 and 7).
struct Rounded {
  bool negative = false;
  char digits[7] = {};
  int exponent = 0;
};

// Rounds any finite value through its scientific form: the rare values
// outside RoundExactly's range, kept out of the usual path.
[[gnu::cold, gnu::noinline]] Rounded RoundInScientific(float value) {
  char sci[32];
  char* sciEnd = std::to_chars(sci, sci + sizeof sci, static_cast<double>(value), std::chars_format::scientific, 6).ptr;
  // sci holds [-]d.dddddde[+-]xx
  char* e = std::find(sci, sciEnd, 'e');
  Rounded r;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), sciEnd, r.exponent);
  r.negative = sci[0] == '-';
  int count = 0;
  for (char* p = sci + r.negative; p != e; ++p)
    if (*p != '.') r.digits[count++] = *p;
  return r;
}

// Rounds a value of magnitude 10^-6 to below 10^7 with two multiplications
// instead: a float has 24 significant bits and 10^k = 2^k * 5^k with
// 5^12 < 2^28, so the magnitude times 10^k (k <= 12) is exact in a double,
// and rounding that to a whole number (ties to even) is the decimal
// rounding, as in the scientific form. Returns false for other values.
bool RoundExactly(float value, Rounded& r) {
  const double magnitude = std::fabs(static_cast<double>(value));
  if (!(magnitude < Pow10[7])) return false;  // also NaN
  int exponent = 0;
  if (magnitude >= 1) {
    // Counted, not searched for: weights of 2 and 3 whole digits alternate
    // with no pattern a branch could learn.
    for (int k = 1; k <= 6; ++k) exponent += magnitude >= Pow10[k];
  } else {
    while (exponent > -6 && magnitude * Pow10[-exponent] < 1) --exponent;
    if (magnitude * Pow10[-exponent] < 1) return false;
  }
  double scaled = RoundToWhole(magnitude * Pow10[6 - exponent]);
  if (scaled == Pow10[7]) {
    scaled = Pow10[6];
    ++exponent;
  }
  const auto whole = static_cast<unsigned>(scaled);
  r.digits[0] = static_cast<char>('0' + whole / 1000000);
  PutPair(r.digits + 1, whole / 10000 % 100);
  PutPair(r.digits + 3, whole / 100 % 100);
  PutPair(r.digits + 5, whole % 100);
  r.exponent = exponent;
  r.negative = value < 0;
  return true;
}

}  // namespace

template <typename Char>
Char* PutGeneralNumber(Char* out, float value, std::type_identity_t<Char> decimalPoint) {
  // Whole numbers below 10^7 are their own 7-digit form: the usual counts.
  if (value >= 0 && value < 1e7f && value == static_cast<float>(static_cast<int>(value)))
    return PutWhole(out, static_cast<unsigned>(value));
  // Round to 7 significant digits first; the exponent of the rounded value
  // decides the form (9999999.5 becomes 1E+07).
  Rounded r;
  if (!RoundExactly(value, r)) r = RoundInScientific(value);
  const int exponent = r.exponent;
  const bool scientific = exponent >= 7 || exponent < -4;

  // All 7 digits are written with the point among them; the zeros that end
  // the decimals are dropped afterwards, and the point when none is left.
  if (r.negative) *out++ = '-';
  Char* point = nullptr;  // none for 7 whole digits
  if (!scientific && exponent < 0) {
    *out++ = '0';
    point = out;
    *out++ = decimalPoint;
    for (int i = -1; i > exponent; --i) *out++ = '0';
  }
  const int intDigits = scientific ? 1 : exponent < 0 ? -1 : exponent + 1;  // -1: written above
  for (int i = 0; i < 7; ++i) {
    if (i == intDigits) {
      point = out;
      *out++ = decimalPoint;
    }
    *out++ = static_cast<Char>(r.digits[i]);
  }
  if (point) {
    while (out[-1] == '0') --out;
    if (out - 1 == point) --out;
  }
  if (!scientific) return out;
  *out++ = 'E';
  *out++ = exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) *out++ = '0';
  return PutWhole(out, static_cast<unsigned>(magnitude));
}

template <typename Char>
Char* detail::PutShortNumber(Char* out, float value) {
  Char* end = PutGeneralNumber(out, value, '.');
  // Counts are never negative, so a leading "0." is the only zero to drop.
  if (end - out >= 2 && out[0] == '0' && out[1] == '.') end = std::copy(out + 1, end, out);
  return end;
}

template <typename Char>
Char* detail::PutWidePercent(Char* out, float fraction, Char decimalPoint, bool padded) {
  const double hundredths = RoundToWhole(static_cast<double>(fraction) * 10000);
  char buf[64];
  char* end;
  if (hundredths >= 0 && hundredths < 1e15) {
    const auto whole = static_cast<long long>(hundredths);
    end = std::to_chars(buf, buf + sizeof buf, whole / 100).ptr;
    *end++ = '.';
    *end++ = static_cast<char>('0' + whole % 100 / 10);
    *end++ = static_cast<char>('0' + whole % 10);
  } else {
    end = std::to_chars(buf, buf + sizeof buf, static_cast<double>(fraction) * 100, std::chars_format::fixed, 2).ptr;
  }
  if (padded && end - buf < 6) out = std::fill_n(out, 6 - (end - buf), ' ');
  out = PutAscii<Char>(out, buf, end, decimalPoint);
  *out++ = '%';
  return out;
}

double ShownGeneralNumber(float value) {
  char text[MaxNumberLen];
  double shown = 0;
  std::from_chars(text, PutGeneralNumber(text, value, '.'), shown);
  return shown;
}

double ShownPercent(float fraction) { return RoundToWhole(static_cast<double>(fraction) * 10000) / 100; }

template char16_t* PutGeneralNumber(char16_t*, float, char16_t);
template char* PutGeneralNumber(char*, float, char);
template char16_t* detail::PutShortNumber(char16_t*, float);
template char* detail::PutShortNumber(char*, float);
template char16_t* detail::PutWidePercent(char16_t*, float, char16_t, bool);
template char* detail::PutWidePercent(char*, float, char, bool);

}  // namespace zorvan
