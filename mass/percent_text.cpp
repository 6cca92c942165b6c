#include "mass/percent_text.h"

#include <algorithm>
#include <charconv>  // std::from_chars, std::to_chars
#include <cmath>     // std::isfinite, std::floor
#include <cstdint>

#include "core/text.h"

namespace zorvan::mass {
namespace {

bool Separator(char c) { return c == ' ' || c == ',' || c == ';' || c == '\t'; }

}  // namespace

std::string ParsePercentages(std::string_view text, MeasuredPercent& percent) {
  percent.clear();
  size_t at = 0;
  auto skip = [&](auto&& test) {
    while (at < text.size() && test(text[at])) ++at;
  };
  for (skip(Separator); at < text.size(); skip(Separator)) {
    const size_t start = at;
    if (!IsAsciiUpper(text[at])) {
      // 元素記号がありません
      return "\xE5\x85\x83\xE7\xB4\xA0\xE8\xA8\x98\xE5\x8F\xB7\xE3\x81\x8C\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE\xE3\x81"
             "\x9B\xE3\x82\x93: " +
             std::string(text.substr(at, text.find_first_of(" ,;\t", at) - at));
    }
    ++at;
    if (at < text.size() && IsAsciiLower(text[at])) ++at;
    std::string symbol(text.substr(start, at - start));
    skip([](char c) { return c == ' ' || c == '=' || c == ':'; });
    double value = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (error != std::errc() || !(value >= 0 && value <= 100)) {
      // の値は 0 から 100 の数で書いてください
      return symbol +
             " \xE3\x81\xAE\xE5\x80\xA4\xE3\x81\xAF 0 \xE3\x81\x8B\xE3\x82\x89 100 "
             "\xE3\x81\xAE\xE6\x95\xB0\xE3\x81\xA7\xE6\x9B\xB8\xE3\x81\x84\xE3\x81\xA6\xE3\x81\x8F\xE3\x81\xA0\xE3\x81"
             "\x95\xE3\x81\x84";
    }
    at = size_t(end - text.data());
    if (std::ranges::any_of(percent, [&](const auto& p) { return p.first == symbol; })) {
      return symbol +
             " \xE3\x81\x8C\xE4\xBA\x8C\xE5\xBA\xA6\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x99";  // が二度あります
    }
    percent.emplace_back(std::move(symbol), value);
  }
  return {};
}

std::string ShownPercentage(const ElementShare& e) {
  if (!std::isfinite(e.Fraction)) return {};
  char text[MaxNumberLen];
  return std::string(text, PutPercentage(text, e.Fraction, '.') - 1);  // without the "%"
}

bool ParseNumber(std::string_view text, double& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool ReadTypedNumber(std::string_view text, double& value) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return ParseNumber(text, value);
}

std::string NumberText(double value) {
  char buf[64];
  // Whole numbers in full: "10000000", not the shorter "1e+07".
  const bool whole = std::abs(value) < 1e15 && value == std::floor(value);
  return std::string(buf, (whole ? std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(value))
                                 : std::to_chars(buf, buf + sizeof buf, value))
                              .ptr);
}

}  // namespace zorvan::mass
