#include "mass/parts.h"

#include <charconv>  // std::from_chars, std::to_chars

namespace zorvan::mass {
namespace {

constexpr std::string_view MiddleDot = "\xC2\xB7";  // U+00B7 MIDDLE DOT

bool CountChar(char16_t c) { return IsAsciiDigit(c) || c == u'.'; }

// Reads the count at the start of `part` ("0.25" of "0.25H2O") into `value`;
// 1 when none is written. Returns false when it is not a number.
bool ReadCount(std::u16string_view part, size_t& length, double& value) {
  std::string digits;
  for (length = 0; length < part.size() && CountChar(part[length]); ++length) digits += static_cast<char>(part[length]);
  value = 1;
  if (digits.empty()) return true;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() && end == digits.data() + digits.size();
}

}  // namespace

FormulaParts SplitParts(std::u16string_view formula) {
  FormulaParts parts{formula, {}};
  std::vector<size_t> stars;
  int depth = 0;
  for (size_t i = 0; i < formula.size(); ++i) {
    if (formula[i] == u'(') ++depth;
    // A ")" at the outer level ends the parse, or closes a "*" level: not
    // the simple joining of parts.
    if (formula[i] == u')' && depth-- == 0) return parts;
    if (formula[i] == u'*' && depth == 0) stars.push_back(i);
  }
  if (stars.empty() || stars.front() == 0) return parts;
  std::vector<FurtherPart> rest;
  double product = 1;
  for (size_t k = 0; k < stars.size(); ++k) {
    const size_t end = k + 1 < stars.size() ? stars[k + 1] : formula.size();
    const std::u16string_view part = formula.substr(stars[k] + 1, end - stars[k] - 1);
    size_t length = 0;
    double count = 1;
    if (!ReadCount(part, length, count) || length == part.size()) return parts;
    FurtherPart& further = rest.emplace_back();
    further.Formula = part.substr(length);
    if (product == 1) {
      for (size_t i = 0; i < length; ++i) further.Count += static_cast<char>(part[i]);
    } else if (product * count != 1) {
      char buf[32];
      further.Count.assign(buf,
                           std::to_chars(buf, buf + sizeof buf, product * count, std::chars_format::general, 6).ptr);
    }
    product *= count;
  }
  parts.First = formula.substr(0, stars.front());
  parts.Rest = std::move(rest);
  return parts;
}

bool CalculateFirstPart(FormulaEngine& engine, std::u16string_view formula, bool replaceGroups, Calculation& result) {
  const FormulaParts parts = SplitParts(formula);
  if (parts.Rest.empty()) return false;
  engine.Calculate(parts.First, {.ReplaceGroups = replaceGroups, .Detail = CalcDetail::Counts, .Parts = false}, result);
  return true;
}

std::string PartsNotation(const std::string& firstHill, const FormulaParts& parts) {
  std::string notation = firstHill;
  for (const FurtherPart& part : parts.Rest) {
    notation += MiddleDot;
    notation += part.Count;
    AppendUtf8(notation, part.Formula);
  }
  return notation;
}

std::string LeftOutNote(const FormulaParts& parts) {
  std::string leftOut;
  for (const FurtherPart& part : parts.Rest) {
    leftOut += (leftOut.empty() ? "" : ", ") + part.Count;
    AppendUtf8(leftOut, part.Formula);
  }
  return "* の前の部分の質量です (溶媒和・塩の " + leftOut + " を除いています)";
}

}  // namespace zorvan::mass
