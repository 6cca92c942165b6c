// The comma-separated record reader shared by all three data files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/text.h"

namespace zorvan {

enum class DataFileProblem {
  FileNotFound,  // the file cannot be opened
  ReadPastEnd,   // a record asked for a field after the last one
};

// The one fatal start-up failure: names the file and what went wrong, so that
// the window and the batch tool can tell the user which file to mend.
class DataFileError : public std::runtime_error {
 public:
  DataFileError(const std::string& fileName, DataFileProblem problem);
  DataFileProblem Problem() const { return problem_; }
  // Returns the Japanese one-line message, e.g. "ファイルが見つかりません: atom.csv".
  std::string JapaneseMessage() const;

 private:
  DataFileProblem problem_;
};

// Reads a whole data file, decoded from code page 932, as a stream of fields.
// A field ends at a comma or a line end (CR LF, or a lone CR or LF); spaces and
// tabs in front of it are skipped; a field that starts with a double quote runs
// to the next double quote (or the line end) and may hold commas. Blank lines
// between records are skipped.
class RecordReader {
 public:
  RecordReader(std::string fileName, Text content);

  // Opens `fileName` in `folder`; throws DataFileError(FileNotFound).
  static RecordReader Open(const std::filesystem::path& folder, const std::string& fileName);

  // Each read throws DataFileError(ReadPastEnd) when no data is left.
  Text ReadText();
  // A field that is not a number, or one out of the float range, reads as 0.
  float ReadFloat();

  // Returns true once no field is left: only blanks and line ends remain.
  bool AtEnd() const;

 private:
  void SkipBlankLines();

  std::string fileName_;
  Text content_;
  size_t pos_ = 0;
  bool atLineStart_ = true;
};

}  // namespace zorvan
