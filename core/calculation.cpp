#include "calculation.h"

#include <cmath>

#include "number_forms.h"

namespace zorvan {

namespace {

CalcResult ErrorResult() { return CalcResult{Text(ErrorText), Text(), {}}; }

Text TrimSpaces(const Text& symbol) {
  size_t b = symbol.find_first_not_of(Space);
  if (b == Text::npos) return Text();
  size_t e = symbol.find_last_not_of(Space);
  return symbol.substr(b, e - b + 1);
}

}  // namespace

FormulaEngine::FormulaEngine(const ReferenceTables& tables)
    : tables_(tables), parser_(tables.Elements) {}

bool FormulaEngine::ExpandGroups(Text& formula) const {
  const GroupTable& g = tables_.Groups;
  const int last = g.GroupLast();
  for (int slot = 0; slot <= last; ++slot) {
    const Text& abbrev = g.GroupAbbrev[slot];
    // An empty abbreviation would match everywhere and never end.
    if (abbrev.empty()) continue;
    size_t p = formula.find(abbrev);
    if (p == Text::npos) continue;
    Text replacement = u"(" + g.GroupFormula[slot] + u")";
    while (p != Text::npos) {
      formula.replace(p, abbrev.size(), replacement);
      // An abbreviation inside its own formula would grow the text for ever;
      // the length limit ends it.
      if (formula.size() > static_cast<size_t>(MaxFormulaLen)) return false;
      // The next search starts right after the inserted "(".
      p = formula.find(abbrev, p + 1);
    }
  }
  return true;
}

CalcResult FormulaEngine::CalculateFormula(const Text& input, bool replaceGroups,
                                           char16_t decimalPoint) {
  if (input.size() > static_cast<size_t>(MaxFormulaLen)) return ErrorResult();
  ParseState& state = parser_.State();
  state.ErrorFlag = 0;
  state.Cursor = 0;
  state.Formula = input;
  if (replaceGroups && !ExpandGroups(state.Formula)) return ErrorResult();
  state.FormulaLen = static_cast<int>(state.Formula.size());

  AtomCounts counts{};
  parser_.ParseGroup(counts);
  if (state.ErrorFlag == 1) return ErrorResult();
  counts_ = counts;

  const ElementTable& elements = tables_.Elements;
  CalcResult result;
  float weight = 0;
  for (int n = 1; n <= ElementCount; ++n) {
    // A count that left the float range (inf, or nan from inf times 0) has no
    // meaningful weight.
    if (!std::isfinite(counts[n])) return ErrorResult();
    if (!(counts[n] > 0)) continue;
    weight = static_cast<float>(static_cast<double>(elements.AtomicWeight[n]) * counts[n] + weight);
    result.Composition += TrimSpaces(elements.AtomSymbol[n]);
    result.Composition += ShortNumber(counts[n]);
  }
  if (!std::isfinite(weight)) return ErrorResult();
  result.MolecularWeight = GeneralNumber(weight, decimalPoint);

  for (int n = 1; n <= ElementCount; ++n) {
    if (!(counts[n] > 0)) continue;
    Text line = elements.AtomSymbol[n];
    line.push_back(Tab);
    if (weight != 0) {
      float fraction = static_cast<float>(static_cast<double>(elements.AtomicWeight[n]) * counts[n] /
                                          weight);
      line += std::isfinite(fraction) ? PercentField(fraction, decimalPoint) : Text(NoPercentField);
    } else {
      line += NoPercentField;
    }
    result.PercentLines.push_back(std::move(line));
  }
  return result;
}

}  // namespace zorvan
