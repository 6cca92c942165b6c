// Why a formula gives "Error!", said in plain Japanese for the tooltip of
// the composition box and for zorvan-batch --explain.
#pragma once

#include <string_view>

#include "core/calculation.h"
#include "core/text.h"

namespace zorvan {

// Returns the cause of a failed calculation with its place, counted in
// characters from 1 of the text as typed, or of the expanded text (saying
// so) when the error lies inside a group's formula; `parsed` is the text the
// calculation parsed (FormulaEngine::Formula()). Empty when `result` is not
// a failure.
Text ExplainError(const CalcResult& result, std::u16string_view parsed);

// Returns a caution that "*" separates a hydrate when `input` holds a
// look-alike of it: a point between a count and a digit followed by an
// element (CuSO4.5H2O, read as O 4.5), or a middle dot; empty otherwise.
Text HydrateCaution(std::u16string_view input);

}  // namespace zorvan
