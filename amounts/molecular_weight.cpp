#include "amounts/molecular_weight.h"

#include "core/explain.h"
#include "core/text.h"

namespace zorvan::amounts {

FormulaWeight MolecularWeight(FormulaEngine& engine, const ReferenceTables& /*tables*/, std::string_view formula,
                              bool replaceGroups) {
  FormulaWeight weight;
  if (TrimBlanks(formula).empty()) return weight;
  const Calculation c = engine.Calculate(
      FromUtf8(TrimBlanks(formula)), {.ReplaceGroups = replaceGroups, .Detail = CalcDetail::Weight, .Parts = false});
  // The float the main window shows, widened: the amounts are computed in
  // double from the same weight.
  if (c.Status == CalcStatus::Ok) weight.Value = static_cast<double>(c.Shares.Weight);
  if (c.Status != CalcStatus::Ok) weight.Note = "Error!";
  if (!c.Notes.empty()) weight.Note += (weight.Note.empty() ? "" : ": ") + ToUtf8(JoinNotes(c.Notes, u" "));
  return weight;
}

std::vector<FormulaWeight> TableWeights(const Table& table, FormulaEngine& engine, const ReferenceTables& tables,
                                        bool replaceGroups) {
  std::vector<FormulaWeight> weights;
  weights.reserve(table.size());
  for (const Row& row : table) weights.push_back(MolecularWeight(engine, tables, row[Column::Formula], replaceGroups));
  return weights;
}

}  // namespace zorvan::amounts
