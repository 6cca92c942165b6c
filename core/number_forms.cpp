#include "core/number_forms.h"

#include <algorithm>  // std::find, std::fill_n
#include <array>
#include <bit>       // std::endian
#include <charconv>  // std::to_chars, std::from_chars
#include <cmath>
#include <cstring>  // std::memcpy

namespace zorvan {

namespace {

// Powers of ten from 10^0 to 10^12, each exact in a double.
constexpr double Pow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};

// The two digits of each number below 100.
constexpr auto DigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// The digits of 0 to 999, a word each: the digits from the lowest byte up,
// as a little-endian store writes them, and their number in the highest.
// Counts, masses and percentages are nearly all below 1000, with one, two
// or three digits in no pattern that a branch on the length would predict:
// their word is stored whole and the end moves on by the number of digits.
constexpr std::array<uint32_t, 1000> SmallNumbers = [] {
  std::array<uint32_t, 1000> words{};
  for (uint32_t n = 0; n < 1000; ++n) {
    const uint32_t digits = 1 + (n >= 10) + (n >= 100);
    uint32_t word = digits << 24;
    for (uint32_t k = 0, v = n; k < digits; ++k, v /= 10) word |= ('0' + v % 10) << (8 * (digits - 1 - k));
    words[n] = word;
  }
  return words;
}();

// Writes the two digits of `n` (below 100).
template <typename Char>
void PutPair(Char* out, unsigned n) {
  out[0] = static_cast<Char>(DigitPairs[2 * n]);
  out[1] = static_cast<Char>(DigitPairs[2 * n + 1]);
}

// Writes the digits of a SmallNumbers word; 4 places must be free.
template <typename Char>
Char* PutSmall(Char* out, uint32_t word) {
  if constexpr (sizeof(Char) == 1 && std::endian::native == std::endian::little) {
    // The highest byte lands past the digits, in the room asked for.
    std::memcpy(out, &word, sizeof word);
  } else {
    out[0] = static_cast<Char>(word & 0xFF);
    out[1] = static_cast<Char>(word >> 8 & 0xFF);
    out[2] = static_cast<Char>(word >> 16 & 0xFF);
  }
  return out + (word >> 24);
}

// Rounds `x` to a whole number, ties to even, as std::nearbyint does, but
// for 0 <= x < 2^52 without a library call: x + 2^52 keeps no bits below the
// units, so the addition rounds, and taking 2^52 away again is exact.
double RoundToWhole(double x) { return x >= 0 && x < 0x1p52 ? (x + 0x1p52) - 0x1p52 : std::nearbyint(x); }

template <typename Char>
Char* PutAscii(Char* out, const char* begin, const char* end, Char decimalPoint) {
  for (const char* p = begin; p != end; ++p) *out++ = *p == '.' ? decimalPoint : static_cast<Char>(*p);
  return out;
}

// Writes a number of 4 or more digits, or a negative one.
template <typename Char>
[[gnu::noinline]] Char* PutLongWholeNumber(Char* out, int64_t value) {
  uint64_t v = static_cast<uint64_t>(value);
  if (value < 0) {
    *out++ = '-';
    v = 0 - v;
  }
  int digits = 1;
  for (uint64_t limit = 10; digits < 20 && v >= limit; limit *= 10) ++digits;
  Char* const end = out + digits;
  Char* p = end;
  for (; v >= 100; v /= 100) PutPair(p -= 2, static_cast<unsigned>(v % 100));
  if (v >= 10)
    PutPair(p - 2, static_cast<unsigned>(v));
  else
    p[-1] = static_cast<Char>('0' + v);
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

// A percentage of 1000 or more, or below 0: possible only with zero or
// negative atomic weights. Kept apart (cold: never inlined), so that the
// usual path stays small enough to be inlined itself.
template <typename Char>
[[gnu::cold, gnu::noinline]] Char* PutWidePercent(Char* out, float fraction, Char decimalPoint, bool padded) {
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

// The percentage of a weight fraction with two decimals, padded on the left
// to the 7-character field or not.
template <typename Char>
Char* PutPercent(Char* out, float fraction, Char decimalPoint, bool padded) {
  // A float times 10000 is exact in a double, so rounding it to a whole
  // number of hundredths (ties to even) is the two-decimal rounding. Below
  // 99999.5 it rounds to 0.00 to 999.99: "ddd.dd%", with spaces for leading
  // zeros when padded.
  const double scaled = static_cast<double>(fraction) * 10000;
  if (!(scaled >= 0 && scaled < 99999.5)) return PutWidePercent(out, fraction, decimalPoint, padded);
  const auto whole = static_cast<unsigned>((scaled + 0x1p52) - 0x1p52);
  const uint32_t units = SmallNumbers[whole / 100];
  if (padded) {
    // The units end in the third place; the spaces before them are
    // written over by the digits where there are any.
    out[0] = out[1] = ' ';
    out += 3 - (units >> 24);
  }
  out = PutSmall(out, units);
  *out++ = decimalPoint;
  PutPair(out, whole % 100);
  out[2] = '%';
  return out + 3;
}

}  // namespace

template <typename Char>
Char* PutWholeNumber(Char* out, int64_t value) {
  if (static_cast<uint64_t>(value) < SmallNumbers.size()) return PutSmall(out, SmallNumbers[value]);
  return PutLongWholeNumber(out, value);
}

template <typename Char>
Char* PutGeneralNumber(Char* out, float value, std::type_identity_t<Char> decimalPoint) {
  // Whole numbers below 10^7 are their own 7-digit form: the usual counts.
  if (value >= 0 && value < 1e7f && value == static_cast<float>(static_cast<int>(value)))
    return PutWholeNumber(out, static_cast<int>(value));
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
  return PutWholeNumber(out, magnitude);
}

template <typename Char>
Char* PutShortNumber(Char* out, float value) {
  // Nearly all counts are whole numbers below 1000, their own form: written
  // from their word, without a branch on the number of digits (H2, C12).
  if (value >= 1 && value < 1000 && value == static_cast<float>(static_cast<int>(value)))
    return PutSmall(out, SmallNumbers[static_cast<int>(value)]);
  Char* end = PutGeneralNumber(out, value, '.');
  // Counts are never negative, so a leading "0." is the only zero to drop.
  if (end - out >= 2 && out[0] == '0' && out[1] == '.') end = std::copy(out + 1, end, out);
  return end;
}

template <typename Char>
Char* PutPercentField(Char* out, float fraction, std::type_identity_t<Char> decimalPoint) {
  return PutPercent<Char>(out, fraction, decimalPoint, true);
}

template <typename Char>
Char* PutPercentage(Char* out, float fraction, std::type_identity_t<Char> decimalPoint) {
  return PutPercent<Char>(out, fraction, decimalPoint, false);
}

double ShownGeneralNumber(float value) {
  char text[MaxNumberLen];
  double shown = 0;
  std::from_chars(text, PutGeneralNumber(text, value, '.'), shown);
  return shown;
}

double ShownPercent(float fraction) { return RoundToWhole(static_cast<double>(fraction) * 10000) / 100; }

char* PutFixed(char* out, double value, int decimals) {
  const double scaled = value * Pow10[decimals];
  // Below 10^15 the rounded units are exact in an integer, which prints
  // faster than a general conversion: masses are far below that.
  if (!(std::fabs(scaled) < 1e15))
    return std::to_chars(out, out + MaxNumberLen, value, std::chars_format::fixed, decimals).ptr;
  auto units = static_cast<int64_t>(scaled + (scaled < 0 ? -0.5 : 0.5));
  if (units < 0) {
    *out++ = '-';
    units = -units;
  }
  const auto scale = static_cast<int64_t>(Pow10[decimals]);
  out = PutWholeNumber(out, units / scale);
  if (decimals == 0) return out;
  *out++ = '.';
  // The decimals as a number of `decimals` digits, leading zeros kept,
  // written two at a time from the last.
  auto rest = static_cast<unsigned>(units % scale);
  int i = decimals;
  for (; i >= 2; i -= 2, rest /= 100) PutPair(out + i - 2, rest % 100);
  if (i == 1) out[0] = static_cast<char>('0' + rest);
  return out + decimals;
}

char* PutHalves(char* out, double value) {
  const auto halves = static_cast<int64_t>(value * 2);
  if (halves < 0) *out++ = '-';
  const int64_t magnitude = halves < 0 ? -halves : halves;
  out = PutWholeNumber(out, magnitude / 2);
  // ".5" is written always and kept only for an odd number of halves: half
  // the degrees of unsaturation have one, in no pattern that a branch would
  // predict.
  std::memcpy(out, ".5", 2);
  return out + 2 * (magnitude % 2);
}

template char16_t* PutGeneralNumber(char16_t*, float, char16_t);
template char* PutGeneralNumber(char*, float, char);
template char16_t* PutShortNumber(char16_t*, float);
template char* PutShortNumber(char*, float);
template char16_t* PutPercentField(char16_t*, float, char16_t);
template char* PutPercentField(char*, float, char);
template char16_t* PutPercentage(char16_t*, float, char16_t);
template char* PutPercentage(char*, float, char);
template char16_t* PutWholeNumber(char16_t*, int64_t);
template char* PutWholeNumber(char*, int64_t);

}  // namespace zorvan
