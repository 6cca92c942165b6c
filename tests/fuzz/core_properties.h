// Properties of the record reader, the tables, the calculation and the batch
// report that hold for every input, and the inputs of the core fuzz targets.
// Each check returns an empty string when its properties hold and otherwise
// a description of the first broken one.
#pragma once

#include <algorithm>  // std::min
#include <array>
#include <cctype>  // std::tolower
#include <cmath>
#include <cstdlib>  // std::strtod
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/calculation.h"
#include "core/formula_parser.h"
#include "core/record_reader.h"
#include "core/reference_tables.h"
#include "core/report.h"
#include "core/text.h"
#include "tests/fuzz/fuzz_input.h"

namespace zorvan::fuzz {

inline constexpr float Zero = 0;

inline bool IsUpperAscii(char16_t c) { return c >= u'A' && c <= u'Z'; }
inline bool IsLowerAscii(char16_t c) { return c >= u'a' && c <= u'z'; }
inline bool IsDigitAscii(char16_t c) { return c >= u'0' && c <= u'9'; }

// Rounds once to a 32-bit float, as every stored count and weight is.
inline float Round32(double v) { return static_cast<float>(v); }

// The parsing rules written out a second time as a plain recursive descent
// (one call per level, a scratch array per call, a full 103-element pass at
// every step), to serve as the oracle for the stack-based FormulaParser and
// its element sets: for every formula both must give the same error or the
// same counts, bit for bit.
class ReferenceParser {
 public:
  enum class Outcome { Counts, Error, TooDeep };

  explicit ReferenceParser(const ElementTable& elements) : elements_(elements) {}

  // Parses `formula` into `counts`. Returns TooDeep, with `counts` meaningless,
  // when the nesting exceeds what this recursive oracle may put on the stack.
  Outcome Parse(const Text& formula, AtomCounts& counts) {
    formula_ = &formula;
    len_ = static_cast<long>(formula.size());
    cursor_ = 0;
    depth_ = 0;
    error_ = false;
    tooDeep_ = false;
    Group(counts);
    if (tooDeep_) return Outcome::TooDeep;
    return error_ ? Outcome::Error : Outcome::Counts;
  }

 private:
  static constexpr int MaxDepth = 1000;

  char16_t At(long position) const {
    return position >= 1 && position <= len_ ? (*formula_)[position - 1] : u' ';
  }
  static bool IsNumberChar(char16_t c) { return IsDigitAscii(c) || c == u'.'; }

  void Group(AtomCounts& counts) {
    counts.fill(0);
    if (++depth_ > MaxDepth) {
      tooDeep_ = error_ = true;
      --depth_;
      return;
    }
    AtomCounts scratch;
    while (true) {
      ++cursor_;
      if (cursor_ > len_) break;
      char16_t c = At(cursor_);
      if (c == u'(') {
        Group(scratch);
        if (error_) break;
        for (int n = 1; n <= ElementCount; ++n)
          counts[n] = Round32(static_cast<double>(counts[n]) + scratch[n]);
      } else if (IsUpperAscii(c)) {
        int element = 0;
        float count = 0;
        Element(c, element, count);
        if (error_) break;
        counts[element] = Round32(static_cast<double>(counts[element]) + count);
      } else if (c == u'*') {
        float multiplier = Round32(Number());
        Group(scratch);
        if (error_) break;
        for (int n = 1; n <= ElementCount; ++n)
          counts[n] = Round32(static_cast<double>(multiplier) * scratch[n] + counts[n]);
      } else if (c == u')') {
        float multiplier = Round32(Number());
        for (int n = 1; n <= ElementCount; ++n)
          counts[n] = Round32(static_cast<double>(multiplier) * counts[n]);
        break;
      } else {
        error_ = true;
        break;
      }
    }
    --depth_;
  }

  void Element(char16_t first, int& element, float& count) {
    char16_t second = u' ';
    if (cursor_ < len_ && IsLowerAscii(At(cursor_ + 1))) {
      second = At(cursor_ + 1);
      ++cursor_;
    }
    element = 0;
    // The first equal entry wins.
    for (int n = 1; n <= ElementCount && element == 0; ++n) {
      const Text& s = elements_.AtomSymbol[n];
      if (s.size() == 2 && s[0] == first && s[1] == second) element = n;
    }
    if (element == 0) {
      error_ = true;
      return;
    }
    count = cursor_ == len_ ? 1.0f : Round32(Number());
  }

  double Number() {
    if (!IsNumberChar(At(cursor_ + 1))) return 1;
    std::string digits;
    int points = 0;
    while (cursor_ <= len_ && IsNumberChar(At(cursor_ + 1))) {
      points += At(cursor_ + 1) == u'.';
      digits.push_back(static_cast<char>(At(cursor_ + 1)));
      ++cursor_;
    }
    if (points > 1 || digits.size() == static_cast<size_t>(points)) {
      error_ = true;
      return 0;
    }
    // strtod, not from_chars: the oracle should not share the engine's
    // conversion. The process runs in the "C" locale, so "." is the point.
    double value = std::strtod(digits.c_str(), nullptr);
    // A count beyond the float range is an error in this engine.
    if (std::isinf(Round32(value))) {
      error_ = true;
      return 0;
    }
    return value;
  }

  const ElementTable& elements_;
  const Text* formula_ = nullptr;
  long len_ = 0;
  long cursor_ = 0;
  int depth_ = 0;
  bool error_ = false;
  bool tooDeep_ = false;
};

// Expands the groups as the rules state them: slot by slot, each occurrence
// replaced by "(" formula ")" and the search resumed one character after the
// replacement's start. Returns false once the text outgrows MaxFormulaLen.
// Empty abbreviations are skipped, as the engine skips them.
inline bool ReferenceExpand(const GroupTable& groups, Text& formula) {
  for (int slot = 0; slot <= groups.GroupLast(); ++slot) {
    const Text& abbrev = groups.GroupAbbrev[slot];
    if (abbrev.empty()) continue;
    const Text replacement = u"(" + groups.GroupFormula[slot] + u")";
    for (size_t p = formula.find(abbrev); p != Text::npos; p = formula.find(abbrev, p + 1)) {
      formula.replace(p, abbrev.size(), replacement);
      if (formula.size() > static_cast<size_t>(MaxFormulaLen)) return false;
    }
  }
  return true;
}

// True when the element table is an ordinary one: every symbol an upper-case
// letter and a lower-case letter or space, no symbol twice, every weight
// positive. Only then can a composition be read back unambiguously and do the
// percentages add up to 100.
inline bool IsOrdinaryTable(const ElementTable& elements) {
  bool seen[26][27] = {};
  for (int n = 1; n <= ElementCount; ++n) {
    const Text& s = elements.AtomSymbol[n];
    if (s.size() != 2 || !IsUpperAscii(s[0]) || !(IsLowerAscii(s[1]) || s[1] == u' ')) return false;
    if (!(elements.AtomicWeight[n] > 0)) return false;
    bool& slot = seen[s[0] - u'A'][s[1] == u' ' ? 26 : s[1] - u'a'];
    if (slot) return false;
    slot = true;
  }
  return true;
}

// True when `text` shows "inf" or "nan", in any case: what a formatted
// infinity or not-a-number would look like.
inline bool HoldsInfOrNan(std::u16string_view text) {
  std::string lower;
  for (char16_t c : text) lower.push_back(c < 0x80 ? static_cast<char>(std::tolower(c)) : '?');
  return lower.find("inf") != std::string::npos || lower.find("nan") != std::string::npos;
}

// Parses the whole of `text` as a decimal number ("12", ".5", "1.2E+07"),
// `point` being its decimal point; nullopt when it is not one.
inline std::optional<double> ParseShown(std::u16string_view text, char16_t point = u'.') {
  std::string ascii;
  for (char16_t c : text) {
    if (c == point) ascii.push_back('.');
    else if (IsDigitAscii(c) || c == u'E' || c == u'+' || c == u'-') ascii.push_back(static_cast<char>(c));
    else return std::nullopt;
  }
  if (ascii.empty()) return std::nullopt;
  char* end = nullptr;
  double v = std::strtod(ascii.c_str(), &end);
  if (end != ascii.c_str() + ascii.size()) return std::nullopt;
  return v;
}

// True when `text` is a general number form: at most 7 significant digits,
// no trailing zeros after the point and no trailing point; `leadingZero`
// tells whether a value below 1 keeps its "0" before the point.
inline bool IsGeneralForm(std::u16string_view text, bool leadingZero, char16_t point = u'.') {
  std::u16string_view mantissa = text.substr(0, text.find(u'E'));
  size_t dot = mantissa.find(point);
  if (dot != std::u16string_view::npos) {
    if (dot + 1 == mantissa.size() || mantissa.back() == u'0') return false;
    if (!leadingZero && mantissa.starts_with(u"0")) return false;
    if (leadingZero && dot == 0) return false;
  }
  int significant = 0;
  bool started = false;
  for (char16_t c : mantissa) {
    if (!IsDigitAscii(c)) continue;
    started = started || c != u'0';
    significant += started;
  }
  // Whole numbers of up to 7 digits carry no trailing zeros to drop.
  return significant <= 7;
}

// Checks one calculation of `input` against the oracle and the shape rules
// of the three outputs.
inline std::string CheckCalculation(const ReferenceTables& tables, FormulaEngine& engine,
                                    const Text& input, bool groups, char16_t point = u'.') {
  Violations v;
  const std::string where = " [formula \"" + Show(input) + "\", groups " + (groups ? "on" : "off") + "]";
  const CalcResult r = engine.CalculateFormula(input, groups, point);
  const AtomCounts got = engine.Counts();
  const bool failed = r.Composition == ErrorText;

  // The shape of every result.
  if (failed) {
    v.Expect(r.MolecularWeight.empty() && r.PercentLines.empty() && r.Failed(),
             "\"Error!\" came with a weight or percent lines" + where);
  } else {
    v.Expect(!r.MolecularWeight.empty(), "a result without a molecular weight" + where);
  }
  v.Expect(!HoldsInfOrNan(r.Composition) && !HoldsInfOrNan(r.MolecularWeight),
           "inf or nan shown: " + Show(r.Composition) + " / " + Show(r.MolecularWeight) + where);
  for (const Text& line : r.PercentLines)
    v.Expect(!HoldsInfOrNan(line), "inf or nan in a percent line: " + Show(line) + where);
  if (!v.Ok()) return v.Message();

  // The oracle: expansion, then the recursive parse.
  Text expanded = input;
  const bool fits = input.size() <= static_cast<size_t>(MaxFormulaLen) &&
                    (!groups || ReferenceExpand(tables.Groups, expanded));
  if (!fits) {
    v.Expect(failed, "a formula longer than MaxFormulaLen was calculated" + where);
    return v.Message();
  }
  if (groups) {
    // Expanding first and calculating without groups is the same calculation.
    const CalcResult plain = engine.CalculateFormula(expanded, false, point);
    v.Expect(plain.Composition == r.Composition && plain.MolecularWeight == r.MolecularWeight &&
                 plain.PercentLines == r.PercentLines,
             "groups on differs from the expanded text with groups off: " + Show(r.Composition) +
                 " vs " + Show(plain.Composition) + where);
  }
  AtomCounts ref{};
  const ReferenceParser::Outcome outcome = ReferenceParser(tables.Elements).Parse(expanded, ref);
  if (outcome == ReferenceParser::Outcome::TooDeep) return v.Message();
  if (outcome == ReferenceParser::Outcome::Error) {
    v.Expect(failed, "the rules give a syntax error but the engine shows " + Show(r.Composition) + where);
    return v.Message();
  }

  const ElementTable& el = tables.Elements;
  bool finite = true;
  float weight = 0;
  std::vector<int> present;
  for (int n = 1; n <= ElementCount; ++n) {
    finite = finite && std::isfinite(ref[n]);
    if (!(ref[n] > 0)) continue;
    present.push_back(n);
    weight = Round32(static_cast<double>(el.AtomicWeight[n]) * ref[n] + weight);
  }
  if (!finite || !std::isfinite(weight)) {
    // Counts or a weight beyond the float range cannot be shown.
    v.Expect(failed, "a count or weight beyond the float range was shown: " + Show(r.Composition) + where);
    return v.Message();
  }
  if (!v.Expect(!failed, "the rules give counts but the engine shows \"Error!\"" + where)) return v.Message();

  for (int n = 1; n <= ElementCount; ++n)
    if (std::memcmp(&got[n], &ref[n], sizeof(float)) != 0) {
      v.Add("count of element " + std::to_string(n) + " is " + std::to_string(got[n]) + ", the rules give " +
            std::to_string(ref[n]) + where);
      return v.Message();
    }

  // The molecular weight: the float sum rounded to 7 significant digits.
  std::optional<double> shownWeight = ParseShown(r.MolecularWeight, point);
  if (!v.Expect(shownWeight.has_value() && IsGeneralForm(r.MolecularWeight, true, point),
                "molecular weight not in the general number form: " + Show(r.MolecularWeight) + where))
    return v.Message();
  v.Expect(weight == 0 ? r.MolecularWeight == u"0"
                       : std::fabs(*shownWeight - weight) <= 5.0001e-7 * std::fabs(weight),
           "molecular weight " + Show(r.MolecularWeight) + " is not " + std::to_string(weight) + where);

  // One percent line per element present, in element order.
  if (!v.Expect(r.PercentLines.size() == present.size(),
                std::to_string(r.PercentLines.size()) + " percent lines for " + std::to_string(present.size()) +
                    " elements" + where))
    return v.Message();
  const bool ordinary = IsOrdinaryTable(el);
  double percentSum = 0;
  for (size_t i = 0; i < present.size(); ++i) {
    const int n = present[i];
    const Text& line = r.PercentLines[i];
    const Text head = el.AtomSymbol[n] + Tab;
    if (!v.Expect(line.size() >= head.size() + 7 && line.starts_with(head) && line.back() == u'%',
                  "percent line not symbol, tab and a 7-character field: " + Show(line) + where))
      return v.Message();
    const Text field = line.substr(head.size());
    const float fraction = weight != 0 ? Round32(static_cast<double>(el.AtomicWeight[n]) * ref[n] / weight) : 0;
    if (weight == 0 || !std::isfinite(fraction)) {
      v.Expect(field == NoPercentField, "percent field without a weight: " + Show(field) + where);
      continue;
    }
    size_t digitsAt = field.find_first_not_of(u' ');
    std::optional<double> percent = ParseShown(field.substr(digitsAt, field.size() - 1 - digitsAt), point);
    if (!v.Expect(percent.has_value() && (field.size() == 7 || digitsAt == 0),
                  "percent field malformed: " + Show(field) + where))
      return v.Message();
    // Half a hundredth from the rounding, and for the huge percentages of
    // negative weights the last bits of a double.
    const double exact = static_cast<double>(fraction) * 100;
    v.Expect(std::fabs(*percent - exact) <= 0.0050001 + 1e-12 * std::fabs(exact),
             "percent field " + Show(field) + " is not " + std::to_string(fraction * 100.0) + "%" + where);
    if (ordinary) v.Expect(field.size() == 7, "percent field wider than 7: " + Show(field) + where);
    percentSum += *percent;
  }
  if (!v.Ok() || !ordinary) return v.Message();
  // Each field is off by at most half a hundredth, and the float sum by a few ulps.
  if (!present.empty())
    v.Expect(std::fabs(percentSum - 100) <= 0.005 * present.size() + 0.01,
             "percentages add up to " + std::to_string(percentSum) + where);

  // The composition: each element's trimmed symbol and its count in the
  // short number form, in element order.
  size_t pos = 0;
  const Text& comp = r.Composition;
  bool scientific = false;
  bool wholeCounts = true;
  for (int n : present) {
    Text symbol = el.AtomSymbol[n];
    if (symbol[1] == u' ') symbol.pop_back();
    if (!v.Expect(comp.compare(pos, symbol.size(), symbol) == 0,
                  "composition " + Show(comp) + " lacks element " + std::to_string(n) + where))
      return v.Message();
    pos += symbol.size();
    size_t end = pos;
    while (end < comp.size() && (IsDigitAscii(comp[end]) || comp[end] == u'.')) ++end;
    if (end + 1 < comp.size() && comp[end] == u'E' && (comp[end + 1] == u'+' || comp[end + 1] == u'-')) {
      scientific = true;
      end += 2;
      while (end < comp.size() && IsDigitAscii(comp[end])) ++end;
    }
    const std::u16string_view count = std::u16string_view(comp).substr(pos, end - pos);
    std::optional<double> value = ParseShown(count);
    if (!v.Expect(value.has_value() && IsGeneralForm(count, false) &&
                      std::fabs(*value - ref[n]) <= 5.0001e-7 * ref[n],
                  "count " + Show(count) + " of element " + std::to_string(n) + " is not " +
                      std::to_string(ref[n]) + where))
      return v.Message();
    wholeCounts = wholeCounts && ref[n] < 1e7f && ref[n] == std::floor(ref[n]);
    pos = end;
  }
  if (!v.Expect(pos == comp.size(), "composition " + Show(comp) + " has surplus text" + where)) return v.Message();

  // Read back. A count in scientific form is not formula syntax, so only
  // compositions without one are formulas again.
  if (scientific) return v.Message();
  const CalcResult back = engine.CalculateFormula(comp, false, point);
  v.Expect(back.Composition == comp, "composition " + Show(comp) + " reads back as " + Show(back.Composition) + where);
  if (wholeCounts) {
    // Whole counts below 10^7 are exact in a float and in the text, so the
    // same sums are formed again.
    v.Expect(back.MolecularWeight == r.MolecularWeight && back.PercentLines == r.PercentLines,
             "composition " + Show(comp) + " reads back with weight " + Show(back.MolecularWeight) + where);
  } else if (std::optional<double> w2 = ParseShown(back.MolecularWeight, point); w2.has_value()) {
    // Each count read back is within 5e-7 of its value (7 digits); the float
    // sums of up to 103 positive terms add at most 103 * 2^-24 each way, and
    // each shown weight another 5e-7: 2 * 6.2e-6 + 1.5e-6 < 2e-5.
    v.Expect(std::fabs(*w2 - *shownWeight) <= 2e-5 * *shownWeight,
             "composition " + Show(comp) + " reads back with weight " + Show(back.MolecularWeight) + " for " +
                 Show(r.MolecularWeight) + where);
  } else {
    v.Add("composition " + Show(comp) + " reads back without a weight" + where);
  }
  return v.Message();
}

// The fields of a text read as one stream: those read while AtEnd() was
// false, and whether one more (empty) field was readable after that.
struct FieldStream {
  std::vector<Text> fields;
  bool trailingEmpty = false;
  // Returns how many fields a reader that never tests AtEnd() can read.
  size_t Readable() const { return fields.size() + trailingEmpty; }
};

// Checks the record reader as a plain stream of fields over `text`: a field
// can be read whenever AtEnd() is false, no field holds a line end, the
// stream ends after at most one field per character, and past the end at
// most one empty field (after a final comma) is left before ReadPastEnd.
// Fills `stream` with what was read.
inline std::string CheckRecordStream(const Text& text, FieldStream& stream) {
  Violations v;
  RecordReader reader("fuzz.csv", text);
  while (!reader.AtEnd()) {
    if (!v.Expect(stream.fields.size() <= text.size(), "the reader does not advance")) return v.Message();
    Text field;
    try {
      field = reader.ReadText();
    } catch (const DataFileError&) {
      v.Add("ReadText threw although AtEnd() was false, after " + std::to_string(stream.fields.size()) +
            " fields");
      return v.Message();
    }
    v.Expect(field.find_first_of(u"\r\n") == Text::npos, "a field holds a line end: " + Show(field));
    v.Expect(std::isfinite(ParseDecimal(field)), "ParseDecimal is not finite for " + Show(field));
    // Only a quoted field may hold a comma, and it holds no quote then: it is
    // the text between an opening quote and the next quote or line end.
    if (field.find(u',') != Text::npos)
      v.Expect(field.find(u'"') == Text::npos && text.find(u"\"" + field) != Text::npos,
               "a field with a comma that no quote opened: " + Show(field));
    stream.fields.push_back(std::move(field));
  }
  int extra = 0;
  try {
    while (extra < 3) {
      Text field = reader.ReadText();
      v.Expect(field.empty(), "a field after AtEnd(): " + Show(field));
      ++extra;
    }
  } catch (const DataFileError& e) {
    v.Expect(e.Problem() == DataFileProblem::ReadPastEnd, "a read past the end is not ReadPastEnd");
  }
  v.Expect(extra <= 1, std::to_string(extra) + " fields read after AtEnd()");
  stream.trailingEmpty = extra == 1;

  // The numeric reads over the same text: never throw before the end, always finite.
  RecordReader numbers("fuzz.csv", text);
  for (size_t i = 0; !numbers.AtEnd() && v.Ok(); ++i) {
    try {
      if (i % 2 == 0) v.Expect(std::isfinite(numbers.ReadFloat()), "ReadFloat is not finite");
      else numbers.ReadInt16();
    } catch (const DataFileError&) {
      v.Add("a numeric read threw although AtEnd() was false");
    }
  }
  return v.Message();
}

// Returns the field at `i` of the stream, the trailing empty one included.
inline Text FieldAt(const FieldStream& stream, size_t i) {
  return i < stream.fields.size() ? stream.fields[i] : Text();
}

// The formulas calculated with a freshly loaded pair of tables: a few
// symbols with a count, the first abbreviations, and water. Few, because a
// group table can make each expansion rewrite 32766 characters many times.
inline std::vector<Text> ProbeFormulas(const ReferenceTables& tables) {
  std::vector<Text> formulas = {u"H2O", u"(CH3)2*H2O"};
  for (int n = 1; n <= ElementCount; n += 25) {
    Text s = tables.Elements.AtomSymbol[n];
    if (!s.empty() && s.back() == u' ') s.pop_back();
    formulas.push_back(u"(" + s + u"2)3");
  }
  for (int slot = 0; slot <= tables.Groups.GroupLast() && slot < 3; ++slot)
    formulas.push_back(tables.Groups.GroupAbbrev[slot] + u"2");
  return formulas;
}

// One input of the tables target: the bytes up to the first NUL are atom.csv,
// the rest group.csv, both as code page 932. Loading either fails with a
// ReadPastEnd DataFileError naming the file, or gives well-shaped tables with
// which every calculation holds its properties.
inline std::string TablesInput(std::string_view bytes) {
  Violations v;
  const TwoParts parts = SplitAtNul(bytes);
  const Text atomText = DecodeCp932(parts.first);
  const Text groupText = DecodeCp932(parts.second);
  FieldStream atomFields, groupFields;
  if (std::string s = CheckRecordStream(atomText, atomFields); !s.empty()) return "atom.csv: " + s;
  if (std::string s = CheckRecordStream(groupText, groupFields); !s.empty()) return "group.csv: " + s;

  // What the loader must make of those fields: atom.csv is 103 records of 3
  // fields read without an end test; group.csv is records of 2 fields, each
  // started only while a field is left, at most GroupCapacity of them.
  const size_t atomFieldCount = 3 * ElementCount;
  const bool atomShort = atomFields.Readable() < atomFieldCount;
  const size_t groupRecords =
      std::min<size_t>(GroupCapacity, (groupFields.fields.size() + 1) / 2);
  const bool groupShort = 2 * groupRecords > groupFields.Readable();

  ReferenceTables tables;
  try {
    RecordReader atoms("atom.csv", atomText);
    RecordReader groups("group.csv", groupText);
    tables = LoadTables(atoms, groups);
  } catch (const DataFileError& e) {
    v.Expect(e.Problem() == DataFileProblem::ReadPastEnd, "loading from memory failed with FileNotFound");
    v.Expect(e.FileName() == (atomShort ? "atom.csv" : "group.csv") && (atomShort || groupShort),
             "the tables failed to load naming " + e.FileName() + " (" + std::to_string(atomFields.Readable()) +
                 " atom fields, " + std::to_string(groupFields.Readable()) + " group fields)");
    v.Expect(!std::string(e.what()).empty(), "an empty start-up message");
    return v.Message();
  }
  if (!v.Expect(!atomShort && !groupShort, "the tables loaded from too few fields (" +
                                               std::to_string(atomFields.Readable()) + " atom fields, " +
                                               std::to_string(groupFields.Readable()) + " group fields)"))
    return v.Message();
  for (int n = 1; n <= ElementCount; ++n) {
    Text symbol = FieldAt(atomFields, 3 * (n - 1) + 1).substr(0, 2);
    symbol.resize(2, u' ');
    const float weight = Round32(ParseDecimal(FieldAt(atomFields, 3 * (n - 1) + 2)));
    v.Expect(tables.Elements.AtomSymbol[n] == symbol, "element " + std::to_string(n) + " has the symbol \"" +
                                                          Show(tables.Elements.AtomSymbol[n]) + "\"");
    v.Expect(std::memcmp(&tables.Elements.AtomicWeight[n], std::isfinite(weight) ? &weight : &Zero, sizeof(float)) == 0,
             "element " + std::to_string(n) + " has the weight " + std::to_string(tables.Elements.AtomicWeight[n]));
  }
  const GroupTable& g = tables.Groups;
  if (!v.Expect(g.GroupAbbrev.size() == groupRecords && g.GroupFormula.size() == groupRecords,
                "group table of " + std::to_string(g.GroupLast() + 1) + " slots from " +
                    std::to_string(groupFields.Readable()) + " fields"))
    return v.Message();
  for (size_t slot = 0; slot < groupRecords; ++slot)
    v.Expect(g.GroupAbbrev[slot] == FieldAt(groupFields, 2 * slot) &&
                 g.GroupFormula[slot] == FieldAt(groupFields, 2 * slot + 1),
             "group slot " + std::to_string(slot) + " is not its record");
  if (!v.Ok()) return v.Message();

  FormulaEngine engine(tables);
  for (const Text& formula : ProbeFormulas(tables))
    for (bool groups : {true, false})
      if (std::string s = CheckCalculation(tables, engine, formula, groups); !s.empty()) return s;
  return v.Message();
}

// Returns the example tables, loaded once from the data folder.
inline const ReferenceTables& ExampleTables() {
  static const ReferenceTables tables = LoadTables(DataFolder());
  return tables;
}

// One input of the calculate target. The first byte holds flags: bit 0 group
// replacement, bit 1 the text as raw UTF-16LE code units rather than UTF-8,
// bit 2 "," as the decimal point. The rest is the formula.
inline std::string CalculateInput(std::string_view bytes) {
  if (bytes.empty()) return {};
  const unsigned flags = static_cast<unsigned char>(bytes[0]);
  bytes.remove_prefix(1);
  const Text formula = flags & 2 ? FromUtf16Le(bytes) : FromUtf8(bytes);
  static FormulaEngine engine(ExampleTables());
  return CheckCalculation(ExampleTables(), engine, formula, flags & 1, flags & 4 ? u',' : u'.');
}

// One input of the groups target: the bytes up to the first NUL are
// group.csv (code page 932), the rest a UTF-8 formula; the element table is
// the example one. The formula and each abbreviation are calculated with
// and without group replacement.
inline std::string GroupsInput(std::string_view bytes) {
  const TwoParts parts = SplitAtNul(bytes);
  static const std::string atomCsv = ReadBytes(DataFolder() / "atom.csv");
  ReferenceTables tables;
  try {
    RecordReader atoms("atom.csv", DecodeCp932(atomCsv));
    RecordReader groups("group.csv", DecodeCp932(parts.first));
    tables = LoadTables(atoms, groups);
  } catch (const DataFileError& e) {
    if (e.FileName() != "group.csv" || e.Problem() != DataFileProblem::ReadPastEnd)
      return std::string("unexpected start-up error: ") + e.what();
    return {};
  }
  FormulaEngine engine(tables);
  std::vector<Text> formulas = {FromUtf8(parts.second)};
  for (int slot = 0; slot <= tables.Groups.GroupLast() && slot < 2; ++slot)
    formulas.push_back(tables.Groups.GroupAbbrev[slot] + u"2");
  for (const Text& formula : formulas)
    for (bool groups : {true, false})
      if (std::string s = CheckCalculation(tables, engine, formula, groups); !s.empty()) return s;
  return {};
}

// Checks a batch paste of `clipboard`: the lines are the pieces between
// CR LF pairs (counted here from the raw text), and the batch text holds,
// for each, a CR LF and the report block of that line's calculation.
inline std::string CheckBatch(FormulaEngine& engine, const Text& clipboard) {
  Violations v;
  // The expected lines, found without SplitPasteLines: one per CR LF, and one
  // more for a non-empty piece after the last; none when there is no CR LF.
  std::vector<Text> expected;
  size_t start = 0;
  for (size_t i = 0; i + 1 < clipboard.size(); ++i)
    if (clipboard[i] == u'\r' && clipboard[i + 1] == u'\n') {
      expected.push_back(clipboard.substr(start, i - start));
      start = ++i + 1;
    }
  if (!expected.empty() && start < clipboard.size()) expected.push_back(clipboard.substr(start));

  const std::vector<Text> lines = SplitPasteLines(clipboard);
  if (!v.Expect(lines.size() == expected.size(), std::to_string(lines.size()) + " pasted lines, expected " +
                                                     std::to_string(expected.size())))
    return v.Message();
  for (size_t i = 0; i < lines.size(); ++i)
    if (!v.Expect(lines[i] == expected[i], "pasted line " + std::to_string(i) + " is \"" + Show(lines[i]) +
                                               "\", expected \"" + Show(expected[i]) + "\""))
      return v.Message();

  Text batch;
  std::vector<CalcResult> results;
  for (const Text& line : lines) {
    results.push_back(engine.CalculateFormula(line, true));
    AppendBatchEntry(batch, line, results.back());
  }
  if (lines.empty()) {
    v.Expect(batch.empty(), "a batch text without lines");
    return v.Message();
  }
  v.Expect(batch.ends_with(CrLf), "the batch text does not end with CR LF");

  // Read the batch text back block by block: an empty line, the formula, the
  // composition, the weight, then percent lines up to the next empty line.
  size_t pos = 0;
  auto nextLine = [&](Text& line) {
    size_t end = batch.find(CrLf, pos);
    if (end == Text::npos) return false;
    line = batch.substr(pos, end - pos);
    pos = end + 2;
    return true;
  };
  size_t blocks = 0;
  Text line;
  while (pos < batch.size()) {
    if (!v.Expect(nextLine(line) && line.empty(), "block " + std::to_string(blocks) + " does not open with an empty line"))
      return v.Message();
    Text formula, composition, weight;
    if (!v.Expect(nextLine(formula) && nextLine(composition) && nextLine(weight),
                  "block " + std::to_string(blocks) + " is shorter than three lines"))
      return v.Message();
    std::vector<Text> percent;
    while (pos < batch.size() && batch.compare(pos, 2, CrLf) != 0 && nextLine(line)) percent.push_back(line);
    if (!v.Expect(blocks < lines.size(), "more blocks than lines")) return v.Message();
    const CalcResult& r = results[blocks];
    v.Expect(formula == lines[blocks] && composition == r.Composition && weight == r.MolecularWeight &&
                 percent == r.PercentLines,
             "block " + std::to_string(blocks) + " does not show line \"" + Show(lines[blocks]) + "\"");
    ++blocks;
  }
  v.Expect(blocks == expected.size(),
           std::to_string(blocks) + " blocks for " + std::to_string(expected.size()) + " lines");
  return v.Message();
}

// One input of the batch target: the bytes are the clipboard text as UTF-8.
inline std::string BatchInput(std::string_view bytes) {
  static FormulaEngine engine(ExampleTables());
  return CheckBatch(engine, FromUtf8(bytes));
}

}  // namespace zorvan::fuzz
