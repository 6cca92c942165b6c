// zorvan-ms paper: the HRMS and elemental-analysis lines of each formula.
#include "mass/paper.h"
#include "tools/ms_common.h"

namespace zorvan::ms {

namespace {

constexpr const char* Usage =
    "Usage: zorvan-ms paper [--data DIR] [--no-groups] [--ion ION] [--method METHOD]\n"
    "                     [--found MZ] [--found-ea C=..,H=..] [FORMULA]...\n"
    "\n"
    "Writes, for each formula (the arguments, or the lines of standard input\n"
    "when there are none), the two lines of an experimental section as the mass\n"
    "window copies them, as tab-separated fields\n"
    "  formula hrms analysis note\n"
    "after a header line, for example\n"
    "  HRMS (ESI) m/z: [M + Na]+ Calcd for C10H12NaO 171.0780; Found 171.0783.\n"
    "  Anal. Calcd for C10H12O: C, 81.04; H, 8.16. Found: C, 80.95; H, 8.20.\n"
    "The analysis gives C, H, N and S as far as the formula holds them, with the\n"
    "percentages of atom.csv's weights; the m/z comes from IsoSpec's isotope\n"
    "masses. A line that cannot be given is empty, and note says why.\n"
    "\n"
    "  --ion ION        the ion, as in zorvan-ms mass (default: M, the neutral)\n"
    "  --method METHOD  the ionization method named in the line (default ESI)\n"
    "  --found MZ       the measured m/z, added as \"; Found MZ.\"\n"
    "  --found-ea LIST  measured percentages, such as C=80.95,H=8.20 (C, H, N\n"
    "                   and S), added as \"Found: C, 80.95; H, 8.20.\"\n";

constexpr OptionSpec Options[] = {{"--ion"}, {"--method"}, {"--found"}, {"--found-ea"}};

}  // namespace

int RunPaper(std::span<char* const> argv) {
  Arguments args;
  if (const int status = ReadArguments("paper", argv, Options, Usage, args); status >= 0) return status;
  Session session;
  int status = 0;
  mass::IonSpec ionSpec;
  if (!ParseIonOption("paper", args.Last("--ion").value_or("M"), session.Isotopes(), ionSpec, status)) return status;
  const std::string method(args.Last("--method").value_or("ESI"));
  for (const char c : method)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
      return UsageError("paper", "--method needs printable ASCII text, such as ESI");
  std::optional<double> found;
  if (const auto text = args.Last("--found"))
    if (!ParseNumber(*text, found.emplace()) || *found <= 0) return UsageError("paper", "--found needs an m/z above 0");
  mass::Percentages foundAnalysis;
  if (const auto text = args.Last("--found-ea"))
    if (!mass::ParseAnalysis(*text, foundAnalysis))
      return UsageError("paper", "--found-ea needs percentages such as C=80.95,H=8.20 (C, H, N, S)");
  Calculation calc;
  mass::Molecule molecule;
  mass::Ion ion;
  return WriteRows(
      "paper", args, session, "formula\thrms\tanalysis\tnote\n", [&](std::u16string_view formula, OutputBuffer& out) {
        std::string note = session.ToMolecule(formula, CalcDetail::Weight, calc, molecule);
        std::string hrms, analysis;
        if (note.empty()) {
          analysis =
              mass::AnalysisLine(mass::HillFormula(molecule), mass::ListedPercentages(calc), foundAnalysis).Plain;
          note = mass::FormIon(molecule, ionSpec, ion);
          if (note.empty()) hrms = mass::HrmsLine(method, ionSpec, ion, found).Plain;
        }
        char* o = PutTsv(out.Room(3 * formula.size() + hrms.size() + analysis.size() + 2 * note.size() + 8), formula);
        o = PutField(Put(o, "\t"), hrms);
        o = PutField(Put(o, "\t"), analysis);
        o = PutField(Put(o, "\t"), note);
        out.Commit(Put(o, "\n"));
      });
}

}  // namespace zorvan::ms
