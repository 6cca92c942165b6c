// Loading a full name database and searching it: one load at start-up and one
// search per click must both feel instant.
#include <benchmark/benchmark.h>
#include <unistd.h>  // getpid

#include <filesystem>
#include <fstream>
#include <string>

#include "search/name_database.h"
#include "search/width_fold.h"

namespace {

namespace fs = std::filesystem;

// A temporary folder holding a name file of NameCapacity records in code
// page 932, removed when the program ends.
class NameFolder {
 public:
  NameFolder() : path_(fs::temp_directory_path() / ("zorvan_search_bench_" + std::to_string(getpid()))) {
    fs::create_directories(path_);
    std::ofstream out(path_ / zorvan::NameFileName, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < zorvan::NameCapacity; ++i) out << Record(i);
  }
  ~NameFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  NameFolder(const NameFolder&) = delete;
  NameFolder& operator=(const NameFolder&) = delete;

  const fs::path& Path() const { return path_; }

 private:
  // Returns one record line: a half-width katakana name of 4 to 9 letters
  // (single bytes 0xB1 to 0xDD), a Latin second name with a kanji suffix, and
  // a formula, as a typical database holds them.
  static std::string Record(int i) {
    std::string name1;
    unsigned seed = static_cast<unsigned>(i) * 2654435761u;
    for (int k = 0; k < 4 + i % 6; ++k) {
      name1 += static_cast<char>(0xB1 + (seed >> 8) % 45);
      seed = seed * 1103515245u + 12345u;
    }
    // Every hundredth record is an "ethanol" (HALFWIDTH KATAKANA E TA NO,
    // PROLONGED MARK, RU) derivative, so that a typical query has some hits.
    if (i % 100 == 0) name1 += "\xB4\xC0\xC9\xB0\xD9";
    // Appending piece by piece keeps clear of a false -Wrestrict in GCC 12's
    // operator+ on a literal and a temporary string.
    std::string line = name1;
    line.append(",Compound ").append(std::to_string(i));
    // The CJK ideographs 9162 9178 (acetic acid) in code page 932.
    line.append(" \x90\x7C\x8E\x5F,C").append(std::to_string(1 + i % 20));
    line.append("H").append(std::to_string(2 + i % 41));
    line.append("O").append(std::to_string(i % 5)).append("\r\n");
    return line;
  }

  fs::path path_;
};

const NameFolder& Folder() {
  static const NameFolder folder;
  return folder;
}

const zorvan::NameDatabase& LoadedDatabase() {
  static const zorvan::NameDatabase db = [] {
    zorvan::NameDatabase loaded;
    zorvan::LoadNameDatabase(loaded, true, Folder().Path());
    return loaded;
  }();
  return db;
}

void BM_LoadNameDatabase(benchmark::State& state) {
  const fs::path& folder = Folder().Path();
  for (auto _ : state) {
    zorvan::NameDatabase db;
    zorvan::LoadNameDatabase(db, true, folder);
    benchmark::DoNotOptimize(db);
    if (db.SubstanceLast() != zorvan::NameCapacity - 1) state.SkipWithError("short load");
  }
}
BENCHMARK(BM_LoadNameDatabase)->Unit(benchmark::kMillisecond);

// The query as typed; each search folds it again, as a click does.
void SearchWith(benchmark::State& state, const zorvan::Text& query) {
  const zorvan::NameDatabase& db = LoadedDatabase();
  for (auto _ : state) {
    zorvan::SearchResults results = zorvan::SearchNames(query, db);
    benchmark::DoNotOptimize(results);
  }
}

void BM_SearchNamesNoHit(benchmark::State& state) {
  // FULLWIDTH LATIN CAPITAL LETTER X Y Z: every record is examined.
  SearchWith(state, u"\uFF38\uFF39\uFF3A");
}
BENCHMARK(BM_SearchNamesNoHit)->Unit(benchmark::kMicrosecond);

void BM_SearchNamesTypical(benchmark::State& state) {
  // KATAKANA LETTER E TA NO, KATAKANA-HIRAGANA PROLONGED SOUND MARK, KATAKANA LETTER RU
  SearchWith(state, u"\u30A8\u30BF\u30CE\u30FC\u30EB");
}
BENCHMARK(BM_SearchNamesTypical)->Unit(benchmark::kMicrosecond);

void BM_SearchNamesSecondName(benchmark::State& state) {
  // Found only in the second names, after a miss in every first name.
  SearchWith(state, u"Compound 99");
}
BENCHMARK(BM_SearchNamesSecondName)->Unit(benchmark::kMicrosecond);

void BM_SearchNamesEmptyQuery(benchmark::State& state) {
  // Stops at the hit cap after the first HitCapacity records.
  SearchWith(state, u"");
}
BENCHMARK(BM_SearchNamesEmptyQuery)->Unit(benchmark::kMicrosecond);

void BM_ToHalfWidth(benchmark::State& state) {
  // KATAKANA LETTER GA, SU, FULLWIDTH DIGIT ONE, KATAKANA LETTER PO, RI, MA, PROLONGED SOUND MARK
  const zorvan::Text query = u"\u30AC\u30B9\uFF11\u30DD\u30EA\u30DE\u30FC";
  zorvan::ToHalfWidth(query);  // builds the code lookup outside the timing
  for (auto _ : state) {
    zorvan::Text folded = zorvan::ToHalfWidth(query);
    benchmark::DoNotOptimize(folded);
  }
}
BENCHMARK(BM_ToHalfWidth);

}  // namespace
