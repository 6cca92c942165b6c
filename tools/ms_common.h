// What the zorvan-ms commands share: the options every command takes, the
// tables and engine they calculate with, the formulas they read and the TSV
// fields they write.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/calculation.h"
#include "core/number_forms.h"
#include "core/reference_tables.h"
#include "mass/finder.h"
#include "mass/ion.h"
#include "mass/paper.h"
#include "mass/parts.h"
#include "mass/percent_text.h"
#include "tools/formats.h"
#include "tools/input_lines.h"

namespace zorvan::ms {

// The commands, each in its own file (tools/ms_COMMAND.cpp). Each takes the
// arguments after its name and returns the exit status: 0 when all input was
// answered, 1 when the data files cannot be read, 2 for a usage error.
int RunMass(std::span<char* const> args);
int RunPattern(std::span<char* const> args);
int RunPaper(std::span<char* const> args);
int RunFind(std::span<char* const> args);

// The help of the option that asks for the whole formula of a solvate or
// salt, the same in the commands that calculate masses of formulas.
#define ZORVAN_WHOLE_OPTION_HELP                                                     \
  "  --whole          of a solvate or salt written with \"*\" (C20H26O6*0.25H2O),\n" \
  "                   the masses of the whole formula; without it, those of the\n"   \
  "                   part before the first \"*\", and note says so\n"

// An option of one command besides --data, --no-groups and --help.
struct OptionSpec {
  std::string_view Name;
  bool TakesValue = true;
};

struct Arguments {
  DataFolderChoice Data;  // from --data, or as zorvan-batch chooses it
  bool ReplaceGroups = true;
  bool Help = false;
  std::vector<std::pair<std::string_view, std::string_view>> Options;  // as given, in order
  std::vector<std::string_view> Operands;

  // Returns the value of the last `name` option given, or none.
  std::optional<std::string_view> Last(std::string_view name) const;
};

// Reads `args` (options in any order, operands among them). Returns an empty
// string, or what is wrong.
std::string ParseArguments(std::span<char* const> args, std::span<const OptionSpec> options, Arguments& out);
// Reads the arguments of `command` into `args`. Returns -1 when the command
// goes on, else its exit status: 2 after a usage error, 0 after the help.
int ReadArguments(std::string_view command, std::span<char* const> argv, std::span<const OptionSpec> options,
                  std::string_view usage, Arguments& args);

// Writes "zorvan-ms COMMAND: MESSAGE" and where help is to standard error;
// returns 2.
int UsageError(std::string_view command, std::string_view message);
// Writes the usage, the options every command takes, `after` and the data
// folder a run would read; returns 0.
int ShowHelp(std::string_view usage, const Arguments& args, std::string_view after = {});

// Parses an ion option; on a malformed ion, sets `status` to a usage error.
bool ParseIonOption(std::string_view command, std::string_view text, const mass::IsotopeTable& table,
                    mass::IonSpec& ion, int& status);
// Reads a finite number; returns false when `text` is not one.
using mass::ParseNumber;
using mass::ReadTypedNumber;

// The tables and engine of one run.
class Session {
 public:
  // Loads the data folder of `args`. Returns 0, or writes why not and
  // returns 1.
  int Load(std::string_view command, const Arguments& args);

  // Calculates `formula` into `calc` with `detail`, and into `molecule` the
  // counts of a solvate's or salt's ("C20H26O6*0.25H2O") part before the
  // first "*", unless --whole was given, else the whole formula's. Returns
  // an empty string, or the note that says why no molecule can be given.
  // From CalcDetail::Weight on, Listed() holds the whole formula's
  // percentages.
  std::string ToMolecule(std::u16string_view formula, CalcDetail detail, Calculation& calc, mass::Molecule& molecule);
  // The percentages of the formula last given to ToMolecule with them.
  const mass::Percentages& Listed() const { return listed_; }
  // The parts of the formula last given to ToMolecule, when its molecule is
  // the first part's; else none.
  const mass::FormulaParts& Parts() const { return parts_; }
  // The note that says so, or "".
  std::string LeftOut() const;

  const mass::IsotopeTable& Isotopes() const { return isotopes_; }
  const ReferenceTables& Tables() const { return tables_; }

 private:
  ReferenceTables tables_;
  mass::IsotopeTable isotopes_ = mass::IsotopeTable::FromIsoSpec();
  bool replaceGroups_ = true;
  bool whole_ = false;  // --whole: the masses of the whole formula of a solvate or salt
  std::unique_ptr<FormulaEngine> engine_;
  std::unique_ptr<mass::AtomMap> atoms_;
  Calculation first_;  // the first part of a solvate or salt
  mass::Percentages listed_;
  mass::FormulaParts parts_;
};

// zorvan-ms find --spectra (tools/ms_spectra.cpp): its options and usage,
// which find's own join, and the run over the compounds of a spectra file
// once find has read its options into `base` and loaded the data.
extern const std::span<const OptionSpec> SpectraOptions;
extern const std::string_view SpectraUsage;
int RunSpectra(const Arguments& args, const Session& session, const mass::FinderQuery& base);

// A line held at most this long; a longer one is cut (it is far past the
// longest formula, so its note says so either way).
inline constexpr size_t HeldLineBytes = size_t{1} << 20;

// Calls `onFormula` with each operand of `args`, or, when there are none,
// with each line of standard input, as UTF-16.
template <typename OnFormula>
void ForEachFormula(const Arguments& args, OnFormula onFormula) {
  const std::unique_ptr<char16_t[]> units(new char16_t[HeldLineBytes]);
  const auto decoded = [&](std::string_view bytes) {
    return std::u16string_view(units.get(), static_cast<size_t>(DecodeUtf8(bytes, units.get()) - units.get()));
  };
  for (const std::string_view operand : args.Operands) onFormula(decoded(operand.substr(0, HeldLineBytes)));
  if (!args.Operands.empty()) return;
  std::string longLine;
  ForEachInputLine([&](std::string_view line) { onFormula(decoded(line)); }, [&] { longLine.clear(); },
                   [&](std::string_view piece) {
                     longLine.append(piece.substr(0, HeldLineBytes - std::min(HeldLineBytes, longLine.size())));
                   },
                   [&] { onFormula(decoded(longLine)); });
}

// Writes ASCII text.
char* Put(char* out, std::string_view ascii);

// Loads the data of `args` into `session`, writes `header`, calls
// `onFormula(formula, out)` for each formula (ForEachFormula) and returns the
// exit status of the command.
template <typename OnFormula>
int WriteRows(std::string_view command, const Arguments& args, Session& session, std::string_view header,
              OnFormula onFormula) {
  if (const int loaded = session.Load(command, args); loaded != 0) return loaded;
  OutputBuffer out(stdout);
  out.Commit(Put(out.Room(header.size()), header));
  ForEachFormula(args, [&](std::u16string_view formula) { onFormula(formula, out); });
  const bool written = out.Flush();
  return std::fflush(stdout) == 0 && written ? 0 : 1;
}

// The columns of zorvan-ms find, without the line end.
inline constexpr std::string_view FindColumns =
    "query\tmz\tformula\tion_formula\tcalc_mz\terror_ppm\terror_mda\tdbe\tweight\tpercent";

// The candidates one query may gather without --limit: they are held to be
// sorted, and a question with more is too wide to be read anyway.
constexpr size_t MaxRows = 1000000;

// Where a candidate's line (after the query number) lies in the text of its
// query, and what orders it.
struct Row {
  double Error = 0, Deviation = 0;  // of its mass::CandidateRank
  size_t At = 0, Size = 0, HillAt = 0, HillSize = 0;
};

// Appends the line of `c` to `text`: the fields of zorvan-ms find after the
// query, and the line end.
Row WriteRow(const mass::FinderQuery& q, const mass::Candidate& c, std::string& text);
// Writes UTF-8 text as a TSV field, escaped as PutTsv does.
char* PutField(char* out, std::string_view utf8);

}  // namespace zorvan::ms
