#include "tests/fuzz/fuzz_targets.h"

#include <algorithm>
#include <charconv>  // std::to_chars
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/calculation.h"
#include "core/data_folder.h"
#include "core/explain.h"
#include "core/report.h"
#include "mass/finder.h"
#include "mass/paper.h"
#include "mass/pattern.h"
#include "mass/percent_text.h"
#include "search/name_database.h"
#include "search/width_fold.h"

namespace zorvan::fuzz {
namespace {

void Require(bool holds, const char* property, std::u16string_view input = {}) {
  if (holds) return;
  std::fprintf(stderr, "\n*** property violated: %s [%s]\n", property, ToUtf8(input).c_str());
  std::abort();
}

Text FromUtf16Le(std::string_view bytes) {
  Text text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8));
  return text;
}

// Splits at the first NUL: two texts in one input.
std::pair<std::string_view, std::string_view> SplitAtNul(std::string_view bytes) {
  size_t nul = bytes.find('\0');
  if (nul == std::string_view::npos) return {bytes, {}};
  return {bytes.substr(0, nul), bytes.substr(nul + 1)};
}

bool ShowsInfOrNan(const Text& text) { return text.find(u"inf") != Text::npos || text.find(u"nan") != Text::npos; }

// The notes on one calculation: a cause exactly when it failed, first and at
// its place; every note said, and placed in the typed text. The parts: the
// typed text cut at each "*", a count at the start of each further one.
void CheckNotesAndParts(const Calculation& r, const Text& input) {
  const std::vector<Note>& notes = r.Notes;
  const bool failed = r.Status == CalcStatus::SyntaxError;
  const bool cause = !notes.empty() && notes[0].Kind <= NoteKind::FullWidth;
  Require(cause == failed && (!failed || notes[0].Position == r.TypedPosition), "the cause is not the error", input);
  for (size_t i = 0; i < notes.size(); ++i)
    Require(!notes[i].Message.empty() && notes[i].Position >= 0 &&
                notes[i].Position <= static_cast<int>(input.size()) && (i == 0 || notes[i].Kind > NoteKind::FullWidth),
            "a note is empty, out of place or a second cause", input);
  Text joined;
  for (const FormulaPart& part : r.Parts) {
    if (&part != r.Parts.data()) joined += u'*';
    joined += part.Typed;
    Require(part.CountLength <= static_cast<int>(part.Typed.size()) && (part.CountLength == 0 || part.Multiplier >= 0),
            "a part's count is out of place", input);
  }
  Require(r.Parts.empty() ? failed || input.find(u'*') != Text::npos : joined == input,
          "the parts do not make up the formula", input);
}

// The shape of one calculation, its notes, its independence from group
// expansion and the read-back of its composition.
void CheckCalculation(FormulaEngine& engine, const Text& input, bool groups, char16_t point) {
  const Calculation r = engine.Calculate(input, {.ReplaceGroups = groups, .DecimalPoint = point});
  CheckNotesAndParts(r, input);
  const Text& expanded = r.Parsed;
  const bool failed = r.Status == CalcStatus::SyntaxError;
  Require(failed == (r.Composition == ErrorText), "status and composition disagree", input);
  Require(failed ? r.MolecularWeight.empty() && r.PercentLines.empty() : !r.MolecularWeight.empty(),
          "the outputs do not match the status", input);
  Require(!ShowsInfOrNan(r.Composition) && !ShowsInfOrNan(r.MolecularWeight), "inf or nan shown", input);
  if (failed && r.Error.Position > 0)
    Require(r.Error.Position + r.Error.Length - 1 <= static_cast<int>(expanded.size()),
            "the error lies outside the parsed text", input);
  for (const Text& line : r.PercentLines)
    Require(line.size() >= 10 && line[2] == Tab && line.back() == u'%' && !ShowsInfOrNan(line),
            "a percent line is not symbol, tab and field", input);
  if (groups && r.Error.Kind != SyntaxError::ExpansionTooLong && r.Error.Kind != SyntaxError::FormulaTooLong) {
    const Calculation plain = engine.Calculate(expanded, {.ReplaceGroups = false, .DecimalPoint = point});
    Require(plain.Composition == r.Composition && plain.PercentLines == r.PercentLines,
            "groups on differs from the expanded text with groups off", input);
  }
  if (!failed && r.Composition.find(u'E') == Text::npos) {
    const Calculation back = engine.Calculate(r.Composition, {.ReplaceGroups = false, .DecimalPoint = point});
    Require(back.Composition == r.Composition, "the composition does not read back", input);
  }
}

// The first byte holds flags: bit 0 groups, bit 1 raw UTF-16LE text, bit 2 "," as the point.
void Calculate(std::string_view bytes) {
  if (bytes.empty()) return;
  const unsigned flags = static_cast<unsigned char>(bytes[0]);
  bytes.remove_prefix(1);
  static const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  static FormulaEngine engine(tables);
  CheckCalculation(engine, flags & 2 ? FromUtf16Le(bytes) : FromUtf8(bytes), flags & 1, flags & 4 ? u',' : u'.');
}

// atom.csv NUL group.csv, in code page 932: loads, or fails naming a file
// that ran out; the tables then calculate soundly.
void Tables(std::string_view bytes) {
  auto [atomBytes, groupBytes] = SplitAtNul(bytes);
  ReferenceTables tables;
  try {
    RecordReader atoms("atom.csv", DecodeCp932(atomBytes));
    tables.Elements = ReadElementTable(atoms);
    RecordReader groups("group.csv", DecodeCp932(groupBytes));
    tables.Groups = ReadGroupTable(groups);
  } catch (const DataFileError& e) {
    Require(e.Problem() == DataFileProblem::ReadPastEnd, "a file in memory was not found");
    return;
  }
  Require(tables.Groups.GroupLast() < GroupCapacity, "more groups than slots");
  for (int n = 1; n <= ElementCount; ++n)
    Require(tables.Elements[n].AtomSymbol.size() == 2 && std::isfinite(tables.Elements[n].AtomicWeight),
            "an element is not a 2-character symbol and a finite weight");
  FormulaEngine engine(tables);
  for (const Text& formula : {Text(u"H2O"), Text(u"(CH3)2*H2O")}) CheckCalculation(engine, formula, true, u'.');
}

// group.csv NUL formula: the example elements with these groups.
void Groups(std::string_view bytes) {
  auto [groupBytes, formula] = SplitAtNul(bytes);
  static const ReferenceTables example = LoadTables(ZORVAN_DATA_DIR);
  ReferenceTables tables{example.Elements, {}};
  try {
    RecordReader groups("group.csv", DecodeCp932(groupBytes));
    tables.Groups = ReadGroupTable(groups);
  } catch (const DataFileError&) {
    return;
  }
  FormulaEngine engine(tables);
  for (bool groups : {true, false}) CheckCalculation(engine, FromUtf8(formula), groups, u'.');
}

// The clipboard text of a batch paste, as UTF-8: one block per line ended by
// CR LF or a lone LF, each the report of a fresh calculation of that line.
void Batch(std::string_view bytes) {
  static const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  static FormulaEngine engine(tables);
  const Text pasted = FromUtf8(bytes);
  const Text text = LoneLfToCrLf(pasted);
  // Only CRs are added, one before each LF that had none.
  const auto count = [](const Text& t, std::u16string_view piece) {
    size_t n = 0;
    for (size_t at = t.find(piece); at != Text::npos; at = t.find(piece, at + 1)) ++n;
    return n;
  };
  const size_t loneLfs = count(pasted, u"\n") - count(pasted, CrLf);
  Require(LoneLfToCrLf(text) == text && count(text, u"\n") == count(text, CrLf) &&
              count(text, u"\r") == count(pasted, u"\r") + loneLfs && text.size() == pasted.size() + loneLfs,
          "a lone LF did not become CR LF, or more changed", pasted);
  const std::vector<Text> lines = SplitPasteLines(text);
  Text joined;
  for (const Text& line : lines) joined += line + Text(CrLf);
  Require(lines.empty() ? text.find(CrLf) == Text::npos : joined == text || joined == text + Text(CrLf),
          "the lines do not make up the pasted text", text);
  Text batch, expected;
  for (const Text& line : lines) {
    AppendBatchEntry(batch, line, engine.Calculate(line));
    const Calculation fresh = engine.Calculate(line);
    expected += Text(CrLf) + line + Text(CrLf) + fresh.Composition + Text(CrLf) + fresh.MolecularWeight + Text(CrLf);
    for (const Text& percent : fresh.PercentLines) expected += percent + Text(CrLf);
  }
  Require(batch == expected, "a batch block is not the report of its line", text);
}

// The first byte chooses the decoding: bit 0 UTF-8, else raw UTF-16LE.
void Fold(std::string_view bytes) {
  if (bytes.empty()) return;
  const bool utf8 = bytes[0] & 1;
  bytes.remove_prefix(1);
  const Text text = utf8 ? FromUtf8(bytes) : FromUtf16Le(bytes);
  const Text folded = ToHalfWidth(text);
  Require(ToHalfWidth(folded) == folded, "folding twice differs from folding once", text);
  Require(folded.size() >= text.size() && folded.size() <= 2 * text.size(), "the fold changed the length oddly", text);
}

// The query as UTF-8 NUL a name.csv in code page 932: the hits are exactly
// the first HitCapacity records in file order that hold the folded query.
void Names(std::string_view bytes) {
  auto [query, nameBytes] = SplitAtNul(bytes);
  NameDatabase db;
  try {
    RecordReader reader("name.csv", DecodeCp932(nameBytes));
    db = ReadNameDatabase(reader);
  } catch (const DataFileError&) {
    return;
  }
  Require(db.SubstanceLast() < NameCapacity, "more records than slots");
  const Text folded = ToHalfWidth(FromUtf8(query));
  const SearchResults hits = SearchNames(FromUtf8(query), db);
  size_t h = 0;
  for (const Substance& s : db.Records) {
    if (h == HitCapacity) break;
    const Text& name =
        !s.SubstanceName1.empty() && s.SubstanceName1.find(folded) != Text::npos ? s.SubstanceName1 : s.SubstanceName2;
    if (name.empty() || name.find(folded) == Text::npos) continue;
    Require(h < hits.Hits.size() && hits.Hits[h].HitName == name && hits.Hits[h].HitFormula == s.SubstanceFormula,
            "a hit is missing or not its record", folded);
    ++h;
  }
  Require(h == hits.Hits.size(), "a hit that no record holds", folded);
}

// Measured percentages: refused with a message, or pairs of a symbol and a
// percentage from 0 to 100, each symbol once, that read back the same when
// written out again.
void Percentages(std::string_view bytes) {
  mass::MeasuredPercent percent, again;
  if (!mass::ParsePercentages(bytes, percent).empty()) return;
  std::string written;
  for (const auto& [symbol, value] : percent) {
    Require(!symbol.empty() && symbol.size() <= 2 && value >= 0 && value <= 100, "a pair out of range");
    Require(std::ranges::count(percent, symbol, &std::pair<std::string, double>::first) == 1, "a symbol twice");
    char number[32];
    written += symbol + "=" + std::string(number, std::to_chars(number, number + sizeof number, value).ptr) + ", ";
  }
  Require(mass::ParsePercentages(written, again).empty() && again == percent, "the pairs do not read back");
}

// The molecule's elements and counts, in one order, for comparing.
std::vector<std::pair<std::string, int64_t>> Sorted(const mass::Molecule& molecule) {
  std::vector<std::pair<std::string, int64_t>> items;
  for (const mass::ElementCount& e : molecule) items.emplace_back(e.Element->Symbol, e.Count);
  std::sort(items.begin(), items.end());
  return items;
}

const mass::IsotopeTable& Isotopes() {
  static const mass::IsotopeTable table = mass::IsotopeTable::FromIsoSpec();
  return table;
}

// An ion notation, as UTF-8: refused with a message, or read into an ion
// that its paper notation reads back to, and that forms a sound ion of
// glucose or says why not. The same bytes as measured percentages
// ("C=80.95,H=8.20") are refused or give C, H, N and S with two decimals.
void IonNotation(std::string_view bytes) {
  mass::Percentages found;
  if (mass::ParseAnalysis(bytes, found))
    for (const auto& [symbol, percent] : found)
      Require((symbol == "C" || symbol == "H" || symbol == "N" || symbol == "S") && percent.size() >= 4 &&
                  percent[percent.size() - 3] == '.',
              "measured percentages read oddly", FromUtf8(bytes));
  mass::IonSpec ionSpec, again;
  const std::string error = mass::ParseIon(bytes, Isotopes(), ionSpec);
  if (!error.empty()) {
    Require(ionSpec.PaperNotation.empty() && ionSpec.Added.empty(), "a refused ion left a notation", FromUtf8(bytes));
    return;
  }
  Require(mass::ParseIon(ionSpec.PaperNotation, Isotopes(), again).empty() &&
              again.PaperNotation == ionSpec.PaperNotation && again.Charge == ionSpec.Charge &&
              again.Multiplier == ionSpec.Multiplier && Sorted(again.Added) == Sorted(ionSpec.Added) &&
              Sorted(again.Removed) == Sorted(ionSpec.Removed),
          "the paper notation does not read back", FromUtf8(bytes));
  const mass::Molecule glucose = {{Isotopes().Find("C"), 6}, {Isotopes().Find("H"), 12}, {Isotopes().Find("O"), 6}};
  mass::Ion ion;
  if (!mass::FormIon(glucose, ionSpec, ion).empty()) return;
  for (const mass::ElementCount& e : ion.Formula)
    Require(e.Count > 0, "an ion with a count of 0 or less", FromUtf8(bytes));
  Require(std::isfinite(ion.Mz) && (ion.Formula.empty() || ion.Mz > 0), "an ion m/z that is not finite and positive",
          FromUtf8(bytes));
  for (const char c : mass::HrmsLine("ESI", ionSpec, ion, 1.0).Plain)
    Require(c >= 0x20 && c < 0x7F, "an HRMS line that is not printable ASCII", FromUtf8(bytes));
}

// Patterns are m/z ascending, the largest 100 and none below the floor,
// or refused with a note.
void CheckPattern(const mass::Pattern& pattern, const mass::PatternRequest& request, const Text& input) {
  if (pattern.Capped) {
    Require(pattern.Peaks.empty() && !pattern.Note.empty(), "a cut pattern without a note", input);
    return;
  }
  double top = 0;
  for (size_t k = 0; k < pattern.Peaks.size(); ++k) {
    Require(k == 0 || pattern.Peaks[k - 1].Mz <= pattern.Peaks[k].Mz, "peaks out of order", input);
    Require(pattern.Peaks[k].Relative >= request.MinPercent && pattern.Peaks[k].Relative <= 100, "a peak off the scale",
            input);
    top = std::max(top, pattern.Peaks[k].Relative);
  }
  Require(pattern.Peaks.empty() || top == 100, "the largest peak is not 100", input);
}

// A formula as zorvan-ms reads it (UTF-8, groups on): refused with a note,
// or a molecule whose Hill formula calculates to the same counts, with a
// positive mass and sound patterns.
void MassFormula(std::string_view bytes) {
  static const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  static FormulaEngine engine(tables);
  static const mass::AtomMap atoms(tables.Elements, Isotopes());
  const Text input = FromUtf8(bytes);
  Calculation result = engine.Calculate(input, {.Detail = CalcDetail::Counts});
  mass::Molecule molecule, again;
  if (result.Status != CalcStatus::Ok || !atoms.ToMolecule(result.Counts, molecule).empty() || molecule.empty()) return;
  Require(std::isfinite(mass::MonoisotopicMass(molecule)) && mass::MonoisotopicMass(molecule) > 0,
          "a mass that is not finite and positive", input);
  bool exactInFloat = true;
  for (const mass::ElementCount& e : molecule) exactInFloat &= e.Count < (1 << 24);
  if (exactInFloat) {
    engine.Calculate(FromUtf8(mass::HillFormula(molecule)), {.ReplaceGroups = false, .Detail = CalcDetail::Counts},
                     result);
    Require(result.Status == CalcStatus::Ok && atoms.ToMolecule(result.Counts, again).empty() &&
                Sorted(again) == Sorted(molecule),
            "the Hill formula does not calculate to the same counts", input);
  }
  for (const mass::Resolution kind : {mass::Resolution::Unit, mass::Resolution::Fine, mass::Resolution::Centroid}) {
    const mass::PatternRequest request{kind, 20000, 0.01, 5000};
    CheckPattern(mass::ComputePattern(molecule, 1, request), request, input);
  }
}

// XDG_DATA_HOME NUL HOME, each unset when it holds the one byte 0xFF: the
// user's data folder is "zorvan" in an absolute folder, or none, never a
// relative one that would depend on the working directory.
void UserFolder(std::string_view bytes) {
  auto [xdg, home] = SplitAtNul(bytes);
  const std::string xdgValue(xdg), homeValue(home);
  auto value = [](const std::string& v) { return v == "\xFF" ? nullptr : v.c_str(); };
  const std::filesystem::path folder = UserDataFolder(value(xdgValue), value(homeValue));
  Require(folder.empty() || (folder.is_absolute() && folder.filename() == "zorvan"), "a user folder that is not zorvan",
          FromUtf8(bytes));
  Require(folder.empty() ==
              !(std::filesystem::path(xdgValue).is_absolute() || std::filesystem::path(homeValue).is_absolute()),
          "an absolute folder given, none taken", FromUtf8(bytes));
}

// Ranges read back from their own text: each element once, within
// 0..MaxRangeCount, lower end first.
void Ranges(std::string_view bytes) {
  std::vector<mass::ElementRange> ranges, again;
  if (!mass::ParseRanges(bytes, Isotopes(), ranges).empty()) return;
  std::string text;
  for (size_t i = 0; i < ranges.size(); ++i) {
    const mass::ElementRange& r = ranges[i];
    Require(r.Min >= 0 && r.Min <= r.Max && r.Max <= mass::MaxRangeCount, "a range out of order or too wide",
            FromUtf8(bytes));
    for (size_t j = 0; j < i; ++j) Require(ranges[j].Element != r.Element, "an element twice", FromUtf8(bytes));
    text += r.Element->Symbol + std::to_string(r.Min) + "-" + std::to_string(r.Max) + ",";
  }
  Require(mass::ParseRanges(text, Isotopes(), again).empty() && again.size() == ranges.size(),
          "ranges do not read back", FromUtf8(bytes));
  for (size_t i = 0; i < ranges.size(); ++i)
    Require(again[i].Element == ranges[i].Element && again[i].Min == ranges[i].Min && again[i].Max == ranges[i].Max,
            "ranges do not read back", FromUtf8(bytes));
}

// A zorvan-ms find query line: refused with a message, or answered with
// candidates in the ranges and the tolerance; over a small space, exactly
// the formulas of plain nested loops.
void FindQuery(std::string_view bytes) {
  static const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  mass::FinderQuery q;
  mass::ParseRanges("C0-8 H0-16 N0-3 O0-4", Isotopes(), q.Ranges);
  mass::ParseIon("[M+H]+", Isotopes(), q.Ion);
  if (!mass::ReadQueryLine(bytes, Isotopes(), q).empty() || !mass::CheckQuery(q, tables).empty()) return;
  double space = 1;
  for (const mass::ElementRange& r : q.Ranges) space *= r.Max - r.Min + 1;
  if (space > 20000) return;  // bounded work per input
  const double tolerance = q.ToleranceMda ? *q.ToleranceMda / 1000 : q.TolerancePpm * *q.Mz * 1e-6;
  std::vector<std::string> found, expected;
  mass::FindFormulas(q, tables, [&](const mass::Candidate& c) {
    Require(std::abs(c.Ionized.Mz - *q.Mz) <= tolerance && !c.Hill.empty(), "a candidate outside the tolerance",
            FromUtf8(bytes));
    found.push_back(c.Hill);
    return true;
  });
  // The odometer over the ranges, each molecule in atomic-number order.
  std::vector<int64_t> counts;
  for (const mass::ElementRange& r : q.Ranges) counts.push_back(r.Min);
  for (size_t i = 0; i < counts.size();) {
    mass::Molecule m;
    for (size_t k = 0; k < counts.size(); ++k)
      if (counts[k] > 0) m.push_back({q.Ranges[k].Element, counts[k]});
    std::sort(m.begin(), m.end(), [](auto& a, auto& b) { return a.Element->AtomicNumber < b.Element->AtomicNumber; });
    mass::Ion ion;
    if (!m.empty() && mass::FormIon(m, q.Ion, ion).empty() && std::abs(ion.Mz - *q.Mz) <= tolerance)
      expected.push_back(mass::HillFormula(m));
    for (i = 0; i < counts.size() && ++counts[i] > q.Ranges[i].Max; ++i) counts[i] = q.Ranges[i].Min;
  }
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  Require(found == expected, "the candidates differ from the nested loops", FromUtf8(bytes));
}

}  // namespace

bool RunTarget(std::string_view name, std::string_view bytes) {
  using Target = void (*)(std::string_view);
  const std::pair<std::string_view, Target> targets[] = {
      {"calculate", Calculate}, {"tables", Tables},         {"groups", Groups},         {"batch", Batch},
      {"fold", Fold},           {"names", Names},           {"userfolder", UserFolder}, {"percentages", Percentages},
      {"ion", IonNotation},     {"msformula", MassFormula}, {"ranges", Ranges},         {"findquery", FindQuery}};
  for (const auto& [targetName, run] : targets)
    if (targetName == name) {
      run(bytes);
      return true;
    }
  return false;
}

}  // namespace zorvan::fuzz

#ifdef ZORVAN_FUZZ_TARGET
extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
  zorvan::fuzz::RunTarget(ZORVAN_FUZZ_TARGET, {reinterpret_cast<const char*>(data), size});
  return 0;
}
#endif
