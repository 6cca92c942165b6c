#include "tools/ms_common.h"

#include <cstdio>
#include <cstring>

#include "core/explain.h"
#include "mass/molecule.h"

namespace zorvan::ms {

std::optional<std::string_view> Arguments::Last(std::string_view name) const {
  std::optional<std::string_view> value;
  for (const auto& [n, v] : Options)
    if (n == name) value = v;
  return value;
}

std::string ParseArguments(std::span<char* const> args, std::span<const OptionSpec> options, Arguments& out) {
  std::filesystem::path dataOption;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      out.Help = true;
    } else if (arg == "--no-groups") {
      out.ReplaceGroups = false;
    } else if (arg == "--data") {
      if (i + 1 == args.size() || args[i + 1][0] == '\0') return "--data にはフォルダを指定します";
      dataOption = args[++i];
    } else if (arg == "--") {
      out.Operands.insert(out.Operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    } else if (arg.starts_with("--")) {
      const OptionSpec* known = nullptr;
      for (const OptionSpec& o : options)
        if (o.Name == arg) known = &o;
      if (known == nullptr) return "知らないオプションです: " + std::string(arg);
      if (known->TakesValue && i + 1 == args.size()) return std::string(arg) + " には値を指定します";
      out.Options.emplace_back(known->Name, known->TakesValue ? std::string_view(args[++i]) : std::string_view());
    } else {
      out.Operands.push_back(arg);
    }
  }
  out.Data = ChooseDataFolder(dataOption, ZORVAN_INSTALLED_DATA_DIR);
  return {};
}

int ReadArguments(std::string_view command, std::span<char* const> argv, std::span<const OptionSpec> options,
                  std::string_view usage, Arguments& args) {
  if (const std::string error = ParseArguments(argv, options, args); !error.empty()) return UsageError(command, error);
  return args.Help ? ShowHelp(usage, args) : -1;
}

int UsageError(std::string_view command, std::string_view message) {
  std::fprintf(stderr, "zorvan-ms %.*s: %.*s\n使い方は 'zorvan-ms %.*s --help' で表示します。\n",
               static_cast<int>(command.size()), command.data(), static_cast<int>(message.size()), message.data(),
               static_cast<int>(command.size()), command.data());
  return 2;
}

int ShowHelp(std::string_view usage, const Arguments& args, std::string_view after) {
  std::fwrite(usage.data(), 1, usage.size(), stdout);
  std::fputs(ZORVAN_DATA_OPTION_HELP
             "  --no-groups      do not replace group abbreviations by their formulas\n"
             "  --help           show this text\n"
             "\n"
             "Isotope masses, abundances and fine structures come from IsoSpec (Lacki,\n"
             "Startek et al.); molecular weights and weight percents from atom.csv.\n",
             stdout);
  std::fwrite(after.data(), 1, after.size(), stdout);
  // Says which folder a run with the same arguments, from here, would read.
  std::printf("\nData folder now: %s\n", DescribeDataFolder(args.Data).c_str());
  return 0;
}

bool ParseIonOption(std::string_view command, std::string_view text, const mass::IsotopeTable& table,
                    mass::IonSpec& ion, int& status) {
  const std::string error = mass::ParseIon(text, table, ion);
  if (error.empty()) return true;
  status = UsageError(command, "--ion " + std::string(text) + ": " + error);
  return false;
}

int Session::Load(std::string_view command, const Arguments& args) {
  const auto fail = [&](const std::string& message) {
    std::fprintf(stderr, "zorvan-ms %.*s: %s (%s)\n", static_cast<int>(command.size()), command.data(), message.c_str(),
                 args.Data.Path.c_str());
    // Found nowhere: every folder tried, so that the user sees where to put it.
    if (const std::string lookedAt = LookedAtMessage(args.Data); !lookedAt.empty())
      std::fprintf(stderr, "%s\n", lookedAt.c_str());
    return 1;
  };
  try {
    tables_ = LoadTables(args.Data.Path);
  } catch (const DataFileError& e) {
    return fail(e.JapaneseMessage());
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  replaceGroups_ = args.ReplaceGroups;
  whole_ = args.Last("--whole").has_value();
  engine_ = std::make_unique<FormulaEngine>(tables_);
  atoms_ = std::make_unique<mass::AtomMap>(tables_.Elements, isotopes_);
  return 0;
}

std::string Session::ToMolecule(std::u16string_view formula, CalcDetail detail, Calculation& calc,
                                mass::Molecule& molecule) {
  molecule.clear();
  parts_ = {};
  engine_->Calculate(formula, {.ReplaceGroups = replaceGroups_, .Detail = detail, .Notes = false, .Parts = false},
                     calc);
  if (calc.Status != CalcStatus::Ok) {
    // Rare: the notes are asked for only when there is an error to explain.
    engine_->Calculate(formula, {.ReplaceGroups = replaceGroups_, .Detail = detail, .Parts = false}, calc);
    return "Error!: " + ToUtf8(JoinNotes(calc.Notes, u" "));
  }
  // A solvate or salt: the percentages are the whole formula's, the
  // molecule the first part's.
  if (detail != CalcDetail::Counts) listed_ = mass::ListedPercentages(calc);
  const Calculation* molecular = &calc;
  if (!whole_ && formula.find(u'*') != std::u16string_view::npos &&
      mass::CalculateFirstPart(*engine_, formula, replaceGroups_, first_)) {
    parts_ = mass::SplitParts(formula);
    if (first_.Status != CalcStatus::Ok) {
      engine_->Calculate(parts_.First, {.ReplaceGroups = replaceGroups_, .Detail = CalcDetail::Counts, .Parts = false},
                         first_);
      return "Error!: " + ToUtf8(JoinNotes(first_.Notes, u" "));
    }
    molecular = &first_;
  }
  std::string note = atoms_->ToMolecule(molecular->Counts, molecular->Named, molecule);
  if (note.empty() && molecule.empty()) note = "式に原子がありません";
  return note;
}

std::string Session::LeftOut() const { return parts_.Rest.empty() ? "" : mass::LeftOutNote(parts_); }

char* Put(char* out, std::string_view ascii) {
  // An empty text may come with no room at all (the empty header of
  // --format text): nothing to copy, and memcpy must not see a null pointer.
  if (ascii.empty()) return out;
  std::memcpy(out, ascii.data(), ascii.size());
  return out + ascii.size();
}

char* PutField(char* out, std::string_view utf8) {
  for (const char c : utf8) {
    if (c == '\t' || c == '\n' || c == '\r' || c == '\\') {
      *out++ = '\\';
      *out++ = c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : '\\';
    } else {
      *out++ = c;
    }
  }
  return out;
}

}  // namespace zorvan::ms
