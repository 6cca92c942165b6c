#include "amounts/molecular_weight.h"

#include "core/explain.h"
#include "core/text.h"

namespace zorvan::amounts {

FormulaWeight MolecularWeight(FormulaEngine& engine, const ReferenceTables& tables, std::string_view formula,
                              bool replaceGroups) {
  FormulaWeight weight;
  if (TrimBlanks(formula).empty()) return weight;
  const Text input = FromUtf8(TrimBlanks(formula));
  CalcResult result;
  engine.Calculate(input, replaceGroups, result);
  // The float the main window shows, widened: the amounts are computed in
  // double from the same weight.
  if (result.Status == CalcStatus::Ok) weight.Value = static_cast<double>(engine.Weight());
  const std::vector<Note> notes = ExplainFormula(engine, result, input, replaceGroups, tables);
  if (result.Status != CalcStatus::Ok) weight.Note = "Error!";
  if (!notes.empty()) weight.Note += (weight.Note.empty() ? "" : ": ") + ToUtf8(JoinNotes(notes, u" "));
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
