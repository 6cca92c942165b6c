#include "core/report.h"

namespace zorvan {

void AppendReportBlock(Text& out, const Text& formula, const Calculation& result) {
  for (const Text* line : {&formula, &result.Composition, &result.MolecularWeight}) {
    out += *line;
    out += CrLf;
  }
  for (const Text& line : result.PercentLines) {
    out += line;
    out += CrLf;
  }
}

void AppendBatchEntry(Text& out, const Text& formula, const Calculation& result) {
  out += CrLf;
  AppendReportBlock(out, formula, result);
}

std::vector<Text> SplitPasteLines(const Text& text) {
  std::vector<Text> lines;
  size_t p = 0;
  while (p < text.size()) {
    size_t k = text.find(CrLf, p);
    if (k == Text::npos) {
      if (lines.empty()) break;  // no CR LF anywhere
      k = text.size();
    }
    lines.emplace_back(text, p, k - p);
    p = k + 2;
  }
  return lines;
}

Text LoneLfToCrLf(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == CrLf[1] && (i == 0 || text[i - 1] != CrLf[0])) out += CrLf[0];
    out += text[i];
  }
  return out;
}

}  // namespace zorvan
