// The finder's ranges, the checks a query passes before the search, the
// plausibility rules and the order of the candidates.
#include <algorithm>
#include <charconv>  // std::from_chars
#include <cmath>
#include <cstdlib>

#include "core/text.h"
#include "mass/finder.h"
#include "mass/finder_detail.h"

namespace zorvan::mass {

const std::string_view PlausibilityRulesHelp =
    "妥当性の規則 (Kind & Fiehn 2007「Seven Golden Rules」の通常範囲と LEWIS・SENIOR 則):\n"
    "  炭素を含むこと。H/C 0.2-3.1、N/C 1.3 以下、O/C 1.2 以下、P/C 0.3 以下、S/C 0.8 以下、\n"
    "  F/C 1.5 以下、Cl/C 0.8 以下、Br/C 0.8 以下、Si/C 0.5 以下。\n"
    "  原子価 (C, Si 4; N, P 3; O, S 2; H, F, Cl, Br, I, Li, Na, K 1) の和が偶数 (LEWIS)、\n"
    "  最大の原子価の 2 倍以上、(原子数 - 1) の 2 倍以上 (SENIOR)。ほかの元素を含む式は除きます。\n";

namespace {

// Counts the code points of UTF-8 `text` up to `end`, for a position a
// reader can find.
size_t CharacterPosition(std::string_view text, size_t end) {
  size_t n = 0;
  for (size_t i = 0; i < end && i < text.size(); ++i) n += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
  return n + 1;
}

// Reads a count at `i`; false when there is none or it is too large.
bool ReadCount(std::string_view text, size_t& i, int& value) {
  if (i == text.size() || !IsAsciiDigit(text[i])) return false;  // from_chars would take a sign
  const char* begin = text.data() + i;
  const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
  if (error != std::errc() || value > MaxRangeCount) return false;
  i += static_cast<size_t>(end - begin);
  return true;
}

// Finds where "MIN:MAX", "MIN-MAX" or "MIN～MAX" splits: the first ":" or
// "～" (also "~"), else a "-" that follows a digit or a point, so that a
// negative end ("-1.5:3", "-3--1") and an exponent ("1e-3") stay whole.
// Returns the separator's place and length, or npos.
std::pair<size_t, size_t> RangeSeparator(std::string_view text) {
  if (const size_t at = text.find_first_of(":~"); at != std::string_view::npos) return {at, 1};
  if (const size_t at = text.find("\xEF\xBD\x9E"); at != std::string_view::npos) return {at, 3};  // ～
  for (size_t i = 1; i < text.size(); ++i) {
    size_t before = i;
    while (before > 0 && text[before - 1] == ' ') --before;
    if (text[i] == '-' && before > 0 && (IsAsciiDigit(text[before - 1]) || text[before - 1] == '.')) return {i, 1};
  }
  return {std::string_view::npos, 0};
}

// Reads a range into `low` and `high`; an end left empty stays unset unless
// `both` are required.
bool ReadRangeText(std::string_view text, bool both, std::optional<double>& low, std::optional<double>& high) {
  const auto [at, size] = RangeSeparator(text);
  if (at == std::string_view::npos) return false;
  low.reset();
  high.reset();
  for (const auto& [side, slot] : {std::pair(text.substr(0, at), &low), std::pair(text.substr(at + size), &high)}) {
    double value = 0;
    if (side.find_first_not_of(" \t") == std::string_view::npos && !both) continue;
    if (!ReadTypedNumber(side, value)) return false;
    *slot = value;
  }
  return true;
}

}  // namespace

std::string FinderDefaultsHelp() {
  return "既定値と上限 (ウィンドウと zorvan-ms find で共通):\n"
         "  許容誤差 " +
         NumberText(DefaultTolerancePpm) + " ppm (実測 m/z に対して、両端を含む)、上限 " + NumberText(MaxTolerancePpm) +
         " ppm または " + NumberText(MaxToleranceMda) +
         " mDa。\n"
         "  元素分析の許容差 " +
         NumberText(DefaultPercentTolerance) + " ポイント。m/z と分子量は " + NumberText(MaxMass) +
         " まで。\n"
         "  元素の範囲 " +
         std::string(DefaultRanges) + " (個数は " + std::to_string(MaxRangeCount) +
         " まで)。\n"
         "  並べ替えのために保持する候補は " +
         std::to_string(MaxHeldCandidates) +
         " 件まで。\n"
         "  誤差 = 実測値 - 計算値 (ppm は計算値に対して)。妥当性の規則は既定でオンです。\n";
}

std::string PresetRanges(const RangePreset& preset) {
  if (preset.Symbols.empty()) return std::string(DefaultRanges);
  std::string ranges;
  const std::string wanted = " " + std::string(preset.Symbols) + " ";
  for (size_t start = 0; start < DefaultRanges.size();) {
    const size_t end = std::min(DefaultRanges.find(' ', start), DefaultRanges.size());
    const std::string_view range = DefaultRanges.substr(start, end - start);
    size_t letters = 1;
    if (letters < range.size() && IsAsciiLower(range[letters])) ++letters;
    if (wanted.find(" " + std::string(range.substr(0, letters)) + " ") != std::string::npos)
      ranges += (ranges.empty() ? "" : " ") + std::string(range);
    start = end + 1;
  }
  return ranges;
}

std::string ParseRanges(std::string_view text, const IsotopeTable& table, std::vector<ElementRange>& ranges) {
  ranges.clear();
  size_t i = 0;
  while (true) {
    while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == '\t')) ++i;
    if (i == text.size()) break;
    const size_t start = i;
    if (!IsAsciiUpper(text[i])) {
      return "元素の範囲は「C0-100 H0-200」のように書きます (" + std::to_string(CharacterPosition(text, i)) +
             " 文字目)。";
    }
    ++i;
    if (i < text.size() && IsAsciiLower(text[i])) ++i;
    const std::string symbol(text.substr(start, i - start));
    const IsotopeElement* element = table.Find(symbol);
    if (element == nullptr) return "元素記号 " + symbol + " は同位体組成の表にありません。";
    ElementRange range{element, 0, 0};
    const bool counted = ReadCount(text, i, range.Min);
    range.Max = range.Min;
    const bool upper = counted && i < text.size() && text[i] == '-' && (++i, true);
    if (!counted || (upper && !ReadCount(text, i, range.Max))) {
      return symbol + " の範囲は「" + symbol + "0-10」のように、" + std::to_string(MaxRangeCount) +
             " までの個数で書きます。";
    }
    if (range.Max < range.Min) return symbol + " の範囲の下限が上限を超えています。";
    if (std::any_of(ranges.begin(), ranges.end(), [&](const ElementRange& r) { return r.Element == element; })) {
      return "元素 " + symbol + " の範囲が二度あります。";
    }
    ranges.push_back(range);
  }
  return ranges.empty() ? "元素の範囲がありません。" : "";
}

std::string ReadField(FinderField field, std::string_view text, const IsotopeTable& table, FinderQuery& query) {
  const std::string typed(text);
  double number = 0;
  std::optional<double> low, high;
  switch (field) {
    case FinderField::Mz:
      if (!ReadTypedNumber(text, number)) return "m/z が数ではありません: " + typed;
      query.Mz = number;
      return "";
    case FinderField::Ion:
      return ParseIon(text, table, query.Ion);
    case FinderField::Ppm:
    case FinderField::Mda:
      if (!ReadTypedNumber(text, number)) return "許容誤差が数ではありません: " + typed;
      if (field == FinderField::Ppm)
        query.TolerancePpm = number, query.ToleranceMda.reset();
      else
        query.ToleranceMda = number;
      return "";
    case FinderField::Ranges:
      return ParseRanges(text, table, query.Ranges);
    case FinderField::Dbe:
      if (!ReadRangeText(text, false, low, high)) return "DBE の範囲は「0:8」のように書きます: " + typed;
      query.DbeMin = low;
      query.DbeMax = high;
      return "";
    case FinderField::Percent: {
      MeasuredPercent percent;
      if (std::string error = ParsePercentages(text, percent); !error.empty()) return error;
      if (percent.empty()) return "元素分析の値がありません: C=65.20, H=6.30 のように書きます";
      (query.Analysis ? *query.Analysis : query.Analysis.emplace()).Percent = std::move(percent);
      return "";
    }
    case FinderField::PercentTolerance:
      if (!ReadTypedNumber(text, number)) return "元素分析の許容差が数ではありません: " + typed;
      (query.Analysis ? *query.Analysis : query.Analysis.emplace()).Tolerance = number;
      return "";
    case FinderField::WeightRange:
      if (!ReadRangeText(text, true, low, high)) return "分子量の範囲は「100:500」のように書きます: " + typed;
      query.WeightRange = std::pair(*low, *high);
      return "";
  }
  return "";
}

std::string ReadQueryLine(std::string_view line, const IsotopeTable& table, FinderQuery& query) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t tab = std::min(line.find('\t', start), line.size());
    fields.push_back(line.substr(start, tab - start));
    if (tab == line.size()) break;
    start = tab + 1;
  }
  if (fields.size() > 4) return "欄が多すぎます (MZ、イオン、ppm、元素の範囲まで)。";
  constexpr FinderField Order[] = {FinderField::Mz, FinderField::Ion, FinderField::Ppm, FinderField::Ranges};
  for (size_t k = 0; k < fields.size(); ++k) {
    if (k > 0 && fields[k].empty()) continue;
    if (std::string error = ReadField(Order[k], fields[k], table, query); !error.empty()) return error;
  }
  return "";
}

int AtomNumberOf(const IsotopeElement& element, const ElementTable& atoms) {
  for (int n = 1; n <= zorvan::ElementCount; ++n) {
    const Text& stored = atoms[n].AtomSymbol;
    std::string symbol;
    for (const char16_t c : stored) {
      if (c != u' ') symbol += static_cast<char>(c);
    }
    if (symbol == element.Symbol) return n;
  }
  return 0;
}

namespace {

// The m/z part of a question: its value, tolerance and ion.
std::string CheckMz(const FinderQuery& query) {
  if (!(*query.Mz > 0 && *query.Mz <= MaxMass))
    return "m/z は 0 より大きく " + NumberText(MaxMass) + " までの数で指定してください。";
  const bool ppmOk = query.TolerancePpm >= 0 && query.TolerancePpm <= MaxTolerancePpm;
  const bool mdaOk = !query.ToleranceMda || (*query.ToleranceMda >= 0 && *query.ToleranceMda <= MaxToleranceMda);
  if (!(query.ToleranceMda ? mdaOk : ppmOk))
    return "許容誤差は 0 から " + NumberText(MaxTolerancePpm) + " ppm (または " + NumberText(MaxToleranceMda) +
           " mDa) までです。";
  if (query.Ion.Multiplier < 1) return "イオンの M の数は 1 以上です。";
  return "";
}

// The measured percentages: each in range, of an element searched, once.
std::string CheckAnalysis(const FinderQuery& query) {
  const AnalysisFilter& a = *query.Analysis;
  if (!(a.Tolerance >= 0 && a.Tolerance <= 100)) return "百分率の許容差は 0 から 100 までです。";
  for (size_t i = 0; i < a.Percent.size(); ++i) {
    const std::string& symbol = a.Percent[i].first;
    const double value = a.Percent[i].second;
    if (!(value >= 0 && value <= 100)) return symbol + " の百分率は 0 から 100 までです。";
    const auto inRanges = [&](const ElementRange& r) { return r.Element->Symbol == symbol; };
    if (std::none_of(query.Ranges.begin(), query.Ranges.end(), inRanges))
      return "百分率の元素 " + symbol + " が元素の範囲にありません。";
    for (size_t j = 0; j < i; ++j)
      if (a.Percent[j].first == symbol) return "元素 " + symbol + " の百分率が二度あります。";
  }
  return "";
}

}  // namespace

std::string CheckQuery(const FinderQuery& query, const ReferenceTables& tables) {
  if (query.Ranges.empty()) return "元素の範囲がありません。";
  for (const ElementRange& r : query.Ranges) {
    if (r.Element == nullptr || r.Min < 0 || r.Max < r.Min || r.Max > MaxRangeCount)
      return "元素の範囲が正しくありません。";
  }
  const bool hasPercent = query.Analysis && !query.Analysis->Percent.empty();
  if (!query.Mz && !(query.WeightRange && hasPercent))
    return "m/z がないときは、分子量の範囲と元素分析の値 (百分率) がなければ探せません。";
  if (query.Mz)
    if (std::string error = CheckMz(query); !error.empty()) return error;
  if (query.DbeMin && query.DbeMax && !(*query.DbeMin <= *query.DbeMax))
    return "DBE の範囲の下限が上限を超えています。";
  if (query.WeightRange) {
    const auto [low, high] = *query.WeightRange;
    if (!(0 <= low && low <= high && high <= MaxMass))
      return "分子量の範囲は 0 から " + NumberText(MaxMass) + " までで、下限が上限以下の数で指定してください。";
  }
  if (query.Analysis)
    if (std::string error = CheckAnalysis(query); !error.empty()) return error;
  if (query.Analysis || query.WeightRange) {
    for (const ElementRange& r : query.Ranges) {
      const int n = AtomNumberOf(*r.Element, tables.Elements);
      if (n == 0 || !(tables.Elements[n].AtomicWeight > 0))
        return "元素 " + r.Element->Symbol + " の原子量が atom.csv にないので、分子量と百分率を計算できません。";
    }
  }
  return "";
}

std::optional<int> Valence(const IsotopeElement& element) {
  // One atom's DBE is 1 + (v - 2) / 2 = v / 2: the rules count with the
  // valences the DBE counts with.
  const std::optional<double> dbe = Dbe(Molecule{{&element, 1}});
  if (!dbe) return std::nullopt;
  return static_cast<int>(2 * *dbe);
}

bool Plausible(const Molecule& molecule) {
  int64_t c = 0, h = 0, n = 0, o = 0, p = 0, s = 0, f = 0, cl = 0, br = 0, si = 0;
  int64_t valenceSum = 0, atoms = 0;
  int maxValence = 0;
  for (const ElementCount& e : molecule) {
    const std::optional<int> v = Valence(*e.Element);
    if (!v) return false;
    valenceSum += *v * e.Count;
    atoms += e.Count;
    maxValence = std::max(maxValence, *v);
    const std::string& x = e.Element->Symbol;
    int64_t* slot = x == "C"    ? &c
                    : x == "H"  ? &h
                    : x == "N"  ? &n
                    : x == "O"  ? &o
                    : x == "P"  ? &p
                    : x == "S"  ? &s
                    : x == "F"  ? &f
                    : x == "Cl" ? &cl
                    : x == "Br" ? &br
                    : x == "Si" ? &si
                                : nullptr;
    if (slot != nullptr) *slot = e.Count;
  }
  // The ratios of the common range, cross-multiplied so that whole numbers
  // decide them exactly.
  const bool ratios = c > 0 && 5 * h >= c && 10 * h <= 31 * c && 10 * n <= 13 * c && 10 * o <= 12 * c &&
                      10 * p <= 3 * c && 10 * s <= 8 * c && 10 * f <= 15 * c && 10 * cl <= 8 * c && 10 * br <= 8 * c &&
                      10 * si <= 5 * c;
  const bool lewis = valenceSum % 2 == 0;
  const bool senior = valenceSum >= 2 * maxValence && valenceSum >= 2 * (atoms - 1);
  return ratios && lewis && senior;
}

CandidateRank RankOf(const Candidate& c) { return {std::abs(c.ErrorPpm), c.Deviation, c.Hill, c.IonIndex}; }

bool RankBefore(const CandidateRank& a, const CandidateRank& b) {
  if (a.Error != b.Error) return a.Error < b.Error;
  if (a.Deviation != b.Deviation) return a.Deviation < b.Deviation;
  if (a.Hill != b.Hill) return a.Hill < b.Hill;
  return a.IonIndex < b.IonIndex;
}

}  // namespace zorvan::mass
