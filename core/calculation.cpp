#include "core/calculation.h"

#include <algorithm>  // std::copy
#include <cmath>
#include <limits>

#include "core/number_forms.h"

namespace zorvan {


FormulaEngine::FormulaEngine(const ReferenceTables& tables)
    : tables_(tables), parser_(tables.Elements) {
  for (int n = 1; n <= ElementCount; ++n) {
    for (const char16_t c : std::u16string_view(tables.Elements[n].AtomSymbol).substr(0, 2))
      if (c != Space) symbols_[n].Chars[symbols_[n].Size++] = c;
  }
  for (const Group& group : tables.Groups.Slots) {
    replacements_.push_back(u"(" + group.GroupFormula + u")");
    replacementChars_.emplace_back().Add(replacements_.back());
    const Text& abbrev = group.GroupAbbrev;
    if (abbrev.empty()) continue;
    if (abbrev.size() < 2 || abbrev[0] >= 128 || abbrev[1] >= 128)
      unusualAbbrev_ = true;
    else
      abbrevStarts_.set(abbrev[0] * 128 + abbrev[1]);
  }
}

CalcResult FormulaEngine::CalculateFormula(const Text& input, bool replaceGroups,
                                           char16_t decimalPoint) {
  CalcResult result;
  CalculateFormula(input, replaceGroups, decimalPoint, result);
  return result;
}

void FormulaEngine::Fail(CalcResult& result, ParseError error) {
  result.Status = CalcStatus::SyntaxError;
  result.Error = error;
  result.TypedPosition = error.Position;
  result.InGroupFormula = false;
  result.Composition.assign(ErrorText);
  result.MolecularWeight.clear();
  ResizePercentLines(result, 0);
}

void FormulaEngine::ResizePercentLines(CalcResult& result, size_t count) {
  std::vector<Text>& lines = result.PercentLines;
  while (lines.size() > count) {
    spareLines_.push_back(std::move(lines.back()));
    lines.pop_back();
  }
  while (lines.size() < count) {
    if (spareLines_.empty()) {
      lines.emplace_back();
    } else {
      lines.push_back(std::move(spareLines_.back()));
      spareLines_.pop_back();
    }
  }
}

void FormulaEngine::CalculateFormula(const Text& input, bool replaceGroups, char16_t decimalPoint,
                                     CalcResult& result) {
  if (input.size() > static_cast<size_t>(MaxFormulaLen))
    return Fail(result, {SyntaxError::FormulaTooLong, 0, 0});
  formula_ = input;
  if (replaceGroups && !ExpandGroups()) return Fail(result, {SyntaxError::ExpansionTooLong, 0, 0});
  if (!parser_.Parse(formula_)) {
    Fail(result, parser_.Error());
    return LocateError(input, replaceGroups, result);
  }
  if (!Compose(result, decimalPoint)) return Fail(result, {SyntaxError::OutOfRange, 0, 0});
  Percentages(result, decimalPoint);
  result.Status = CalcStatus::Ok;
  result.Error = ParseError{};
  result.TypedPosition = 0;
  result.InGroupFormula = false;
}

void FormulaEngine::LocateError(const Text& input, bool replaceGroups, CalcResult& result) {
  if (!replaceGroups || formula_ == input) return;
  // Only a failed parse of an expanded text gets here, so repeating the
  // expansion with origins costs nothing on the common path.
  std::vector<int> origin(input.size());
  for (size_t i = 0; i < origin.size(); ++i) origin[i] = static_cast<int>(i) + 1;
  formula_ = input;
  ExpandGroups(&origin);
  const int from = origin[result.Error.Position - 1];
  result.TypedPosition = from > 0 ? from : -from;
  result.InGroupFormula = from < 0;
}

bool FormulaEngine::NoAbbreviationIn() const {
  if (unusualAbbrev_) return false;
  for (size_t i = 0; i + 1 < formula_.size(); ++i)
    if (formula_[i] < 128 && formula_[i + 1] < 128 &&
        abbrevStarts_.test(formula_[i] * 128 + formula_[i + 1]))
      return false;
  return true;
}

bool FormulaEngine::ExpandGroups(std::vector<int>* origin) {
  // Nothing is replaced unless an abbreviation occurs in the text as given:
  // later groups only see text that earlier ones inserted.
  if (NoAbbreviationIn()) return true;
  CharSet chars;
  chars.Add(formula_);
  for (size_t i = 0; i < replacements_.size(); ++i) {
    const Text& abbrev = tables_.Groups.Slots[i].GroupAbbrev;
    // An empty abbreviation would match everywhere and never end.
    if (abbrev.empty() || !chars.MayHold(abbrev[0])) continue;
    size_t p = formula_.find(abbrev);
    if (p == Text::npos) continue;
    const Text& replacement = replacements_[i];
    chars.Merge(replacementChars_[i]);
    while (p != Text::npos) {
      formula_.replace(p, abbrev.size(), replacement);
      if (origin) {
        const int from = (*origin)[p] > 0 ? -(*origin)[p] : (*origin)[p];
        origin->erase(origin->begin() + p, origin->begin() + p + abbrev.size());
        origin->insert(origin->begin() + p, replacement.size(), from);
      }
      // An abbreviation inside its own formula would grow the text for ever;
      // the length limit ends it.
      if (formula_.size() > static_cast<size_t>(MaxFormulaLen)) return false;
      // The next search starts right after the inserted "(".
      p = formula_.find(abbrev, p + 1);
    }
  }
  return true;
}

bool FormulaEngine::Compose(CalcResult& result, char16_t decimalPoint) {
  // Only the elements the formula names can have a positive count; they are
  // walked in element-number order, as the sums and texts require.
  const AtomCounts& counts = parser_.Counts();
  presentCount_ = 0;
  bool finite = true;
  parser_.Present().ForEach([&](int n) {
    // A count that left the float range (inf, or nan from inf times 0) has
    // no meaningful weight.
    finite = finite && std::isfinite(counts[n]);
    if (counts[n] > 0) present_[presentCount_++] = n;
  });
  if (!finite) return false;

  // The parser knows only symbols of 2 characters, so each item of the
  // composition takes at most 2 + MaxNumberLen.
  const ElementTable& elements = tables_.Elements;
  char16_t text[ElementCount * (2 + MaxNumberLen)];
  char16_t* end = text;
  weight_ = 0;
  for (int i = 0; i < presentCount_; ++i) {
    const int n = present_[i];
    weight_ = static_cast<float>(static_cast<double>(elements[n].AtomicWeight) * counts[n] + weight_);
    end[0] = symbols_[n].Chars[0];
    end[1] = symbols_[n].Chars[1];
    end += symbols_[n].Size;
    end = PutShortNumber(end, counts[n]);
  }
  if (!std::isfinite(weight_)) return false;
  result.Composition.assign(text, end);
  result.MolecularWeight.assign(text, PutGeneralNumber(text, weight_, decimalPoint));
  return true;
}

void FormulaEngine::Percentages(CalcResult& result, char16_t decimalPoint) {
  const ElementTable& elements = tables_.Elements;
  const AtomCounts& counts = parser_.Counts();
  ResizePercentLines(result, presentCount_);
  for (int i = 0; i < presentCount_; ++i) {
    const int n = present_[i];
    // The symbol as stored (2 characters, as the parser knows them), a tab, the field.
    char16_t text[3 + MaxNumberLen];
    text[0] = elements[n].AtomSymbol[0];
    text[1] = elements[n].AtomSymbol[1];
    text[2] = Tab;
    char16_t* end = text + 3;
    // A weight of 0 (possible only with zero or negative atomic weights) gives no fraction.
    const float fraction =
        weight_ == 0 ? std::numeric_limits<float>::quiet_NaN()
                     : static_cast<float>(static_cast<double>(elements[n].AtomicWeight) * counts[n] / weight_);
    if (std::isfinite(fraction))
      end = PutPercentField(end, fraction, decimalPoint);
    else
      end = std::copy(NoPercentField.begin(), NoPercentField.end(), end);
    result.PercentLines[i].assign(text, end);
  }
}

}  // namespace zorvan
