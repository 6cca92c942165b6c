// The report block of one calculation and the batch text of many: the same
// bytes whether they go to the clipboard or out of zorvan-batch.
#pragma once

#include <vector>

#include "core/calculation.h"
#include "core/text.h"

namespace zorvan {

// Appends the report block: the formula, the composition, the molecular
// weight and each weight-percent line, every line ended by CR LF: the texts
// of `result`, calculated with CalcDetail::Texts.
void AppendReportBlock(Text& out, const Text& formula, const Calculation& result);

// Appends one batch entry: CR LF, then the report block.
void AppendBatchEntry(Text& out, const Text& formula, const Calculation& result);

// Splits pasted text at CR LF only: an empty piece between two CR LF is a
// line, a trailing CR LF adds no line. Returns no lines when the text holds
// no CR LF at all (it is then one formula, not a batch).
std::vector<Text> SplitPasteLines(const Text& text);

// Returns `text` with a CR put before every LF that has none, so that text
// whose lines end in LF alone, as most Linux programs put it on the
// clipboard, splits as CR LF text does. A lone CR stays as it is.
Text LoneLfToCrLf(const Text& text);

}  // namespace zorvan
