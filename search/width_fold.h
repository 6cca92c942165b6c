// Folding of full-width query text to the half-width form of the name database.
#pragma once

#include "core/text.h"

namespace zorvan {

// Returns `text` with each full-width katakana, digit, Latin letter and listed
// symbol replaced by its half-width form (a voiced or semi-voiced katakana
// becomes two characters: its base letter and the sound mark); every other
// code unit, including hiragana, kanji and lone surrogates, is copied unchanged.
Text ToHalfWidth(const Text& text);

}  // namespace zorvan
