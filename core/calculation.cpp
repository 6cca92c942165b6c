#include "core/calculation.h"

#include <algorithm>  // std::copy
#include <cmath>
#include <limits>

#include "core/number_forms.h"

namespace zorvan {

namespace {

// The two characters at `i` as first * 128 + second, or 0 when either is not
// ASCII: at worst a needless search, for an abbreviation of two NULs.
size_t PairAt(std::u16string_view text, size_t i) {
  const size_t first = text[i], second = text[i + 1];
  return (first | second) < 128 ? first * 128 + second : 0;
}

}  // namespace

FormulaEngine::FormulaEngine(const ReferenceTables& tables) : tables_(tables), parser_(tables.Elements) {
  for (int n = 1; n <= ElementCount; ++n) {
    for (const char16_t c : std::u16string_view(tables.Elements[n].AtomSymbol).substr(0, 2))
      if (c != Space) symbols_[n].Chars[symbols_[n].Size++] = c;
  }
  static_assert(GroupCapacity < 255, "a group's slot + 1 fits in a byte");
  const std::vector<Group>& groups = tables.Groups.Slots;
  nextGroupOfPair_.assign(groups.size(), 0);
  // Filled from the last group back, so that each chain runs in table order.
  for (size_t g = groups.size(); g-- > 0;) {
    const Text& abbrev = groups[g].GroupAbbrev;
    if (abbrev.empty()) continue;  // never searched for: it would match everywhere
    if (abbrev.size() < 2 || abbrev[0] >= 128 || abbrev[1] >= 128 || abbrev[0] == u')' || abbrev[1] == u'(') {
      unusualAbbrev_ = true;
      continue;
    }
    uint8_t& first = firstGroupOfPair_[abbrev[0] * 128 + abbrev[1]];
    nextGroupOfPair_[g] = first;
    first = static_cast<uint8_t>(g + 1);
  }
  for (const Group& group : groups) replacements_.push_back(u"(" + group.GroupFormula + u")");
  // An inserted formula brings the pairs inside its parentheses; the pairs it
  // forms with its neighbours hold a parenthesis, which no abbreviation
  // starting with a usual pair does.
  for (const Text& replacement : replacements_) AddGroupsIn(replacement, groupsInReplacement_.emplace_back());
}

CalcResult FormulaEngine::CalculateFormula(const Text& input, bool replaceGroups, char16_t decimalPoint) {
  CalcResult result;
  CalculateFormula(input, replaceGroups, decimalPoint, result);
  return result;
}

void FormulaEngine::Fail(CalcResult& result, ParseError error) {
  result.Status = CalcStatus::SyntaxError;
  result.Error = error;
  result.TypedPosition = error.Position;
  result.InGroupFormula = false;
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

void FormulaEngine::CalculateFormula(const Text& input, bool replaceGroups, char16_t decimalPoint, CalcResult& result) {
  Calculate(input, replaceGroups, result);
  // The texts outlive `input`, and so must the parsed text that explains an error.
  if (parsed_.data() != formula_.data()) {
    formula_.assign(parsed_);
    parsed_ = formula_;
  }
  if (result.Status != CalcStatus::Ok) {
    result.Composition.assign(ErrorText);
    result.MolecularWeight.clear();
    ResizePercentLines(result, 0);
    return;
  }
  char16_t text[MaxCompositionLen];
  result.Composition.assign(text, PutComposition(text));
  result.MolecularWeight.assign(text, PutMolecularWeight(text, decimalPoint));
  ResizePercentLines(result, presentCount_);
  for (int i = 0; i < presentCount_; ++i) result.PercentLines[i].assign(text, PutPercentLine(text, i, decimalPoint));
}

void FormulaEngine::Calculate(std::u16string_view input, bool replaceGroups, CalcResult& result) {
  Run(input, replaceGroups, true, result);
}

void FormulaEngine::CalculateCounts(std::u16string_view input, bool replaceGroups, CalcResult& result) {
  Run(input, replaceGroups, false, result);
}

void FormulaEngine::Run(std::u16string_view input, bool replaceGroups, bool texts, CalcResult& result) {
  parsed_ = input;
  if (input.size() > static_cast<size_t>(MaxFormulaLen)) return Fail(result, {SyntaxError::FormulaTooLong, 0, 0});
  if (replaceGroups && !ExpandGroups(input)) return Fail(result, {SyntaxError::ExpansionTooLong, 0, 0});
  if (!parser_.Parse(parsed_)) {
    Fail(result, parser_.Error());
    return LocateError(input, replaceGroups, result);
  }
  if (!(texts ? Compose() : CountsInRange())) return Fail(result, {SyntaxError::OutOfRange, 0, 0});
  result.Status = CalcStatus::Ok;
  result.Error = ParseError{};
  result.TypedPosition = 0;
  result.InGroupFormula = false;
}

void FormulaEngine::LocateError(std::u16string_view input, bool replaceGroups, CalcResult& result) {
  const int from = Origin(input, replaceGroups, result.Error.Position);
  result.TypedPosition = from > 0 ? from : -from;
  result.InGroupFormula = from < 0;
}

int FormulaEngine::Origin(std::u16string_view input, bool replaceGroups, int position) {
  if (!replaceGroups || parsed_ == input) return position;
  // Only a failed parse or an explanation gets here, so repeating the
  // expansion with origins costs nothing on the common path; it leaves the
  // same parsed text.
  std::vector<int> origin(input.size());
  for (size_t i = 0; i < origin.size(); ++i) origin[i] = static_cast<int>(i) + 1;
  ExpandGroups(input, &origin);
  return origin[position - 1];
}

void FormulaEngine::AddGroupsIn(std::u16string_view text, GroupSet& groups) const {
  // In most formulas no abbreviation's pair occurs, and the inner loop never runs.
  for (size_t i = 0; i + 1 < text.size(); ++i)
    for (unsigned g = firstGroupOfPair_[PairAt(text, i)]; g != 0; g = nextGroupOfPair_[g - 1]) groups.set(g - 1);
}

bool FormulaEngine::ExpandGroups(std::u16string_view input, std::vector<int>* origin) {
  // Only the groups whose abbreviation may occur are searched for: later
  // groups see the text as given and the formulas earlier ones inserted.
  GroupSet candidates;
  if (unusualAbbrev_)
    candidates.set();
  else
    AddGroupsIn(input, candidates);
  // Most formulas hold no abbreviation and are parsed where they are.
  if (candidates.none()) return true;
  formula_ = input;
  for (size_t i = 0; i < replacements_.size() && candidates.any(); ++i) {
    if (!candidates.test(i)) continue;
    candidates.reset(i);
    const Text& abbrev = tables_.Groups.Slots[i].GroupAbbrev;
    // An empty abbreviation would match everywhere and never end.
    if (abbrev.empty()) continue;
    size_t p = formula_.find(abbrev);
    if (p == Text::npos) continue;
    const Text& replacement = replacements_[i];
    candidates |= groupsInReplacement_[i];
    while (p != Text::npos) {
      formula_.replace(p, abbrev.size(), replacement);
      if (origin) {
        const int from = (*origin)[p] > 0 ? -(*origin)[p] : (*origin)[p];
        origin->erase(origin->begin() + p, origin->begin() + p + abbrev.size());
        origin->insert(origin->begin() + p, replacement.size(), from);
      }
      // An abbreviation inside its own formula would grow the text for ever;
      // the length limit ends it.
      if (formula_.size() > static_cast<size_t>(MaxFormulaLen)) {
        parsed_ = formula_;
        return false;
      }
      // The next search starts right after the inserted "(".
      p = formula_.find(abbrev, p + 1);
    }
  }
  parsed_ = formula_;  // the replacements may have moved it
  return true;
}

bool FormulaEngine::Compose() {
  // Only the elements the formula names can have a positive count; they are
  // walked in element-number order, as the sums and texts require.
  const AtomCounts& counts = parser_.Counts();
  // Summed in locals, not in the members: the sum is a chain of dependent
  // steps, and a round trip through memory at each would lengthen it.
  int count = 0;
  float weight = 0;
  bool finite = true;
  parser_.Present().ForEach([&](int n) {
    // A count that left the float range (inf, or nan from inf times 0) has
    // no meaningful weight.
    finite = finite && std::isfinite(counts[n]);
    if (counts[n] > 0) {
      present_[count++] = n;
      weight = static_cast<float>(static_cast<double>(tables_.Elements[n].AtomicWeight) * counts[n] + weight);
    }
  });
  presentCount_ = count;
  weight_ = weight;
  for (int i = 0; i < count; ++i) {
    const int n = present_[i];
    // A weight of 0 (possible only with zero or negative atomic weights) gives no fraction.
    fractions_[i] =
        weight == 0 ? std::numeric_limits<float>::quiet_NaN()
                    : static_cast<float>(static_cast<double>(tables_.Elements[n].AtomicWeight) * counts[n] / weight);
  }
  return finite && std::isfinite(weight_);
}

bool FormulaEngine::CountsInRange() {
  // Compose's weight, rounded to a float at each step, can only overflow
  // when the magnitudes of its terms, summed in double without those
  // roundings, come near the float limit; far below it the answer is known
  // without Compose's chain of conversions, each waiting for the one before.
  const AtomCounts& counts = parser_.Counts();
  bool finite = true;
  double bound = 0;
  parser_.Present().ForEach([&](int n) {
    finite = finite && std::isfinite(counts[n]);
    if (counts[n] > 0) bound += std::fabs(static_cast<double>(tables_.Elements[n].AtomicWeight) * counts[n]);
  });
  return finite && (bound < 1e36 || Compose());
}

}  // namespace zorvan
