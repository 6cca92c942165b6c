// zorvan-ms pattern: one row per peak of each formula's isotope pattern.
#include <charconv>  // std::to_chars

#include "mass/pattern.h"
#include "tools/ms_common.h"

namespace zorvan::ms {

namespace {

constexpr const char* Usage =
    "Usage: zorvan-ms pattern [--data DIR] [--no-groups] [--ion ION]\n"
    "                       [--resolution unit|fine|R] [--min PERCENT] [FORMULA]...\n"
    "\n"
    "Writes the isotope pattern of each formula (the arguments, or the lines of\n"
    "standard input when there are none) as tab-separated lines\n"
    "  formula ion mz relative note\n"
    "after a header line, one per peak, m/z ascending, the largest peak = 100.\n"
    "A formula without a pattern gives one line whose note says why.\n"
    "\n"
    "  --ion ION        the ion, as in zorvan-ms mass (default: M, the neutral)\n"
    "  --resolution RES fine  every isotopologue, unmerged (default)\n"
    "                   unit  isotopologues summed by nominal mass, with their\n"
    "                         probability-weighted mean m/z\n"
    "                   R     centroids at resolving power R (say 60000): fine\n"
    "                         peaks within m/z / R of a centroid's first peak\n"
    "                         join it\n"
    "  --min PERCENT    leave out peaks below PERCENT of the largest\n"
    "                   (default 0.01)\n" ZORVAN_WHOLE_OPTION_HELP;

constexpr OptionSpec Options[] = {{"--ion"}, {"--resolution"}, {"--min"}, {"--whole", false}};

// Reads --resolution and --min into `request`. Returns -1, or the exit
// status of a usage error.
int ReadRequest(const Arguments& args, mass::PatternRequest& request) {
  if (const auto resolution = args.Last("--resolution")) {
    if (*resolution == "unit") {
      request.Kind = mass::Resolution::Unit;
    } else if (*resolution != "fine") {
      request.Kind = mass::Resolution::Centroid;
      if (!ParseNumber(*resolution, request.ResolvingPower) || request.ResolvingPower <= 0)
        return UsageError("pattern", "--resolution には unit、fine か 0 より大きい分解能を指定します");
    }
  }
  if (const auto min = args.Last("--min"))
    if (!ParseNumber(*min, request.MinPercent) || request.MinPercent < 0 || request.MinPercent > 100)
      return UsageError("pattern", "--min には 0 から 100 までの百分率を指定します");
  return -1;
}

}  // namespace

int RunPattern(std::span<char* const> argv) {
  Arguments args;
  if (const int status = ReadArguments("pattern", argv, Options, Usage, args); status >= 0) return status;
  Session session;
  int status = 0;
  const std::string_view ionText = args.Last("--ion").value_or("M");
  mass::IonSpec ionSpec;
  if (!ParseIonOption("pattern", ionText, session.Isotopes(), ionSpec, status)) return status;
  mass::PatternRequest request;
  if (const int bad = ReadRequest(args, request); bad >= 0) return bad;
  Calculation calc;
  mass::Molecule molecule;
  mass::Ion ion;
  return WriteRows(
      "pattern", args, session, "formula\tion\tmz\trelative\tnote\n",
      [&](std::u16string_view formula, OutputBuffer& out) {
        std::string note = session.ToMolecule(formula, CalcDetail::Counts, calc, molecule);
        const std::string leftOut = session.LeftOut();
        if (note.empty()) note = mass::FormIon(molecule, ionSpec, ion);
        mass::Pattern pattern;
        if (note.empty()) {
          pattern = mass::ComputePattern(ion.Formula, ion.Charge, request);
          note = pattern.Note;
        }
        const auto start = [&](size_t room) {
          return Put(
              PutField(Put(PutTsv(out.Room(3 * formula.size() + 2 * ionText.size() + room), formula), "\t"), ionText),
              "\t");
        };
        if (!note.empty()) {
          out.Commit(Put(PutField(Put(start(2 * note.size() + 8), "\t\t"), note), "\n"));
          return;
        }
        for (const mass::Peak& peak : pattern.Peaks) {
          char* o = PutFixed(start(96 + 2 * leftOut.size()), peak.Mz, 6);
          *o++ = '\t';
          o = std::to_chars(o, o + 32, peak.Relative, std::chars_format::fixed, 4).ptr;
          out.Commit(Put(PutField(Put(o, "\t"), leftOut), "\n"));
        }
      });
}

}  // namespace zorvan::ms
