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

// An --ion column: the text given, the ion read from it, and the text as a
// TSV field, escaped once.
struct IonColumn {
  std::string_view Text;
  mass::IonSpec Parsed;
  std::string Field;
};

// Reads the --ion options of `args` (M when there are none) into `ions`;
// false after a usage error, whose exit status goes to `status`.
bool ReadIonColumns(const Arguments& args, const Session& session, std::vector<IonColumn>& ions, int& status) {
  for (const auto& [name, value] : args.Options) {
    if (name != "--ion") continue;
    ions.push_back({value, {}, {}});
    if (!ParseIonOption("mass", value, session.Isotopes(), ions.back().Parsed, status)) return false;
  }
  if (ions.empty()) {
    ions.push_back({"M", {}, {}});
    ParseIonOption("mass", "M", session.Isotopes(), ions.back().Parsed, status);
  }
  for (IonColumn& column : ions) {
    column.Field.resize(2 * column.Text.size());
    column.Field.resize(static_cast<size_t>(PutField(column.Field.data(), column.Text) - column.Field.data()));
  }
  return true;
}

// Writes the rows of each formula, one per ion, reusing its storage from
// formula to formula.
class MassRows {
 public:
  MassRows(Session& session, const std::vector<IonColumn>& ions) : session_(session), ions_(ions) {}

  void Write(std::u16string_view formula, OutputBuffer& out) {
    const std::string note = session_.ToMolecule(formula, CalcDetail::Counts, calc_, molecule_);
    leftOut_ = session_.LeftOut();
    // The molecule's columns are the same on each of its rows: written once,
    // then copied for the rows of further ions.
    char* o = out.Room(3 * formula.size() + RowRoom(0, note));
    char* const start = o;
    o = PutMolecule(Put(PutTsv(o, formula), "\t"), note);
    const size_t prefixSize = static_cast<size_t>(o - start);
    if (ions_.size() > 1) prefix_.assign(start, prefixSize);
    for (size_t k = 0; k < ions_.size(); ++k) {
      if (k > 0) o = Put(out.Room(prefixSize + RowRoom(k, note)), prefix_);
      out.Commit(PutIon(Put(Put(o, "\t"), ions_[k].Field), ions_[k], note));
    }
  }

 private:
  // Room for a row of ion `k`, whose formula may hold the added elements.
  size_t RowRoom(size_t k, const std::string& note) const {
    return 2 * mass::HillFormulaRoom(molecule_) + 23 * ions_[k].Parsed.Added.size() + 2 * ions_[k].Text.size() +
           4 * (note.size() + leftOut_.size()) + 256;
  }

  // The Hill formula, the masses and the DBE, or empty fields after a note.
  char* PutMolecule(char* o, const std::string& note) {
    if (!note.empty()) return Put(o, "\t\t\t");
    mass::HillOrder(molecule_, order_);
    o = mass::PutFormula(o, molecule_, order_);
    o = PutFixed(Put(o, "\t"), mass::MonoisotopicMass(molecule_), 6);
    o = PutWholeNumber(Put(o, "\t"), mass::NominalMass(molecule_));
    *o++ = '\t';
    if (const std::optional<double> dbe = mass::Dbe(molecule_)) o = PutHalves(o, *dbe);
    return o;
  }

  // The ion's formula, charge and m/z and what of the formula was left out,
  // or the note that says why not; the end of the row.
  char* PutIon(char* o, const IonColumn& column, const std::string& note) {
    const std::string ionNote = note.empty() ? mass::FormIon(molecule_, column.Parsed, ion_) : note;
    *o++ = '\t';
    if (!ionNote.empty()) {
      o = PutField(Put(o, "\t\t\t"), ionNote);
      *o++ = '\n';
      return o;
    }
    // An ion that only changed counts keeps the molecule's order.
    bool sameElements = ion_.Formula.size() == molecule_.size();
    for (size_t e = 0; sameElements && e < molecule_.size(); ++e)
      sameElements = ion_.Formula[e].Element == molecule_[e].Element;
    o = sameElements ? mass::PutFormula(o, ion_.Formula, order_) : mass::PutHillFormula(o, ion_.Formula);
    o = PutWholeNumber(Put(o, "\t"), ion_.Charge);
    o = PutFixed(Put(o, "\t"), ion_.Mz, 6);
    return Put(PutField(Put(o, "\t"), leftOut_), "\n");
  }

  Session& session_;
  const std::vector<IonColumn>& ions_;
  Calculation calc_;
  mass::Molecule molecule_;
  mass::Ion ion_;
  std::string prefix_;
  std::string leftOut_;  // of the formula written
  uint16_t order_[mass::IsotopeTable::MaxElements];
};

}  // namespace

int RunMass(std::span<char* const> argv) {
  Arguments args;
  if (const int status = ReadArguments("mass", argv, Options, Usage, args); status >= 0) return status;
  Session session;
  std::vector<IonColumn> ions;
  int status = 0;
  if (!ReadIonColumns(args, session, ions, status)) return status;
  MassRows rows(session, ions);
  return WriteRows("mass", args, session,
                   "formula\thill\tmonoisotopic\tnominal\tdbe\tion\tion_formula\tcharge\tmz\tnote\n",
                   [&](std::u16string_view formula, OutputBuffer& out) { rows.Write(formula, out); });
}

}  // namespace zorvan::ms
