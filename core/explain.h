// Why a formula gives "Error!", and cautions on formulas that calculate but
// most likely not as the chemist meant, said in plain Japanese for the
// tooltip of the composition box and for zorvan-batch --explain.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "core/calculation.h"
#include "core/reference_tables.h"
#include "core/text.h"

namespace zorvan {

// Where the character at a one-based position of the parsed text comes from
// in the text as typed: its position there, or minus the position of the
// abbreviation whose formula inserted it.
using OriginOf = std::function<int(int position)>;

// Returns the notes on `c`, the status of a calculation of `input` with
// group replacement `replaceGroups` that parsed `parsed`: the cause first
// when it failed, then the cautions, in a fixed order. Empty when there is
// nothing to say. `tables` are the calculation's. The engine calls it for
// the values it returns.
std::vector<Note> ExplainFormula(const Calculation& c, std::u16string_view parsed, std::u16string_view input,
                                 const OriginOf& origin, bool replaceGroups, const ReferenceTables& tables);

// Returns the messages of `notes` joined by `separator`.
Text JoinNotes(const std::vector<Note>& notes, std::u16string_view separator);

}  // namespace zorvan
