// The one place where the reagent layer asks the calculation for a weight.
#pragma once

#include <string_view>
#include <vector>

#include "amounts/reagent_table.h"
#include "core/calculation.h"
#include "core/reference_tables.h"

namespace zorvan::amounts {

// Returns the molecular weight of `formula` (UTF-8) as the main window shows
// it (groups replaced when `replaceGroups`, hydrates included), or, after
// Error!, "Error!: " and why. Cautions on a formula that calculates (a "."
// where "*" was meant) are its note. A blank formula has neither.
FormulaWeight MolecularWeight(FormulaEngine& engine, const ReferenceTables& tables, std::string_view formula,
                              bool replaceGroups);

// The weight of every row of `table`, in order.
std::vector<FormulaWeight> TableWeights(const Table& table, FormulaEngine& engine, const ReferenceTables& tables,
                                        bool replaceGroups);

}  // namespace zorvan::amounts
