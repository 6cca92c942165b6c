// The formula finder against a plain nested-loop search over small ranges,
// the main window's own percentages, known compounds and its refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#include "core/calculation.h"
#include "mass/finder.h"
#include "mass/finder_detail.h"
#include "tests/support.h"

namespace zorvan::mass {
namespace {

const IsotopeTable& Isotopes() {
  static const IsotopeTable table = IsotopeTable::FromIsoSpec();
  return table;
}

const ReferenceTables& Tables() {
  static const ReferenceTables tables = LoadTables(ZORVAN_DATA_DIR);
  return tables;
}

// The weight and the percentages of each candidate, by Hill formula.
using Found = std::map<std::string, std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

Found Find(const FinderQuery& query) {
  Found found;
  FindFormulas(query, Tables(), [&](const Candidate& c) {
    EXPECT_TRUE(found.emplace(c.Hill, std::pair(c.Weight, c.Percent)).second) << c.Hill << " twice";
    return true;
  });
  return found;
}

double Tolerance(const FinderQuery& q, double mz) {
  return q.ToleranceMda ? *q.ToleranceMda / 1000 : q.TolerancePpm * mz * 1e-6;
}

// What the main window shows for `hill`: the weight, and each element's
// percentage ("0.00" for one the formula lacks).
struct Shown {
  std::string Weight;
  std::map<std::string, std::string> Percent;
};

Shown MainWindow(const std::string& hill) {
  static FormulaEngine engine(Tables());
  const Calculation result = engine.Calculate(FromUtf8(hill), {.ReplaceGroups = false});
  Shown shown{ToUtf8(result.MolecularWeight), {}};
  for (const Text& line : result.PercentLines) {
    std::string symbol = ToUtf8(line.substr(0, 2)), field = ToUtf8(line.substr(3));
    if (symbol.back() == ' ') symbol.pop_back();
    field = field.substr(field.find_first_not_of(' '));
    shown.Percent[symbol] = field.substr(0, field.size() - 1);
  }
  return shown;
}

// The query's tests written out plainly, for one formula.
bool Accepts(const FinderQuery& q, const Molecule& m) {
  if (q.Mz) {
    Ion ion;
    if (!FormIon(m, q.Ion, ion).empty() || std::abs(ion.Mz - *q.Mz) > Tolerance(q, *q.Mz)) return false;
  }
  const std::optional<double> dbe = Dbe(m);
  if ((q.IntegerDbe || q.DbeMin || q.DbeMax) && !dbe) return false;
  if (q.IntegerDbe && std::fmod(*dbe, 1) != 0) return false;
  if ((q.DbeMin && *dbe < *q.DbeMin) || (q.DbeMax && *dbe > *q.DbeMax)) return false;
  if (q.Rules && !Plausible(m)) return false;
  if (!q.Analysis && !q.WeightRange) return true;
  const Shown shown = MainWindow(HillFormula(m));
  if (q.WeightRange &&
      (std::stod(shown.Weight) < q.WeightRange->first || std::stod(shown.Weight) > q.WeightRange->second))
    return false;
  for (const auto& [symbol, measured] : q.Analysis ? q.Analysis->Percent : decltype(q.Analysis->Percent){}) {
    const auto it = shown.Percent.find(symbol);
    const double value = it == shown.Percent.end() ? 0 : std::stod(it->second);
    if (std::abs(value - measured) > q.Analysis->Tolerance + 1e-9) return false;
  }
  return true;
}

// Every formula in the ranges, by an odometer over the counts.
std::set<std::string> Reference(const FinderQuery& q) {
  std::set<std::string> hills;
  std::vector<int64_t> counts;
  for (const ElementRange& r : q.Ranges) counts.push_back(r.Min);
  for (;;) {
    Molecule m;
    for (size_t i = 0; i < counts.size(); ++i)
      if (counts[i] > 0) m.push_back({q.Ranges[i].Element, counts[i]});
    // In atomic-number order, as the finder decides the ends.
    std::sort(m.begin(), m.end(), [](auto& a, auto& b) { return a.Element->AtomicNumber < b.Element->AtomicNumber; });
    if (!m.empty() && Accepts(q, m)) hills.insert(HillFormula(m));
    size_t i = 0;
    for (; i < counts.size() && ++counts[i] > q.Ranges[i].Max; ++i) counts[i] = q.Ranges[i].Min;
    if (i == counts.size()) return hills;
  }
}

IonSpec ParsedIon(const std::string& text) {
  IonSpec ion;
  EXPECT_EQ(ParseIon(text, Isotopes(), ion), "") << text;
  return ion;
}

std::vector<ElementRange> Ranges(const std::string& text) {
  std::vector<ElementRange> ranges;
  EXPECT_EQ(ParseRanges(text, Isotopes(), ranges), "") << text;
  return ranges;
}

// Moves `target` so that `mz` lies exactly at the end of its tolerance on
// the side `sign`: within it, and outside it for the next double beyond.
double AtEnd(FinderQuery& q, double mz, int sign) {
  // mz = t + sign * tolerance(t), solved for t; then a few steps of one ulp.
  double t = q.ToleranceMda ? mz - sign * *q.ToleranceMda / 1000 : mz / (1 + sign * q.TolerancePpm * 1e-6);
  const double away = sign > 0 ? -INFINITY : INFINITY;
  while (std::abs(mz - t) > Tolerance(q, t)) t = std::nextafter(t, mz);
  for (double next = std::nextafter(t, away); std::abs(mz - next) <= Tolerance(q, next); next = std::nextafter(t, away))
    t = next;
  return t;
}

TEST(Finder, MatchesNestedLoopsAtTheEndsOfTheTolerance) {
  std::mt19937 random(18);
  const char* pool[] = {"C", "H", "N", "O", "S", "Cl", "Br", "Na", "P", "F"};
  const char* ions[] = {"[M+H]+", "[M+Na]+", "[M-H]-", "[M+Cl]-", "[2M+H]+", "[M+2H]2+", "[M]+", "M", "[M+H-H2O]+"};
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 1000; ++round) {
    FinderQuery q;
    q.Rules = false;  // asked for in a quarter of the rounds below
    std::string text;
    // Small enough for the nested loops: at most 4 000 formulas.
    int formulas = 1;
    for (const char* symbol : pool) {
      const int low = pick(3) == 0 ? pick(3) : 0, width = pick(symbol[0] == 'H' ? 14 : 6);
      if ((pick(2) == 0 && symbol[0] != 'C') || formulas * (width + 1) > 4000) continue;
      formulas *= width + 1;
      text += std::string(symbol) + std::to_string(low) + "-" + std::to_string(low + width) + " ";
    }
    q.Ranges = Ranges(text);
    // A formula of the ranges, which the query is built around.
    Molecule m;
    for (const ElementRange& r : q.Ranges) {
      const int n = r.Min + pick(r.Max - r.Min + 1);
      if (n > 0) m.push_back({r.Element, n});
    }
    std::sort(m.begin(), m.end(), [](auto& a, auto& b) { return a.Element->AtomicNumber < b.Element->AtomicNumber; });
    if (m.empty()) continue;
    const std::string hill = HillFormula(m);
    const Shown shown = MainWindow(hill);
    const bool alone = pick(5) == 0;
    if (alone) {
      const double w = std::stod(shown.Weight);
      q.WeightRange = std::pair(pick(2) ? w : std::max(0.0, w - pick(30)), pick(2) ? w : w + pick(30));
    } else {
      q.Ion = ParsedIon(ions[pick(std::size(ions))]);
      Ion ion;
      if (!FormIon(m, q.Ion, ion).empty()) continue;
      if (pick(2))
        q.ToleranceMda = 0.1 + pick(200) / 10.0;
      else
        q.TolerancePpm = 0.5 + pick(100);
      q.Mz = AtEnd(q, ion.Mz, pick(2) ? 1 : -1);
      if (pick(3) == 0) q.IntegerDbe = true;
      if (pick(3) == 0) q.DbeMin = pick(4) - 1.5, q.DbeMax = *q.DbeMin + pick(6);
      q.Rules = pick(4) == 0;
    }
    if (alone || pick(4) == 0) {
      // Measured values at the end of their tolerance, or within it.
      q.Analysis = AnalysisFilter{{}, pick(5) / 10.0};
      for (const auto& [symbol, percent] : shown.Percent) {
        if (pick(3) != 0 || q.Analysis->Percent.size() == 2) continue;
        const double end = std::clamp(std::stod(percent) + (pick(2) ? 1 : -1) * q.Analysis->Tolerance, 0.0, 100.0);
        q.Analysis->Percent.push_back({symbol, pick(2) ? end : std::stod(percent)});
      }
      if (q.Analysis->Percent.empty())
        q.Analysis->Percent.push_back({shown.Percent.begin()->first, std::stod(shown.Percent.begin()->second)});
    }
    std::ostringstream about;
    about << "round " << round << ": " << hill << " in " << text << std::setprecision(17);
    if (q.Mz)
      about << " m/z " << *q.Mz << " ion " << q.Ion.PaperNotation << " ppm " << q.TolerancePpm << " mDa "
            << q.ToleranceMda.value_or(-1);
    if (q.WeightRange) about << " weight " << q.WeightRange->first << ":" << q.WeightRange->second;
    if (q.Analysis)
      for (const auto& [symbol, p] : q.Analysis->Percent)
        about << " " << symbol << "=" << p << "+-" << q.Analysis->Tolerance;
    if (q.Rules) about << " rules";
    SCOPED_TRACE(about.str());
    ASSERT_EQ(CheckQuery(q, Tables()), "");
    const Found found = Find(q);
    std::set<std::string> hills;
    for (const auto& [h, analysis] : found) hills.insert(h);
    EXPECT_EQ(hills, Reference(q));
    if (!q.Rules && !q.IntegerDbe && !q.DbeMin) {
      EXPECT_TRUE(found.count(hill));
    }
    // The weight and percentages are the main window's, to the character.
    for (const auto& [h, analysis] : found) {
      if (!q.Analysis && !q.WeightRange) break;
      const Shown window = MainWindow(h);
      EXPECT_EQ(analysis.first, window.Weight) << h;
      for (const auto& [symbol, percent] : analysis.second) {
        const auto it = window.Percent.find(symbol);
        EXPECT_EQ(percent, it == window.Percent.end() ? "0.00" : it->second) << h << " " << symbol;
      }
    }
  }
}

// A wide question streams: progress rises to 1, a false from `found` stops
// the search at once, and so does the cancel flag.
TEST(Finder, StreamsReportsProgressAndStops) {
  FinderQuery q;
  q.Mz = 300;
  q.TolerancePpm = 10;
  q.Rules = false;
  q.Ranges = Ranges(std::string(DefaultRanges));
  std::vector<double> fractions;
  uint64_t seen = 0;
  EXPECT_EQ(FindFormulas(
                q, Tables(), [&](const Candidate&) { return ++seen < 100; },
                [&](const FinderProgress& p) { fractions.push_back(p.Fraction); }),
            100u);
  EXPECT_EQ(seen, 100u);
  const Found all = Find(q);
  EXPECT_GT(all.size(), 1000u);
  fractions.clear();
  FindFormulas(
      q, Tables(), [](const Candidate&) { return true; },
      [&](const FinderProgress& p) { fractions.push_back(p.Fraction); });
  ASSERT_GT(fractions.size(), 10u);
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_DOUBLE_EQ(fractions.back(), 1);
  const std::atomic<bool> cancel = true;
  EXPECT_EQ(FindFormulas(
                q, Tables(), [](const Candidate&) { return true; }, {}, &cancel),
            0u);
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  return fields;
}

// Reads `text` as the part of a question `part` names; returns what was
// read, or the message.
std::string ReadFieldCase(const std::string& part, const std::string& text) {
  FinderQuery q;
  if (part == "ions") {
    std::vector<IonSpec> ions;
    std::string read = ParseIons(text, Isotopes(), ions);
    for (const IonSpec& ion : ions) read += (read.empty() ? "" : "|") + ion.PaperNotation;
    return read;
  }
  const std::map<std::string, FinderField> parts = {{"mz", FinderField::Mz},
                                                    {"ppm", FinderField::Ppm},
                                                    {"dbe", FinderField::Dbe},
                                                    {"weight", FinderField::WeightRange},
                                                    {"percent", FinderField::Percent}};
  if (std::string error = ReadField(parts.at(part), text, Isotopes(), q); !error.empty()) return error;
  const auto number = [](std::optional<double> v) { return v ? NumberText(*v) : ""; };
  if (part == "mz") return number(q.Mz);
  if (part == "ppm") return number(q.TolerancePpm);
  if (part == "dbe") return number(q.DbeMin) + ":" + number(q.DbeMax);
  if (part == "weight") return number(q.WeightRange->first) + ":" + number(q.WeightRange->second);
  std::string read;
  for (const auto& [symbol, value] : q.Analysis->Percent)
    read += (read.empty() ? "" : " ") + symbol + "=" + NumberText(value);
  return read;
}

TEST(Finder, AnswersTheCaseTable) {
  for (const std::string& line : testing::CaseLines(testing::CasesFolder / "finder.txt")) {
    SCOPED_TRACE(line);
    const std::vector<std::string> f = Fields(line);
    FinderQuery q;
    if (f[0] == "mz" || f[0] == "ea") {
      q.Ranges = Ranges(f[4]);
      q.Rules = false;
      if (f[0] == "mz") {
        q.Mz = std::stod(f[1]);
        q.Ion = ParsedIon(f[2]);
        q.TolerancePpm = std::stod(f[3]);
      } else {
        const size_t colon = f[1].find(':');
        q.WeightRange = std::pair(std::stod(f[1].substr(0, colon)), std::stod(f[1].substr(colon + 1)));
        q.Analysis = AnalysisFilter{{}, std::stod(f[3])};
        for (std::string item : Fields(std::regex_replace(f[2], std::regex(","), "\t"))) {
          q.Analysis->Percent.push_back({item.substr(0, item.find('=')), std::stod(item.substr(item.find('=') + 1))});
        }
      }
      const Found found = Find(q);
      EXPECT_TRUE(found.count(f[5]));
      EXPECT_EQ(found.size(), std::stoul(f[6]));
      EXPECT_EQ(found.size(), Reference(q).size());
    } else if (f[0] == "refused") {
      q.Ranges = Ranges("C0-10 H0-20");
      if (f[1] == "no-mz") q.Analysis = AnalysisFilter{{{"C", 50}}, 0.4};
      if (f[1] == "weight-only") q.WeightRange = std::pair(100.0, 200.0);
      if (f[1] == "ppm-2000") q.Mz = 100, q.TolerancePpm = 2000;
      if (f[1] == "percent-N") q.Mz = 100, q.Analysis = AnalysisFilter{{{"N", 5}}, 0.4};
      EXPECT_EQ(CheckQuery(q, Tables()), f[2]);
      EXPECT_EQ(FindFormulas(q, Tables(), [](const Candidate&) { return true; }), 0u);
    } else if (f[0] == "ranges") {
      std::vector<ElementRange> ranges;
      const std::string message = ParseRanges(f[1], Isotopes(), ranges);
      EXPECT_EQ(message.empty() ? "ok" : message, f[2]);
    } else if (f[0] == "field") {
      EXPECT_EQ(ReadFieldCase(f[1], f[2]), f[3]);
    } else if (f[0] == "preset") {
      const auto preset = std::ranges::find(RangePresets, f[1], &RangePreset::Name);
      ASSERT_NE(preset, std::end(RangePresets));
      EXPECT_EQ(PresetRanges(*preset), f[2]);
    } else if (f[0] == "rules") {
      Molecule m;
      const std::regex atom("([A-Z][a-z]?)([0-9]*)");
      for (std::sregex_iterator it(f[1].begin(), f[1].end(), atom), end; it != end; ++it) {
        m.push_back({Isotopes().Find((*it)[1].str()), (*it)[2].length() > 0 ? std::stoi((*it)[2]) : 1});
      }
      EXPECT_EQ(Plausible(m) ? "pass" : "fail", f[2]);
    } else {
      ADD_FAILURE() << "unknown case";
    }
  }
}

}  // namespace
}  // namespace zorvan::mass
