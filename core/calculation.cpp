#include "calculation.h"

#include <cmath>

#include "number_forms.h"

namespace zorvan {

namespace {

void SetError(CalcResult& result) {
  result.Composition.assign(ErrorText);
  result.MolecularWeight.clear();
  result.PercentLines.clear();
}

void AppendTrimmed(Text& out, const Text& symbol) {
  size_t b = symbol.find_first_not_of(Space);
  if (b == Text::npos) return;
  size_t e = symbol.find_last_not_of(Space);
  out.append(symbol, b, e - b + 1);
}

}  // namespace

FormulaEngine::FormulaEngine(const ReferenceTables& tables)
    : tables_(tables), parser_(tables.Elements) {
  for (const Text& abbrev : tables.Groups.GroupAbbrev) {
    if (abbrev.empty()) continue;
    if (abbrev.size() < 2 || abbrev[0] >= 128 || abbrev[1] >= 128)
      unusualAbbrev_ = true;
    else
      abbrevStarts_.set(abbrev[0] * 128 + abbrev[1]);
  }
}

bool FormulaEngine::NoAbbreviationIn(const Text& formula) const {
  if (unusualAbbrev_) return false;
  for (size_t i = 0; i + 1 < formula.size(); ++i)
    if (formula[i] < 128 && formula[i + 1] < 128 && abbrevStarts_.test(formula[i] * 128 + formula[i + 1]))
      return false;
  return true;
}

bool FormulaEngine::ExpandGroups(Text& formula) const {
  // Nothing is replaced unless an abbreviation occurs in the text as given:
  // later groups only see text that earlier ones inserted.
  if (NoAbbreviationIn(formula)) return true;
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
  CalcResult result;
  CalculateFormula(input, replaceGroups, decimalPoint, result);
  return result;
}

void FormulaEngine::CalculateFormula(const Text& input, bool replaceGroups, char16_t decimalPoint,
                                     CalcResult& result) {
  if (input.size() > static_cast<size_t>(MaxFormulaLen)) return SetError(result);
  ParseState& state = parser_.State();
  state.ErrorFlag = 0;
  state.Cursor = 0;
  state.Formula = input;
  if (replaceGroups && !ExpandGroups(state.Formula)) return SetError(result);
  state.FormulaLen = static_cast<int>(state.Formula.size());

  AtomCounts& counts = counts_;
  parser_.ParseGroup(counts);
  if (state.ErrorFlag == 1) return SetError(result);

  const ElementTable& elements = tables_.Elements;
  // Only the elements the formula names can have a positive count; they are
  // walked in element-number order, as the sums and texts require.
  int present[ElementCount];
  int presentCount = 0;
  bool finite = true;
  parser_.Present().ForEach([&](int n) {
    // A count that left the float range (inf, or nan from inf times 0) has
    // no meaningful weight.
    finite = finite && std::isfinite(counts[n]);
    if (counts[n] > 0) present[presentCount++] = n;
  });
  if (!finite) return SetError(result);

  result.Composition.clear();
  float weight = 0;
  for (int i = 0; i < presentCount; ++i) {
    const int n = present[i];
    weight = static_cast<float>(static_cast<double>(elements.AtomicWeight[n]) * counts[n] + weight);
    AppendTrimmed(result.Composition, elements.AtomSymbol[n]);
    AppendShortNumber(result.Composition, counts[n]);
  }
  if (!std::isfinite(weight)) return SetError(result);
  result.MolecularWeight.clear();
  AppendGeneralNumber(result.MolecularWeight, weight, decimalPoint);

  result.PercentLines.resize(presentCount);
  for (int i = 0; i < presentCount; ++i) {
    const int n = present[i];
    Text& line = result.PercentLines[i];
    line.assign(elements.AtomSymbol[n]);
    line.push_back(Tab);
    if (weight != 0) {
      float fraction = static_cast<float>(static_cast<double>(elements.AtomicWeight[n]) * counts[n] /
                                          weight);
      if (std::isfinite(fraction)) AppendPercentField(line, fraction, decimalPoint);
      else line += NoPercentField;
    } else {
      line += NoPercentField;
    }
  }
}

}  // namespace zorvan
