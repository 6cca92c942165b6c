// Why a formula gives "Error!", and cautions on formulas that calculate but
// most likely not as the chemist meant, said in plain Japanese for the
// tooltip of the composition box and for zorvan-batch --explain.
#pragma once

#include <string_view>
#include <vector>

#include "core/calculation.h"
#include "core/reference_tables.h"
#include "core/text.h"

namespace zorvan {

// What a note on one calculation is about. The first four explain a failed
// calculation, the others are cautions.
enum class NoteKind {
  Cause,           // why it failed
  SuggestSymbol,   // an unknown symbol that is an element when joined with its neighbour letter (CL: Cl)
  LowerCaseStart,  // an item that starts with a lower-case letter (h2o)
  FullWidth,       // a full-width character, shown with its half-width form
  HydrateDot,      // a point or a look-alike of a dot where "*" separates a hydrate (CuSO4.5H2O)
  UnreadTail,      // a ")" ended the formula with text left unread (H2O)3NaCl)
  OpenParen,       // a "(" closed by the end of the text (Ca(OH)
  EmptyStar,       // a count after "*" with nothing after it (CuSO4*5)
  GroupSymbol,     // an element symbol that chemists also use for a group (Ac, Pr)
};

struct Note {
  NoteKind Kind = NoteKind::Cause;
  int Position = 0;  // one-based in the text as typed; 0 when the note has no one place
  Text Message;
};

// Returns the notes on `result`, the last calculation of `engine`, of
// `input` with group replacement `replaceGroups`: the cause first when it
// failed, then the cautions, in a fixed order. Empty when there is nothing
// to say. `tables` are the engine's.
std::vector<Note> ExplainFormula(FormulaEngine& engine, const CalcResult& result, std::u16string_view input,
                                 bool replaceGroups, const ReferenceTables& tables);

// Returns the messages of `notes` joined by `separator`.
Text JoinNotes(const std::vector<Note>& notes, std::u16string_view separator);

}  // namespace zorvan
