// zorvan-ms find: the formulas that fit a measured m/z, or an elemental
// analysis, one block of rows per query.
#include <algorithm>
#include <charconv>  // std::from_chars
#include <cmath>
#include <cstdio>

#include "mass/finder.h"
#include "tools/ms_common.h"

namespace zorvan::ms {

namespace {

constexpr const char* Usage =
    "Usage: zorvan-ms find [--data DIR] [--ion ION] [--ppm P | --mda D]\n"
    "                      [--elements RANGES] [--dbe MIN:MAX] [--integer-dbe] [--rules]\n"
    "                      [--percent C=65.20,H=6.30 [--percent-tolerance T]]\n"
    "                      [--weight-range MIN:MAX] [--limit N] [MZ]...\n"
    "\n"
    "Finds every neutral formula M within the element ranges whose ion's m/z lies\n"
    "within the tolerance of a measured m/z, both ends included, and writes them\n"
    "as tab-separated lines\n"
    "  query mz formula ion_formula calc_mz error_ppm error_mda dbe weight percent\n"
    "after a header line, each query's candidates by |error|, then Hill formula.\n"
    "query counts the queries from 1; error = calculated - measured. The m/z\n"
    "values are the arguments, or, when there are none, the lines of standard\n"
    "input: MZ, optionally followed by TAB-separated ION, PPM and RANGES that\n"
    "replace the options for that line (RANGES replace the default ranges\n"
    "entirely; an empty field keeps the option). A query that cannot be answered\n"
    "is said on standard error and the next one follows.\n"
    "\n"
    "With --weight-range and no MZ argument, the elemental analysis alone is\n"
    "answered (no standard input is read): every formula whose weight and\n"
    "percentages, as the main window shows them, fit; the m/z fields are empty.\n"
    "\n"
    "  --ion ION          the ion, as in zorvan-ms mass (default [M+H]+)\n"
    "  --ppm P            tolerance in ppm of the measured m/z (default 5)\n"
    "  --mda D            tolerance in mDa instead\n"
    "  --elements RANGES  element ranges, such as C0-100H0-200N0-10 (spaces or\n"
    "                     commas between elements allowed; default\n"
    "                     C0-100 H0-200 N0-10 O0-20 S0-4 P0-4 F0-10 Cl0-6 Br0-4 I0-4)\n"
    "  --dbe MIN:MAX      the DBE of M within MIN..MAX (either may be left out)\n"
    "  --integer-dbe      whole DBE only (even-electron neutral molecules)\n"
    "  --rules            the plausibility rules below\n"
    "  --percent LIST     measured weight percents, such as C=65.20,H=6.30; the\n"
    "                     weight and percent columns are then filled\n"
    "  --percent-tolerance T  in percentage points (default 0.4)\n"
    "  --weight-range MIN:MAX  the molecular weight as the main window shows it\n"
    "  --limit N          keep the N best candidates of each query and say on\n"
    "                     standard error how many more there were; without it a\n"
    "                     query of more than 1000000 is refused on standard error\n"
    "  --data DIR         read atom.csv and group.csv from DIR (default: the\n"
    "                     working directory when it holds atom.csv, otherwise\n"
    "                     " ZORVAN_INSTALLED_DATA_DIR
    ")\n"
    "  --help             show this text\n"
    "\n"
    "Isotope masses come from IsoSpec (Lacki, Startek et al.); weights and\n"
    "percentages from atom.csv.\n\n";

constexpr OptionSpec Options[] = {{"--ion"},          {"--ppm"},     {"--mda"},
                                  {"--elements"},     {"--dbe"},     {"--integer-dbe", false},
                                  {"--rules", false}, {"--percent"}, {"--percent-tolerance"},
                                  {"--weight-range"}, {"--limit"}};

// Reads "MIN:MAX"; a side left empty stays unset unless `both` is required.
bool ParsePair(std::string_view text, bool both, std::optional<double>& low, std::optional<double>& high) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  double value = 0;
  for (const auto& [side, slot] : {std::pair(text.substr(0, colon), &low), std::pair(text.substr(colon + 1), &high)}) {
    if (side.empty() && !both) continue;
    if (!ParseNumber(side, value)) return false;
    *slot = value;
  }
  return true;
}

// Where a candidate's line (after the query number) lies in the text of its
// query, and what orders it.
struct Row {
  double Error = 0, Deviation = 0;  // of its mass::CandidateRank
  size_t At = 0, Size = 0, HillAt = 0, HillSize = 0;
};

// Appends the line of `c` to `text`.
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
    o = PutFixed(o, c.ErrorPpm, 3);
    *o++ = '\t';
    o = PutFixed(o, c.ErrorMda, 3);
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

// The candidates one query may gather without --limit: they are held to be
// sorted, and a question with more is too wide to be read anyway.
constexpr size_t MaxRows = 1000000;

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
  bool tooMany_ = false;  // more than MaxRows without a limit
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
    std::fprintf(stderr, "zorvan-ms find: query %llu: %s\n", static_cast<unsigned long long>(number_), error.c_str());
    return;
  }
  rows_.clear();
  text_.clear();
  more_ = 0;
  tooMany_ = false;
  mass::FindFormulas(q, session_.Tables(), [&](const mass::Candidate& c) { return Keep(q, c); });
  if (tooMany_) {
    out.Flush();
    std::fprintf(stderr, "zorvan-ms find: query %llu: more than %zu candidates; narrow the question or give --limit\n",
                 static_cast<unsigned long long>(number_), MaxRows);
    rows_.clear();
  }
  WriteKept(out);
  if (more_ > 0) {
    out.Flush();
    std::fprintf(stderr, "zorvan-ms find: query %llu: %llu more candidates left out by --limit %llu\n",
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
  if (!limit_ && rows_.size() == MaxRows) {
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

// Writes the usage error of an option `name` with `value`, saying `why` or
// that it is malformed; returns 2.
int Malformed(std::string_view name, std::string_view value, std::string_view why = "") {
  return UsageError("find",
                    std::string(name) + " " + std::string(value) + ": " + std::string(why.empty() ? "malformed" : why));
}

// Reads the options of `args` into `base` and `limit`. Returns -1, or the
// exit status of a usage error.
int ReadOptions(const Arguments& args, const Session& session, mass::FinderQuery& base,
                std::optional<uint64_t>& limit) {
  std::string ion = "[M+H]+", ranges(mass::DefaultRanges);
  for (const auto& [name, value] : args.Options) {
    double number = 0;
    std::optional<double> low, high;
    if (name == "--ion") {
      ion = value;
    } else if (name == "--ppm" || name == "--mda" || name == "--percent-tolerance") {
      if (!ParseNumber(value, number)) return Malformed(name, value);
      if (name == "--ppm")
        base.TolerancePpm = number, base.ToleranceMda.reset();
      else if (name == "--mda")
        base.ToleranceMda = number;
      else
        (base.Analysis ? *base.Analysis : base.Analysis.emplace()).Tolerance = number;
    } else if (name == "--elements") {
      ranges = value;
    } else if (name == "--dbe") {
      if (!ParsePair(value, false, base.DbeMin, base.DbeMax)) return Malformed(name, value);
    } else if (name == "--integer-dbe") {
      base.IntegerDbe = true;
    } else if (name == "--rules") {
      base.Rules = true;
    } else if (name == "--percent") {
      mass::AnalysisFilter& a = base.Analysis ? *base.Analysis : base.Analysis.emplace();
      if (std::string error = mass::ParsePercentages(value, a.Percent); !error.empty() || a.Percent.empty())
        return Malformed(name, value, error);
    } else if (name == "--weight-range") {
      if (!ParsePair(value, true, low, high)) return Malformed(name, value);
      base.WeightRange = std::pair(*low, *high);
    } else if (name == "--limit") {
      uint64_t n = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
      if (ec != std::errc() || end != value.data() + value.size()) return Malformed(name, value);
      limit = n;
    }
  }
  if (args.Last("--ppm") && args.Last("--mda")) return UsageError("find", "--ppm and --mda exclude each other");
  int status = -1;
  if (!ParseIonOption("find", ion, session.Isotopes(), base.Ion, status)) return status;
  if (std::string error = mass::ParseRanges(ranges, session.Isotopes(), base.Ranges); !error.empty())
    return Malformed("--elements", ranges, error);
  return -1;
}

// Answers the analysis alone, the operands or the lines of standard input;
// returns the exit status.
int WriteAnswers(const Arguments& args, const Session& session, const mass::FinderQuery& base,
                 std::optional<uint64_t> limit, bool alone) {
  OutputBuffer out(stdout);
  constexpr std::string_view Header =
      "query\tmz\tformula\tion_formula\tcalc_mz\terror_ppm\terror_mda\tdbe\tweight\tpercent\n";
  out.Commit(Put(out.Room(Header.size()), Header));
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
  if (std::string error = ParseArguments(argv, Options, args); !error.empty()) return UsageError("find", error);
  if (args.Help) {
    std::string help = Usage;
    help += mass::PlausibilityRulesHelp;
    return ShowHelp(help, args);
  }
  Session session;
  mass::FinderQuery base;
  std::optional<uint64_t> limit;
  if (const int status = ReadOptions(args, session, base, limit); status >= 0) return status;
  if (const int loaded = session.Load("find", args); loaded != 0) return loaded;
  // The options alone must make a question that can be answered.
  const bool alone = base.WeightRange && args.Operands.empty();
  mass::FinderQuery probe = base;
  if (!alone) probe.Mz = 100;
  if (std::string error = mass::CheckQuery(probe, session.Tables()); !error.empty()) return UsageError("find", error);
  return WriteAnswers(args, session, base, limit, alone);
}

}  // namespace zorvan::ms
