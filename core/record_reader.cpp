#include "core/record_reader.h"

#include <charconv>  // std::from_chars
#include <cmath>
#include <fstream>
#include <sstream>

namespace zorvan {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }

std::string ProblemText(DataFileProblem problem) {
  return problem == DataFileProblem::FileNotFound ? "ファイルが見つかりません"
                                                  : "ファイルの途中でデータが終わっています";
}

// Parses the longest leading decimal number ("12", "-1.5", ".5", "1e3") with
// "." as the decimal point whatever the locale; returns 0 when the text does
// not start with one or when it is outside the float range.
double ParseDecimal(std::u16string_view text) {
  std::string ascii;
  size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') ascii.push_back('-');
    ++i;
  }
  // Only digits, one point and an exponent belong to a number: this keeps
  // "inf", "nan" and hexadecimal forms out.
  if (i >= text.size() || !(IsAsciiDigit(text[i]) || text[i] == u'.')) return 0;
  for (; i < text.size() && ascii.size() < 400; ++i) {
    char16_t c = text[i];
    if (IsAsciiDigit(c) || c == u'.' || c == u'e' || c == u'E' || c == u'+' || c == u'-')
      ascii.push_back(static_cast<char>(c));
    else
      break;
  }
  double value = 0;
  auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::general);
  if (ec != std::errc() || !std::isfinite(value)) return 0;
  return value;
}

}  // namespace

DataFileError::DataFileError(const std::string& fileName, DataFileProblem problem)
    : std::runtime_error(ProblemText(problem) + ": " + fileName), problem_(problem) {}

std::string DataFileError::JapaneseMessage() const { return what(); }

RecordReader::RecordReader(std::string fileName, Text content)
    : fileName_(std::move(fileName)), content_(std::move(content)) {}

RecordReader RecordReader::Open(const std::filesystem::path& folder, const std::string& fileName) {
  std::ifstream in(folder / fileName, std::ios::binary);
  if (!in || std::filesystem::is_directory(folder / fileName))
    throw DataFileError(fileName, DataFileProblem::FileNotFound);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return RecordReader(fileName, DecodeCp932(bytes.str()));
}

void RecordReader::SkipBlankLines() {
  // Only at the start of a line: a blank line there holds no field, while a
  // comma-ended field followed by a line end is an empty field of the record.
  if (!atLineStart_) return;
  size_t p = pos_;
  while (p < content_.size()) {
    while (p < content_.size() && IsBlank(content_[p])) ++p;
    if (p < content_.size() && IsLineEnd(content_[p])) {
      ++p;
      pos_ = p;
    } else {
      break;
    }
  }
}

bool RecordReader::AtEnd() const {
  for (size_t p = pos_; p < content_.size(); ++p)
    if (!IsBlank(content_[p]) && !IsLineEnd(content_[p])) return false;
  return true;
}

Text RecordReader::ReadText() {
  SkipBlankLines();
  // After a comma a field always follows, if only an empty one at the end of
  // the file; at the start of a line, no data left means no field.
  if (atLineStart_ && AtEnd()) throw DataFileError(fileName_, DataFileProblem::ReadPastEnd);
  while (pos_ < content_.size() && IsBlank(content_[pos_])) ++pos_;

  Text field;
  size_t end = pos_;
  if (pos_ < content_.size() && content_[pos_] == u'"') {
    size_t close = pos_ + 1;
    while (close < content_.size() && content_[close] != u'"' && !IsLineEnd(content_[close])) ++close;
    field.assign(content_, pos_ + 1, close - pos_ - 1);
    end = close < content_.size() && content_[close] == u'"' ? close + 1 : close;
    // Anything between the closing quote and the separator is dropped.
    while (end < content_.size() && content_[end] != u',' && !IsLineEnd(content_[end])) ++end;
  } else {
    while (end < content_.size() && content_[end] != u',' && !IsLineEnd(content_[end])) ++end;
    field.assign(content_, pos_, end - pos_);
  }

  // Consume the separator: a comma, or one line end (CR LF counts as one).
  atLineStart_ = false;
  if (end < content_.size()) {
    if (content_[end] == u',') {
      ++end;
    } else {
      if (content_[end] == u'\r' && end + 1 < content_.size() && content_[end + 1] == u'\n') ++end;
      ++end;
      atLineStart_ = true;
    }
  } else {
    atLineStart_ = true;
  }
  pos_ = end;
  return field;
}

float RecordReader::ReadFloat() {
  double v = ParseDecimal(ReadText());
  float f = static_cast<float>(v);
  return std::isfinite(f) ? f : 0.0f;
}

}  // namespace zorvan
