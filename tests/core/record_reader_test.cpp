#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>  // getpid

#include "core/record_reader.h"

namespace zorvan {
namespace {

RecordReader Reader(const std::string& bytes) { return RecordReader("test.csv", DecodeCp932(bytes)); }

TEST(RecordReader, FieldsAndSeparators) {
  struct Row {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> fields;
  };
  const Row rows[] = {
      {"crlf", "a,b\r\nc,d\r\n", {u"a", u"b", u"c", u"d"}},
      {"noFinalLineEnd", "a,b", {u"a", u"b"}},
      {"leadingSpacesSkipped", "  a,\t b\r\n", {u"a", u"b"}},
      {"quotedComma", "\"x,y\",z\r\n", {u"x,y", u"z"}},
      {"quotedKeepsSpaces", "\" a \",b\r\n", {u" a ", u"b"}},
      {"junkAfterQuoteDropped", "\"a\"junk,b\r\n", {u"a", u"b"}},
      {"unclosedQuoteEndsAtLine", "\"a,b\r\nc\r\n", {u"a,b", u"c"}},
      {"emptyMiddleField", "a,,b\r\n", {u"a", u"", u"b"}},
      {"emptyFirstField", ",b,c\r\n", {u"", u"b", u"c"}},
      {"emptyLastFieldWithLineEnd", "a,\r\n", {u"a", u""}},
      {"emptyLastFieldAtEndOfFile", "a,", {u"a", u""}},
      {"blankAfterCommaAtEndOfFile", "a,  ", {u"a", u""}},
      {"blankLinesSkipped", "a\r\n\r\n  \r\nb\r\n", {u"a", u"b"}},
      {"loneLf", "a,b\nc,d\n", {u"a", u"b", u"c", u"d"}},
      {"loneCr", "a,b\rc,d\r", {u"a", u"b", u"c", u"d"}},
      {"halfWidthKatakana", "\xb4\xc0\xc9\xb0\xd9,x\r\n", {u"\uFF74\uFF80\uFF89\uFF70\uFF99", u"x"}},  // ｴﾀﾉｰﾙ
      {"backslashStays", "a\x5c" "b\r\n", {u"a\\b"}},
      {"invalidBytes", "\x80\xa0x\xfc\r\n", {u"\uFFFD\uFFFDx\uFFFD"}},  // REPLACEMENT CHARACTER
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordReader r = Reader(row.bytes);
    for (const std::u16string& want : row.fields) {
      // An empty last field leaves only blanks, which is the end of the data.
      if (!want.empty()) {
        ASSERT_FALSE(r.AtEnd());
      }
      EXPECT_EQ(ToUtf8(r.ReadText()), ToUtf8(want));
    }
    EXPECT_TRUE(r.AtEnd());
    EXPECT_THROW(r.ReadText(), DataFileError);
  }
}

TEST(RecordReader, Numbers) {
  RecordReader r = Reader("6, 12.011 ,-3,1.5e2,abc,70000,.5,1.00794(7),1e50\r\n");
  EXPECT_EQ(r.ReadInt16(), 6);
  EXPECT_EQ(r.ReadFloat(), 12.011f);
  EXPECT_EQ(r.ReadInt16(), -3);
  EXPECT_EQ(r.ReadFloat(), 150.0f);
  EXPECT_EQ(r.ReadFloat(), 0.0f);   // not a number
  EXPECT_EQ(r.ReadInt16(), 0);      // outside 16 bits
  EXPECT_EQ(r.ReadFloat(), 0.5f);
  EXPECT_EQ(r.ReadFloat(), 1.00794f);  // the leading number counts
  EXPECT_EQ(r.ReadFloat(), 0.0f);      // outside the float range
  EXPECT_TRUE(r.AtEnd());
  for (const char* junk : {"inf", "nan", "0x1p3", "-", "."}) {
    SCOPED_TRACE(junk);
    EXPECT_EQ(Reader(junk).ReadFloat(), 0.0f);
  }
}

TEST(RecordReader, ReadPastEndNamesFileAndKind) {
  RecordReader r = Reader("a\r\n");
  r.ReadText();
  try {
    r.ReadText();
    FAIL() << "no error";
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.FileName(), "test.csv");
    EXPECT_EQ(e.Problem(), DataFileProblem::ReadPastEnd);
  }
}

TEST(RecordReader, MissingFileIsFileNotFound) {
  auto folder = std::filesystem::temp_directory_path() / ("zorvan-reader-missing-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  try {
    RecordReader::Open(folder, "atom.csv");
    FAIL() << "no error";
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.Problem(), DataFileProblem::FileNotFound);
    EXPECT_EQ(e.JapaneseMessage(), "ファイルが見つかりません: atom.csv");
  }
  std::ofstream(folder / "atom.csv", std::ios::binary) << "1,H,1\r\n";
  EXPECT_EQ(RecordReader::Open(folder, "atom.csv").ReadInt16(), 1);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zorvan
