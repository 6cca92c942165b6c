#include "mass/paper.h"

#include <algorithm>  // std::ranges::find
#include <charconv>   // std::to_chars
#include <cmath>
#include <string_view>

#include "mass/finder.h"  // DefaultTolerancePpm
#include "mass/percent_text.h"

namespace zorvan::mass {

namespace {

std::string Fixed(double value, int decimals) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals).ptr);
}
std::string Fixed1(double value) { return Fixed(value, 1); }
std::string Fixed2(double value) { return Fixed(value, 2); }
std::string Fixed4(double value) { return Fixed(value, 4); }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// `text` as HTML; with `subscripts`, the digits that follow a letter
// (counts, not multipliers such as the 2 of "2H") as subscripts.
std::string Html(std::string_view text, bool subscripts = true) {
  std::string html;
  for (size_t i = 0; i < text.size();) {
    if (subscripts && IsDigit(text[i]) && i > 0 && IsLetter(text[i - 1])) {
      size_t end = i;
      while (end < text.size() && IsDigit(text[end])) ++end;
      html += "<sub>" + std::string(text.substr(i, end - i)) + "</sub>";
      i = end;
      continue;
    }
    const char c = text[i++];
    html += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  }
  return html;
}

// The ion notation as HTML: counts inside the brackets as subscripts, the
// charge after them as a superscript.
std::string NotationHtml(const std::string& notation) {
  const size_t close = notation.rfind(']');
  if (close == std::string::npos) return Html(notation);
  return Html(std::string_view(notation).substr(0, close + 1)) + "<sup>" + notation.substr(close + 1) + "</sup>";
}

// "C, 81.04; H, 8.16" over the analysis elements `values` holds, in their order.
std::string AnalysisList(const Percentages& values) {
  std::string list;
  for (const std::string_view symbol : AnalysisElements)
    for (const auto& [s, percent] : values)
      if (s == symbol) list += (list.empty() ? "" : "; ") + s + ", " + percent;
  return list;
}

}  // namespace

std::string FoundNote(double calculated, double found) {
  const double ppm = std::abs(ErrorOf(calculated, found).Ppm);
  if (ppm > FoundRefusedPpm) {
    return "実測値 " + NumberText(found) + " は計算値 " + Fixed4(calculated) + " から " + NumberText(FoundRefusedPpm) +
           " ppm を超えて離れているので、HRMS の行に入れていません (打ち間違いではありませんか)";
  }
  if (ppm > FoundFarPpm) {
    return "実測値は計算値から " + Fixed1(ppm) + " ppm 離れています (" + NumberText(FoundFarPpm) +
           " ppm を超えています。HRMS では通常 " + NumberText(DefaultTolerancePpm) + " ppm 以内です)";
  }
  return "";
}

PaperLine HrmsLine(const std::string& method, const IonSpec& ionSpec, const Ion& ion, std::optional<double> found) {
  if (found && !(std::abs(ErrorOf(ion.Mz, *found).Ppm) <= FoundRefusedPpm)) found.reset();
  const std::string hill = HillFormula(ion.Formula);
  const std::string tail = " " + Fixed4(ion.Mz) + (found ? "; Found " + Fixed4(*found) + "." : ".");
  return {"HRMS (" + method + ") m/z: " + ionSpec.PaperNotation + " Calcd for " + hill + tail,
          "HRMS (" + Html(method, false) + ") <i>m/z</i>: " + NotationHtml(ionSpec.PaperNotation) + " Calcd for " +
              Html(hill) + tail};
}

PaperLine AnalysisLine(const std::string& formula, const Percentages& calculated, const Percentages& found) {
  const std::string calcd = AnalysisList(calculated);
  std::string tail = calcd.empty() ? "." : ": " + calcd + ".";
  if (const std::string measured = AnalysisList(found); !measured.empty()) tail += " Found: " + measured + ".";
  return {"Anal. Calcd for " + formula + tail, "Anal. Calcd for " + Html(formula) + tail};
}

FoundAnalysis SortFound(const MeasuredPercent& measured, const Percentages& calculated) {
  FoundAnalysis sorted;
  for (const auto& [symbol, value] : measured) {
    const auto held = std::ranges::find(calculated, symbol, &std::pair<std::string, std::string>::first);
    if (held == calculated.end()) {
      sorted.Absent.push_back(symbol);
    } else if (std::ranges::find(AnalysisElements, symbol) == std::end(AnalysisElements)) {
      sorted.Unlisted.push_back(symbol);
    } else {
      sorted.Kept.emplace_back(symbol, Fixed2(value));
      // In hundredths, as both are written, so that 0.40 apart is within.
      const auto hundredths = [](const std::string& text) { return std::llround(std::stod(text) * 100); };
      if (std::abs(hundredths(sorted.Kept.back().second) - hundredths(held->second)) >
          std::llround(DefaultPercentTolerance * 100))
        sorted.Beyond.push_back(symbol);
    }
  }
  return sorted;
}

std::vector<std::string> FoundNotes(const FoundAnalysis& found) {
  const auto list = [](const std::vector<std::string>& symbols) {
    std::string text;
    for (const std::string& symbol : symbols) text += (text.empty() ? "" : ", ") + symbol;
    return text;
  };
  std::vector<std::string> notes;
  if (!found.Absent.empty()) notes.push_back("式にない元素の実測値は行に入れません: " + list(found.Absent));
  if (!found.Unlisted.empty()) {
    std::string listed;
    for (const std::string_view symbol : AnalysisElements) listed += (listed.empty() ? "" : "、") + std::string(symbol);
    notes.push_back("Anal. の行には " + listed + " だけを書きます。書かないもの: " + list(found.Unlisted));
  }
  if (!found.Beyond.empty())
    notes.push_back(NumberText(DefaultPercentTolerance) + " を超える差: " + list(found.Beyond));
  return notes;
}

Percentages ListedPercentages(const Calculation& c) {
  Percentages list;
  for (int i = 0; i < c.Shares.Size; ++i) {
    const ElementShare& e = c.Shares.Elements[i];
    if (std::string percent = ShownPercentage(e); !percent.empty()) {
      char symbol[2];
      list.emplace_back(std::string(symbol, PutSymbol(symbol, e)), std::move(percent));
    }
  }
  return list;
}

PaperLine FigureTitle(const std::string& hill, const IonSpec& ionSpec, const std::string& resolution) {
  return {hill + ", " + ionSpec.PaperNotation + ", " + resolution,
          Html(hill) + ", " + NotationHtml(ionSpec.PaperNotation) + ", " + Html(resolution, false)};
}

}  // namespace zorvan::mass
