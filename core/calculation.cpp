#include "core/calculation.h"

#include <algorithm>  // std::ranges::count
#include <charconv>   // std::from_chars
#include <cmath>
#include <cstring>  // std::memcpy
#include <limits>
#include <string>

#include "core/explain.h"

namespace zorvan {

namespace {

// The two characters at `i` as first * 128 + second, or 0 when either is not
// ASCII: at worst a needless search, for an abbreviation of two NULs.
size_t PairAt(std::u16string_view text, size_t i) {
  const size_t first = text[i], second = text[i + 1];
  return (first | second) < 128 ? first * 128 + second : 0;
}

}  // namespace

FormulaEngine::FormulaEngine(const ReferenceTables& tables)
    : tables_(tables), weights_(tables.Elements), parser_(tables.Elements) {
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

Calculation FormulaEngine::Calculate(std::u16string_view input, const CalcOptions& options) {
  Calculation c;
  Calculate(input, options, c);
  return c;
}

void FormulaEngine::Calculate(std::u16string_view input, const CalcOptions& options, Calculation& c) {
  Run(input, options, c);
  if (options.Notes)
    Explain(input, options, c);
  else
    c.Notes.clear();
  if (options.Detail == CalcDetail::Texts) {
    c.Parsed.assign(parsed_);
    FormTexts(options.DecimalPoint, c);
  }
  if (options.Parts)
    FindParts(input, options.ReplaceGroups, c);
  else
    c.Parts.clear();
}

void FormulaEngine::Fail(Calculation& c, ParseError error) {
  c.Status = CalcStatus::SyntaxError;
  c.Error = error;
  c.TypedPosition = error.Position;
  c.InGroupFormula = false;
  c.Named.ForEach([&](int n) { c.Counts[n] = 0; });
  c.Named = ElementSet{};
  c.Shares.Size = 0;
  c.Shares.Weight = 0;
}

void FormulaEngine::Run(std::u16string_view input, const CalcOptions& options, Calculation& c) {
  parsed_ = input;
  if (input.size() > static_cast<size_t>(MaxFormulaLen)) return Fail(c, {SyntaxError::FormulaTooLong, 0, 0});
  if (options.ReplaceGroups && !ExpandGroups(input, formula_, parsed_))
    return Fail(c, {SyntaxError::ExpansionTooLong, 0, 0});
  if (!parser_.Parse(parsed_, c.Counts, c.Named)) {
    Fail(c, parser_.Error());
    const int from = Origin(input, options.ReplaceGroups, c.Error.Position);
    c.TypedPosition = from > 0 ? from : -from;
    c.InGroupFormula = from < 0;
    return;
  }
  const bool inRange = options.Detail == CalcDetail::Counts ? weights_.InRange(c.Counts, c.Named)
                                                            : weights_.Weigh(c.Counts, c.Named, c.Shares);
  if (!inRange) return Fail(c, {SyntaxError::OutOfRange, 0, 0});
  if (options.Detail == CalcDetail::Counts) c.Shares.Size = 0;
  c.Status = CalcStatus::Ok;
  c.Error = ParseError{};
  c.TypedPosition = 0;
  c.InGroupFormula = false;
}

void FormulaEngine::Explain(std::u16string_view input, const CalcOptions& options, Calculation& c) const {
  c.Notes = ExplainFormula(
      c, parsed_, input, [&](int position) { return Origin(input, options.ReplaceGroups, position); },
      options.ReplaceGroups, tables_);
}

void FormulaEngine::FormTexts(char16_t decimalPoint, Calculation& c) {
  if (c.Status != CalcStatus::Ok) {
    c.Composition.assign(ErrorText);
    c.MolecularWeight.clear();
    c.PercentLines.clear();
    return;
  }
  char16_t text[MaxCompositionLen];
  c.Composition.assign(text, PutComposition(text, c.Shares));
  c.MolecularWeight.assign(text, PutMolecularWeight(text, c.Shares, decimalPoint));
  c.PercentLines.resize(static_cast<size_t>(c.Shares.Size));
  for (int i = 0; i < c.Shares.Size; ++i)
    c.PercentLines[i].assign(text, PutPercentLine(text, c.Shares.Elements[i], decimalPoint));
}

void FormulaEngine::FindParts(std::u16string_view input, bool replaceGroups, Calculation& c) {
  const size_t count = c.Status == CalcStatus::Ok ? 1 + static_cast<size_t>(std::ranges::count(input, u'*')) : 0;
  c.Parts.resize(count);
  if (count == 1) {
    // The whole formula is its one part.
    FormulaPart& part = c.Parts[0];
    part.Typed.assign(input);
    part.CountLength = 0;
    part.Multiplier = 1;
    part.Named.ForEach([&](int n) { part.Counts[n] = 0; });
    part.Named = c.Named;
    part.Named.ForEach([&](int n) { part.Counts[n] = c.Counts[n]; });
    return;
  }
  size_t begin = 0;
  for (size_t k = 0; k < count; ++k) {
    const size_t end = std::min(input.find(u'*', begin), input.size());
    FormulaPart& part = c.Parts[k];
    part.Typed.assign(input.substr(begin, end - begin));
    size_t countEnd = 0;
    if (k > 0)
      while (countEnd < part.Typed.size() && (IsAsciiDigit(part.Typed[countEnd]) || part.Typed[countEnd] == u'.'))
        ++countEnd;
    part.CountLength = static_cast<int>(countEnd);
    part.Multiplier = 1;
    if (countEnd > 0) {
      // The whole formula calculated, so the count reads as the parser read it.
      const std::string ascii(part.Typed.begin(), part.Typed.begin() + static_cast<std::ptrdiff_t>(countEnd));
      double value = 1;
      std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::fixed);
      part.Multiplier = static_cast<float>(value);
    }
    if (!ParseAlone(std::u16string_view(part.Typed).substr(countEnd), replaceGroups, part.Counts, part.Named)) {
      c.Parts.clear();
      return;
    }
    begin = end + 1;
  }
}

bool FormulaEngine::ParseAlone(std::u16string_view text, bool replaceGroups, AtomCounts& counts, ElementSet& named) {
  std::u16string_view expanded = text;
  return (!replaceGroups || ExpandGroups(text, formula_, expanded)) && parser_.Parse(expanded, counts, named);
}

int FormulaEngine::Origin(std::u16string_view input, bool replaceGroups, int position) const {
  if (!replaceGroups || parsed_ == input) return position;
  // Only a failed parse or an explanation gets here, so repeating the
  // expansion with origins costs nothing on the common path; it goes into a
  // scratch text, so the parsed one stays where it is.
  std::vector<int> origin(input.size());
  for (size_t i = 0; i < origin.size(); ++i) origin[i] = static_cast<int>(i) + 1;
  Text scratch;
  std::u16string_view expanded;
  ExpandGroups(input, scratch, expanded, &origin);
  return origin[position - 1];
}

void FormulaEngine::AddGroupsIn(std::u16string_view text, GroupSet& groups) const {
  // In most formulas no abbreviation's pair occurs, and the inner loop never runs.
  for (size_t i = 0; i + 1 < text.size(); ++i)
    for (unsigned g = firstGroupOfPair_[PairAt(text, i)]; g != 0; g = nextGroupOfPair_[g - 1]) groups.set(g - 1);
}

bool FormulaEngine::ExpandGroups(std::u16string_view input, Text& out, std::u16string_view& expanded,
                                 std::vector<int>* origin) const {
  expanded = input;
  // Only the groups whose abbreviation may occur are searched for: later
  // groups see the text as given and the formulas earlier ones inserted.
  GroupSet candidates;
  if (unusualAbbrev_)
    candidates.set();
  else
    AddGroupsIn(input, candidates);
  // Most formulas hold no abbreviation and are parsed where they are.
  if (candidates.none()) return true;
  out = input;
  expanded = out;
  for (size_t i = 0; i < replacements_.size() && candidates.any(); ++i) {
    if (!candidates.test(i)) continue;
    candidates.reset(i);
    const Text& abbrev = tables_.Groups.Slots[i].GroupAbbrev;
    // An empty abbreviation would match everywhere and never end.
    if (abbrev.empty()) continue;
    size_t p = out.find(abbrev);
    if (p == Text::npos) continue;
    const Text& replacement = replacements_[i];
    candidates |= groupsInReplacement_[i];
    while (p != Text::npos) {
      out.replace(p, abbrev.size(), replacement);
      if (origin) {
        const int from = (*origin)[p] > 0 ? -(*origin)[p] : (*origin)[p];
        origin->erase(origin->begin() + p, origin->begin() + p + abbrev.size());
        origin->insert(origin->begin() + p, replacement.size(), from);
      }
      // An abbreviation inside its own formula would grow the text for ever;
      // the length limit ends it.
      if (out.size() > static_cast<size_t>(MaxFormulaLen)) {
        expanded = out;
        return false;
      }
      // The next search starts right after the inserted "(".
      p = out.find(abbrev, p + 1);
    }
  }
  expanded = out;  // the replacements may have moved it
  return true;
}

AtomicWeights::AtomicWeights(const ElementTable& elements) {
  for (int n = 1; n <= ElementCount; ++n) {
    atoms_[n].Weight = elements[n].AtomicWeight;
    for (int i = 0; i < 2 && i < static_cast<int>(elements[n].AtomSymbol.size()); ++i)
      atoms_[n].Symbol[i] = elements[n].AtomSymbol[i];
  }
}

bool AtomicWeights::Weigh(const AtomCounts& counts, const ElementSet& named, WeightShares& out) const {
  // Only the elements named can have a positive count; they are walked in
  // element-number order, as the sums and texts require. Summed in locals,
  // not in `out`: the sum is a chain of dependent steps, and a round trip
  // through memory at each would lengthen it.
  int size = 0;
  float weight = 0;
  bool finite = true;
  named.ForEach([&](int n) {
    // A count that left the float range (inf, or nan from inf times 0) has
    // no meaningful weight.
    finite = finite && std::isfinite(counts[n]);
    if (counts[n] > 0) {
      ElementShare& e = out.Elements[size++];
      e.Number = n;
      e.Count = counts[n];
      std::memcpy(e.Symbol, atoms_[n].Symbol, sizeof e.Symbol);
      weight = static_cast<float>(static_cast<double>(atoms_[n].Weight) * counts[n] + weight);
    }
  });
  out.Size = size;
  out.Weight = weight;
  // The fractions are formed together, after the sum: the divisions then
  // overlap instead of each waiting for the one before.
  for (int i = 0; i < size; ++i) {
    ElementShare& e = out.Elements[i];
    // A weight of 0 (possible only with zero or negative atomic weights) gives no fraction.
    e.Fraction = weight == 0 ? std::numeric_limits<float>::quiet_NaN()
                             : static_cast<float>(static_cast<double>(atoms_[e.Number].Weight) * e.Count / weight);
  }
  return finite && std::isfinite(weight);
}

bool AtomicWeights::InRange(const AtomCounts& counts, const ElementSet& named) const {
  // Weigh's weight, rounded to a float at each step, can only overflow
  // when the magnitudes of its terms, summed in double without those
  // roundings, come near the float limit; far below it the answer is known
  // without Weigh's chain of conversions, each waiting for the one before.
  bool finite = true;
  double bound = 0;
  named.ForEach([&](int n) {
    finite = finite && std::isfinite(counts[n]);
    if (counts[n] > 0) bound += std::fabs(static_cast<double>(atoms_[n].Weight) * counts[n]);
  });
  if (!finite) return false;
  if (bound < 1e36) return true;
  WeightShares shares;
  return Weigh(counts, named, shares);
}

}  // namespace zorvan
