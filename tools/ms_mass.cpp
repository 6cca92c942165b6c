// zorvan-ms mass: one row per formula and ion.
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
    "  --ion ION        an ion in the notation [nM+X-Y]z+, for example [M+H]+,\n"
    "                   [M+Na]+, [M-H]-, [2M+Na]+, [M+2H]2+, [M+H-H2O]+, [M]+;\n"
    "                   may be given more than once (default: M, the neutral)\n" ZORVAN_WHOLE_OPTION_HELP;

constexpr OptionSpec Options[] = {{"--ion"}, {"--whole", false}};

}  // namespace

int RunMass(std::span<char* const> argv) {
  Arguments args;
  if (const int status = ReadArguments("mass", argv, Options, Usage, args); status >= 0) return status;
  Session session;
  struct IonColumn {
    std::string_view Text;
    mass::IonSpec Parsed;
    std::string Field;  // Text as a TSV field, escaped once
  };
  std::vector<IonColumn> ions;
  int status = 0;
  for (const auto& [name, value] : args.Options) {
    if (name != "--ion") continue;
    ions.push_back({value, {}, {}});
    if (!ParseIonOption("mass", value, session.Isotopes(), ions.back().Parsed, status)) return status;
  }
  if (ions.empty()) {
    ions.push_back({"M", {}, {}});
    ParseIonOption("mass", "M", session.Isotopes(), ions.back().Parsed, status);
  }
  for (IonColumn& column : ions) {
    column.Field.resize(2 * column.Text.size());
    column.Field.resize(static_cast<size_t>(PutField(column.Field.data(), column.Text) - column.Field.data()));
  }
  Calculation calc;
  mass::Molecule molecule;
  mass::Ion ion;
  std::string prefix;
  uint16_t order[mass::IsotopeTable::MaxElements];
  return WriteRows(
      "mass", args, session, "formula\thill\tmonoisotopic\tnominal\tdbe\tion\tion_formula\tcharge\tmz\tnote\n",
      [&](std::u16string_view formula, OutputBuffer& out) {
        const std::string note = session.ToMolecule(formula, CalcDetail::Counts, calc, molecule);
        const std::string leftOut = session.LeftOut();
        // Room for the ion's formula too, which may hold the added elements.
        const auto rowRoom = [&](size_t k) {
          return 2 * mass::HillFormulaRoom(molecule) + 23 * ions[k].Parsed.Added.size() + 2 * ions[k].Text.size() +
                 4 * (note.size() + leftOut.size()) + 256;
        };
        // The molecule's columns are the same on each of its rows: written once,
        // then copied for the rows of further ions.
        char* o = out.Room(3 * formula.size() + rowRoom(0));
        char* const start = o;
        o = PutTsv(o, formula);
        *o++ = '\t';
        if (note.empty()) {
          mass::HillOrder(molecule, order);
          o = mass::PutFormula(o, molecule, order);
          o = PutFixed(Put(o, "\t"), mass::MonoisotopicMass(molecule), 6);
          o = PutWholeNumber(Put(o, "\t"), mass::NominalMass(molecule));
          *o++ = '\t';
          if (const std::optional<double> dbe = mass::Dbe(molecule)) o = PutHalves(o, *dbe);
        } else {
          o = Put(o, "\t\t\t");
        }
        const size_t prefixSize = static_cast<size_t>(o - start);
        if (ions.size() > 1) prefix.assign(start, prefixSize);
        for (size_t k = 0; k < ions.size(); ++k) {
          if (k > 0) o = Put(out.Room(prefixSize + rowRoom(k)), prefix);
          std::string ionNote = note;
          if (ionNote.empty()) ionNote = mass::FormIon(molecule, ions[k].Parsed, ion);
          o = Put(Put(o, "\t"), ions[k].Field);
          *o++ = '\t';
          if (ionNote.empty()) {
            // An ion that only changed counts keeps the molecule's order.
            bool sameElements = ion.Formula.size() == molecule.size();
            for (size_t e = 0; sameElements && e < molecule.size(); ++e)
              sameElements = ion.Formula[e].Element == molecule[e].Element;
            o = sameElements ? mass::PutFormula(o, ion.Formula, order) : mass::PutHillFormula(o, ion.Formula);
            o = PutWholeNumber(Put(o, "\t"), ion.Charge);
            o = PutFixed(Put(o, "\t"), ion.Mz, 6);
            o = Put(PutField(Put(o, "\t"), leftOut), "\n");
          } else {
            o = PutField(Put(o, "\t\t\t"), ionNote);
            *o++ = '\n';
          }
          out.Commit(o);
        }
      });
}

}  // namespace zorvan::ms
