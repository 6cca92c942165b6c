#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>  // getpid

#include "core/reference_tables.h"
#include "tests/support/test_tables.h"

namespace zorvan {
namespace {

std::string Lines(int count, const std::string& pattern) {
  std::string out;
  for (int i = 0; i < count; ++i) out += pattern + std::to_string(i) + "\r\n";
  return out;
}

TEST(LoadTables, ElementTableRecords) {
  std::string atoms = testing::AtomCsv();
  ReferenceTables t = testing::MakeTables(atoms, "");
  EXPECT_EQ(t.Elements.AtomSymbol[1], u"H ");
  EXPECT_EQ(t.Elements.AtomSymbol[17], u"Cl");
  EXPECT_EQ(t.Elements.AtomSymbol[103], u"Lr");
  EXPECT_EQ(t.Elements.AtomicWeight[8], 15.9994f);

  // Quoted, three-character and surplus records.
  std::string odd = atoms;
  odd.replace(odd.find("6,C,12.011"), 10, "6,\"C\",12.011");
  odd.replace(odd.find("7,N,"), 4, "7,Nxy,");
  odd += "104,Rf,261\r\n105,Db,262\r\n";
  t = testing::MakeTables(odd, "");
  EXPECT_EQ(t.Elements.AtomSymbol[6], u"C ");
  EXPECT_EQ(t.Elements.AtomSymbol[7], u"Nx");

  // A header line becomes element 1 and shifts every element by one.
  t = testing::MakeTables("No,Symbol,Weight\r\n" + atoms, "");
  EXPECT_EQ(t.Elements.AtomSymbol[1], u"Sy");
  EXPECT_EQ(t.Elements.AtomicWeight[1], 0.0f);
  EXPECT_EQ(t.Elements.AtomSymbol[2], u"H ");
}

TEST(LoadTables, ShortAtomFileIsFatal) {
  std::string atoms = testing::AtomCsv();
  std::string short102 = atoms.substr(0, atoms.find("103,Lr"));
  EXPECT_THROW(testing::MakeTables(short102, ""), DataFileError);
  std::string missingField = atoms.substr(0, atoms.rfind(",")) + "\r\n";
  EXPECT_THROW(testing::MakeTables(missingField, ""), DataFileError);
}

TEST(LoadTables, GroupTableSlots) {
  struct Row {
    const char* name;
    std::string groups;
    int last;
  };
  const Row rows[] = {
      {"empty", "", -1},
      {"one", "Ph,C6H5\r\n", 0},
      {"exactly101", Lines(101, "G,H"), 100},
      {"150kept101", Lines(150, "G,H"), 100},
      {"quotedComma", "Zz,\"C,H\"\r\n", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(testing::StandardTables(row.groups).Groups.GroupLast(), row.last);
  }
  // An unquoted comma in a formula shifts the records.
  GroupTable g = testing::StandardTables("Ab,C,H\r\nCd,O,Ef\r\n").Groups;
  ASSERT_EQ(g.GroupLast(), 2);
  EXPECT_EQ(g.GroupFormula[0], u"C");
  EXPECT_EQ(g.GroupAbbrev[1], u"H");
  EXPECT_EQ(g.GroupFormula[1], u"Cd");
  // A last record without its formula field is fatal.
  EXPECT_THROW(testing::StandardTables("Ph,C6H5\r\nMe\r\n"), DataFileError);
}

TEST(LoadTables, FromFolderReportsTheFirstBrokenFile) {
  auto folder = std::filesystem::temp_directory_path() / ("zorvan-tables-test-" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  auto expectProblem = [&](const std::string& file, DataFileProblem problem) {
    try {
      LoadTables(folder);
      ADD_FAILURE() << "no error";
    } catch (const DataFileError& e) {
      EXPECT_EQ(e.FileName(), file);
      EXPECT_EQ(e.Problem(), problem);
    }
  };
  expectProblem("atom.csv", DataFileProblem::FileNotFound);
  std::ofstream(folder / "atom.csv", std::ios::binary) << "1,H,1\r\n";
  expectProblem("atom.csv", DataFileProblem::ReadPastEnd);
  std::ofstream(folder / "atom.csv", std::ios::binary) << testing::AtomCsv();
  expectProblem("group.csv", DataFileProblem::FileNotFound);
  std::ofstream(folder / "group.csv", std::ios::binary) << "";
  EXPECT_EQ(LoadTables(folder).Groups.GroupLast(), -1);
  std::filesystem::remove_all(folder);
}

TEST(LoadTables, ExampleDataLoads) {
  ReferenceTables t = LoadTables(ZORVAN_DATA_DIR);
  EXPECT_EQ(t.Elements.AtomSymbol[1], u"H ");
  EXPECT_EQ(t.Elements.AtomicWeight[1], 1.00794f);
  EXPECT_EQ(t.Elements.AtomicWeight[6], 12.011f);
  EXPECT_EQ(t.Elements.AtomicWeight[8], 15.9994f);
  EXPECT_EQ(t.Elements.AtomSymbol[103], u"Lr");
  EXPECT_GE(t.Groups.GroupLast(), 4);
  // Abbreviations must not be element symbols, since they are replaced
  // wherever their text occurs.
  for (int g = 0; g <= t.Groups.GroupLast(); ++g)
    for (int n = 1; n <= ElementCount; ++n)
      EXPECT_NE(FitSymbol(t.Groups.GroupAbbrev[g]), t.Elements.AtomSymbol[n])
          << ToUtf8(t.Groups.GroupAbbrev[g]);
}

}  // namespace
}  // namespace zorvan
