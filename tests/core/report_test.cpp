#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>  // getpid

#include "core/report.h"
#include "tests/support/test_tables.h"

namespace zorvan {
namespace {

TEST(Report, BlockAndBatchEntry) {
  ReferenceTables tables = testing::StandardTables();
  FormulaEngine engine(tables);
  Text out;
  AppendReportBlock(out, u"H2O", engine.CalculateFormula(u"H2O", true));
  EXPECT_EQ(out, u"H2O\r\nH2O1\r\n18.01528\r\nH \t 11.19%\r\nO \t 88.81%\r\n");
  out.clear();
  AppendBatchEntry(out, u"x", engine.CalculateFormula(u"x", true));
  EXPECT_EQ(out, u"\r\nx\r\nError!\r\n\r\n");
  out.clear();
  AppendReportBlock(out, u"", engine.CalculateFormula(u"", true));
  EXPECT_EQ(out, u"\r\n\r\n0\r\n");
}

TEST(Report, SplitPasteLines) {
  struct Row {
    const char* name;
    std::u16string text;
    std::vector<std::u16string> lines;
  };
  const Row rows[] = {
      {"noCrLf", u"H2O", {}},
      {"empty", u"", {}},
      {"loneLf", u"H2O\nNaCl\n", {}},
      {"loneCr", u"H2O\rNaCl", {}},
      {"one", u"H2O\r\n", {u"H2O"}},
      {"twoNoEnd", u"H2O\r\nNaCl", {u"H2O", u"NaCl"}},
      {"twoWithEnd", u"H2O\r\nNaCl\r\n", {u"H2O", u"NaCl"}},
      {"emptyMiddle", u"H2O\r\n\r\nNaCl", {u"H2O", u"", u"NaCl"}},
      {"leadingCrLf", u"\r\nH2O", {u"", u"H2O"}},
      {"onlyCrLf", u"\r\n", {u""}},
      {"crCrLf", u"a\r\r\nb", {u"a\r", u"b"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(SplitPasteLines(row.text), row.lines);
  }
}

// Runs zorvan-batch with `args` on `input`; returns its standard output.
std::string RunBatch(const std::string& args, const std::string& input, int& status) {
  // ctest runs tests in parallel: each run gets its own input file.
  static int runs = 0;
  auto in = std::filesystem::temp_directory_path() /
            ("zorvan-batch-input-" + std::to_string(getpid()) + "-" + std::to_string(++runs) + ".txt");
  std::ofstream(in, std::ios::binary) << input;
  std::string command = std::string(ZORVAN_BATCH_EXE) + " " + args + " < " + in.string() + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  status = WEXITSTATUS(pclose(pipe));
  std::filesystem::remove(in);
  return out;
}

TEST(BatchTool, ReportsEachLine) {
  int status = -1;
  std::string out = RunBatch(std::string("--data ") + ZORVAN_DATA_DIR, "H2O\r\nCH3COOH\n\nPhOH", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out,
            "\r\nH2O\r\nH2O1\r\n18.01528\r\nH \t 11.19%\r\nO \t 88.81%\r\n"
            "\r\nCH3COOH\r\nH4C2O2\r\n60.05256\r\nH \t  6.71%\r\nC \t 40.00%\r\nO \t 53.28%\r\n"
            "\r\n\r\n\r\n0\r\n"
            "\r\nPhOH\r\nH6C6O1\r\n94.11304\r\nH \t  6.43%\r\nC \t 76.57%\r\nO \t 17.00%\r\n");
  out = RunBatch(std::string("--no-groups --data ") + ZORVAN_DATA_DIR, "PhOH\n", status);
  EXPECT_EQ(out, "\r\nPhOH\r\nError!\r\n\r\n");
}

TEST(BatchTool, OverlongLinesStreamThroughAsErrors) {
  int status = -1;
  // Past 3 bytes per code unit of the longest formula a line is streamed,
  // not held; a multi-byte character may straddle the read blocks.
  std::string longLine = std::string(70000, 'C') + "\xe3\x82\xa8" + std::string(100000, 'H');  // エ
  std::string out = RunBatch(std::string("--data ") + ZORVAN_DATA_DIR,
                             "H2O\r\n" + longLine + "\r\n" + std::string(40000, 'H') + "\nH" + std::string(32765, 'H'),
                             status);
  EXPECT_EQ(status, 0);
  std::string expected = "\r\nH2O\r\nH2O1\r\n18.01528\r\nH \t 11.19%\r\nO \t 88.81%\r\n";
  expected += "\r\n" + longLine + "\r\nError!\r\n\r\n";
  expected += "\r\n" + std::string(40000, 'H') + "\r\nError!\r\n\r\n";
  expected += "\r\n" + std::string(32766, 'H') + "\r\nH32766\r\n33026.16\r\nH \t100.00%\r\n";
  EXPECT_TRUE(out == expected) << out.size() << " bytes against " << expected.size();
}

TEST(BatchTool, MissingDataFileExitsWithMessage) {
  int status = -1;
  std::string out = RunBatch("--data /nonexistent-zorvan-folder", "H2O\n", status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("atom.csv"), std::string::npos) << out;
  EXPECT_NE(RunBatch("--bogus", "", status).find("Usage"), std::string::npos);
  EXPECT_EQ(status, 2);
  EXPECT_NE(RunBatch("--data", "", status).find("--data needs a folder"), std::string::npos);
  EXPECT_EQ(status, 2);
}

}  // namespace
}  // namespace zorvan
