#include "search/name_database.h"

#include <gtest/gtest.h>
#include <unistd.h>  // getpid

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan {
namespace {

namespace fs = std::filesystem;

Text Ascii(std::string_view s) { return Text(s.begin(), s.end()); }

struct Record {
  Text name1, name2, formula;
};

std::vector<Record> Records(const NameDatabase& db) {
  std::vector<Record> records;
  for (int a = 0; a <= db.SubstanceLast(); ++a)
    records.push_back({db.SubstanceName1[a], db.SubstanceName2[a], db.SubstanceFormula[a]});
  return records;
}

bool operator==(const Record& a, const Record& b) {
  return a.name1 == b.name1 && a.name2 == b.name2 && a.formula == b.formula;
}

void PrintTo(const Record& r, std::ostream* os) {
  *os << "{" << ToUtf8(r.name1) << ", " << ToUtf8(r.name2) << ", " << ToUtf8(r.formula) << "}";
}

// Each test gets its own folder for "name.csv", removed afterwards.
class LoadNameDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() / ("zorvan_search_" + std::string(info->name()) + "_" +
                                           std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Writes `bytes`, code page 932, as the name file.
  void WriteNameFile(std::string_view bytes) {
    std::ofstream out(folder_ / NameFileName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
  }

  static std::string NumberedRecords(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
      const std::string n = std::to_string(i);
      bytes += "N" + n + ",M" + n + ",F" + n + "\r\n";
    }
    return bytes;
  }

  fs::path folder_;
};

TEST_F(LoadNameDatabaseTest, LoadsRecordsInFileOrder) {
  struct Row {
    const char* name;
    std::string bytes;
    std::vector<Record> expected;
  };
  const Row rows[] = {
      {"kanji and half-width katakana",
       // CJK 9162 917F (vinegar, acid); HALFWIDTH KATAKANA LETTER E TA NO, PROLONGED MARK, RU
       "\x90\x7C\x8E\x5F,Acetic acid,CH3COOH\r\n\xB4\xC0\xC9\xB0\xD9,Ethanol,C2H5OH\r\n"
       "Water,,H2O\r\n",
       {{u"\u9162\u9178", u"Acetic acid", u"CH3COOH"},  // CJK UNIFIED IDEOGRAPHS 9162 9178
        // HALFWIDTH KATAKANA LETTER E TA NO, PROLONGED SOUND MARK, RU
        {u"\uFF74\uFF80\uFF89\uFF70\uFF99", u"Ethanol", u"C2H5OH"},
        {u"Water", u"", u"H2O"}}},
      {"quoted field with a comma",
       "\"Sodium chloride, pure\",Salt,NaCl\r\n",
       {{u"Sodium chloride, pure", u"Salt", u"NaCl"}}},
      {"records counted by fields, not lines",
       "A,B,C,D\r\nE,F\r\nG,H,I\r\n",
       {{u"A", u"B", u"C"}, {u"D", u"E", u"F"}, {u"G", u"H", u"I"}}},
      {"invalid byte becomes the replacement character",
       "\xB4\xC0\xFF\xC9,x,H2O\r\n",
       // HALFWIDTH KATAKANA LETTER E TA, REPLACEMENT CHARACTER, HALFWIDTH KATAKANA LETTER NO
       {{u"\uFF74\uFF80\uFFFD\uFF89", u"x", u"H2O"}}},
      {"no line end after the last record",
       "a,b,c\nd,e,f",
       {{u"a", u"b", u"c"}, {u"d", u"e", u"f"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteNameFile(row.bytes);
    NameDatabase db;
    LoadNameDatabase(db, true, folder_);
    EXPECT_EQ(db.SubstanceLast(), static_cast<int>(row.expected.size()) - 1);
    EXPECT_EQ(Records(db), row.expected);
  }
}

TEST_F(LoadNameDatabaseTest, KeepsTheFirstTenThousandRecords) {
  struct Row {
    const char* name;
    std::string bytes;
  };
  const Row rows[] = {
      {"exactly 10000", NumberedRecords(10000)},
      {"10001", NumberedRecords(10001)},
      // The 10001st record is cut short, but it is never read.
      {"broken record after 10000", NumberedRecords(10000) + "x,y\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteNameFile(row.bytes);
    NameDatabase db;
    ASSERT_NO_THROW(LoadNameDatabase(db, true, folder_));
    ASSERT_EQ(db.SubstanceLast(), NameCapacity - 1);
    EXPECT_EQ(db.SubstanceName2.size(), db.SubstanceName1.size());
    EXPECT_EQ(db.SubstanceFormula.size(), db.SubstanceName1.size());
    EXPECT_EQ(db.SubstanceName1.front(), u"N0");
    EXPECT_EQ(db.SubstanceName1.back(), u"N9999");
    EXPECT_EQ(db.SubstanceName2.back(), u"M9999");
    EXPECT_EQ(db.SubstanceFormula.back(), u"F9999");
  }
}

TEST_F(LoadNameDatabaseTest, FileWithoutRecordsIsReadAgainLater) {
  struct Row {
    const char* name;
    std::string_view bytes;
  };
  for (const Row& row : {Row{"empty file", ""}, Row{"blank lines only", "\r\n  \r\n\t\n"}}) {
    SCOPED_TRACE(row.name);
    WriteNameFile(row.bytes);
    NameDatabase db;
    LoadNameDatabase(db, true, folder_);
    EXPECT_EQ(db.SubstanceLast(), -1);
    EXPECT_EQ(SearchNames(u"", db).HitLast(), -1);

    WriteNameFile("Water,,H2O\r\n");
    LoadNameDatabase(db, true, folder_);
    EXPECT_EQ(Records(db), (std::vector<Record>{{u"Water", u"", u"H2O"}}));
  }
}

TEST_F(LoadNameDatabaseTest, LoadedDatabaseIsNeverReloaded) {
  WriteNameFile("Water,,H2O\r\n");
  NameDatabase db;
  LoadNameDatabase(db, true, folder_);
  WriteNameFile("Salt,,NaCl\r\nSugar,,C12H22O11\r\n");
  LoadNameDatabase(db, true, folder_);
  EXPECT_EQ(Records(db), (std::vector<Record>{{u"Water", u"", u"H2O"}}));
  fs::remove(folder_ / NameFileName);
  EXPECT_NO_THROW(LoadNameDatabase(db, true, folder_));
  EXPECT_EQ(db.SubstanceLast(), 0);
}

TEST_F(LoadNameDatabaseTest, SearchModeOffOpensNothing) {
  NameDatabase db;
  // Without search mode even a missing file is no error.
  EXPECT_NO_THROW(LoadNameDatabase(db, false, folder_));
  WriteNameFile("Water,,H2O\r\n");
  LoadNameDatabase(db, false, folder_);
  EXPECT_EQ(db.SubstanceLast(), -1);
  LoadNameDatabase(db, true, folder_);
  EXPECT_EQ(db.SubstanceLast(), 0);
}

TEST_F(LoadNameDatabaseTest, BrokenFilesThrowAndLeaveTheDatabaseNotLoaded) {
  struct Row {
    const char* name;
    const char* bytes;  // nullptr: no file at all
    DataFileProblem problem;
  };
  const Row rows[] = {
      {"missing file", nullptr, DataFileProblem::FileNotFound},
      {"two fields on the last line", "a,b,c\r\nd,e\r\n", DataFileProblem::ReadPastEnd},
      {"one field only", "a", DataFileProblem::ReadPastEnd},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(folder_ / NameFileName);
    if (row.bytes != nullptr) WriteNameFile(row.bytes);
    NameDatabase db;
    try {
      LoadNameDatabase(db, true, folder_);
      ADD_FAILURE() << "no DataFileError";
    } catch (const DataFileError& e) {
      EXPECT_EQ(e.Problem(), row.problem);
      EXPECT_EQ(e.FileName(), NameFileName);
    }
    EXPECT_EQ(db.SubstanceLast(), -1);
    EXPECT_TRUE(db.SubstanceName1.empty() && db.SubstanceName2.empty() &&
                db.SubstanceFormula.empty());
  }
}

TEST_F(LoadNameDatabaseTest, InvalidBytesStillSearch) {
  // HALFWIDTH KATAKANA LETTER E TA, an invalid byte, HALFWIDTH KATAKANA NO, PROLONGED MARK, RU
  WriteNameFile("Water,,H2O\r\n\xB4\xC0\xFF\xC9\xB0\xD9,,C2H5OH\r\n");
  NameDatabase db;
  LoadNameDatabase(db, true, folder_);
  // KATAKANA LETTER NO, KATAKANA-HIRAGANA PROLONGED SOUND MARK, KATAKANA LETTER RU
  const SearchResults results = SearchNames(u"\u30CE\u30FC\u30EB", db);
  ASSERT_EQ(results.HitLast(), 0);
  EXPECT_EQ(results.HitName[0], u"\uFF74\uFF80\uFFFD\uFF89\uFF70\uFF99");  // as loaded above
  EXPECT_EQ(results.HitFormula[0], u"C2H5OH");
}

TEST(LoadNameDatabaseReaderTest, LoadsFromAReaderOnlyWhenAsked) {
  RecordReader reader(NameFileName, u"Water,,H2O\r\nSalt,,NaCl\r\n");
  NameDatabase db;
  LoadNameDatabase(db, false, reader);
  EXPECT_EQ(db.SubstanceLast(), -1);
  LoadNameDatabase(db, true, reader);
  EXPECT_EQ(Records(db),
            (std::vector<Record>{{u"Water", u"", u"H2O"}, {u"Salt", u"", u"NaCl"}}));
  RecordReader broken(NameFileName, u"a,b");
  NameDatabase other;
  EXPECT_THROW(LoadNameDatabase(other, true, broken), DataFileError);
}

NameDatabase MakeDatabase(const std::vector<Record>& records) {
  NameDatabase db;
  for (const Record& r : records) {
    db.SubstanceName1.push_back(r.name1);
    db.SubstanceName2.push_back(r.name2);
    db.SubstanceFormula.push_back(r.formula);
  }
  return db;
}

struct Hit {
  Text name, formula;
  bool operator==(const Hit&) const = default;
};

void PrintTo(const Hit& h, std::ostream* os) {
  *os << "{" << ToUtf8(h.name) << ", " << ToUtf8(h.formula) << "}";
}

std::vector<Hit> Hits(const SearchResults& results) {
  std::vector<Hit> hits;
  EXPECT_EQ(results.HitFormula.size(), results.HitName.size());
  for (int h = 0; h <= results.HitLast(); ++h)
    hits.push_back({results.HitName[h], results.HitFormula[h]});
  return hits;
}

TEST(SearchNamesTest, MatchesNamesAsStored) {
  // HALFWIDTH KATAKANA LETTER E TA NO, PROLONGED SOUND MARK, RU
  const Text halfEthanol = u"\uFF74\uFF80\uFF89\uFF70\uFF99";
  // KATAKANA LETTER E TA NO, KATAKANA-HIRAGANA PROLONGED SOUND MARK, KATAKANA LETTER RU
  const Text fullEthanol = u"\u30A8\u30BF\u30CE\u30FC\u30EB";
  const NameDatabase db = MakeDatabase({
      {u"Ethanol", u"Ethyl alcohol", u"C2H5OH"},
      {u"Acetic acid", u"Ethanoic acid", u"CH3COOH"},
      {u"", u"", u"X"},
      {u"", u"Water", u"H2O"},
      {u"Salt", u"", u"NaCl"},
      {halfEthanol, u"", u"CH3CH2OH"},
      {fullEthanol, u"", u"EtOH"},
      {u"NaCl solution", u"Brine", u"NaCl"},
  });
  struct Row {
    const char* name;
    Text query;
    std::vector<Hit> expected;
  };
  const Row rows[] = {
      {"first name", u"Ethanol", {{u"Ethanol", u"C2H5OH"}}},
      {"second name when only it holds the query",
       u"anoic",
       {{u"Ethanoic acid", u"CH3COOH"}}},
      {"both names hold it: one hit, under the first",
       u"Eth",
       {{u"Ethanol", u"C2H5OH"}, {u"Ethanoic acid", u"CH3COOH"}}},
      {"empty query skips records without names",
       u"",
       {{u"Ethanol", u"C2H5OH"},
        {u"Acetic acid", u"CH3COOH"},
        {u"Water", u"H2O"},
        {u"Salt", u"NaCl"},
        {halfEthanol, u"CH3CH2OH"},
        {fullEthanol, u"EtOH"},
        {u"NaCl solution", u"NaCl"}}},
      {"full-width query finds the half-width name only", fullEthanol,
       {{halfEthanol, u"CH3CH2OH"}}},
      // FULLWIDTH LATIN CAPITAL LETTER N, SMALL A, CAPITAL C, SMALL L
      {"full-width Latin letters", u"\uFF2E\uFF41\uFF23\uFF4C", {{u"NaCl solution", u"NaCl"}}},
      {"case-sensitive", u"ethanol", {}},
      {"case-sensitive in the second name", u"brine", {}},
      {"spaces are not trimmed", u" acid", {{u"Acetic acid", u"CH3COOH"}}},
      {"longer than every name", u"NaCl solution, saturated", {}},
      {"in several records, file order", u"a", {{u"Ethanol", u"C2H5OH"},
                                               {u"Acetic acid", u"CH3COOH"},
                                               {u"Water", u"H2O"},
                                               {u"Salt", u"NaCl"},
                                               {u"NaCl solution", u"NaCl"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Hits(SearchNames(row.query, db)), row.expected);
  }
}

TEST(SearchNamesTest, KeepsTheFirstThousandHitsInFileOrder) {
  std::vector<Record> records;
  for (int i = 0; i < 2500; ++i) {
    const Text n = Ascii(std::to_string(i));
    // Only the even records match, half of them through the second name.
    if (i % 2 != 0)
      records.push_back({u"Other" + n, u"Other" + n, u"F" + n});
    else if (i % 4 == 0)
      records.push_back({u"Match" + n, u"Other" + n, u"F" + n});
    else
      records.push_back({u"Other" + n, u"Match" + n, u"F" + n});
  }
  const SearchResults results = SearchNames(u"Match", MakeDatabase(records));
  ASSERT_EQ(results.HitLast(), HitCapacity - 1);
  for (int h = 0; h < HitCapacity; ++h) {
    const Text n = Ascii(std::to_string(2 * h));
    ASSERT_EQ(results.HitName[h], u"Match" + n) << h;
    ASSERT_EQ(results.HitFormula[h], u"F" + n) << h;
  }
}

TEST(SearchNamesTest, NotLoadedDatabaseFindsNothing) {
  EXPECT_EQ(SearchNames(u"", NameDatabase{}).HitLast(), -1);
  EXPECT_EQ(SearchNames(u"a", NameDatabase{}).HitLast(), -1);
}

}  // namespace
}  // namespace zorvan
