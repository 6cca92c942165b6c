#include "amounts/units.h"

#include <charconv>  // std::from_chars, std::to_chars
#include <cmath>
#include <cstdlib>

#include "core/text.h"  // FromUtf8, ToUtf8

namespace zorvan::amounts {
namespace {

constexpr std::string_view Micro = "\u00B5";  // MICRO SIGN, as the units are written

constexpr Unit MassUnits[] = {{Dimension::Mass, 1, "g"}, {Dimension::Mass, 1e-3, "mg"}, {Dimension::Mass, 1e-6, "µg"}};
constexpr Unit AmountUnits[] = {{Dimension::Amount, 1, "mol"},
                                {Dimension::Amount, 1e-3, "mmol"},
                                {Dimension::Amount, 1e-6, "µmol"},
                                {Dimension::Amount, 1e-9, "nmol"}};
constexpr Unit VolumeUnits[] = {
    {Dimension::Volume, 1, "L"}, {Dimension::Volume, 1e-3, "mL"}, {Dimension::Volume, 1e-6, "µL"}};
constexpr Unit MolarityUnits[] = {{Dimension::Molarity, 1, "M"},
                                  {Dimension::Molarity, 1e-3, "mM"},
                                  {Dimension::Molarity, 1e-6, "µM"},
                                  {Dimension::Molarity, 1e-9, "nM"}};
constexpr Unit DensityUnits[] = {{Dimension::Density, 1, "g/mL"}};
constexpr Unit PercentUnits[] = {{Dimension::Percent, 1, "%"}};
// Equivalents and coefficients are plain numbers; "equiv" after one is allowed.
constexpr Unit RatioUnits[] = {{Dimension::Ratio, 1, ""}};

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view Blanks[] = {" ", "\t", "\u00A0", "\u3000"};
  for (bool again = true; again;) {
    again = false;
    for (const std::string_view blank : Blanks) {
      if (text.starts_with(blank)) text.remove_prefix(blank.size()), again = true;
      if (text.ends_with(blank)) text.remove_suffix(blank.size()), again = true;
    }
  }
  return text;
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

namespace {

// The unit symbol as the tables write it: "u" and GREEK SMALL LETTER MU
// become the micro sign, a lower-case "l" the litre's "L", mol/L "M", and
// the other ways of writing g/mL and equivalents their one form.
std::string Canonical(std::string_view symbol, Dimension dim) {
  std::string s(symbol);
  if (s.starts_with("u")) s.replace(0, 1, Micro);
  if (s.starts_with("\u03BC")) s.replace(0, 2, Micro);
  if (dim == Dimension::Volume && s.ends_with("l")) s.back() = 'L';
  if (dim == Dimension::Molarity && (s.ends_with("mol/L") || s.ends_with("mol/l"))) s.replace(s.size() - 5, 5, "M");
  if (dim == Dimension::Density && (s == "g/cm3" || s == "g/cm\u00B3" || s == "g/ml" || s == "kg/L")) s = "g/mL";
  if (dim == Dimension::Ratio && (s == "equiv" || s == "equiv." || s == "eq" || s == "eq." || s == "\u5F53\u91CF"))
    s.clear();  // 当量
  return s;
}

std::string Shortened(std::string_view text) {
  // Long enough to recognise the cell, short enough for a note; cut at a
  // character boundary.
  constexpr size_t Shown = 40;
  if (text.size() <= Shown) return std::string(text);
  size_t cut = Shown;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "\u2026";
}

std::string Quote(std::string_view text) {
  // A message is UTF-8 whatever was typed: invalid bytes show as U+FFFD.
  return "\u300C" + ToUtf8(FromUtf8(Shortened(text))) + "\u300D";  // 「...」
}

std::string UnitList(Dimension dim) {
  if (dim == Dimension::Ratio) return "\u5358\u4F4D\u306A\u3057";  // 単位なし
  std::string list;
  for (const Unit& unit : UnitsOf(dim)) list += (list.empty() ? "" : "\u3001") + std::string(unit.Symbol);
  return list;
}

// The length of the number at the start of `text`: digits with at most one
// point, then an exponent; 0 when it holds no digit.
size_t NumberLength(std::string_view text) {
  size_t i = 0, digits = 0;
  auto skipDigits = [&] {
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  };
  skipDigits();
  if (i < text.size() && text[i] == '.') ++i, skipDigits();
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    const size_t start = j;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
    if (j > start) i = j;
  }
  return i;
}

// The decimal exponent of `value` once rounded to `figures` significant
// figures, and the digits of that rounding.
int Rounded(double value, int figures, std::string* digits = nullptr) {
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, figures - 1).ptr;
  const std::string_view text(buf, static_cast<size_t>(end - buf));
  const size_t e = text.find('e');
  if (digits) {
    *digits = std::string(text.substr(0, 1));
    if (e > 2) *digits += text.substr(2, e - 2);
  }
  return std::atoi(std::string(text.substr(e + 1)).c_str());
}

}  // namespace

std::span<const Unit> UnitsOf(Dimension dim) {
  switch (dim) {
    case Dimension::Mass:
      return MassUnits;
    case Dimension::Amount:
      return AmountUnits;
    case Dimension::Volume:
      return VolumeUnits;
    case Dimension::Molarity:
      return MolarityUnits;
    case Dimension::Density:
      return DensityUnits;
    case Dimension::Percent:
      return PercentUnits;
    case Dimension::Ratio:
      break;
  }
  return RatioUnits;
}

const Unit* FindUnit(Dimension dim, std::string_view symbol) {
  const std::string canonical = Canonical(symbol, dim);
  for (const Unit& unit : UnitsOf(dim))
    if (unit.Symbol == canonical) return &unit;
  return nullptr;
}

std::string ParseQuantity(std::string_view text, const Unit& bare, Quantity& out) {
  const std::string_view cell = TrimBlanks(text);
  std::string_view rest = cell;
  if (rest.starts_with('+')) rest.remove_prefix(1);
  // 「...」は正の数ではありません / 数で始まっていません
  if (rest.starts_with('-')) return Quote(cell) + "\u306F\u6B63\u306E\u6570\u3067\u306F\u3042\u308A\u307E\u305B\u3093";
  const size_t length = NumberLength(rest);
  if (length == 0) return Quote(cell) + "\u306F\u6570\u3067\u59CB\u307E\u3063\u3066\u3044\u307E\u305B\u3093";
  double value = 0;
  const auto [end, ec] = std::from_chars(rest.data(), rest.data() + length, value);
  // 「...」は小さすぎます / 大きすぎます: from_chars tells neither by the value.
  if (ec == std::errc::result_out_of_range)
    return Quote(cell) + (rest.substr(0, length).find("e-") != std::string_view::npos ||
                                  rest.substr(0, length).find("E-") != std::string_view::npos
                              ? "\u306F\u5C0F\u3055\u3059\u304E\u307E\u3059"
                              : "\u306F\u5927\u304D\u3059\u304E\u307E\u3059");
  if (ec != std::errc() || !(value > 0) || !std::isfinite(value))
    return Quote(cell) + "\u306F\u6B63\u306E\u6570\u3067\u306F\u3042\u308A\u307E\u305B\u3093";
  const std::string_view symbol = TrimBlanks(rest.substr(length));
  const Unit* unit = symbol.empty() ? &bare : FindUnit(bare.Dim, symbol);
  // 「...」の単位「kg」は使えません (g、mg、µg)
  if (unit == nullptr)
    return Quote(cell) + "\u306E\u5358\u4F4D" + Quote(symbol) + "\u306F\u4F7F\u3048\u307E\u305B\u3093 (" +
           UnitList(bare.Dim) + ")";
  if (!std::isfinite(value * unit->Factor) || value * unit->Factor == 0)
    return Quote(cell) + "\u306F\u5927\u304D\u3059\u304E\u307E\u3059";
  out = Quantity{value, unit, std::string(rest.substr(0, length)), !symbol.empty()};
  return {};
}

std::string Significant(double value, int figures) {
  if (value == 0 || !std::isfinite(value)) return value == 0 ? "0" : "";
  if (value < 0) return "-" + Significant(-value, figures);
  std::string digits;
  const int exponent = Rounded(value, figures, &digits);
  const int n = static_cast<int>(digits.size());
  if (exponent >= n - 1) return digits + std::string(static_cast<size_t>(exponent - (n - 1)), '0');
  if (exponent >= 0) return digits.substr(0, size_t(exponent + 1)) + "." + digits.substr(size_t(exponent + 1));
  return "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
}

std::string SignificantTrimmed(double value, int figures) {
  std::string text = Significant(value, figures);
  if (text.find('.') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

const Unit& ChooseUnit(double base, Dimension dim, int figures) {
  const std::span<const Unit> units = UnitsOf(dim);
  for (const Unit& unit : units)
    if (base > 0 && Rounded(base / unit.Factor, figures) >= 0) return unit;
  return units.back();
}

std::string WithUnit(double base, Dimension dim, int figures, const Unit* unit) {
  const Unit& in = unit ? *unit : ChooseUnit(base, dim, figures);
  const std::string number = Significant(base / in.Factor, figures);
  return in.Symbol.empty() ? number : number + " " + std::string(in.Symbol);
}

std::string EquivText(double equiv) {
  if (equiv < 0.1) return SignificantTrimmed(equiv, 2);
  char buf[400];
  const auto end = std::to_chars(buf, buf + sizeof buf, equiv, std::chars_format::fixed, 1).ptr;
  return std::string(buf, end);
}

std::string General6(double value) {
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6).ptr;
  return std::string(buf, end);
}

}  // namespace zorvan::amounts
