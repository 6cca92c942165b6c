// Reading measured spectra: SIRIUS .ms files and MGF files, the compounds
// with their parent m/z, ion and MS1 peaks.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mass/isotope_score.h"  // MeasuredPeak

namespace zorvan::mass {

enum class SpectraFormat { Ms, Mgf };

// The format a file name's ending names (".ms", ".mgf", any case), or none.
std::optional<SpectraFormat> SpectraFormatOf(std::string_view fileName);

struct SpectrumCompound {
  std::string Name;                 // >compound, or TITLE; may be empty
  double ParentMz = 0;              // >parentmass, or PEPMASS's first number; positive
  std::string Ion;                  // >ionization or ION=, as written; empty when not given
  int Charge = 0;                   // >charge or CHARGE= (signed); 0 when not given
  std::vector<MeasuredPeak> Peaks;  // the MS1 peaks, as given (m/z and intensity finite, intensity >= 0)
  size_t Line = 0;                  // where the compound starts, from 1
};

struct SpectraMessage {
  size_t Line = 0;   // from 1
  std::string Text;  // Japanese (UTF-8)
};

// Reads a file line by line, handing over each compound when it is
// complete. A compound with a malformed line is dropped with a message
// naming the line; reading goes on with the next compound.
class SpectraReader {
 public:
  explicit SpectraReader(SpectraFormat format) : format_(format) {}

  // Reads the next line (without its line end). `cut` says that the line
  // was longer than the caller holds, so only its start is given.
  void Line(std::string_view line, bool cut = false);
  // Ends the file: the last compound is handed over.
  void Finish();

  // The compounds and messages so far; the caller may take and clear them.
  std::vector<SpectrumCompound> Compounds;
  std::vector<SpectraMessage> Messages;

 private:
  void MsLine(std::string_view line);
  void MgfLine(std::string_view line);
  // Reads "MZ INTENSITY" into the current compound (when `keep`); false
  // when the line is not a peak.
  bool Peak(std::string_view line, bool keep);
  // Says `text` of the current line; the compound it is in is dropped.
  void Bad(std::string text);
  // `text` and that the current compound is skipped.
  std::string Skipping(std::string text) const;
  void Close();

  SpectraFormat format_;
  size_t line_ = 0;
  std::optional<SpectrumCompound> current_;
  bool broken_ = false;  // the current compound had a malformed line
  bool hasParent_ = false;
  int section_ = 0;  // .ms: 0 none, 1 MS1, 2 skipped; MGF: 1 in a block
  int ms1Sections_ = 0;
  std::optional<int> level_;  // MGF MSLEVEL
  // The messages of the current compound: an MGF block of another level
  // drops them with itself.
  std::vector<SpectraMessage> pending_;
};

// The compounds and messages of a whole text (lines ended by LF or CR LF).
struct Spectra {
  std::vector<SpectrumCompound> Compounds;
  std::vector<SpectraMessage> Messages;
};
Spectra ReadSpectra(std::string_view text, SpectraFormat format);

// The ion a compound's query takes: its ion as written, else the usual ion
// of its charge (protonated, or deprotonated), else empty.
std::string QueryIon(const SpectrumCompound& compound);

// Reads peaks pasted as instrument software copies them: one "MZ INTENSITY"
// a line, the two separated by tabs, spaces or commas; further columns are
// left alone, blank lines skipped, and a first line without a number is a
// header. Returns an empty string, or what is wrong, naming the line, in
// Japanese (UTF-8); `peaks` then holds the lines before it.
std::string ParsePeakList(std::string_view text, std::vector<MeasuredPeak>& peaks);

// Writes `compound` as a .ms block (numbers exact to the last bit), which
// ReadSpectra reads back as it was.
std::string MsText(const SpectrumCompound& compound);

}  // namespace zorvan::mass
