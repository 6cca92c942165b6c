// zorvan-batch: calculates formulas from standard input, one per line, and
// writes the same report that a batch paste puts on the clipboard.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include "core/calculation.h"
#include "core/reference_tables.h"
#include "core/report.h"

namespace {

constexpr const char* Usage =
    "Usage: zorvan-batch [--data DIR] [--no-groups]\n"
    "\n"
    "Reads chemical formulas from standard input, one per line (LF or CR LF;\n"
    "an empty line is the empty formula), and writes for each line a CR LF and\n"
    "its report block: the formula, the composition formula (or \"Error!\"), the\n"
    "molecular weight and one weight-percent line per element, each line ended\n"
    "by CR LF, with \".\" as the decimal point. Text is UTF-8.\n"
    "\n"
    "  --data DIR    read atom.csv and group.csv from DIR (default: the\n"
    "                working directory)\n"
    "  --no-groups   do not replace group abbreviations by their formulas\n"
    "  --help        show this text\n";

// Calls `onLine` for each line of standard input without its line end; a
// final line end adds no line. Reads in blocks so memory stays constant.
template <typename OnLine>
void ForEachInputLine(OnLine onLine) {
  std::string pending;
  char buf[1 << 16];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, stdin)) > 0) {
    std::string_view chunk(buf, got);
    size_t start = 0, nl;
    while ((nl = chunk.find('\n', start)) != std::string_view::npos) {
      pending.append(chunk.substr(start, nl - start));
      if (!pending.empty() && pending.back() == '\r') pending.pop_back();
      onLine(pending);
      pending.clear();
      start = nl + 1;
    }
    pending.append(chunk.substr(start));
  }
  if (!pending.empty()) onLine(pending);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dataDir = ".";
  bool replaceGroups = true;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(Usage, stdout);
      return 0;
    } else if (arg == "--no-groups") {
      replaceGroups = false;
    } else if (arg == "--data" && i + 1 < argc) {
      dataDir = argv[++i];
    } else {
      std::fprintf(stderr, "zorvan-batch: unknown argument: %s\n\n%s", argv[i], Usage);
      return 2;
    }
  }

  zorvan::ReferenceTables tables;
  try {
    tables = zorvan::LoadTables(dataDir);
  } catch (const zorvan::DataFileError& e) {
    std::fprintf(stderr, "zorvan-batch: %s (%s)\n", e.JapaneseMessage().c_str(), dataDir.c_str());
    return 1;
  }

  zorvan::FormulaEngine engine(tables);
  zorvan::Text block;
  zorvan::CalcResult result;
  std::string out;
  ForEachInputLine([&](const std::string& line) {
    zorvan::Text formula = zorvan::FromUtf8(line);
    engine.CalculateFormula(formula, replaceGroups, u'.', result);
    block.clear();
    zorvan::AppendBatchEntry(block, formula, result);
    zorvan::AppendUtf8(out, block);
    if (out.size() > (1 << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  });
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
