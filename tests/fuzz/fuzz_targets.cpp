#include "tests/fuzz/fuzz_targets.h"

#include <algorithm>
#include <charconv>  // std::to_chars
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>  // std::memcpy
#include <string>

#include "amounts/experimental_lines.h"
#include "amounts/molecular_weight.h"
#include "amounts/reagent_data.h"
#include "amounts/table_tsv.h"
#include "core/calculation.h"
#include "core/data_folder.h"
#include "core/explain.h"
#include "core/report.h"
#include "mass/finder.h"
#include "mass/paper.h"
#include "mass/parts.h"
#include "mass/pattern.h"
#include "mass/percent_text.h"
#include "mass/profile.h"
#include "mass/spectra.h"
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
// ("C=80.95,H=8.20") of caffeine are refused, or each put in one place: kept
// for the Anal. line (C, H, N, S, two decimals), or named as left out. As a
// list of ions they read back from their notations.
void IonNotation(std::string_view bytes) {
  mass::MeasuredPercent measured;
  if (mass::ParsePercentages(bytes, measured).empty()) {
    const mass::Percentages caffeine = {{"C", "49.48"}, {"H", "5.19"}, {"N", "28.85"}, {"O", "16.48"}};
    const mass::FoundAnalysis found = mass::SortFound(measured, caffeine);
    Require(found.Kept.size() + found.Absent.size() + found.Unlisted.size() == measured.size() &&
                found.Beyond.size() <= found.Kept.size(),
            "a measured percentage lost or counted twice", FromUtf8(bytes));
    for (const auto& [symbol, percent] : found.Kept)
      Require((symbol == "C" || symbol == "H" || symbol == "N") && percent.size() >= 4 &&
                  percent[percent.size() - 3] == '.',
              "measured percentages read oddly", FromUtf8(bytes));
  }
  std::vector<mass::IonSpec> ions, ionsAgain;
  if (mass::ParseIons(bytes, Isotopes(), ions).empty()) {
    std::string written;
    for (const mass::IonSpec& ion : ions) written += ion.PaperNotation + ", ";
    written.resize(written.size() - 2);
    Require(mass::ParseIons(written, Isotopes(), ionsAgain).empty() && ionsAgain.size() == ions.size(),
            "a list of ions does not read back", FromUtf8(bytes));
  }
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
  if (result.Status != CalcStatus::Ok) return;
  // A solvate or salt: its parts lie in the text in order, and the part
  // before the first "*" calculates as the whole did.
  const mass::FormulaParts parts = mass::SplitParts(input);
  if (!parts.Rest.empty()) {
    Require(input.starts_with(parts.First) && input[parts.First.size()] == u'*', "a first part not at the start",
            input);
    for (const mass::FurtherPart& part : parts.Rest)
      Require(!part.Formula.empty() && part.Formula.data() >= input.data() &&
                  part.Formula.data() + part.Formula.size() <= input.data() + input.size(),
              "a further part outside the text", input);
    Calculation first;
    Require(mass::CalculateFirstPart(engine, input, true, first) && first.Status == CalcStatus::Ok,
            "the first part of a formula that calculates does not", input);
  }
  if (!atoms.ToMolecule(result.Counts, molecule).empty() || molecule.empty()) return;
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
  q.Rules = false;  // the nested loops below know nothing of them
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

// A resolving power as typed into the mass window: refused with a message
// that names the bounds, or within them and read back from the text the
// list shows.
void Resolution(std::string_view bytes) {
  double r = 0, again = 0;
  const std::string error = mass::ParseResolvingPower(bytes, r);
  if (!error.empty()) {
    Require(error.find("100 から 10 000 000") != std::string::npos, "a refusal without the bounds", FromUtf8(bytes));
    return;
  }
  Require(r >= mass::MinResolvingPower && r <= mass::MaxResolvingPower, "a resolving power out of bounds",
          FromUtf8(bytes));
  Require(mass::ParseResolvingPower(mass::ResolvingPowerText(r), again).empty() && again == std::round(r),
          "the listed text does not read back", FromUtf8(bytes));
}

// Measured peaks as raw doubles (m/z, intensity, ...), the first of them
// the resolving power: scaled to 100 and sorted, whatever the values; the
// profile over them ascending, on the scale, its top on the highest peak;
// a plot of it drawn without a hang.
void MeasuredPeaks(std::string_view bytes) {
  std::vector<double> values(std::min<size_t>(bytes.size() / sizeof(double), 129));
  if (values.empty()) return;
  std::memcpy(values.data(), bytes.data(), values.size() * sizeof(double));
  std::vector<std::pair<double, double>> measured;
  for (size_t i = 1; i + 1 < values.size(); i += 2) measured.emplace_back(values[i], values[i + 1]);
  const std::vector<mass::Peak> peaks = mass::RelativePeaks(measured);
  const double r = std::isfinite(values[0]) ? std::abs(values[0]) : 60000;
  const std::vector<mass::ProfilePoint> profile =
      mass::Envelope(peaks, std::clamp(r, mass::MinResolvingPower, mass::MaxResolvingPower));
  double top = 0, highest = 0;
  for (size_t k = 0; k < peaks.size(); ++k) {
    Require(std::isfinite(peaks[k].Mz) && peaks[k].Mz > 0 && (k == 0 || peaks[k - 1].Mz <= peaks[k].Mz) &&
                peaks[k].Relative > 0 && peaks[k].Relative <= 100,
            "a measured peak out of order or off the scale");
    top = std::max(top, peaks[k].Relative);
  }
  for (size_t k = 0; k < profile.size(); ++k) {
    Require((k == 0 || profile[k - 1].Mz <= profile[k].Mz) && profile[k].Relative >= 0 && profile[k].Relative <= 100,
            "the profile goes back or leaves the scale");
    highest = std::max(highest, profile[k].Relative);
  }
  Require(peaks.empty() ? profile.empty() : top == 100 && highest == 100, "the highest peak is not at 100");
  if (!peaks.empty()) mass::VisibleProfile(profile, peaks.front().Mz, peaks.back().Mz * 1.0001, 97);
}
// A spectra file: every compound read back from its own .ms text as it was,
// its numbers finite, every message on a line of the file; its peaks scored
// against a fixed pattern give a finite score whose parts sum to it.
void Spectra(std::string_view bytes, mass::SpectraFormat format) {
  static const mass::Pattern caffeine = [] {
    std::vector<mass::ElementRange> r;
    mass::ParseRanges("C8-8 H11-11 N4-4 O2-2", Isotopes(), r);
    mass::Molecule m;
    for (const mass::ElementRange& e : r) m.push_back({e.Element, e.Min});
    return mass::ComputePattern(m, 1, {mass::Resolution::Centroid, mass::DefaultResolvingPower, 0.1});
  }();
  const mass::Spectra read = mass::ReadSpectra(bytes, format);
  const size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
  for (const mass::SpectraMessage& m : read.Messages)
    Require(m.Line >= 1 && m.Line <= lines && !m.Text.empty(), "a message off the file", FromUtf8(bytes));
  for (const mass::SpectrumCompound& c : read.Compounds) {
    Require(c.ParentMz > 0 && std::isfinite(c.ParentMz) && c.Line >= 1 && c.Line <= lines, "a compound without parent",
            FromUtf8(bytes));
    const mass::Spectra again = mass::ReadSpectra(mass::MsText(c), mass::SpectraFormat::Ms);
    Require(again.Compounds.size() == 1 && again.Messages.empty() && again.Compounds[0].Name == c.Name &&
                again.Compounds[0].Ion == c.Ion && again.Compounds[0].Charge == c.Charge &&
                again.Compounds[0].ParentMz == c.ParentMz && again.Compounds[0].Peaks.size() == c.Peaks.size(),
            "a compound does not read back", FromUtf8(bytes));
    for (size_t i = 0; i < c.Peaks.size(); ++i)
      Require(c.Peaks[i].Mz > 0 && c.Peaks[i].Intensity >= 0 && again.Compounds[0].Peaks[i].Mz == c.Peaks[i].Mz &&
                  again.Compounds[0].Peaks[i].Intensity == c.Peaks[i].Intensity,
              "a peak does not read back", FromUtf8(bytes));
    const mass::PatternScore s =
        mass::ScorePattern(caffeine.Peaks, mass::PrepareMeasured(c.Peaks, c.ParentMz, c.Charge), {});
    Require(std::isfinite(s.Total) && s.Total <= 0 && s.Matched <= s.Measured &&
                std::abs(s.Mass + s.Intensity + s.Unexplained + s.Missing - s.Total) <= 1e-9 * (1 - s.Total),
            "a score that is not a sum of bounded parts", FromUtf8(bytes));
  }
}
void SpectraMs(std::string_view bytes) { Spectra(bytes, mass::SpectraFormat::Ms); }
void SpectraMgf(std::string_view bytes) { Spectra(bytes, mass::SpectraFormat::Mgf); }

// A unit text, as every column reads it: refused with a message, or a
// positive finite value that reads back from its own digits and unit, and
// writes at every precision without an exponent.
void Units(std::string_view bytes) {
  using namespace amounts;
  const Text input = FromUtf8(bytes);
  for (const Dimension dim : {Dimension::Mass, Dimension::Amount, Dimension::Volume, Dimension::Molarity,
                              Dimension::Density, Dimension::Percent, Dimension::Ratio}) {
    Quantity q, again;
    const std::string error = ParseQuantity(bytes, UnitsOf(dim).back(), q);
    Require(ToUtf8(FromUtf8(error)) == error, "a message that is not UTF-8", input);
    if (!error.empty()) continue;
    Require(q.Value > 0 && std::isfinite(q.Value) && q.Base() > 0 && std::isfinite(q.Base()), "a value out of range",
            input);
    Require(ParseQuantity(q.Number + " " + std::string(q.In->Symbol), UnitsOf(dim).back(), again).empty() &&
                again.Value == q.Value && again.In == q.In,
            "a quantity does not read back", input);
    for (int figures = MinFigures; figures <= MaxFigures; ++figures) {
      const std::string text = Significant(q.Base(), figures);
      Require(!text.empty() && text.find('e') == std::string::npos, "a number in exponent form", input);
      Require(!WithUnit(q.Base(), dim, figures).empty() && !EquivText(q.Base()).empty(), "an empty number", input);
    }
  }
}

// A reagent table file: reads, writes back to the same table, and solves
// with every value finite and positive or empty; its TSV has a line per row
// of 14 fields and its lines are UTF-8.
void ReagentTable(std::string_view bytes) {
  using namespace amounts;
  static const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  static FormulaEngine engine(tables);
  const Text input = FromUtf8(bytes);
  const TableFile file = ReadTableTsv(bytes);
  const TableFile again = ReadTableTsv(WriteTableTsv(file.Rows));
  Require(again.Rows.size() == file.Rows.size(), "rows lost when written", input);
  for (size_t i = 0; i < file.Rows.size(); ++i)
    Require(again.Rows[i].Cells == file.Rows[i].Cells, "a table does not read back", input);
  const SolvedTable solved = Solve(file.Rows, TableWeights(file.Rows, engine, tables, true));
  for (const SolvedRow& row : solved.Rows)
    for (const std::optional<double>& v : {row.Equiv, row.Mol, row.Mass, row.Volume, row.TheoreticalMass, row.Yield})
      Require(!v || (std::isfinite(*v) && *v > 0), "a solved value out of range", input);
  const std::string tsv = SolvedTsv(file.Rows, solved);
  Require(size_t(std::count(tsv.begin(), tsv.end(), '\n')) == file.Rows.size() + 1 &&
              size_t(std::count(tsv.begin(), tsv.end(), '\t')) == 13 * (file.Rows.size() + 1),
          "the solved table is not a line of 14 fields per row", input);
  for (const Language language : {Language::English, Language::Japanese}) {
    const ExperimentalLines lines = WriteLines(file.Rows, solved, language, DefaultFigures, "\n");
    Require(ToUtf8(FromUtf8(lines.Plain)) == lines.Plain, "lines that are not UTF-8", input);
  }
}

// A reagent.csv in code page 932: loads, or runs out inside a record; a
// row named after each record takes cells that read as the table reads them.
void ReagentCsv(std::string_view bytes) {
  using namespace amounts;
  ReagentData data;
  try {
    RecordReader reader("reagent.csv", DecodeCp932(bytes));
    data = ReadReagentData(reader);
  } catch (const DataFileError& e) {
    Require(e.Problem() == DataFileProblem::ReadPastEnd, "a file in memory was not found");
    return;
  }
  Require(data.Records.size() <= ReagentCapacity, "more records than kept");
  for (const ReagentRecord& record : data.Records) {
    Row row;
    SetCell(row, Column::Name, record.Name);
    FillFromReagentData(row, data);
    const ReagentRecord* found = FindReagent(data, record.Name);
    Require(TrimBlanks(row[Column::Formula]).empty() == (found == nullptr || TrimBlanks(found->Formula).empty()),
            "a record's formula is not filled in");
    Require(Solve({row}, {FormulaWeight{}}).Rows.size() == 1, "a filled row does not solve");
  }
}

// One box of the finder (or option of zorvan-ms find): the first byte picks
// the part, the rest is its text. Refused with a message, or read into
// values that read back the same from their own text.
void FinderField(std::string_view bytes) {
  using mass::FinderField;
  if (bytes.empty()) return;
  constexpr FinderField Parts[] = {FinderField::Mz,         FinderField::Ppm,     FinderField::Mda,
                                   FinderField::Dbe,        FinderField::Percent, FinderField::PercentTolerance,
                                   FinderField::WeightRange};
  const FinderField part = Parts[static_cast<unsigned char>(bytes[0]) % std::size(Parts)];
  const std::string_view text = bytes.substr(1);
  mass::FinderQuery q, again;
  if (!mass::ReadField(part, text, Isotopes(), q).empty()) return;
  const auto number = [](std::optional<double> v) {
    Require(!v || std::isfinite(*v), "a number that is not finite");
    return v ? mass::NumberText(*v) : std::string();
  };
  std::string written;
  if (part == FinderField::Mz) written = number(q.Mz);
  if (part == FinderField::Ppm || part == FinderField::Mda) written = number(q.ToleranceMda.value_or(q.TolerancePpm));
  if (part == FinderField::Dbe) written = number(q.DbeMin) + ":" + number(q.DbeMax);
  if (part == FinderField::WeightRange) written = number(q.WeightRange->first) + ":" + number(q.WeightRange->second);
  if (part == FinderField::PercentTolerance) written = number(q.Analysis->Tolerance);
  if (part == FinderField::Percent)
    for (const auto& [symbol, value] : q.Analysis->Percent) written += symbol + "=" + number(value) + " ";
  Require(mass::ReadField(part, written, Isotopes(), again).empty() && again.Mz == q.Mz &&
              again.TolerancePpm == q.TolerancePpm && again.ToleranceMda == q.ToleranceMda &&
              again.DbeMin == q.DbeMin && again.DbeMax == q.DbeMax && again.WeightRange == q.WeightRange &&
              (again.Analysis ? again.Analysis->Percent : mass::MeasuredPercent{}) ==
                  (q.Analysis ? q.Analysis->Percent : mass::MeasuredPercent{}),
          "a part of a question does not read back", FromUtf8(bytes));
}

// Pasted peaks: read in full, every peak a positive m/z and an intensity of
// at least 0, and written back as tab-separated lines they read again the
// same; or refused naming a line of the text, with the peaks before it.
void PeakList(std::string_view bytes) {
  std::vector<mass::MeasuredPeak> peaks, again;
  const std::string error = mass::ParsePeakList(bytes, peaks);
  const size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
  Require(peaks.size() <= lines, "more peaks than lines", FromUtf8(bytes));
  if (!error.empty()) {
    const size_t line = std::strtoul(error.c_str() + std::strlen("測定ピークの "), nullptr, 10);
    Require(error.starts_with("測定ピークの ") && line >= 1 && line <= lines, "a refusal names no line",
            FromUtf8(bytes));
  }
  std::string text = "m/z\tintensity\n";
  char number[64];
  for (const mass::MeasuredPeak& p : peaks) {
    Require(std::isfinite(p.Mz) && p.Mz > 0 && std::isfinite(p.Intensity) && p.Intensity >= 0, "a peak off the scale",
            FromUtf8(bytes));
    text.append(number, std::to_chars(number, number + sizeof number, p.Mz).ptr) += '\t';
    text.append(number, std::to_chars(number, number + sizeof number, p.Intensity).ptr) += '\n';
  }
  Require(mass::ParsePeakList(text, again).empty() && again.size() == peaks.size() &&
              std::equal(peaks.begin(), peaks.end(), again.begin(),
                         [](const auto& a, const auto& b) { return a.Mz == b.Mz && a.Intensity == b.Intensity; }),
          "the peaks do not read back", FromUtf8(bytes));
}

}  // namespace

bool RunTarget(std::string_view name, std::string_view bytes) {
  using Target = void (*)(std::string_view);
  const std::pair<std::string_view, Target> targets[] = {{"calculate", Calculate},
                                                         {"tables", Tables},
                                                         {"groups", Groups},
                                                         {"batch", Batch},
                                                         {"fold", Fold},
                                                         {"names", Names},
                                                         {"userfolder", UserFolder},
                                                         {"percentages", Percentages},
                                                         {"ion", IonNotation},
                                                         {"msformula", MassFormula},
                                                         {"ranges", Ranges},
                                                         {"findquery", FindQuery},
                                                         {"resolution", Resolution},
                                                         {"measured", MeasuredPeaks},
                                                         {"spectra_ms", SpectraMs},
                                                         {"spectra_mgf", SpectraMgf},
                                                         {"units", Units},
                                                         {"reagenttable", ReagentTable},
                                                         {"reagentcsv", ReagentCsv},
                                                         {"finderfield", FinderField},
                                                         {"peaklist", PeakList}};
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
