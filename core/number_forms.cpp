#include "number_forms.h"

#include <algorithm>  // std::find
#include <charconv>   // std::to_chars

namespace zorvan {

namespace {

void AppendAscii(Text& out, const char* begin, const char* end, char16_t decimalPoint) {
  for (const char* p = begin; p != end; ++p)
    out.push_back(*p == '.' ? decimalPoint : static_cast<char16_t>(*p));
}

}  // namespace

Text GeneralNumber(float value, char16_t decimalPoint) {
  if (value == 0) return u"0";
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
  Text text;
  AppendAscii(text, out, o, decimalPoint);
  return text;
}

Text ShortNumber(float value) {
  Text text = GeneralNumber(value, u'.');
  if (text.starts_with(u"0.")) text.erase(0, 1);
  else if (text.starts_with(u"-0.")) text.erase(1, 1);
  return text;
}

Text PercentField(float fraction, char16_t decimalPoint) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(fraction) * 100,
                         std::chars_format::fixed, 2);
  Text text;
  if (r.ptr - buf < 6) text.append(static_cast<size_t>(6 - (r.ptr - buf)), Space);
  AppendAscii(text, buf, r.ptr, decimalPoint);
  text.push_back(u'%');
  return text;
}

}  // namespace zorvan
