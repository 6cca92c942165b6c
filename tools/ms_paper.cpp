// zorvan-ms paper: the HRMS and elemental-analysis lines of each formula.
#include <cstdio>

#include "mass/paper.h"
#include "tools/ms_common.h"

namespace zorvan::ms {

namespace {

// The help, its limits written from the constants that decide them.
std::string Usage() {
  using mass::NumberText;
  return "Usage: zorvan-ms paper [--data DIR] [--no-groups] [--ion ION] [--method METHOD]\n"
         "                     [--found MZ] [--found-ea C=..,H=..] [--format tsv|text]\n"
         "                     [--whole] [FORMULA]...\n"
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
         "masses. A solvate or salt written with \"*\" keeps its notation in the\n"
         "analysis (Anal. Calcd for C20H26O6\xC2\xB7"
         "0.25H2O: ..., with the percentages of the\n"
         "whole formula); its HRMS line is that of the part before the first \"*\".\n"
         "A line that cannot be given is empty, and note says why; note also names\n"
         "measured values that were left out or lie far from the calculated ones.\n"
         "\n"
         "  --ion ION        the ion, as in zorvan-ms mass; without it the HRMS field\n"
         "                   is empty (a neutral molecule has no m/z to report)\n"
         "  --method METHOD  the ionization method named in the line (default ESI)\n"
         "  --found MZ       the measured m/z, added as \"; Found MZ.\"; more than " +
         NumberText(mass::FoundRefusedPpm) +
         "\n"
         "                   ppm from the calculated it is left out, more than " +
         NumberText(mass::FoundFarPpm) +
         "\n"
         "                   ppm it is kept and note says so\n"
         "  --found-ea LIST  measured percentages, such as C=80.95,H=8.20, added as\n"
         "                   \"Found: C, 80.95; H, 8.20.\"; an element the formula does\n"
         "                   not hold or the line does not list (other than C, H, N,\n"
         "                   S) is left out, and note names it and each element more\n"
         "                   than " +
         NumberText(mass::DefaultPercentTolerance) +
         " points off\n"
         "  --format FORMAT  tsv (default) as above, or text: just the lines, one\n"
         "                   per line, for pasting; notes go to standard error\n" ZORVAN_WHOLE_OPTION_HELP;
}

constexpr OptionSpec Options[] = {{"--ion"},      {"--method"}, {"--found"},
                                  {"--found-ea"}, {"--format"}, {"--whole", false}};

// What paper writes for every formula, read once from its options.
struct PaperOptions {
  std::optional<mass::IonSpec> Ion;
  std::string Method = "ESI";
  std::optional<double> Found;
  mass::MeasuredPercent FoundAnalysis;
  bool Text = false;
};

// Reads the options into `options`; returns -1, or the exit status of a
// usage error.
int ReadOptions(const Arguments& args, const mass::IsotopeTable& isotopes, PaperOptions& options) {
  int status = -1;
  if (const auto ion = args.Last("--ion"))
    if (!ParseIonOption("paper", *ion, isotopes, options.Ion.emplace(), status)) return status;
  options.Method = args.Last("--method").value_or("ESI");
  for (const char c : options.Method)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
      return UsageError("paper", "--method には ESI のような ASCII の文字を指定します");
  if (const auto text = args.Last("--found"))
    if (!ReadTypedNumber(*text, options.Found.emplace()) || !(*options.Found > 0))
      return UsageError("paper", "--found には 0 より大きい m/z を指定します: " + std::string(*text));
  if (const auto text = args.Last("--found-ea")) {
    const std::string error = mass::ParsePercentages(*text, options.FoundAnalysis);
    if (!error.empty() || options.FoundAnalysis.empty())
      return UsageError("paper", "--found-ea " + std::string(*text) + ": " +
                                     (error.empty() ? "C=80.95,H=8.20 のように書きます" : error));
  }
  const std::string_view format = args.Last("--format").value_or("tsv");
  if (format != "tsv" && format != "text") return UsageError("paper", "--format には tsv か text を指定します");
  options.Text = format == "text";
  return status;
}

// The lines of one formula and what is to be said of them.
struct Lines {
  std::string Hrms, Analysis;
  std::vector<std::string> Notes;
};

Lines LinesOf(std::u16string_view formula, Session& session, const PaperOptions& options) {
  Lines lines;
  mass::Molecule molecule;
  Calculation calc;
  if (std::string note = session.ToMolecule(formula, CalcDetail::Weight, calc, molecule); !note.empty()) {
    lines.Notes.push_back(note);
    return lines;
  }
  const mass::FormulaParts& parts = session.Parts();
  const std::string hill = mass::HillFormula(molecule);
  const mass::FoundAnalysis found = mass::SortFound(options.FoundAnalysis, session.Listed());
  lines.Analysis =
      mass::AnalysisLine(parts.Rest.empty() ? hill : mass::PartsNotation(hill, parts), session.Listed(), found.Kept)
          .Plain;
  mass::Ion ion;
  if (!options.Ion) {
    lines.Notes.push_back("HRMS の行にはイオンが必要です (--ion '[M+H]+' のように指定します)");
  } else if (std::string note = mass::FormIon(molecule, *options.Ion, ion); !note.empty()) {
    lines.Notes.push_back(note);
  } else {
    lines.Hrms = mass::HrmsLine(options.Method, *options.Ion, ion, options.Found).Plain;
    if (options.Found)
      if (std::string note = mass::FoundNote(ion.Mz, *options.Found); !note.empty()) lines.Notes.push_back(note);
  }
  for (std::string& note : mass::FoundNotes(found)) lines.Notes.push_back(std::move(note));
  if (std::string leftOut = session.LeftOut(); !leftOut.empty()) lines.Notes.push_back(std::move(leftOut));
  return lines;
}

std::string Joined(const std::vector<std::string>& notes) {
  std::string text;
  for (const std::string& note : notes) text += (text.empty() ? "" : "; ") + note;
  return text;
}

}  // namespace

int RunPaper(std::span<char* const> argv) {
  Arguments args;
  if (const int status = ReadArguments("paper", argv, Options, Usage(), args); status >= 0) return status;
  Session session;
  PaperOptions options;
  if (const int status = ReadOptions(args, session.Isotopes(), options); status >= 0) return status;
  const std::string_view header = options.Text ? "" : "formula\thrms\tanalysis\tnote\n";
  return WriteRows("paper", args, session, header, [&](std::u16string_view formula, OutputBuffer& out) {
    const Lines lines = LinesOf(formula, session, options);
    const std::string note = Joined(lines.Notes);
    if (options.Text) {
      char* o = out.Room(lines.Hrms.size() + lines.Analysis.size() + 2);
      if (!lines.Hrms.empty()) o = Put(Put(o, lines.Hrms), "\n");
      if (!lines.Analysis.empty()) o = Put(Put(o, lines.Analysis), "\n");
      out.Commit(o);
      if (note.empty()) return;
      out.Flush();
      std::fprintf(stderr, "zorvan-ms paper: %s: %s\n", ToUtf8(formula).c_str(), note.c_str());
      return;
    }
    char* o = PutTsv(out.Room(3 * formula.size() + 2 * (lines.Hrms.size() + lines.Analysis.size() + note.size()) + 8),
                     formula);
    o = PutField(Put(o, "\t"), lines.Hrms);
    o = PutField(Put(o, "\t"), lines.Analysis);
    o = PutField(Put(o, "\t"), note);
    out.Commit(Put(o, "\n"));
  });
}

}  // namespace zorvan::ms
