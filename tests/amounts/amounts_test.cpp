// The reagent table and the calculators against hand-computed cases
// (tests/cases/amounts), the units against their case table, and the
// solver against itself: a table solved again from any one of its own
// solved cells is the same table.
#include <gtest/gtest.h>

#include <charconv>  // std::from_chars, std::to_chars
#include <cmath>
#include <map>
#include <random>

#include "amounts/molecular_weight.h"
#include "amounts/solutions.h"
#include "amounts/table_tsv.h"
#include "tests/support.h"

namespace zorvan::amounts {
namespace {

using Fields = std::map<std::string, std::string>;

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> parts;
  std::stringstream in(line);
  for (std::string part; std::getline(in, part, '\t');) parts.push_back(part);
  return parts;
}

// Checks "KEY=VALUE" (VALUE to its written significant figures; empty: an
// empty field) or "KEY~TEXT" (the field holds TEXT) against `fields`.
void Expect(const Fields& fields, const std::string& expectation) {
  SCOPED_TRACE(expectation);
  const size_t split = expectation.find_first_of("=~");
  ASSERT_NE(split, std::string::npos);
  const std::string key = expectation.substr(0, split), want = expectation.substr(split + 1);
  ASSERT_TRUE(fields.contains(key));
  const std::string& got = fields.at(key);
  if (expectation[split] == '~' || want.empty() || got.empty()) {
    EXPECT_TRUE(expectation[split] == '~' ? got.find(want) != std::string::npos : got == want) << got;
    return;
  }
  double expected = 0, actual = 0;
  std::from_chars(want.data(), want.data() + want.size(), expected);
  std::from_chars(got.data(), got.data() + got.size(), actual);
  const std::string mantissa = want.substr(0, want.find('e'));
  const int figures = int(std::count_if(mantissa.begin() + long(mantissa.find_first_of("123456789")), mantissa.end(),
                                        [](char c) { return c >= '0' && c <= '9'; }));
  const double halfUnit = 0.5 * std::pow(10, std::floor(std::log10(expected)) - figures + 1);
  EXPECT_LE(std::fabs(actual - expected), halfUnit * (1 + 1e-9)) << got;
}

void CheckTable(const std::string& tsv, const std::vector<std::string>& expectations) {
  static const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  static FormulaEngine engine(tables);
  const TableFile file = ReadTableTsv(tsv);
  EXPECT_TRUE(file.Problems.empty());
  std::map<std::string, Fields> rows;
  std::stringstream out(SolvedTsv(file.Rows, Solve(file.Rows, TableWeights(file.Rows, engine, tables, true))));
  std::string line;
  std::getline(out, line);
  const std::vector<std::string> header = Split(line);
  while (std::getline(out, line)) {
    std::vector<std::string> cells = Split(line);
    cells.resize(header.size());
    for (size_t i = 0; i < header.size(); ++i) rows[cells[0]][header[i]] = cells[i];
  }
  for (const std::string& expectation : expectations) {
    const std::vector<std::string> parts = Split(expectation);
    SCOPED_TRACE(parts[0]);
    ASSERT_TRUE(rows.contains(parts[0]));
    for (size_t i = 1; i < parts.size(); ++i) Expect(rows[parts[0]], parts[i]);
  }
}

// The fields of a calculator's line: GIVEN=VALUE before "=>".
Fields Given(const std::vector<std::string>& parts, size_t& i) {
  Fields given;
  for (; i < parts.size() && parts[i] != "=>"; ++i) {
    const size_t eq = parts[i].find('=');
    given[parts[i].substr(0, eq)] = eq == std::string::npos ? parts[i] : parts[i].substr(eq + 1);
  }
  ++i;
  return given;
}

std::optional<double> Value(const Fields& given, const std::string& key, Dimension dim, std::string_view bare) {
  Quantity q;
  if (!given.contains(key)) return std::nullopt;
  EXPECT_EQ(ParseQuantity(given.at(key), *FindUnit(dim, bare), q), "") << key;
  return q.Base();
}

std::string Field(std::optional<double> value, double scale = 1) { return value ? General6(*value * scale) : ""; }

// The output fields of a solution, dilution or percent line.
Fields Calculate(const std::string& kind, const std::string& formula, const Fields& given) {
  static const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  static FormulaEngine engine(tables);
  const std::optional<double> weight = MolecularWeight(engine, tables, formula, true).Value;
  if (kind == "solution") {
    const Solution s = SolveSolution(
        weight, {Value(given, "mass", Dimension::Mass, "g"), Value(given, "volume", Dimension::Volume, "mL"),
                 Value(given, "molarity", Dimension::Molarity, "M"), ""});
    return {{"mass_g", Field(s.Mass)},
            {"volume_ml", Field(s.Volume, 1e3)},
            {"molarity_m", Field(s.Molarity)},
            {"note", s.Note}};
  }
  if (kind == "dilution") {
    const Dilution d =
        Dilute(*Value(given, "from", Dimension::Molarity, "M"), *Value(given, "to", Dimension::Molarity, "M"),
               *Value(given, "volume", Dimension::Volume, "mL"));
    return {{"stock_ml", Field(d.Stock, 1e3)}, {"solvent_ml", Field(d.Solvent, 1e3)}, {"note", d.Note}};
  }
  const PercentSolution p = SolvePercent(
      given.at("kind") == "w/w" ? PercentKind::WeightWeight : PercentKind::WeightVolume,
      *Value(given, "percent", Dimension::Percent, "%"), weight, Value(given, "density", Dimension::Density, "g/mL"),
      Value(given, "volume", Dimension::Volume, "mL"), std::nullopt);
  return {{"solute_g", Field(p.Solute)},
          {"solvent_g", Field(p.Solvent)},
          {"molarity_m", Field(p.Molarity)},
          {"note", p.Note}};
}

Dimension DimensionOf(const std::string& base) {
  const std::pair<const char*, Dimension> names[] = {
      {"g", Dimension::Mass}, {"mol", Dimension::Amount}, {"L", Dimension::Volume}};
  for (const auto& [name, dim] : names)
    if (base == name) return dim;
  return Dimension::Ratio;
}

TEST(Units, ReadAndWriteTheCases) {
  for (const std::string& line : testing::CaseLines(testing::CasesFolder / "amounts" / "units.txt")) {
    SCOPED_TRACE(line);
    const std::vector<std::string> f = Split(line);
    ASSERT_GE(f.size(), 3u);
    const double value = f[0] == "read" ? 0 : std::stod(f[1]);
    if (f[0] == "read") {
      const Unit* bare = &UnitsOf(Dimension::Ratio)[0];
      for (const Dimension dim : {Dimension::Mass, Dimension::Amount, Dimension::Volume, Dimension::Molarity,
                                  Dimension::Density, Dimension::Percent})
        if (const Unit* unit = FindUnit(dim, f[2])) bare = unit;
      Quantity q;
      const std::string error = ParseQuantity(f[1], *bare, q);
      if (f[3].starts_with("!"))
        EXPECT_NE(error.find(f[3].substr(1)), std::string::npos) << error;
      else
        EXPECT_TRUE(error.empty() && General6(q.Base()) == f[3]) << error << General6(q.Base());
    } else if (f[0] == "sig" || f[0] == "trimmed") {
      EXPECT_EQ((f[0] == "sig" ? Significant : SignificantTrimmed)(value, std::stoi(f[2])), f[3]);
    } else if (f[0] == "equiv") {
      EXPECT_EQ(EquivText(value), f[2]);
    } else {
      EXPECT_EQ(WithUnit(value, DimensionOf(f[2]), std::stoi(f[3])), f[4]);
    }
  }
}

TEST(ReagentTable, SolvesTheHandComputedCases) {
  std::string title, tsv;
  std::vector<std::string> expectations;
  enum { Outside, Rows, Expectations } state = Outside;
  for (const std::string& line : testing::CaseLines(testing::CasesFolder / "amounts" / "cases.txt")) {
    const std::vector<std::string> parts = Split(line);
    if (line.starts_with("table ")) {
      title = line, tsv.clear(), expectations.clear(), state = Rows;
    } else if (line == "expect") {
      state = Expectations;
    } else if (line == "end") {
      SCOPED_TRACE(title);
      CheckTable(tsv, expectations);
      state = Outside;
    } else if (state == Rows) {
      tsv += line + "\n";
    } else if (state == Expectations) {
      expectations.push_back(line);
    } else if (!parts.empty()) {
      SCOPED_TRACE(line);
      size_t i = parts[0] == "dilution" ? 1 : 2;
      const Fields given = Given(parts, i);
      const Fields got = Calculate(parts[0], parts[0] == "dilution" ? "" : parts[1], given);
      for (; i < parts.size(); ++i) Expect(got, parts[i]);
    }
  }
}

// A random reaction: one limiting row given by amount, mass or volume; the
// others by any quantity, with densities, molarities, purities, products
// and coefficients drawn at random, and weights given directly.
Table RandomTable(std::mt19937& random, std::vector<FormulaWeight>& weights) {
  auto draw = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
  auto text = [](double value, const char* unit) {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value).ptr) + unit;
  };
  Table table(2 + random() % 5);
  weights.clear();
  for (size_t i = 0; i < table.size(); ++i) {
    Row& row = table[i];
    const bool product = i > 0 && random() % 4 == 0;
    SetCell(row, Column::Name, "row " + std::to_string(i));
    SetCell(row, Column::Formula, "X");
    SetCell(row, Column::Role, product ? "product" : "reagent");
    weights.push_back({draw(20, 2000), ""});
    if (random() % 3 == 0) SetCell(row, Column::Density, text(draw(0.6, 2), " g/mL"));
    if (random() % 3 == 0) SetCell(row, Column::Molarity, text(draw(0.1, 3), " M"));
    if (random() % 2 == 0) SetCell(row, Column::Purity, text(draw(50, 100), " %"));
    if (product) SetCell(row, Column::Coefficient, text(draw(0.2, 2), ""));
    const int kind = int(random() % 4);
    if (i > 0 && kind == 0 && !product) SetCell(row, Column::Equiv, text(draw(0.01, 5), ""));
    if (kind == 1 || (i == 0 && kind == 0)) SetCell(row, Column::Amount, text(draw(1e-5, 1e-2), " mol"));
    if (kind == 2) SetCell(row, Column::Mass, text(draw(0.01, 10), " g"));
    if (kind == 3) SetCell(row, Column::Volume, text(draw(1e-4, 1e-2), " L"));
  }
  SetCell(table[0], Column::Limiting, "yes");
  return table;
}

void ExpectSame(const SolvedTable& a, const SolvedTable& b) {
  ASSERT_EQ(a.Rows.size(), b.Rows.size());
  for (size_t i = 0; i < a.Rows.size(); ++i) {
    const SolvedRow &x = a.Rows[i], &y = b.Rows[i];
    EXPECT_EQ(x.Note, y.Note) << "row " << i;
    const std::pair<std::optional<double>, std::optional<double>> values[] = {{x.Equiv, y.Equiv},
                                                                              {x.Mol, y.Mol},
                                                                              {x.Mass, y.Mass},
                                                                              {x.Volume, y.Volume},
                                                                              {x.TheoreticalMass, y.TheoreticalMass},
                                                                              {x.Yield, y.Yield}};
    for (const auto& [u, v] : values) {
      ASSERT_EQ(u.has_value(), v.has_value()) << "row " << i;
      if (u) {
        EXPECT_NEAR(*u, *v, 1e-9 * std::fabs(*u)) << "row " << i;
      }
    }
  }
}

TEST(ReagentTable, GivesTheSameTableFromAnyOfItsCells) {
  std::mt19937 random(24);
  std::vector<FormulaWeight> weights;
  int resolved = 0;
  for (int n = 0; n < 300; ++n) {
    const Table table = RandomTable(random, weights);
    const SolvedTable solved = Solve(table, weights);
    for (size_t r = 0; r < table.size(); ++r) {
      const SolvedRow& row = solved.Rows[r];
      const bool fromEquiv = row.Kind != Role::Product && r != solved.Reference;
      const std::pair<Column, std::optional<double>> cells[] = {{Column::Equiv, fromEquiv ? row.Equiv : std::nullopt},
                                                                {Column::Amount, row.Mol},
                                                                {Column::Mass, row.Mass},
                                                                {Column::Volume, row.Volume}};
      for (const auto& [column, value] : cells) {
        if (!value || column == row.Given) continue;
        SCOPED_TRACE(WriteTableTsv(table) + "from row " + std::to_string(r) + " " + std::string(InfoOf(column).Key));
        Table again = table;
        char buf[64];
        const std::string unit = column == Column::Amount   ? " mol"
                                 : column == Column::Mass   ? " g"
                                 : column == Column::Volume ? " L"
                                                            : "";
        SetCell(again[r], column, std::string(buf, std::to_chars(buf, buf + sizeof buf, *value).ptr) + unit);
        ExpectSame(solved, Solve(again, weights));
        ++resolved;
      }
    }
  }
  EXPECT_GT(resolved, 1000);
}

}  // namespace
}  // namespace zorvan::amounts
