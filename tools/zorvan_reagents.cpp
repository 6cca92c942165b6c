// zorvan-reagents: the reagent table of a reaction, a solution and a
// dilution from the command line, with the weights of the calculation.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "amounts/experimental_lines.h"
#include "amounts/molecular_weight.h"
#include "amounts/reagent_data.h"
#include "amounts/solutions.h"
#include "amounts/table_tsv.h"
#include "core/data_folder.h"
#include "core/reference_tables.h"
#include "tools/input_lines.h"

namespace {

using namespace zorvan;
using namespace zorvan::amounts;

constexpr const char* Usage =
    "Usage: zorvan-reagents table [FILE] [--lines] [--lang en|ja] [OPTION]...\n"
    "       zorvan-reagents solution FORMULA --mass M --volume V --molarity C (two of them) [OPTION]...\n"
    "       zorvan-reagents dilution --from C1 --to C2 --volume V2\n"
    "\n"
    "table     solves a reagent table read from FILE, or standard input without\n"
    "          FILE: tab-separated, a header line naming the columns (name,\n"
    "          formula, role, equiv, amount, mass, volume, density, molarity,\n"
    "          purity, coefficient, limiting; any order, any case), values\n"
    "          with units (1.00 g, 250 mg, 101.7 uL, 1.6 M, 98 %; a bare amount\n"
    "          is mmol, a mass mg, a volume mL). Writes the solved table:\n"
    "          name formula mw role equiv mmol mass_mg volume_ul molarity_m\n"
    "          density purity theoretical_mg yield_percent note, numbers with 6\n"
    "          significant figures; a row that cannot be solved says why in its\n"
    "          note. A row named in reagent.csv takes its empty formula, density\n"
    "          and molarity from there.\n"
    "  --lines       write the lines of an experimental section instead\n"
    "  --lang en|ja  their language (default en)\n"
    "solution  writes formula mw mass_g volume_ml molarity_m for FORMULA from two\n"
    "          of --mass (bare: g), --volume (bare: mL) and --molarity (bare: M)\n"
    "dilution  writes stock_ml solvent_ml: the stock at --from and the solvent\n"
    "          that make --volume (bare: mL) at --to (C1 V1 = C2 V2)\n"
    "\n"
    "Options come after the command, in any order.\n" ZORVAN_DATA_OPTION_HELP
    "                   (reagent.csv, when there, from the same folder)\n"
    "  --no-groups      do not replace group abbreviations by their formulas\n"
    "  --help           show this text\n";

struct Arguments {
  std::string_view Command;
  std::vector<std::pair<std::string_view, std::string_view>> Options;  // as given
  std::vector<std::string_view> Operands;
  std::filesystem::path Data;
  bool ReplaceGroups = true, Help = false;

  std::optional<std::string_view> Last(std::string_view name) const {
    std::optional<std::string_view> value;
    for (const auto& [n, v] : Options)
      if (n == name) value = v;
    return value;
  }
};

int UsageError(std::string_view command, const std::string& message) {
  std::fprintf(stderr, "zorvan-reagents%s%.*s: %s\nTry 'zorvan-reagents --help'.\n", command.empty() ? "" : " ",
               static_cast<int>(command.size()), command.data(), message.c_str());
  return 2;
}

// The options of each command: those that take a value, and --lines.
bool TakesValue(std::string_view command, std::string_view option) {
  if (command == "table") return option == "--lang";
  if (command == "solution") return option == "--mass" || option == "--volume" || option == "--molarity";
  return option == "--from" || option == "--to" || option == "--volume";
}

// Reads the arguments after the command. Returns an empty string, or what is wrong.
std::string ParseArguments(std::span<char* const> args, Arguments& out) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--help" || arg == "-h") {
      out.Help = true;
    } else if (arg == "--no-groups") {
      out.ReplaceGroups = false;
    } else if (arg == "--data") {  // --data にはフォルダを指定してください
      if (!hasValue || args[i + 1][0] == '\0')
        return "--data \u306B\u306F\u30D5\u30A9\u30EB\u30C0\u3092\u6307\u5B9A\u3057\u3066\u304F\u3060\u3055\u3044";
      out.Data = args[++i];
    } else if (arg == "--lines" && out.Command == "table") {
      out.Options.emplace_back(arg, std::string_view());
    } else if (arg.starts_with("--") && arg.size() > 2) {
      if (!TakesValue(out.Command, arg))  // 知らないオプションです
        return "\u77E5\u3089\u306A\u3044\u30AA\u30D7\u30B7\u30E7\u30F3\u3067\u3059: " + std::string(arg);
      if (!hasValue) return std::string(arg) + " \u306B\u306F\u5024\u304C\u8981\u308A\u307E\u3059";  // には値が要ります
      out.Options.emplace_back(arg, args[++i]);
    } else {
      out.Operands.push_back(arg);
    }
  }
  return {};
}

// Loads atom.csv and group.csv; returns 0, or writes why not and returns 1.
int LoadData(const DataFolderChoice& folder, ReferenceTables& tables, ReagentData* reagents) {
  try {
    tables = LoadTables(folder.Path);
    if (reagents) *reagents = LoadReagentData(folder.Path);
    return 0;
  } catch (const DataFileError& e) {
    std::fprintf(stderr, "zorvan-reagents: %s (%s)\n", e.JapaneseMessage().c_str(), folder.Path.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zorvan-reagents: %s (%s)\n", e.what(), folder.Path.c_str());
  }
  if (const std::string lookedAt = LookedAtMessage(folder); !lookedAt.empty())
    std::fprintf(stderr, "%s\n", lookedAt.c_str());
  return 1;
}

bool Write(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

int RunTable(const Arguments& args, const DataFolderChoice& folder) {
  const std::string_view lang = args.Last("--lang").value_or("en");
  if (lang != "en" && lang != "ja")
    return UsageError("table", "--lang \u306F en \u304B ja \u3067\u3059");  // は en か ja です
  if (args.Operands.size() > 1)                                             // ファイルは 1 つまでです
    return UsageError("table", "\u30D5\u30A1\u30A4\u30EB\u306F 1 \u3064\u307E\u3067\u3067\u3059");
  std::ostringstream bytes;
  if (args.Operands.empty() || args.Operands[0] == "-") {
    bytes << std::cin.rdbuf();
  } else {
    std::ifstream in{std::string(args.Operands[0]), std::ios::binary};
    if (!in || std::filesystem::is_directory(std::string(args.Operands[0]))) {  // ファイルを読めません
      std::fprintf(stderr, "zorvan-reagents table: \u30D5\u30A1\u30A4\u30EB\u3092\u8AAD\u3081\u307E\u305B\u3093: %s\n",
                   std::string(args.Operands[0]).c_str());
      return 1;
    }
    bytes << in.rdbuf();
  }
  ReferenceTables tables;
  ReagentData reagents;
  if (const int loaded = LoadData(folder, tables, &reagents); loaded != 0) return loaded;
  TableFile file = ReadTableTsv(bytes.str());
  for (const std::string& problem : file.Problems) std::fprintf(stderr, "zorvan-reagents table: %s\n", problem.c_str());
  for (Row& row : file.Rows) FillFromReagentData(row, reagents);
  FormulaEngine engine(tables);
  const SolvedTable solved = Solve(file.Rows, TableWeights(file.Rows, engine, tables, args.ReplaceGroups));
  if (!args.Last("--lines")) return Write(SolvedTsv(file.Rows, solved)) ? 0 : 1;
  const Language language = lang == "ja" ? Language::Japanese : Language::English;
  return Write(WriteLines(file.Rows, solved, language, DefaultFigures, "\n").Plain) ? 0 : 1;
}

// Reads the value of `option` in `bare`'s dimension; on a malformed value
// writes why and sets `status` to 2.
std::optional<double> OptionValue(const Arguments& args, std::string_view option, const Unit& bare, int& status) {
  const std::optional<std::string_view> text = args.Last(option);
  if (!text) return std::nullopt;
  Quantity q;
  const std::string error = ParseQuantity(*text, bare, q);
  if (error.empty()) return q.Base();
  status = UsageError(args.Command, std::string(option) + ": " + error);
  return std::nullopt;
}

const Unit& UnitNamed(Dimension dim, std::string_view symbol) { return *FindUnit(dim, symbol); }

int RunSolution(const Arguments& args, const DataFolderChoice& folder) {
  int status = 0;
  Solution given;
  given.Mass = OptionValue(args, "--mass", UnitNamed(Dimension::Mass, "g"), status);
  given.Volume = OptionValue(args, "--volume", UnitNamed(Dimension::Volume, "mL"), status);
  given.Molarity = OptionValue(args, "--molarity", UnitNamed(Dimension::Molarity, "M"), status);
  if (status != 0) return status;
  if (args.Operands.size() != 1)  // 分子式を 1 つ指定してください
    return UsageError("solution", "\u5206\u5B50\u5F0F\u3092 1 \u3064\u6307\u5B9A\u3057\u3066\u304F\u3060\u3055\u3044");
  if (int(given.Mass.has_value()) + int(given.Volume.has_value()) + int(given.Molarity.has_value()) != 2)
    // --mass、--volume、--molarity のうち 2 つを指定してください
    return UsageError("solution",
                      "--mass\u3001--volume\u3001--molarity \u306E\u3046\u3061 2 \u3064\u3092\u6307\u5B9A\u3057\u3066"
                      "\u304F\u3060\u3055\u3044");
  ReferenceTables tables;
  if (const int loaded = LoadData(folder, tables, nullptr); loaded != 0) return loaded;
  FormulaEngine engine(tables);
  const FormulaWeight weight = MolecularWeight(engine, tables, args.Operands[0], args.ReplaceGroups);
  const Solution s = SolveSolution(weight.Value, given);
  for (const std::string& note : {weight.Note, s.Note})
    if (!note.empty()) std::fprintf(stderr, "zorvan-reagents solution: %s\n", note.c_str());
  auto field = [](const std::optional<double>& v, double scale) { return v ? General6(*v * scale) : std::string(); };
  return Write("formula\tmw\tmass_g\tvolume_ml\tmolarity_m\n" + EscapeField(args.Operands[0]) + "\t" +
               field(weight.Value, 1) + "\t" + field(s.Mass, 1) + "\t" + field(s.Volume, 1e3) + "\t" +
               field(s.Molarity, 1) + "\n")
             ? 0
             : 1;
}

// Reads a concentration: a molarity, or a percentage.
std::optional<Quantity> Concentration(const Arguments& args, std::string_view option, int& status) {
  const std::string_view text = args.Last(option).value_or("");
  Quantity q;
  if (ParseQuantity(text, UnitNamed(Dimension::Percent, "%"), q).empty() && q.UnitWritten) return q;
  const std::string error = ParseQuantity(text, UnitNamed(Dimension::Molarity, "M"), q);
  if (error.empty()) return q;
  status = UsageError("dilution", std::string(option) + ": " + error);
  return std::nullopt;
}

int RunDilution(const Arguments& args) {
  if (!args.Last("--from") || !args.Last("--to") || !args.Last("--volume"))
    // --from、--to、--volume を指定してください
    return UsageError("dilution",
                      "--from\u3001--to\u3001--volume \u3092\u6307\u5B9A\u3057\u3066\u304F\u3060\u3055\u3044");
  if (!args.Operands.empty())  // 余分な引数があります
    return UsageError("dilution",
                      "\u4F59\u5206\u306A\u5F15\u6570\u304C\u3042\u308A\u307E\u3059: " + std::string(args.Operands[0]));
  int status = 0;
  const std::optional<Quantity> from = Concentration(args, "--from", status), to = Concentration(args, "--to", status);
  const std::optional<double> volume = OptionValue(args, "--volume", UnitNamed(Dimension::Volume, "mL"), status);
  if (status != 0) return status;
  if (from->In->Dim != to->In->Dim)  // 濃度の単位の種類がそろっていません
    return UsageError("dilution",
                      "\u6FC3\u5EA6\u306E\u5358\u4F4D\u306E\u7A2E\u985E\u304C\u305D\u308D\u3063\u3066\u3044\u307E"
                      "\u305B\u3093");
  const Dilution d = Dilute(from->Base(), to->Base(), *volume);
  if (!d.Note.empty()) return UsageError("dilution", d.Note);
  return Write("stock_ml\tsolvent_ml\n" + General6(*d.Stock * 1e3) + "\t" + General6(*d.Solvent * 1e3) + "\n") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  args.Command = argc > 1 ? argv[1] : "";
  if (args.Command == "--help" || args.Command == "-h") {
    std::fputs(Usage, stdout);
    return 0;
  }
  if (args.Command != "table" && args.Command != "solution" && args.Command != "dilution")
    return UsageError("",
                      args.Command.empty()
                          ? "\u30B3\u30DE\u30F3\u30C9\u304C\u3042\u308A\u307E\u305B\u3093"  // コマンドがありません
                          : "\u77E5\u3089\u306A\u3044\u30B3\u30DE\u30F3\u30C9\u3067\u3059: " +  // 知らないコマンドです
                                std::string(args.Command));
  if (const std::string error = ParseArguments(std::span<char* const>(argv + 2, size_t(argc - 2)), args);
      !error.empty())
    return UsageError(args.Command, error);
  const DataFolderChoice folder = ChooseDataFolder(args.Data, ZORVAN_INSTALLED_DATA_DIR);
  if (args.Help) {
    std::fputs(Usage, stdout);
    std::printf("\nData folder now: %s\n", DescribeDataFolder(folder).c_str());
    return 0;
  }
  if (args.Command == "table") return RunTable(args, folder);
  if (args.Command == "solution") return RunSolution(args, folder);
  return RunDilution(args);
}
