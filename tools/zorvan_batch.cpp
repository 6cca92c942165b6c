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

// What the command line asks for.
struct BatchOptions {
  std::filesystem::path DataDir;
  bool ReplaceGroups = true;
  bool Explain = false;
  bool Help = false;
  zorvan::OutputFormat Format = zorvan::OutputFormat::Report;
  bool Header = false;
};

// What follows a usage error.
constexpr const char* TryHelp = "使い方は 'zorvan-batch --help' で表示します。\n";

// Writes a usage error and returns its exit status.
int UsageError(const char* message, const char* argument = "") {
  std::fprintf(stderr, "zorvan-batch: %s%s\n%s", message, argument, TryHelp);
  return 2;
}

// Reads the arguments into `options`. Returns -1, or the exit status of a
// usage error.
int ReadOptions(int argc, char** argv, BatchOptions& options) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.Help = true;
    } else if (arg == "--no-groups") {
      options.ReplaceGroups = false;
    } else if (arg == "--explain") {
      options.Explain = true;
    } else if (arg == "--header") {
      options.Header = true;
    } else if (arg == "--format") {
      if (i + 1 == argc || !zorvan::OutputFormatNamed(argv[i + 1], options.Format))
        return UsageError("--format には report、tsv か jsonl を指定します");
      ++i;
    } else if (arg == "--data") {
      if (i + 1 == argc || argv[i + 1][0] == '\0') return UsageError("--data にはフォルダを指定します");
      options.DataDir = argv[++i];
    } else {
      return UsageError("知らない引数です: ", argv[i]);
    }
  }
  return -1;
}

// Loads the tables of `folder`; returns false after saying why not.
bool LoadTables(const zorvan::DataFolderChoice& folder, zorvan::ReferenceTables& tables) {
  try {
    tables = zorvan::LoadTables(folder.Path);
    return true;
  } catch (const zorvan::DataFileError& e) {
    std::fprintf(stderr, "zorvan-batch: %s (%s)\n", e.JapaneseMessage().c_str(), folder.Path.c_str());
    // Found nowhere: every folder tried, so that the user sees where to put it.
    if (const std::string lookedAt = zorvan::LookedAtMessage(folder); !lookedAt.empty())
      std::fprintf(stderr, "%s\n", lookedAt.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zorvan-batch: %s (%s)\n", e.what(), folder.Path.c_str());
  }
  return false;
}

// Writes why line `lineNumber` failed, or the cautions on it when it
// calculated, for --explain; the output is unchanged.
void ExplainLine(size_t lineNumber, const zorvan::Calculation& c) {
  if (c.Notes.empty()) return;
  std::string message = std::to_string(lineNumber) + ":";
  if (c.TypedPosition > 0) message += std::to_string(c.TypedPosition) + ":";
  // Written whole: the quoted character may be a NUL.
  message += ' ';
  zorvan::AppendUtf8(message, zorvan::JoinNotes(c.Notes, u" "));
  message += '\n';
  std::fwrite(message.data(), 1, message.size(), stderr);
}

// Calculates each line of standard input and writes its entry; returns the
// exit status.
int WriteEntries(const BatchOptions& options, const zorvan::ReferenceTables& tables) {
  zorvan::FormulaEngine engine(tables);
  const zorvan::EntryWriter writer(options.Format);
  zorvan::OutputBuffer out(stdout);
  // A line that is not overlong is decoded into `units`: one unit a byte at most.
  const std::unique_ptr<char16_t[]> units(new char16_t[zorvan::LongLineBytes]);
  zorvan::Text piece;
  // One value for every line: it keeps its storage, so a line allocates nothing.
  zorvan::Calculation result;
  const zorvan::CalcOptions calc{.ReplaceGroups = options.ReplaceGroups,
                                 .Detail = zorvan::CalcDetail::Weight,
                                 .Notes = options.Explain,
                                 .Parts = false};
  size_t lineNumber = 0;
  // What an overlong line gives: it is never held whole, so never calculated.
  zorvan::Calculation tooLong;
  tooLong.Status = zorvan::CalcStatus::SyntaxError;
  tooLong.Error = {zorvan::SyntaxError::FormulaTooLong, 0, 0};
  tooLong.Notes = zorvan::ExplainFormula(tooLong, {}, {}, {}, options.ReplaceGroups, tables);
  if (options.Header) writer.WriteHeader(out);
  zorvan::ForEachInputLine(
      [&](std::string_view line) {
        const std::u16string_view formula(units.get(),
                                          static_cast<size_t>(zorvan::DecodeUtf8(line, units.get()) - units.get()));
        engine.Calculate(formula, calc, result);
        ++lineNumber;
        if (options.Explain) ExplainLine(lineNumber, result);
        writer.WriteEntry(out, formula, result);
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
        if (options.Explain) ExplainLine(lineNumber, tooLong);
        writer.WriteLongEnd(out);
      });
  const bool written = out.Flush();
  return std::fflush(stdout) == 0 && written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  BatchOptions options;
  if (const int status = ReadOptions(argc, argv, options); status >= 0) return status;
  const zorvan::DataFolderChoice folder = zorvan::ChooseDataFolder(options.DataDir, ZORVAN_INSTALLED_DATA_DIR);
  if (options.Help) {
    std::fputs(Usage, stdout);
    // Says which folder a run with the same arguments, from here, would read.
    std::printf("\nData folder now: %s\n", zorvan::DescribeDataFolder(folder).c_str());
    return 0;
  }
  if (options.Header && options.Format != zorvan::OutputFormat::Tsv) {
    // Only tsv has a header line; asking for one elsewhere is a mistake to say, not to ignore.
    return UsageError("--header は --format tsv と使います");
  }
  zorvan::ReferenceTables tables;
  if (!LoadTables(folder, tables)) return 1;
  return WriteEntries(options, tables);
}
