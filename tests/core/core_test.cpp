// The record reader, the calculation's error reports and its decimal point,
// driven by the case files in tests/cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>  // std::from_chars
#include <cstdio>
#include <map>

#include "core/calculation.h"
#include "core/number_forms.h"
#include "tests/support.h"

namespace zorvan {
namespace {

using testing::CaseFiles;
using testing::CaseLines;

// Each reader/NAME.csv is read in records of the field types that the first
// line of NAME.txt lists ("t" text, "f" float); the rest of NAME.txt is one
// line per record, each field in brackets, and "ReadPastEnd" where the
// reader ran out inside a record.
TEST(RecordReader, ReadsEachCaseFile) {
  for (const auto& csv : CaseFiles("reader", ".csv")) {
    SCOPED_TRACE(csv.filename().string());
    std::vector<std::string> expected = CaseLines(std::filesystem::path(csv).replace_extension(".txt"));
    ASSERT_FALSE(expected.empty());
    const std::string types = expected.front();
    expected.erase(expected.begin());
    std::vector<std::string> got;
    RecordReader reader = RecordReader::Open(csv.parent_path(), csv.filename().string());
    try {
      while (!reader.AtEnd()) {
        got.emplace_back();
        for (char type : types) {
          if (type == 't') {
            const std::string field = ToUtf8(reader.ReadText());
            got.back().append("[").append(field).append("]");
          } else if (type == 'f') {
            char buf[32];
            std::snprintf(buf, sizeof buf, "[%.9g]", reader.ReadFloat());
            got.back() += buf;
          }
        }
      }
    } catch (const DataFileError& e) {
      EXPECT_EQ(e.Problem(), DataFileProblem::ReadPastEnd);
      got.back() += "ReadPastEnd";
    }
    EXPECT_EQ(got, expected);
  }
}

TEST(RecordReader, MissingFileOrFolderIsNotFound) {
  for (const char* name : {"no-such.csv", "reader"}) {
    try {
      RecordReader::Open(testing::CasesFolder, name);
      ADD_FAILURE() << name << " opened";
    } catch (const DataFileError& e) {
      EXPECT_EQ(e.Problem(), DataFileProblem::FileNotFound);
      EXPECT_EQ(e.JapaneseMessage(), std::string("ファイルが見つかりません: ") + name);
    }
  }
}

// errors.txt: a formula, the kind of error and its position and length in
// the parsed text ("-" for groups off), and the notes on it, each its kind
// and its position in the typed text, tab-separated. A calculation of the
// counts alone must end the same way.
TEST(FormulaEngine, ReportsWhereAFormulaFailsAndWhatToNote) {
  const char* kinds[] = {"None",           "UnexpectedChar", "UnknownSymbol",    "MalformedNumber",
                         "NumberTooLarge", "FormulaTooLong", "ExpansionTooLong", "OutOfRange"};
  const char* noteKinds[] = {"Cause",      "SuggestSymbol", "LowerCaseStart", "FullWidth",  "HydrateDot",
                             "UnreadTail", "OpenParen",     "EmptyStar",      "GroupSymbol"};
  const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  FormulaEngine engine(tables);
  for (const std::string& line : CaseLines(testing::CasesFolder / "errors.txt")) {
    SCOPED_TRACE(line);
    char formula[200], kind[40], groups[4] = "+";
    int position = 0, length = 0;
    ASSERT_GE(std::sscanf(line.c_str(), "%199[^\t]\t%39s %d %d %3s", formula, kind, &position, &length, groups), 4);
    const bool replaceGroups = groups[0] != '-';
    const Text input = FromUtf8(formula);
    const Calculation r = engine.Calculate(input, {.ReplaceGroups = replaceGroups});
    EXPECT_EQ(kinds[static_cast<int>(r.Error.Kind)], std::string(kind));
    EXPECT_EQ(r.Status == CalcStatus::Ok, std::string(kind) == "None");
    EXPECT_EQ(r.Error.Position, position);
    EXPECT_EQ(r.Error.Length, length);
    Calculation counts;
    engine.Calculate(
        input, {.ReplaceGroups = replaceGroups, .Detail = CalcDetail::Counts, .Notes = false, .Parts = false}, counts);
    EXPECT_EQ(counts.Status, r.Status);
    EXPECT_EQ(counts.Error.Kind, r.Error.Kind);
    std::string notes;
    for (const Note& note : r.Notes) {
      EXPECT_FALSE(note.Message.empty());
      notes += std::string(notes.empty() ? "" : " ") + noteKinds[static_cast<int>(note.Kind)] + " " +
               std::to_string(note.Position);
    }
    const size_t second = line.find('\t', line.find('\t') + 1);
    EXPECT_EQ(notes, second == std::string::npos ? "" : line.substr(second + 1));
  }
}

// parts.txt: the parts around each "*", as the file's head says.
TEST(FormulaEngine, ListsThePartsAroundEachStar) {
  const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  FormulaEngine engine(tables);
  const auto number = [](float value) {
    char text[MaxNumberLen];
    return std::string(text, PutShortNumber(text, value));
  };
  for (const std::string& line : CaseLines(testing::CasesFolder / "parts.txt")) {
    SCOPED_TRACE(line);
    const size_t tab = line.find('\t');
    const Calculation c = engine.Calculate(FromUtf8(line.substr(0, tab)));
    std::string parts;
    for (const FormulaPart& part : c.Parts) {
      const std::string typed = ToUtf8(part.Typed);
      std::string rest;
      part.Named.ForEach([&](int n) {
        std::string symbol = ToUtf8(tables.Elements[n].AtomSymbol);
        if (symbol.back() == ' ') symbol.pop_back();
        if (part.Counts[n] > 0) rest += symbol + number(part.Counts[n]);
      });
      parts += "\t[" + typed.substr(0, part.CountLength) + "]" + typed.substr(part.CountLength) + " " +
               number(part.Multiplier) + " " + (rest.empty() ? "-" : rest);
    }
    EXPECT_EQ(parts.empty() ? "\tnone" : parts, line.substr(tab));
  }
}

// number_forms.txt: each form's text of a value, as the file's head says.
TEST(NumberForms, WriteEachCase) {
  for (const std::string& line : CaseLines(testing::CasesFolder / "number_forms.txt")) {
    SCOPED_TRACE(line);
    const size_t tab = line.find('\t'), tab2 = line.find('\t', tab + 1);
    const std::string form = line.substr(0, tab), value = line.substr(tab + 1, tab2 - tab - 1);
    float f = 0;
    double d = 0;
    int64_t whole = 0;
    std::from_chars(value.data(), value.data() + value.size(), f);
    std::from_chars(value.data(), value.data() + value.size(), d);
    std::from_chars(value.data(), value.data() + value.size(), whole);
    char out[2 * MaxNumberLen];
    char16_t wide[2 * MaxNumberLen];
    using Forms = std::pair<char* (*)(char*, float, char), char16_t* (*)(char16_t*, float, char16_t)>;
    const std::map<std::string, Forms> floatForms = {
        {"general", {PutGeneralNumber<char>, PutGeneralNumber<char16_t>}},
        {"short",
         {[](char* o, float v, char) { return PutShortNumber(o, v); },
          [](char16_t* o, float v, char16_t) { return PutShortNumber(o, v); }}},
        {"field", {PutPercentField<char>, PutPercentField<char16_t>}},
        {"percentage", {PutPercentage<char>, PutPercentage<char16_t>}}};
    std::string got;
    if (const auto writers = floatForms.find(form); writers != floatForms.end()) {
      got.assign(out, writers->second.first(out, f, '.'));
      std::string point = got;  // the short form's point is always "."
      if (form != "short") std::replace(point.begin(), point.end(), '.', ',');
      EXPECT_EQ(ToUtf8(std::u16string_view(wide, writers->second.second(wide, f, u','))), point) << "as UTF-16";
    } else {
      got.assign(out, form == "whole"    ? PutWholeNumber(out, whole)
                      : form == "fixed6" ? PutFixed(out, d, 6)
                      : form == "fixed3" ? PutFixed(out, d, 3)
                                         : PutHalves(out, d));
    }
    EXPECT_EQ(got, line.substr(tab2 + 1));
  }
}

TEST(FormulaEngine, UsesTheGivenDecimalPointForWeightAndPercentOnly) {
  const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  FormulaEngine engine(tables);
  const Calculation r = engine.Calculate(u"C.5H2O", {.DecimalPoint = u','});
  EXPECT_EQ(r.Composition, u"H2C.5O1");
  EXPECT_EQ(r.MolecularWeight, u"24,02078");
  EXPECT_EQ(r.PercentLines, (std::vector<Text>{u"H \t  8,39%", u"C \t 25,00%", u"O \t 66,61%"}));
}

}  // namespace
}  // namespace zorvan
