#include "amounts/experimental_lines.h"

#include <charconv>  // std::to_chars
#include <cmath>
#include <vector>

namespace zorvan::amounts {
namespace {

// A value in the unit it was given in when it is the row's given quantity.
std::string Amount(const SolvedRow& row, Column column, double base, Dimension dim, int figures) {
  return WithUnit(base, dim, figures, row.Given == column ? row.GivenUnit : nullptr);
}

std::string Percent(double percent) {
  char buf[400];
  const auto end = std::to_chars(buf, buf + sizeof buf, percent, std::chars_format::fixed, 0).ptr;
  return std::string(buf, end) + "%";
}

// The molarity as the user wrote it: its unit, without trailing zeros.
std::string MolarityText(const Row& given, int figures) {
  Quantity q;
  if (!ParseQuantity(given[Column::Molarity], *InfoOf(Column::Molarity).Bare, q).empty()) return {};
  return SignificantTrimmed(q.Value, figures) + " " + std::string(q.In->Symbol);
}

std::vector<std::string> ProductParts(const SolvedRow& row, Language language, int figures) {
  std::vector<std::string> parts;
  if (row.Mass)
    parts.push_back(Amount(row, Column::Mass, *row.Mass, Dimension::Mass, figures));
  else if (row.Mol)
    parts.push_back(Amount(row, Column::Amount, *row.Mol, Dimension::Amount, figures));
  if (row.Yield) parts.push_back(Percent(*row.Yield));
  if (parts.empty() && row.TheoreticalMass)  // 理論収量
    parts.push_back((language == Language::English ? "theoretical yield " : "\u7406\u8AD6\u53CE\u91CF ") +
                    WithUnit(*row.TheoreticalMass, Dimension::Mass, figures));
  return parts;
}

std::vector<std::string> Parts(const Row& given, const SolvedRow& row, Language language, int figures) {
  if (row.Kind == Role::Product) return ProductParts(row, language, figures);
  std::vector<std::string> parts;
  auto add = [&](const std::optional<double>& value, Column column, Dimension dim) {
    if (value) parts.push_back(Amount(row, column, *value, dim, figures));
  };
  if (row.Kind == Role::Solvent) {
    row.Volume ? add(row.Volume, Column::Volume, Dimension::Volume) : add(row.Mass, Column::Mass, Dimension::Mass);
    return parts;
  }
  if (row.Molarity) {
    if (std::string molarity = MolarityText(given, figures); !molarity.empty()) parts.push_back(molarity);
  } else {
    add(row.Mass, Column::Mass, Dimension::Mass);
  }
  if (row.Molarity || row.Density || row.Given == Column::Volume) add(row.Volume, Column::Volume, Dimension::Volume);
  add(row.Mol, Column::Amount, Dimension::Amount);
  // 当量
  if (row.Equiv) parts.push_back(EquivText(*row.Equiv) + (language == Language::English ? " equiv" : " \u5F53\u91CF"));
  return parts;
}

std::string EscapeHtml(std::string_view text) {
  std::string out;
  for (const char c : text) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  return out;
}

// The name in HTML, each locant prefix of the field (n-, sec-, tert-, o-,
// m-, p-, N,N-, ...) in italics where it starts a word.
std::string NameHtml(std::string_view name) {
  constexpr std::string_view Locants[] = {"tert", "sec", "cis", "trans", "n", "s", "t", "i", "o", "m", "p", "N"};
  std::string html;
  for (size_t i = 0; i < name.size();) {
    const bool wordStart = i == 0 || std::string_view(" (,-").find(name[i - 1]) != std::string_view::npos;
    size_t length = 0;
    for (const std::string_view locant : Locants)
      if (wordStart && name.substr(i).starts_with(locant) && i + locant.size() < name.size() &&
          (name[i + locant.size()] == '-' || name[i + locant.size()] == ',')) {
        length = locant.size();
        break;
      }
    if (length > 0) {
      html += "<i>" + std::string(name.substr(i, length)) + "</i>";
      i += length;
    } else {
      html += EscapeHtml(name.substr(i, 1));
      ++i;
    }
  }
  return html;
}

}  // namespace

ExperimentalLines WriteLines(const Table& table, const SolvedTable& solved, Language language, int figures,
                             std::string_view lineEnd) {
  ExperimentalLines lines;
  for (size_t i = 0; i < table.size() && i < solved.Rows.size(); ++i) {
    std::string_view name = TrimBlanks(table[i][Column::Name]);
    if (name.empty()) name = TrimBlanks(table[i][Column::Formula]);
    if (name.empty()) continue;
    std::string tail;
    for (const std::string& part : Parts(table[i], solved.Rows[i], language, figures))
      tail += (tail.empty() ? " (" : ", ") + part;
    if (!tail.empty()) tail += ")";
    lines.Plain += std::string(name) + tail + std::string(lineEnd);
    lines.Html += (lines.Html.empty() ? "" : "<br>") + NameHtml(name) + EscapeHtml(tail);
  }
  return lines;
}

}  // namespace zorvan::amounts
