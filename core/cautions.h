// The cautions that ExplainFormula adds to the causes of errors: on
// formulas that calculate, but most likely not as the chemist meant.
#pragma once

#include <string_view>
#include <vector>

#include "core/explain.h"

namespace zorvan {

// Return the decimal digits of `n`, and `text` in 「」 cut to 20 characters
// (a number can be thousands long): pieces of every note.
Text Number(int n);
Text Quoted(std::u16string_view text);

// Appends the caution that "*" separates a hydrate when `input` holds a
// point between a count and a digit followed by an element (CuSO4.5H2O, read
// as O 4.5), or a look-alike of a dot (CuSO4・5H2O).
void AddHydrateCaution(std::vector<Note>& notes, std::u16string_view input);

// Appends the cautions on how `parsed`, the text parsed with success from
// `input` (`origin` leads back there), was read: a ")" that ended it with
// text left unread, a "(" closed by the end, a count after "*" with nothing
// after it, and an element symbol that chemists also use for a group that
// `groups` does not replace.
void AddReadingCautions(std::vector<Note>& notes, std::u16string_view parsed, std::u16string_view input,
                        const OriginOf& origin, bool replaceGroups, const GroupTable& groups);

}  // namespace zorvan
