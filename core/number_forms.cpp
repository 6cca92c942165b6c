#include "core/number_forms.h"

#include <algorithm>  // std::find
#include <charconv>   // std::to_chars
#include <cmath>

namespace zorvan {

namespace {

void AppendAscii(Text& out, const char* begin, const char* end, char16_t decimalPoint) {
  for (const char* p = begin; p != end; ++p)
    out.push_back(*p == '.' ? decimalPoint : static_cast<char16_t>(*p));
}

}  // namespace

void AppendGeneralNumber(Text& text, float value, char16_t decimalPoint) {
  // Whole numbers below 10^7 are their own 7-digit form: the usual counts.
  if (value >= 0 && value < 1e7f && value == static_cast<float>(static_cast<int>(value))) {
    char buf[8];
    char* end = std::to_chars(buf, buf + sizeof buf, static_cast<int>(value)).ptr;
    AppendAscii(text, buf, end, decimalPoint);
    return;
  }
  // Round to 7 significant digits first; the exponent of the rounded value
  // decides the form (9999999.5 becomes 1E+07).
  char sci[32];
  char* sciEnd = std::to_chars(sci, sci + sizeof sci, static_cast<double>(value),
                               std::chars_format::scientific, 6)
                     .ptr;
  // sci holds [-]d.dddddde[+-]xx
  char* e = std::find(sci, sciEnd, 'e');
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), sciEnd, exponent);
  bool negative = sci[0] == '-';
  char digits[8];  // the significant digits, trailing zeros dropped
  int count = 0;
  for (char* p = sci + negative; p != e; ++p)
    if (*p != '.') digits[count++] = *p;
  while (count > 1 && digits[count - 1] == '0') --count;

  char out[32];
  char* o = out;
  if (negative) *o++ = '-';
  if (exponent >= 7 || exponent < -4) {
    *o++ = digits[0];
    if (count > 1) {
      *o++ = '.';
      o = std::copy(digits + 1, digits + count, o);
    }
    *o++ = 'E';
    *o++ = exponent < 0 ? '-' : '+';
    int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) *o++ = '0';
    o = std::to_chars(o, out + sizeof out, magnitude).ptr;
  } else if (exponent < 0) {
    *o++ = '0';
    *o++ = '.';
    o = std::fill_n(o, -exponent - 1, '0');
    o = std::copy(digits, digits + count, o);
  } else {
    int intDigits = exponent + 1;
    for (int i = 0; i < intDigits; ++i) *o++ = i < count ? digits[i] : '0';
    if (count > intDigits) {
      *o++ = '.';
      o = std::copy(digits + intDigits, digits + count, o);
    }
  }
  AppendAscii(text, out, o, decimalPoint);
}

void AppendShortNumber(Text& out, float value) {
  const size_t start = out.size();
  AppendGeneralNumber(out, value, u'.');
  std::u16string_view number = std::u16string_view(out).substr(start);
  // Counts are never negative, so a leading "0." is the only zero to drop.
  if (number.starts_with(u"0.")) out.erase(start, 1);
}

void AppendPercentField(Text& text, float fraction, char16_t decimalPoint) {
  char buf[64];
  char* end;
  // A float times 10000 is exact in a double, so rounding it to a whole
  // number of hundredths (ties to even) is the two-decimal rounding.
  const double hundredths = std::nearbyint(static_cast<double>(fraction) * 10000);
  if (hundredths >= 0 && hundredths < 1e15) {
    const auto whole = static_cast<long long>(hundredths);
    end = std::to_chars(buf, buf + sizeof buf, whole / 100).ptr;
    *end++ = '.';
    *end++ = static_cast<char>('0' + whole % 100 / 10);
    *end++ = static_cast<char>('0' + whole % 10);
  } else {
    end = std::to_chars(buf, buf + sizeof buf, static_cast<double>(fraction) * 100,
                        std::chars_format::fixed, 2)
              .ptr;
  }
  if (end - buf < 6) text.append(static_cast<size_t>(6 - (end - buf)), Space);
  AppendAscii(text, buf, end, decimalPoint);
  text.push_back(u'%');
}

}  // namespace zorvan
