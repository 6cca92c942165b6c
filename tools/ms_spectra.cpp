// zorvan-ms find --spectra: the compounds of a SIRIUS .ms or MGF file, each
// a query of its parent m/z and ion whose candidates its MS1 peaks order by
// isotope-pattern score. Compounds are independent, so they are answered on
// several threads a chunk at a time, and written in input order.
#include <algorithm>
#include <atomic>
#include <charconv>  // std::from_chars, std::to_chars
#include <cmath>
#include <cstdio>
#include <thread>

#include "mass/candidate_rank.h"
#include "mass/spectra.h"
#include "tools/ms_common.h"

namespace zorvan::ms {

namespace {

constexpr OptionSpec Options[] = {{"--spectra"}, {"--spectra-format"}, {"--resolution"},
                                  {"--top"},     {"--jobs"},           {"--intensity-error"}};

// Compounds read ahead per thread before they are answered.
constexpr size_t ChunkPerJob = 16;

struct Settings {
  std::string File;   // as given; "-" for standard input
  std::string Shown;  // as messages name it
  mass::SpectraFormat Format = mass::SpectraFormat::Ms;
  mass::ScoreOptions Score;
  std::optional<size_t> Top;
  unsigned Jobs = 1;
  bool IonGiven = false;
};

// Reads a whole number within 1..max.
bool ParseCount(std::string_view text, uint64_t max, uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= 1 && value <= max;
}

// Reads the options of --spectra into `s`. Returns an empty string, or the
// usage error.
std::string ReadSettings(const Arguments& args, Settings& s) {
  s.File = *args.Last("--spectra");
  s.Shown = s.File == "-" ? "(標準入力)" : s.File;
  s.IonGiven = args.Last("--ion").has_value();
  if (!args.Operands.empty()) return "--spectra には MZ の引数を付けません";
  if (args.Last("--limit")) return "--limit は --spectra には使えません。--top を使います";
  const std::optional<std::string_view> format = args.Last("--spectra-format");
  if (format == "ms" || format == "mgf") {
    s.Format = *format == "ms" ? mass::SpectraFormat::Ms : mass::SpectraFormat::Mgf;
  } else if (format) {
    return "--spectra-format " + std::string(*format) + ": ms か mgf を指定します";
  } else if (const auto known = mass::SpectraFormatOf(s.File); known && s.File != "-") {
    s.Format = *known;
  } else if (s.File == "-") {
    return "--spectra -: 標準入力には --spectra-format ms か mgf が必要です";
  } else {
    return "--spectra " + s.File +
           ": --spectra-format ms か mgf を指定します (名前が .ms でも .mgf でも終わっていません)";
  }
  double number = 0;
  if (const auto r = args.Last("--resolution"); r && !(ParseNumber(*r, number) && number > 0 && number <= 1e8))
    return "--resolution " + std::string(*r) + ": 0 より大きい分解能を指定します";
  if (args.Last("--resolution")) s.Score.ResolvingPower = number;
  if (const auto e = args.Last("--intensity-error"); e && !(ParseNumber(*e, number) && number > 0 && number <= 100))
    return "--intensity-error " + std::string(*e) + ": 0 より大きく 100 以下の百分率を指定します";
  if (args.Last("--intensity-error")) s.Score.IntensityError = number / 100;
  uint64_t count = 0;
  if (const auto t = args.Last("--top"); t && !ParseCount(*t, MaxRows, count))
    return "--top " + std::string(*t) + ": 1 から " + std::to_string(MaxRows) + " までの数を指定します";
  if (args.Last("--top")) s.Top = count;
  s.Jobs = std::max(1u, std::thread::hardware_concurrency());
  if (const auto j = args.Last("--jobs"); j && !ParseCount(*j, 1024, count))
    return "--jobs " + std::string(*j) + ": 1 から 1024 までの数を指定します";
  if (args.Last("--jobs")) s.Jobs = static_cast<unsigned>(count);
  return {};
}

// What one compound writes: its rows and its lines of standard error.
struct Answer {
  std::string Out, Err;
};

// A compound as read, with the messages of the lines before it.
struct Task {
  mass::SpectrumCompound Compound;
  std::string Before;
  Answer Result;
};

class Answerer {
 public:
  Answerer(const Session& session, const mass::FinderQuery& base, const Settings& settings)
      : session_(session), base_(base), settings_(settings) {}

  Answer Run(const mass::SpectrumCompound& compound) const;

 private:
  // The query of `compound`, or the reason there is none.
  std::string Query(const mass::SpectrumCompound& compound, mass::FinderQuery& q) const;
  void Write(const mass::SpectrumCompound& compound, const mass::FinderQuery& q,
             const std::vector<mass::Candidate>& candidates, Answer& answer) const;

  const Session& session_;
  const mass::FinderQuery& base_;
  const Settings& settings_;
};

std::string Answerer::Query(const mass::SpectrumCompound& compound, mass::FinderQuery& q) const {
  q = base_;
  q.Mz = compound.ParentMz;
  const std::string ion = mass::QueryIon(compound);
  if (!settings_.IonGiven && !ion.empty()) {
    if (std::string error = mass::ParseIon(ion, session_.Isotopes(), q.Ion); !error.empty()) return error;
  }
  return mass::CheckQuery(q, session_.Tables());
}

// Where a compound is in the file, for its messages.
std::string Place(const Settings& s, const mass::SpectrumCompound& compound) {
  return "zorvan-ms find: " + s.Shown + ":" + std::to_string(compound.Line) + ": 「" + compound.Name + "」: ";
}

Answer Answerer::Run(const mass::SpectrumCompound& compound) const {
  Answer answer;
  mass::FinderQuery q;
  if (std::string error = Query(compound, q); !error.empty()) {
    answer.Err = Place(settings_, compound) + error + "\n";
    return answer;
  }
  std::vector<mass::Candidate> candidates;
  bool tooMany = false;
  mass::FindFormulas(q, session_.Tables(), [&](const mass::Candidate& c) {
    if (candidates.size() == MaxRows) return !(tooMany = true);
    candidates.push_back(c);
    return true;
  });
  if (tooMany) {
    answer.Err =
        Place(settings_, compound) + "候補が " + std::to_string(MaxRows) + " を超えました。条件を絞ってください\n";
  } else if (candidates.empty()) {
    answer.Err = Place(settings_, compound) + "候補がありません\n";
  } else {
    std::sort(candidates.begin(), candidates.end(), mass::CandidateBefore);
    Write(compound, q, candidates, answer);
  }
  return answer;
}

void Answerer::Write(const mass::SpectrumCompound& compound, const mass::FinderQuery& q,
                     const std::vector<mass::Candidate>& candidates, Answer& answer) const {
  const mass::RankedCandidates rank =
      mass::RankCandidates(candidates, q, compound.Peaks, settings_.Score, settings_.Top.value_or(mass::ScoredInFull));
  const std::vector<mass::RankedIon>& ranked = rank.Ranked;
  const bool noFit = rank.FitsNone;
  const size_t shown = std::min(ranked.size(), settings_.Top.value_or(ranked.size()));
  std::string name(compound.Name.size() * 2, '\0'), text;
  name.resize(static_cast<size_t>(PutField(name.data(), compound.Name) - name.data()));
  for (size_t k = 0; k < shown; ++k) {
    const mass::RankedIon& r = ranked[k];
    text.clear();
    WriteRow(q, candidates[r.Index], text);
    text.pop_back();  // the line end
    std::string note = mass::ScoreNote(rank, r);
    if (k == 0 && noFit) note = std::string(mass::FitsNoneText) + "。" + note;
    answer.Out += name + "\t" + text + "\t" + (r.Score ? mass::ScoreText(r.Score->Total) : "") + "\t" +
                  std::to_string(k + 1) + "\t" + note + "\n";
  }
  if (noFit) answer.Err += Place(settings_, compound) + std::string(mass::FitsNoneText) + "\n";
  if (shown < ranked.size())
    answer.Err += Place(settings_, compound) + std::to_string(ranked.size() - shown) + " 件の候補を --top " +
                  std::to_string(shown) + " で省きました\n";
}

// Answers `tasks` on `jobs` threads, each taking the next unanswered one.
// The threads share only what they read: the session's tables, and inside
// IsoSpec a table of log-factorials that it fills in place, each entry with
// the one value it can have.
void AnswerAll(std::vector<Task>& tasks, const Answerer& answerer, unsigned jobs) {
  std::atomic<size_t> next = 0;
  const auto work = [&] {
    for (size_t i; (i = next.fetch_add(1)) < tasks.size();) tasks[i].Result = answerer.Run(tasks[i].Compound);
  };
  std::vector<std::thread> threads;
  for (unsigned j = 1; j < std::min<size_t>(jobs, tasks.size()); ++j) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();
}

// Writes what each task has to say, in order; false when standard output failed.
bool WriteAll(const std::vector<Task>& tasks) {
  bool written = true;
  for (const Task& t : tasks) {
    std::fputs(t.Before.c_str(), stderr);
    written = std::fwrite(t.Result.Out.data(), 1, t.Result.Out.size(), stdout) == t.Result.Out.size() && written;
    if (!t.Result.Err.empty()) {
      written = std::fflush(stdout) == 0 && written;
      std::fputs(t.Result.Err.c_str(), stderr);
    }
  }
  return written;
}

}  // namespace

const std::span<const OptionSpec> SpectraOptions = Options;

const std::string_view SpectraUsage =
    "\n"
    "       zorvan-ms find --spectra FILE [--spectra-format ms|mgf] [--resolution R]\n"
    "                      [--intensity-error P] [--top K] [--jobs N] [OPTION]...\n"
    "\n"
    "Reads compounds from a SIRIUS .ms file (>compound, >parentmass, >ionization,\n"
    ">ms1 and its \"mz intensity\" lines; >ms2 and other sections skipped) or an MGF\n"
    "file (BEGIN IONS ... END IONS blocks with TITLE, PEPMASS, CHARGE, MSLEVEL=1\n"
    "and peak lines; other levels skipped); FILE - is standard input. Each\n"
    "compound's parent m/z and ion (or --ion, which overrides; without either,\n"
    "[M+H]+, or the usual ion of its charge) make a query with the options above,\n"
    "and its MS1 peaks order the candidates by isotope-pattern score, best first.\n"
    "The columns are those above, then score, rank and note; query holds the\n"
    "compound's name, note the parts of the score. A compound without peaks is\n"
    "ordered by mass alone, as its note says. A malformed line is named on\n"
    "standard error with its line number, and the next compound follows.\n"
    "\n"
    "  --spectra FILE     the spectra (- for standard input)\n"
    "  --spectra-format F ms or mgf (default: by the file name's ending)\n"
    "  --resolution R     the resolving power the peaks were measured at\n"
    "                     (default 60000)\n"
    "  --intensity-error P  relative standard deviation of a measured intensity,\n"
    "                     in percent (default 5); --ppm (or --mda) is also the\n"
    "                     m/z tolerance of each peak\n"
    "  --top K            keep each compound's K best and say on standard error\n"
    "                     how many more there were\n"
    "  --jobs N           compounds answered at once (default: the number of cores);\n"
    "                     the output stays in input order\n"
    "\n";

int RunSpectra(const Arguments& args, const Session& session, const mass::FinderQuery& base) {
  Settings settings;
  if (std::string error = ReadSettings(args, settings); !error.empty()) return UsageError("find", error);
  if (settings.File != "-" && std::freopen(settings.File.c_str(), "rb", stdin) == nullptr) {
    std::fprintf(stderr, "zorvan-ms find: %s: ファイルを開けません\n", settings.File.c_str());
    return 1;
  }
  const std::string header = std::string(FindColumns) + "\tscore\trank\tnote\n";
  bool written = std::fputs(header.c_str(), stdout) >= 0;
  const Answerer answerer(session, base, settings);
  mass::SpectraReader reader(settings.Format);
  std::vector<Task> tasks;
  std::string before;
  // Takes what the reader has: its messages go before the next compound.
  const auto drain = [&](bool last) {
    for (const mass::SpectraMessage& m : reader.Messages)
      before += "zorvan-ms find: " + settings.Shown + ":" + std::to_string(m.Line) + ": " + m.Text + "\n";
    for (mass::SpectrumCompound& c : reader.Compounds) tasks.push_back({std::move(c), std::exchange(before, {}), {}});
    reader.Messages.clear();
    reader.Compounds.clear();
    if (tasks.size() < ChunkPerJob * settings.Jobs && !last) return;
    AnswerAll(tasks, answerer, settings.Jobs);
    written = WriteAll(tasks) && written;
    tasks.clear();
  };
  ForEachInputLine(
      [&](std::string_view line) {
        reader.Line(line);
        drain(false);
      },
      [] {}, [](std::string_view) {},
      [&] {
        reader.Line({}, true);
        drain(false);
      });
  reader.Finish();
  drain(true);
  std::fputs(before.c_str(), stderr);
  return std::fflush(stdout) == 0 && written ? 0 : 1;
}

}  // namespace zorvan::ms
