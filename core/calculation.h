// One calculation: formula text to a value its caller owns, with the
// readers that write its texts.
#pragma once

#include <array>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <functional>
#include <type_traits>  // std::type_identity_t
#include <vector>

#include "core/formula_parser.h"
#include "core/number_forms.h"
#include "core/reference_tables.h"
#include "core/text.h"

namespace zorvan {

inline constexpr std::u16string_view ErrorText = u"Error!";

enum class CalcStatus { Ok, SyntaxError };

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

// An element with a positive count, and its share of the molecular weight.
struct ElementShare {
  int Number = 0;  // in atom.csv
  float Count = 0;
  float Fraction = 0;       // of the molecular weight; NaN when that is 0
  char16_t Symbol[2] = {};  // as stored: a capital, then a small letter or a space
};

// The molecular weight of some counts and the share of each element with a
// positive count, in element-number order: what the weight box and the
// percent list show.
struct WeightShares {
  float Weight = 0;
  int Size = 0;
  std::array<ElementShare, ElementCount> Elements{};
};

// The atomic weights and symbols of an atom.csv, laid out for weighing.
class AtomicWeights {
 public:
  explicit AtomicWeights(const ElementTable& elements);

  // Weighs `counts`, of which only the elements `named` may be nonzero, as
  // the main window shows it: each count times its atomic weight in double
  // precision, added in element-number order to the running weight rounded
  // to a float; each fraction that product over the weight, rounded to a
  // float. The one arithmetic of weights and percentages: the calculation
  // and the formula finder both weigh with it. Returns false when a count
  // or the weight left the float range.
  bool Weigh(const AtomCounts& counts, const ElementSet& named, WeightShares& out) const;
  // Returns false when Weigh would, weighing nothing when the answer is
  // plain without it.
  bool InRange(const AtomCounts& counts, const ElementSet& named) const;

 private:
  struct Atom {
    float Weight = 0;
    char16_t Symbol[2] = {};
  };
  std::array<Atom, ElementCount + 1> atoms_;
};

// A piece of the typed formula between two "*" or an end: "C20H26O6" and
// "0.25H2O" of C20H26O6*0.25H2O. Each further part multiplies its count
// into the whole, and so do those of the parts before it (A*2B*3C is A, 2 B
// and 6 C), as the parser nests them.
struct FormulaPart {
  Text Typed;            // as typed, without its "*", its count included
  int CountLength = 0;   // how many units of Typed are the count after "*"
  float Multiplier = 1;  // that count; 1 for the first part and without a count
  AtomCounts Counts{};   // what the rest of Typed gives on its own
  ElementSet Named;      // the elements it named: every other count is 0
};

// How much of the value a caller needs: each level adds to the one before.
enum class CalcDetail {
  Counts,  // the status and the counts (the mass code)
  Weight,  // and the weight shares (zorvan-batch writes the texts itself)
  Texts,   // and the texts the window shows
};

struct CalcOptions {
  bool ReplaceGroups = true;     // replace group abbreviations by their formulas first
  char16_t DecimalPoint = u'.';  // of the weight and percentage texts; the counts always use "."
  CalcDetail Detail = CalcDetail::Texts;
  bool Notes = true;  // the cause of an error and the cautions
  bool Parts = true;  // the parts before and after each "*"
};

// What one calculation gives. It belongs to its caller; a reused value keeps
// its storage, so that a batch calculates without allocating.
struct Calculation {
  CalcStatus Status = CalcStatus::Ok;
  // Why the calculation failed; its position counts in Parsed.
  ParseError Error;
  // Where the error lies in the text as typed (one-based, 0 when it has no
  // single place); when it lies in text that a group inserted, the place of
  // that group's abbreviation, and InGroupFormula is set.
  int TypedPosition = 0;
  bool InGroupFormula = false;
  // The cause of an error first, then the cautions, in a fixed order.
  std::vector<Note> Notes;
  // Per element, hydrates and groups included; all 0 after an error.
  AtomCounts Counts{};
  ElementSet Named;  // the elements the formula named: every other count is 0
  // One part without "*"; none after an error, or when a part does not
  // calculate on its own (text after a ")" that ended the formula).
  std::vector<FormulaPart> Parts;
  WeightShares Shares;  // from CalcDetail::Weight on; empty after an error
  // From CalcDetail::Texts on: the text that was parsed (the input after
  // group expansion), and the texts of the composition box ("H2O1", or
  // "Error!"), the weight box ("18.01528"; empty after an error) and the
  // percent list, each line the symbol as stored, a tab and the
  // 7-character field.
  Text Parsed;
  Text Composition;
  Text MolecularWeight;
  std::vector<Text> PercentLines;
};

// The percentage field shown when the molecular weight is not positive
// although some count is: only atom.csv files with zero or negative weights
// get here, and no percentage can be formed from such a weight.
inline constexpr std::u16string_view NoPercentField = u"---.--%";

// The longest composition: every element with a count.
inline constexpr int MaxCompositionLen = ElementCount * (2 + MaxNumberLen);

class FormulaEngine {
 public:
  explicit FormulaEngine(const ReferenceTables& tables);

  // Calculates `input` (the formula box text).
  Calculation Calculate(std::u16string_view input, const CalcOptions& options = {});
  // The same into `into`, reusing its storage.
  void Calculate(std::u16string_view input, const CalcOptions& options, Calculation& into);

 private:
  // The groups whose abbreviation may occur in a text: those whose first
  // two characters do. Most formulas hold none, and skip the expansion.
  using GroupSet = std::bitset<GroupCapacity>;

  // Status, counts and shares: the part of Calculate that every caller needs.
  void Run(std::u16string_view input, const CalcOptions& options, Calculation& c);
  // Replaces, in table order, every group abbreviation in `input` by its
  // formula in parentheses, into `out`, and points `expanded` at the
  // result: `input` itself when it holds none, else `out`. Returns false
  // when the text grows past MaxFormulaLen. With `origin`, keeps beside
  // each character of `out` its one-based position in the typed text, or
  // minus the position of the abbreviation whose replacement inserted it.
  bool ExpandGroups(std::u16string_view input, Text& out, std::u16string_view& expanded,
                    std::vector<int>* origin = nullptr) const;
  // Returns where the character at one-based `position` of the text that
  // was parsed from `input` comes from in `input`: its position there, or
  // minus the position of the abbreviation whose formula inserted it.
  int Origin(std::u16string_view input, bool replaceGroups, int position) const;
  void AddGroupsIn(std::u16string_view text, GroupSet& groups) const;
  // Marks `c` as failed with `error`.
  static void Fail(Calculation& c, ParseError error);
  void Explain(std::u16string_view input, const CalcOptions& options, Calculation& c) const;
  static void FormTexts(char16_t decimalPoint, Calculation& c);
  // Fills c.Parts; the last step, as it parses again.
  void FindParts(std::u16string_view input, bool replaceGroups, Calculation& c);
  // Parses `text` on its own into `counts` and `named`; false on an error.
  bool ParseAlone(std::u16string_view text, bool replaceGroups, AtomCounts& counts, ElementSet& named);

  const ReferenceTables& tables_;
  const AtomicWeights weights_;
  FormulaParser parser_;
  std::vector<Text> replacements_;             // "(" formula ")" of each group, in table order
  std::vector<GroupSet> groupsInReplacement_;  // the groups that may occur in each
  // The groups whose abbreviation starts with each pair of ASCII characters
  // (first * 128 + second), as a chain: the first group's slot + 1, or 0
  // when there is none, a byte read in one load for every character of a
  // formula; then the next group's slot + 1 for each group.
  std::array<uint8_t, 128 * 128> firstGroupOfPair_{};
  std::vector<uint8_t> nextGroupOfPair_;
  // Set when an abbreviation has one character, a non-ASCII start, or a
  // start that can form across the parentheses around an inserted formula:
  // then every group is searched for.
  bool unusualAbbrev_ = false;
  Text formula_;                // the text after expansion
  std::u16string_view parsed_;  // what the calculation under way parsed
};

// The readers of a value's shares, writing the texts at `out` and returning
// the end. The texts are ASCII, since the parser knows only symbols of ASCII
// letters, and are written as UTF-16 units for the windows or as bytes for
// zorvan-batch; they are written here, where zorvan-batch can inline them.

// The symbol as in the composition: without its padding.
template <typename Char>
inline Char* PutSymbol(Char* out, const ElementShare& e) {
  out[0] = static_cast<Char>(e.Symbol[0]);
  out[1] = static_cast<Char>(e.Symbol[1]);
  return out + 1 + (e.Symbol[1] != Space);
}

// The composition ("H2O1"); `out` needs room for MaxCompositionLen.
template <typename Char>
inline Char* PutComposition(Char* out, const WeightShares& s) {
  for (int i = 0; i < s.Size; ++i) out = PutShortNumber(PutSymbol(out, s.Elements[i]), s.Elements[i].Count);
  return out;
}

// The molecular weight; `out` needs room for MaxNumberLen.
template <typename Char>
inline Char* PutMolecularWeight(Char* out, const WeightShares& s, std::type_identity_t<Char> decimalPoint) {
  return PutGeneralNumber(out, s.Weight, decimalPoint);
}

// The percentage without padding ("5.00%"); NoPercentField when the weight
// is not positive.
template <typename Char>
inline Char* PutPercentage(Char* out, const ElementShare& e, std::type_identity_t<Char> decimalPoint) {
  if (std::isfinite(e.Fraction)) return PutPercentage(out, e.Fraction, decimalPoint);
  for (const char16_t c : NoPercentField) *out++ = static_cast<Char>(c);
  return out;
}

// A line of the percent list: the symbol as stored (2 characters), a tab and
// the 7-character field; `out` needs room for 3 + MaxNumberLen.
template <typename Char>
inline Char* PutPercentLine(Char* out, const ElementShare& e, std::type_identity_t<Char> decimalPoint) {
  out[0] = static_cast<Char>(e.Symbol[0]);
  out[1] = static_cast<Char>(e.Symbol[1]);
  out[2] = static_cast<Char>(Tab);
  out += 3;
  if (std::isfinite(e.Fraction)) return PutPercentField(out, e.Fraction, decimalPoint);
  for (const char16_t c : NoPercentField) *out++ = static_cast<Char>(c);
  return out;
}

}  // namespace zorvan
