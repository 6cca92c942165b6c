// zorvan-ms mass: one row per formula and ion.
#include <charconv>  // std::to_chars
#include <vector>

#include "mass/molecule.h"
#include "tools/ms_common.h"

namespace zorvan::ms {

namespace {

constexpr const char* Usage =
    "Usage: zorvan-ms mass [--data DIR] [--no-groups] [--ion ION]... [FORMULA]...\n"
    "\n"
    "Writes, for each formula (the arguments, or the lines of standard input\n"
    "when there are none) and each ion, one tab-separated line:\n"
    "  formula hill monoisotopic nominal dbe ion ion_formula charge mz note\n"
    "after a header line. Masses have 6 decimals; the monoisotopic mass sums the\n"
    "most abundant isotope of each element. dbe is empty for an element other\n"
    "than C H N O S P Si F Cl Br I Li Na K. When a value cannot be given, note\n"
    "says why and the fields it needs are empty.\n"
    "\n"
    "  --ion ION     an ion in the notation [nM+X-Y]z+, for example [M+H]+,\n"
    "                [M+Na]+, [M-H]-, [2M+Na]+, [M+2H]2+, [M+H-H2O]+, [M]+;\n"
    "                may be given more than once (default: M, the neutral)\n"
    "  --data DIR    read atom.csv and group.csv from DIR (default: the working\n"
    "                directory when it holds atom.csv, otherwise\n"
    "                " ZORVAN_INSTALLED_DATA_DIR ")\n"
    "  --no-groups   do not replace group abbreviations by their formulas\n"
    "  --help        show this text\n";

constexpr OptionSpec Options[] = {{"--ion"}};

}  // namespace

int RunMass(std::span<char* const> argv) {
  Arguments args;
  if (std::string error = ParseArguments(argv, Options, args); !error.empty()) return UsageError("mass", error);
  if (args.Help) return ShowHelp(Usage, args);
  Session session;
  struct IonColumn {
    std::string_view Text;
    mass::IonSpec Spec;
  };
  std::vector<IonColumn> ions;
  int status = 0;
  for (const auto& [name, value] : args.Options) {
    ions.push_back({value, {}});
    if (!ParseIonOption("mass", value, session.Isotopes(), ions.back().Spec, status)) return status;
  }
  if (ions.empty()) {
    ions.push_back({"M", {}});
    ParseIonOption("mass", "M", session.Isotopes(), ions.back().Spec, status);
  }
  if (const int loaded = session.Load("mass", args); loaded != 0) return loaded;

  OutputBuffer out(stdout);
  constexpr std::string_view Header = "formula\thill\tmonoisotopic\tnominal\tdbe\tion\tion_formula\tcharge\tmz\tnote\n";
  out.Commit(Put(out.Room(Header.size()), Header));
  mass::Molecule molecule;
  mass::Ion ion;
  std::string prefix;
  ForEachFormula(args, [&](std::u16string_view formula) {
    const std::string note = session.ToMolecule(formula, molecule);
    // Room for the ion's formula too, which may hold the added elements.
    const auto rowRoom = [&](size_t k) {
      return 2 * mass::HillFormulaRoom(molecule) + 23 * ions[k].Spec.Added.size() + 2 * ions[k].Text.size() +
             4 * note.size() + 256;
    };
    // The molecule's columns are the same on each of its rows: written once,
    // then copied for the rows of further ions.
    char* o = out.Room(3 * formula.size() + rowRoom(0));
    char* const start = o;
    o = PutTsv(o, formula);
    *o++ = '\t';
    if (note.empty()) {
      o = mass::PutHillFormula(o, molecule);
      o = PutFixed6(Put(o, "\t"), mass::MonoisotopicMass(molecule));
      o = PutInteger(Put(o, "\t"), mass::NominalMass(molecule));
      *o++ = '\t';
      if (const std::optional<double> dbe = mass::Dbe(molecule)) o = std::to_chars(o, o + 32, *dbe).ptr;
    } else {
      o = Put(o, "\t\t\t");
    }
    const size_t prefixSize = static_cast<size_t>(o - start);
    if (ions.size() > 1) prefix.assign(start, prefixSize);
    for (size_t k = 0; k < ions.size(); ++k) {
      if (k > 0) o = Put(out.Room(prefixSize + rowRoom(k)), prefix);
      std::string ionNote = note;
      if (ionNote.empty()) ionNote = mass::FormIon(molecule, ions[k].Spec, ion);
      o = PutField(Put(o, "\t"), ions[k].Text);
      *o++ = '\t';
      if (ionNote.empty()) {
        o = mass::PutHillFormula(o, ion.Formula);
        o = PutInteger(Put(o, "\t"), ion.Charge);
        o = PutFixed6(Put(o, "\t"), ion.Mz);
        o = Put(o, "\t\n");
      } else {
        o = PutField(Put(o, "\t\t\t"), ionNote);
        *o++ = '\n';
      }
      out.Commit(o);
    }
  });
  const bool written = out.Flush();
  return std::fflush(stdout) == 0 && written ? 0 : 1;
}

}  // namespace zorvan::ms
