// One calculation: formula text to the three texts the main window shows.
#pragma once

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>  // std::type_identity_t
#include <vector>

#include "core/formula_parser.h"
#include "core/number_forms.h"
#include "core/reference_tables.h"
#include "core/text.h"

namespace zorvan {

inline constexpr std::u16string_view ErrorText = u"Error!";

enum class CalcStatus { Ok, SyntaxError };

// What the composition box, the molecular-weight box and the weight-percent
// list show after one calculation.
struct CalcResult {
  CalcStatus Status = CalcStatus::Ok;
  // Why the calculation failed; its position counts in the formula as parsed
  // (after group expansion).
  ParseError Error;
  // Where the error lies in the text as typed (one-based, 0 when it has no
  // single place); when it lies in text that a group inserted, the place of
  // that group's abbreviation, and InGroupFormula is set.
  int TypedPosition = 0;
  bool InGroupFormula = false;
  Text Composition;                // e.g. "H2O1", or "Error!"
  Text MolecularWeight;            // e.g. "18.01528"; empty after an error
  std::vector<Text> PercentLines;  // symbol as stored, a tab, the 7-character field
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

  // Calculates `input` (the formula box text), expanding group abbreviations
  // first when `replaceGroups` is set. `decimalPoint` is used in the
  // molecular weight and the percentages; the counts always use ".".
  CalcResult CalculateFormula(const Text& input, bool replaceGroups, char16_t decimalPoint = u'.');

  // The same into `result`, reusing its storage: for callers that calculate
  // many formulas in a row.
  void CalculateFormula(const Text& input, bool replaceGroups, char16_t decimalPoint, CalcResult& result);

  // CalculateFormula without forming the texts, for a caller that writes
  // them itself (zorvan-batch writes bytes): sets the status and error of
  // `result`, and leaves its texts as they were. After a success, the
  // functions below write the texts.
  void Calculate(std::u16string_view input, bool replaceGroups, CalcResult& result);

  // Calculate without what only the texts need (the list of elements, the
  // weight and its fractions), for a caller that reads only Counts() and
  // Named() (the mass code): the same status and error, but the text
  // writers below must not be called after it.
  void CalculateCounts(std::u16string_view input, bool replaceGroups, CalcResult& result);

  // The texts of the last successful calculation, as UTF-16 units or as
  // bytes: they are ASCII, since the parser knows only symbols of ASCII
  // letters. Each writes at `out` and returns the end.
  // The composition ("H2O1"); `out` needs room for MaxCompositionLen.
  template <typename Char>
  Char* PutComposition(Char* out) const;
  // The molecular weight; `out` needs room for MaxNumberLen.
  template <typename Char>
  Char* PutMolecularWeight(Char* out, std::type_identity_t<Char> decimalPoint) const;
  // The weight-percent lines, one for each element with a positive count, in
  // element-number order: the symbol as stored (2 characters), a tab and the
  // 7-character field (NoPercentField when the weight is not positive);
  // `out` needs room for 3 + MaxNumberLen. Or the symbol and percentage
  // without padding: the symbol as in the composition, the percentage.
  int PercentCount() const { return presentCount_; }
  template <typename Char>
  Char* PutPercentLine(Char* out, int i, std::type_identity_t<Char> decimalPoint) const;
  template <typename Char>
  Char* PutSymbol(Char* out, int i) const;
  template <typename Char>
  Char* PutPercentage(Char* out, int i, std::type_identity_t<Char> decimalPoint) const;

  // Returns the text the last calculation parsed: the input after group
  // expansion. After Calculate() it may be `input` itself, so it is valid
  // while that is; after CalculateFormula() it is held here.
  std::u16string_view Formula() const { return parsed_; }

  // Returns where the character at one-based `position` of the text that the
  // last calculation of `input` (with `replaceGroups`) parsed comes from in
  // `input`: its position there, or minus the position of the abbreviation
  // whose formula inserted it.
  int Origin(std::u16string_view input, bool replaceGroups, int position);

  // The molecular weight of the last successful Calculate() or
  // CalculateFormula(), as the weight text shows it before rounding.
  float Weight() const { return weight_; }

  // The element counts of the last successful calculation, hydrates and
  // groups included: what the mass code reads.
  const AtomCounts& Counts() const { return parser_.Counts(); }
  // The elements the last successful calculation named: every other count
  // is 0, so a reader of the counts need look at these only.
  const ElementSet& Named() const { return parser_.Present(); }

 private:
  // Replaces, in table order, every group abbreviation in `input` by its
  // formula in parentheses, and sets parsed_ to the result: `input` itself
  // when it holds none, else formula_. Returns false when the text grows
  // past MaxFormulaLen. With `origin`, keeps beside each character of
  // formula_ its one-based position in the typed text, or minus the position
  // of the abbreviation whose replacement inserted it.
  bool ExpandGroups(std::u16string_view input, std::vector<int>* origin = nullptr);
  // Fills the typed position of result.Error from the expansion of `input`.
  void LocateError(std::u16string_view input, bool replaceGroups, CalcResult& result);
  // The groups whose abbreviation may occur in a text: those whose first
  // two characters do. Most formulas hold none, and skip the expansion.
  using GroupSet = std::bitset<GroupCapacity>;
  void AddGroupsIn(std::u16string_view text, GroupSet& groups) const;
  // Calculate, forming what the texts need only when `texts` is set.
  void Run(std::u16string_view input, bool replaceGroups, bool texts, CalcResult& result);
  // Lists the elements with a positive count, sums the weight and forms the
  // weight fractions; returns false when a count or the weight left the
  // float range.
  bool Compose();
  // Returns what Compose() would, forming nothing that the texts need.
  bool CountsInRange();
  // The weight fraction of the i-th element with a positive count; NaN when
  // the weight is 0.
  float Fraction(int i) const { return fractions_[i]; }
  // Marks `result` as failed with `error`.
  void Fail(CalcResult& result, ParseError error);
  // Gives `result` `count` percent lines, keeping the storage of the lines
  // it drops for later ones: a batch calculates without allocating.
  void ResizePercentLines(CalcResult& result, size_t count);

  const ReferenceTables& tables_;
  FormulaParser parser_;
  // Each symbol without its padding: of at most 2 characters for every
  // element the parser knows.
  struct TrimmedSymbol {
    char16_t Chars[2] = {};
    int Size = 0;
  };
  std::array<TrimmedSymbol, ElementCount + 1> symbols_;
  std::vector<Text> replacements_;             // "(" formula ")" of each group, in table order
  std::vector<GroupSet> groupsInReplacement_;  // the groups that may occur in each
  std::vector<Text> spareLines_;
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
  std::u16string_view parsed_;  // what the last calculation parsed
  // The elements with a positive count, in element-number order, and the weight.
  int present_[ElementCount] = {};
  int presentCount_ = 0;
  float weight_ = 0;
  // The weight fraction of each: formed together, as the divisions then
  // overlap instead of each waiting for the text of the one before.
  float fractions_[ElementCount] = {};
};

// The texts are written here, where zorvan-batch can inline them.
template <typename Char>
inline Char* FormulaEngine::PutSymbol(Char* out, int i) const {
  const TrimmedSymbol& symbol = symbols_[present_[i]];
  out[0] = static_cast<Char>(symbol.Chars[0]);
  out[1] = static_cast<Char>(symbol.Chars[1]);
  return out + symbol.Size;
}

template <typename Char>
inline Char* FormulaEngine::PutComposition(Char* out) const {
  const AtomCounts& counts = parser_.Counts();
  for (int i = 0; i < presentCount_; ++i) out = PutShortNumber(PutSymbol(out, i), counts[present_[i]]);
  return out;
}

template <typename Char>
inline Char* FormulaEngine::PutMolecularWeight(Char* out, std::type_identity_t<Char> decimalPoint) const {
  return PutGeneralNumber(out, weight_, decimalPoint);
}

template <typename Char>
inline Char* FormulaEngine::PutPercentLine(Char* out, int i, std::type_identity_t<Char> decimalPoint) const {
  // The symbol as stored: the parser knows only symbols of 2 characters.
  const Text& symbol = tables_.Elements[present_[i]].AtomSymbol;
  out[0] = static_cast<Char>(symbol[0]);
  out[1] = static_cast<Char>(symbol[1]);
  out[2] = static_cast<Char>(Tab);
  out += 3;
  const float fraction = Fraction(i);
  if (std::isfinite(fraction)) return zorvan::PutPercentField(out, fraction, decimalPoint);
  for (const char16_t c : NoPercentField) *out++ = static_cast<Char>(c);
  return out;
}

template <typename Char>
inline Char* FormulaEngine::PutPercentage(Char* out, int i, std::type_identity_t<Char> decimalPoint) const {
  const float fraction = Fraction(i);
  if (std::isfinite(fraction)) return zorvan::PutPercentage(out, fraction, decimalPoint);
  for (const char16_t c : NoPercentField) *out++ = static_cast<Char>(c);
  return out;
}

}  // namespace zorvan
