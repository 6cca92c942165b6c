// zorvan-ms find: the formulas that fit a measured m/z, or an elemental
// analysis, one block of rows per query.
#include <algorithm>
#include <charconv>  // std::from_chars
#include <cmath>
#include <cstdio>

#include "mass/finder.h"
#include "mass/isotope_score.h"  // PatternScoreHelp
#include "tools/ms_common.h"

namespace zorvan::ms {

namespace {

// The help, its defaults and limits written from the constants that decide
// them.
std::string Usage() {
  using mass::NumberText;
  return "Usage: zorvan-ms find [--data DIR] [--ion ION] [--ppm P | --mda D]\n"
         "                      [--elements RANGES] [--dbe MIN:MAX] [--integer-dbe] [--no-rules]\n"
         "                      [--percent C=65.20,H=6.30 [--percent-tolerance T]]\n"
         "                      [--weight-range MIN:MAX] [--limit N] [MZ]...\n"
         "\n"
         "Finds every neutral formula M within the element ranges whose ion's m/z lies\n"
         "within the tolerance of a measured m/z, both ends included, and that passes\n"
         "the plausibility rules below, and writes them as tab-separated lines\n"
         "  query mz formula ion_formula calc_mz error_ppm error_mda dbe weight percent\n"
         "after a header line, each query's candidates by |error_ppm|, then Hill\n"
         "formula. query counts the queries from 1; error = measured - calculated,\n"
         "error_ppm in ppm of the calculated m/z. The m/z values are the arguments,\n"
         "or, when there are none, the lines of standard input: MZ, optionally\n"
         "followed by TAB-separated ION, PPM and RANGES that replace the options for\n"
         "that line (RANGES replace the default ranges entirely; an empty field keeps\n"
         "the option). A query that cannot be answered is said on standard error and\n"
         "the next one follows. An m/z or a weight is at most " +
         NumberText(mass::MaxMass) +
         "; a range MIN:MAX may\n"
         "also be written MIN-MAX.\n"
         "\n"
         "With --weight-range and no MZ argument, the elemental analysis alone is\n"
         "answered (no standard input is read): every formula whose weight and\n"
         "percentages, as the main window shows them, fit; the m/z fields are empty.\n"
         "\n"
         "  --ion ION          the ion, as in zorvan-ms mass (default [M+H]+)\n"
         "  --ppm P            tolerance in ppm of the measured m/z (default " +
         NumberText(mass::DefaultTolerancePpm) + ", at most " + NumberText(mass::MaxTolerancePpm) +
         ")\n"
         "  --mda D            tolerance in mDa instead (at most " +
         NumberText(mass::MaxToleranceMda) +
         ")\n"
         "  --elements RANGES  element ranges, such as C0-100H0-200N0-10 (spaces or\n"
         "                     commas between elements allowed; default\n"
         "                     " +
         std::string(mass::DefaultRanges) +
         ")\n"
         "  --dbe MIN:MAX      the DBE of M within MIN..MAX (either may be left out)\n"
         "  --integer-dbe      whole DBE only (even-electron neutral molecules)\n"
         "  --no-rules         leave out the plausibility rules, which are on by\n"
         "                     default (--rules is accepted and changes nothing)\n"
         "  --percent LIST     measured weight percents, such as C=65.20,H=6.30; the\n"
         "                     weight and percent columns are then filled\n"
         "  --percent-tolerance T  in percentage points (default " +
         NumberText(mass::DefaultPercentTolerance) +
         ")\n"
         "  --weight-range MIN:MAX  the molecular weight as the main window shows it\n"
         "  --limit N          keep the N best candidates of each query and say on\n"
         "                     standard error how many more there were; without it a\n"
         "                     query of more than " +
         std::to_string(mass::MaxHeldCandidates) + " is refused on standard error\n";
}

constexpr OptionSpec Options[] = {{"--ion"},          {"--ppm"},
                                  {"--mda"},          {"--elements"},
                                  {"--dbe"},          {"--integer-dbe", false},
                                  {"--rules", false}, {"--no-rules", false},
                                  {"--percent"},      {"--percent-tolerance"},
                                  {"--weight-range"}, {"--limit"}};

// Writes `value` with 3 decimals, without a sign on a value that rounds to 0.
char* PutFixed3(char* out, double value) {
  if (!(std::abs(value) < 1e12)) return std::to_chars(out, out + 64, value, std::chars_format::fixed, 3).ptr;
  int64_t milli = std::llround(value * 1000);
  if (milli < 0) *out++ = '-', milli = -milli;
  out = PutWholeNumber(out, milli / 1000);
  *out++ = '.';
  out[0] = static_cast<char>('0' + milli % 1000 / 100);
  out[1] = static_cast<char>('0' + milli % 100 / 10);
  out[2] = static_cast<char>('0' + milli % 10);
  return out + 3;
}

}  // namespace

Row WriteRow(const mass::FinderQuery& q, const mass::Candidate& c, std::string& text) {
  const mass::CandidateRank rank = mass::RankOf(c);
  Row row{rank.Error, rank.Deviation, text.size(), 0, 0, c.Hill.size()};
  text.resize(row.At + 256 + 2 * c.Hill.size() + mass::HillFormulaRoom(c.Ionized.Formula) + 24 * c.Percent.size() +
              c.Weight.size());
  char* const start = text.data() + row.At;
  char* o = start;
  if (q.Mz) o = PutFixed(o, *q.Mz, 6);
  *o++ = '\t';
  row.HillAt = row.At + static_cast<size_t>(o - start);
  o = Put(o, c.Hill);
  *o++ = '\t';
  if (q.Mz) {
    o = mass::PutHillFormula(o, c.Ionized.Formula);
    *o++ = '\t';
    o = PutFixed(o, c.Ionized.Mz, 6);
    *o++ = '\t';
    o = PutFixed3(o, c.ErrorPpm);
    *o++ = '\t';
    o = PutFixed3(o, c.ErrorMda);
  } else {
    o = Put(o, "\t\t\t");
  }
  *o++ = '\t';
  if (c.Dbe) o = PutHalves(o, *c.Dbe);
  *o++ = '\t';
  o = Put(o, c.Weight);
  *o++ = '\t';
  for (size_t i = 0; i < c.Percent.size(); ++i) {
    if (i > 0) *o++ = ' ';
    o = Put(o, c.Percent[i].first);
    *o++ = '=';
    o = Put(o, c.Percent[i].second);
  }
  *o++ = '\n';
  row.Size = static_cast<size_t>(o - start);
  text.resize(row.At + row.Size);
  return row;
}

namespace {

class Finder {
 public:
  Finder(const Session& session, const mass::FinderQuery& base, std::optional<uint64_t> limit)
      : session_(session), base_(base), limit_(limit) {}

  // Answers one query line (MZ[\tION[\tPPM[\tRANGES]]]), or the analysis
  // alone when `line` is null.
  void Answer(const std::string_view* line, OutputBuffer& out);

 private:
  const Session& session_;
  const mass::FinderQuery& base_;
  std::optional<uint64_t> limit_;
  mass::CandidateRank Rank(const Row& row) const {
    return {row.Error, row.Deviation, std::string_view(text_).substr(row.HillAt, row.HillSize)};
  }
  // Orders rows as the finder orders candidates.
  bool Before(const Row& a, const Row& b) const { return mass::RankBefore(Rank(a), Rank(b)); }
  // Keeps the row of `c`, a candidate of `q`, while there is room; returns
  // false to stop the search.
  bool Keep(const mass::FinderQuery& q, const mass::Candidate& c);
  // Writes the rows kept, in order, each after the query's number.
  void WriteKept(OutputBuffer& out);

  uint64_t number_ = 0;
  uint64_t more_ = 0;     // candidates left out by the limit
  bool tooMany_ = false;  // more than mass::MaxHeldCandidates without a limit
  std::vector<Row> rows_;
  std::string text_;
};

void Finder::Answer(const std::string_view* line, OutputBuffer& out) {
  ++number_;
  mass::FinderQuery q = base_;
  std::string error = line != nullptr ? mass::ReadQueryLine(*line, session_.Isotopes(), q) : "";
  if (error.empty()) error = mass::CheckQuery(q, session_.Tables());
  if (!error.empty()) {
    out.Flush();
    std::fprintf(stderr, "zorvan-ms find: 問い合わせ %llu: %s\n", static_cast<unsigned long long>(number_),
                 error.c_str());
    return;
  }
  rows_.clear();
  text_.clear();
  more_ = 0;
  tooMany_ = false;
  mass::FindFormulas(q, session_.Tables(), [&](const mass::Candidate& c) { return Keep(q, c); });
  if (tooMany_) {
    out.Flush();
    std::fprintf(stderr,
                 "zorvan-ms find: 問い合わせ %llu: 候補が %llu 件を超えました。範囲か許容誤差を狭めるか、--limit "
                 "を指定してください\n",
                 static_cast<unsigned long long>(number_), static_cast<unsigned long long>(mass::MaxHeldCandidates));
    rows_.clear();
  }
  WriteKept(out);
  if (more_ > 0) {
    out.Flush();
    std::fprintf(stderr, "zorvan-ms find: 問い合わせ %llu: ほかに %llu 件の候補を --limit %llu で省きました\n",
                 static_cast<unsigned long long>(number_), static_cast<unsigned long long>(more_),
                 static_cast<unsigned long long>(*limit_));
  }
}

bool Finder::Keep(const mass::FinderQuery& q, const mass::Candidate& c) {
  const auto before = [this](const Row& a, const Row& b) { return Before(a, b); };
  // With a limit the best rows are kept in a heap, the worst on top; a
  // candidate that would not enter it is not written.
  if (limit_ && rows_.size() == *limit_) {
    ++more_;
    if (rows_.empty() || mass::RankBefore(Rank(rows_.front()), mass::RankOf(c))) return true;
    std::pop_heap(rows_.begin(), rows_.end(), before);
    rows_.back() = WriteRow(q, c, text_);
    std::push_heap(rows_.begin(), rows_.end(), before);
    return true;
  }
  if (!limit_ && rows_.size() == mass::MaxHeldCandidates) {
    tooMany_ = true;
    return false;
  }
  rows_.push_back(WriteRow(q, c, text_));
  if (limit_) std::push_heap(rows_.begin(), rows_.end(), before);
  return true;
}

void Finder::WriteKept(OutputBuffer& out) {
  std::sort(rows_.begin(), rows_.end(), [this](const Row& a, const Row& b) { return Before(a, b); });
  char number[24];
  char* const numberEnd = PutWholeNumber(number, static_cast<int64_t>(number_));
  *numberEnd = '\t';
  const std::string_view prefix(number, static_cast<size_t>(numberEnd + 1 - number));
  for (const Row& row : rows_) {
    char* o = Put(out.Room(prefix.size() + row.Size), prefix);
    out.Commit(Put(o, std::string_view(text_).substr(row.At, row.Size)));
  }
}

// Reads the options of `args` into `base` and `limit`; returns -1, or the
// exit status of a usage error.
int ReadOptions(const Arguments& args, const mass::IsotopeTable& isotopes, mass::FinderQuery& base,
                std::optional<uint64_t>& limit) {
  using mass::FinderField;
  constexpr std::pair<std::string_view, FinderField> Fields[] = {{"--ppm", FinderField::Ppm},
                                                                 {"--mda", FinderField::Mda},
                                                                 {"--dbe", FinderField::Dbe},
                                                                 {"--percent", FinderField::Percent},
                                                                 {"--percent-tolerance", FinderField::PercentTolerance},
                                                                 {"--weight-range", FinderField::WeightRange}};
  if (args.Last("--ppm") && args.Last("--mda")) return UsageError("find", "--ppm と --mda は同時に指定できません");
  for (const auto& [name, value] : args.Options) {
    if (name == "--integer-dbe") base.IntegerDbe = true;
    if (name == "--no-rules") base.Rules = false;
    if (name == "--limit") {
      uint64_t n = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
      if (ec != std::errc() || end != value.data() + value.size())
        return UsageError("find", "--limit " + std::string(value) + ": 0 以上の整数を指定します");
      limit = n;
    }
    for (const auto& [option, field] : Fields) {
      if (option != name) continue;
      if (std::string error = mass::ReadField(field, value, isotopes, base); !error.empty())
        return UsageError("find", std::string(name) + " " + std::string(value) + ": " + error);
    }
  }
  int status = -1;
  if (!ParseIonOption("find", args.Last("--ion").value_or("[M+H]+"), isotopes, base.Ion, status)) return status;
  const std::string_view ranges = args.Last("--elements").value_or(mass::DefaultRanges);
  if (std::string error = mass::ReadField(mass::FinderField::Ranges, ranges, isotopes, base); !error.empty())
    return UsageError("find", "--elements " + std::string(ranges) + ": " + error);
  return status;
}

// Answers the analysis alone, the operands or the lines of standard input;
// returns the exit status.
int WriteAnswers(const Arguments& args, const Session& session, const mass::FinderQuery& base,
                 std::optional<uint64_t> limit, bool alone) {
  OutputBuffer out(stdout);
  out.Commit(Put(Put(out.Room(FindColumns.size() + 1), FindColumns), "\n"));
  Finder finder(session, base, limit);
  if (alone) {
    finder.Answer(nullptr, out);
  } else if (!args.Operands.empty()) {
    for (const std::string_view operand : args.Operands) finder.Answer(&operand, out);
  } else {
    std::string longLine;
    ForEachInputLine([&](std::string_view line) { finder.Answer(&line, out); }, [&] { longLine.clear(); },
                     [&](std::string_view piece) {
                       longLine.append(piece.substr(0, 4096 - std::min<size_t>(4096, longLine.size())));
                     },
                     [&] {
                       const std::string_view line = longLine;
                       finder.Answer(&line, out);
                     });
  }
  const bool written = out.Flush();
  return std::fflush(stdout) == 0 && written ? 0 : 1;
}

}  // namespace

int RunFind(std::span<char* const> argv) {
  Arguments args;
  std::vector<OptionSpec> options(std::begin(Options), std::end(Options));
  options.insert(options.end(), SpectraOptions.begin(), SpectraOptions.end());
  if (std::string error = ParseArguments(argv, options, args); !error.empty()) return UsageError("find", error);
  if (args.Help) {
    std::string help = Usage();
    help += SpectraUsage;
    return ShowHelp(help, args,
                    "\n" + mass::FinderDefaultsHelp() + "\n" + std::string(mass::PlausibilityRulesHelp) + "\n" +
                        mass::PatternScoreHelp());
  }
  Session session;
  mass::FinderQuery base;
  std::optional<uint64_t> limit;
  if (const int status = ReadOptions(args, session.Isotopes(), base, limit); status >= 0) return status;
  if (const int loaded = session.Load("find", args); loaded != 0) return loaded;
  // The options alone must make a question that can be answered.
  const bool alone = base.WeightRange && args.Operands.empty();
  mass::FinderQuery probe = base;
  if (!alone) probe.Mz = 100;
  if (std::string error = mass::CheckQuery(probe, session.Tables()); !error.empty()) return UsageError("find", error);
  if (args.Last("--spectra")) return RunSpectra(args, session, base);
  return WriteAnswers(args, session, base, limit, alone);
}

}  // namespace zorvan::ms
