#include "amounts/table_display.h"

#include <charconv>  // std::to_chars

#include "core/number_forms.h"  // PutGeneralNumber

namespace zorvan::amounts {

ShownCell ShowCell(const Row& cells, const SolvedRow& row, Column column, int figures) {
  const std::string& text = cells[column];
  if (column == Column::Role) {
    // An empty role is a reactant, and is shown as one.
    const std::optional<Role> role = ParseRole(text);
    return {role ? std::string(RoleJapanese(*role)) : text, !TrimBlanks(text).empty()};
  }
  if (!IsQuantity(column) || !TrimBlanks(text).empty()) return {text, !TrimBlanks(text).empty()};
  const std::pair<Column, std::optional<double>> derived[] = {
      {Column::Amount, row.Mol}, {Column::Mass, row.Mass}, {Column::Volume, row.Volume}};
  if (column == Column::Equiv) return {row.Equiv ? EquivText(*row.Equiv) : std::string()};
  for (const auto& [c, value] : derived)
    if (c == column && value) return {WithUnit(*value, InfoOf(c).Bare->Dim, figures)};
  return {};
}

std::string ShowWeight(const SolvedRow& row) {
  if (!row.Weight) return {};
  char buf[MaxNumberLen];
  return std::string(buf, PutGeneralNumber(buf, static_cast<float>(*row.Weight)));
}

std::string ShowTheoretical(const SolvedRow& row, int figures) {
  return row.TheoreticalMass ? WithUnit(*row.TheoreticalMass, Dimension::Mass, figures) : std::string();
}

std::string ShowYield(const SolvedRow& row) {
  if (!row.Yield) return {};
  char buf[400];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, *row.Yield, std::chars_format::fixed, 1).ptr) + "%";
}

}  // namespace zorvan::amounts
