// zorvan-batch: calculates formulas from standard input, one per line, and
// writes the same report that a batch paste puts on the clipboard.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "core/calculation.h"
#include "core/data_folder.h"
#include "core/explain.h"
#include "core/reference_tables.h"
#include "tools/formats.h"
#include "tools/input_lines.h"

namespace {

constexpr const char* Usage =
    "Usage: zorvan-batch [--data DIR] [--no-groups] [--format FORMAT] [--header]\n"
    "                    [--explain]\n"
    "\n"
    "Reads chemical formulas from standard input, one per line (LF or CR LF;\n"
    "an empty line is the empty formula), and writes one entry per line with\n"
    "the formula, the composition formula (or \"Error!\"), the molecular weight\n"
    "(empty after an error) and the weight percent of each element in\n"
    "element-number order, with \".\" as the decimal point. Text is UTF-8; an\n"
    "invalid byte reads as U+FFFD.\n"
    "\n" ZORVAN_DATA_OPTION_HELP
    "  --no-groups      do not replace group abbreviations by their formulas\n"
    "  --format FORMAT  how each entry is written:\n"
    "                   report  (default) a CR LF, then the report block of a\n"
    "                           batch paste: the formula, the composition, the\n"
    "                           weight and one line \"symbol TAB percent field\"\n"
    "                           per element, each line ended by CR LF\n"
    "                   tsv     one line of tab-separated fields ended by LF:\n"
    "                           formula, composition, weight, then one field\n"
    "                           symbol=percent per element (H=11.19%); after an\n"
    "                           error: formula, Error! and an empty weight. In\n"
    "                           every field a backslash, tab, CR or LF is\n"
    "                           written as \\\\, \\t, \\r or \\n\n"
    "                   jsonl   one JSON object per line, for example\n"
    "                           {\"formula\":\"H2O\",\"composition\":\"H2O1\",\n"
    "                           \"weight\":\"18.01528\",\"error\":false,\"percent\":\n"
    "                           [[\"H\",\"11.19%\"],[\"O\",\"88.81%\"]]}; after an\n"
    "                           error the composition is \"Error!\", the weight\n"
    "                           \"\" and the percent list []\n"
    "  --header         with tsv (only), first write the line\n"
    "                   formula TAB composition TAB weight TAB percent\n"
    "                   (the percent column and any after it hold symbol=percent)\n"
    "  --explain        for each line that gives \"Error!\", write to standard\n"
    "                   error LINE:POSITION: and why it fails (POSITION counts\n"
    "                   characters from 1; it is left out when the error has no\n"
    "                   one place); for a line that calculates but most likely\n"
    "                   not as meant (CuSO4.5H2O, H2O)3NaCl), LINE: and the\n"
    "                   caution\n"
    "  --help           show this text\n";

// What follows a usage error.
constexpr const char* TryHelp = "使い方は 'zorvan-batch --help' で表示します。\n";

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path dataDir;
  bool replaceGroups = true;
  bool explain = false;
  bool help = false;
  zorvan::OutputFormat format = zorvan::OutputFormat::Report;
  bool header = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--no-groups") {
      replaceGroups = false;
    } else if (arg == "--explain") {
      explain = true;
    } else if (arg == "--header") {
      header = true;
    } else if (arg == "--format") {
      if (i + 1 == argc || !zorvan::OutputFormatNamed(argv[i + 1], format)) {
        std::fprintf(stderr, "zorvan-batch: --format には report、tsv か jsonl を指定します\n%s", TryHelp);
        return 2;
      }
      ++i;
    } else if (arg == "--data") {
      if (i + 1 == argc || argv[i + 1][0] == '\0') {
        std::fprintf(stderr, "zorvan-batch: --data にはフォルダを指定します\n%s", TryHelp);
        return 2;
      }
      dataDir = argv[++i];
    } else {
      std::fprintf(stderr, "zorvan-batch: 知らない引数です: %s\n%s", argv[i], TryHelp);
      return 2;
    }
  }
  const zorvan::DataFolderChoice folder = zorvan::ChooseDataFolder(dataDir, ZORVAN_INSTALLED_DATA_DIR);
  if (help) {
    std::fputs(Usage, stdout);
    // Says which folder a run with the same arguments, from here, would read.
    std::printf("\nData folder now: %s\n", zorvan::DescribeDataFolder(folder).c_str());
    return 0;
  }

  if (header && format != zorvan::OutputFormat::Tsv) {
    // Only tsv has a header line; asking for one elsewhere is a mistake to say, not to ignore.
    std::fprintf(stderr, "zorvan-batch: --header は --format tsv と使います\n%s", TryHelp);
    return 2;
  }

  zorvan::ReferenceTables tables;
  try {
    tables = zorvan::LoadTables(folder.Path);
  } catch (const zorvan::DataFileError& e) {
    std::fprintf(stderr, "zorvan-batch: %s (%s)\n", e.JapaneseMessage().c_str(), folder.Path.c_str());
    // Found nowhere: every folder tried, so that the user sees where to put it.
    if (const std::string lookedAt = zorvan::LookedAtMessage(folder); !lookedAt.empty())
      std::fprintf(stderr, "%s\n", lookedAt.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zorvan-batch: %s (%s)\n", e.what(), folder.Path.c_str());
    return 1;
  }

  zorvan::FormulaEngine engine(tables);
  const zorvan::EntryWriter writer(format);
  zorvan::OutputBuffer out(stdout);
  // A line that is not overlong is decoded into `units`: one unit a byte at most.
  const std::unique_ptr<char16_t[]> units(new char16_t[zorvan::LongLineBytes]);
  zorvan::Text piece;
  zorvan::CalcResult result;
  size_t lineNumber = 0;
  // What an overlong line gives: it is never held whole, so never calculated.
  zorvan::CalcResult tooLong;
  tooLong.Status = zorvan::CalcStatus::SyntaxError;
  tooLong.Error = {zorvan::SyntaxError::FormulaTooLong, 0, 0};
  // Writes why line `lineNumber` failed, or the cautions on it when it
  // calculated, for --explain; the output is unchanged.
  auto explainLine = [&](const zorvan::CalcResult& result, std::u16string_view formula) {
    const std::vector<zorvan::Note> notes = zorvan::ExplainFormula(engine, result, formula, replaceGroups, tables);
    if (notes.empty()) return;
    std::string message = std::to_string(lineNumber) + ":";
    if (result.TypedPosition > 0) message += std::to_string(result.TypedPosition) + ":";
    // Written whole: the quoted character may be a NUL.
    message += ' ';
    zorvan::AppendUtf8(message, zorvan::JoinNotes(notes, u" "));
    message += '\n';
    std::fwrite(message.data(), 1, message.size(), stderr);
  };
  if (header) writer.WriteHeader(out);
  zorvan::ForEachInputLine(
      [&](std::string_view line) {
        const std::u16string_view formula(units.get(),
                                          static_cast<size_t>(zorvan::DecodeUtf8(line, units.get()) - units.get()));
        engine.Calculate(formula, replaceGroups, result);
        ++lineNumber;
        if (explain) explainLine(result, formula);
        writer.WriteEntry(out, formula, result, engine);
      },
      [&] { writer.WriteLongStart(out); },
      [&](std::string_view bytes) {
        // Each piece ends on a whole UTF-8 sequence, so it converts alone
        // exactly as the whole line would.
        zorvan::FromUtf8(bytes, piece);
        writer.WriteLongPiece(out, piece);
      },
      [&] {
        ++lineNumber;
        if (explain) explainLine(tooLong, {});
        writer.WriteLongEnd(out);
      });
  const bool written = out.Flush();
  return std::fflush(stdout) == 0 && written ? 0 : 1;
}
