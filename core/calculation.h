// One calculation: formula text to the three texts the main window shows.
#pragma once

#include <bitset>
#include <vector>

#include "formula_parser.h"
#include "reference_tables.h"
#include "text.h"

namespace zorvan {

inline constexpr std::u16string_view ErrorText = u"Error!";

// What the composition box, the molecular-weight box and the weight-percent
// list show after one calculation.
struct CalcResult {
  Text Composition;                // e.g. "H2O1", or "Error!"
  Text MolecularWeight;            // e.g. "18.01528"; empty after an error
  std::vector<Text> PercentLines;  // symbol as stored, a tab, the 7-character field
  bool Failed() const { return Composition == ErrorText && MolecularWeight.empty(); }
};

// The percentage field shown when the molecular weight is not positive
// although some count is: only atom.csv files with zero or negative weights
// get here, and no percentage can be formed from such a weight.
inline constexpr std::u16string_view NoPercentField = u"---.--%";

class FormulaEngine {
 public:
  explicit FormulaEngine(const ReferenceTables& tables);

  // Calculates `input` (the formula box text), expanding group abbreviations
  // first when `replaceGroups` is set. `decimalPoint` is used in the
  // molecular weight and the percentages; the counts always use ".".
  CalcResult CalculateFormula(const Text& input, bool replaceGroups, char16_t decimalPoint = u'.');

  // The same into `result`, reusing its storage: for callers that calculate
  // many formulas in a row.
  void CalculateFormula(const Text& input, bool replaceGroups, char16_t decimalPoint,
                        CalcResult& result);

  // Returns the counts of the last parse without a syntax error.
  const AtomCounts& Counts() const { return counts_; }

  // Replaces, in place and in table order, every group abbreviation in
  // `formula` by its formula in parentheses; returns false when the text
  // grows past MaxFormulaLen.
  bool ExpandGroups(Text& formula) const;

 private:
  // Returns true when no abbreviation can occur in `formula`: a quick test on
  // the first two characters of each, so most formulas skip the expansion.
  bool NoAbbreviationIn(const Text& formula) const;

  const ReferenceTables& tables_;
  FormulaParser parser_;
  std::bitset<128 * 128> abbrevStarts_;  // the first two characters of each abbreviation
  bool unusualAbbrev_ = false;            // one of one character or non-ASCII start
  AtomCounts counts_{};
};

}  // namespace zorvan
