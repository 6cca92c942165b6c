#include "tools/formats.h"

#include <algorithm>  // std::max
#include <array>
#include <cstring>    // std::memcpy

namespace zorvan {

namespace {

char* Put(char* out, std::string_view ascii) {
  std::memcpy(out, ascii.data(), ascii.size());
  return out + ascii.size();
}

// The ASCII characters that a format writes as they are.
using PlainTable = std::array<bool, 128>;
constexpr PlainTable JsonPlain = [] {
  PlainTable plain{};
  for (int c = 0x20; c < 128; ++c) plain[c] = c != '"' && c != '\\';
  return plain;
}();
constexpr PlainTable TsvPlain = [] {
  PlainTable plain{};
  for (int c = 0; c < 128; ++c) plain[c] = c != '\\' && c != '\t' && c != '\r' && c != '\n';
  return plain;
}();

// Writes `text` as UTF-8 with each ASCII character that is not plain written
// by `escape`. Formulas and results are nearly all plain ASCII, which takes
// one test a character.
template <typename Escape>
char* PutEscaped(char* out, std::u16string_view text, const PlainTable& plain, Escape escape) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x80 && plain[c]) {
      *out++ = static_cast<char>(c);
    } else if (c < 0x80) {
      out = escape(c, out);
    } else {
      // A run of other characters converts whole, keeping surrogate pairs together.
      size_t end = i + 1;
      while (end < text.size() && text[end] >= 0x80) ++end;
      out = EncodeUtf8(text.substr(i, end - i), out);
      i = end - 1;
    }
  }
  return out;
}

// A JSON string body: the quote, the backslash and the control characters
// escaped, everything else as UTF-8. At most 6 bytes a unit.
char* PutJson(char* out, std::u16string_view text) {
  return PutEscaped(out, text, JsonPlain, [](char16_t c, char* o) {
    *o++ = '\\';
    switch (c) {
      case u'"': *o++ = '"'; break;
      case u'\\': *o++ = '\\'; break;
      case u'\b': *o++ = 'b'; break;
      case u'\f': *o++ = 'f'; break;
      case u'\n': *o++ = 'n'; break;
      case u'\r': *o++ = 'r'; break;
      case u'\t': *o++ = 't'; break;
      default:
        o = Put(o, "u00");
        *o++ = "0123456789abcdef"[c >> 4];
        *o++ = "0123456789abcdef"[c & 15];
    }
    return o;
  });
}

char* PutJsonString(char* out, std::u16string_view text) {
  *out++ = '"';
  out = PutJson(out, text);
  *out++ = '"';
  return out;
}

// A tab-separated field: backslash, tab, CR and LF written as \\, \t, \r
// and \n, so a field never splits a line or its fields. At most 3 bytes a unit.
char* PutTsv(char* out, std::u16string_view text) {
  return PutEscaped(out, text, TsvPlain, [](char16_t c, char* o) {
    *o++ = '\\';
    *o++ = c == u'\\' ? '\\' : c == u'\t' ? 't' : c == u'\r' ? 'r' : 'n';
    return o;
  });
}

// A percent line holds the symbol as stored (2 characters), a tab and the
// 7-character field; the formats for scripts show both without the spaces
// that pad them.
std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && text.front() == Space) text.remove_prefix(1);
  while (!text.empty() && text.back() == Space) text.remove_suffix(1);
  return text;
}
std::u16string_view SymbolOf(const Text& percentLine) {
  return Trimmed(std::u16string_view(percentLine).substr(0, 2));
}
std::u16string_view PercentOf(const Text& percentLine) {
  return Trimmed(std::u16string_view(percentLine).substr(3));
}

// Room enough for the part of an entry after the formula in any format: 6
// bytes a unit and the names and punctuation around each text.
size_t TailBound(const CalcResult& result) {
  size_t units = result.Composition.size() + result.MolecularWeight.size();
  for (const Text& line : result.PercentLines) units += line.size();
  return 6 * units + 16 * result.PercentLines.size() + 128;
}

// What every overlong line gives: the formula is too long to calculate.
const CalcResult& LongLineResult() {
  static const CalcResult result{CalcStatus::SyntaxError, {SyntaxError::FormulaTooLong, 0, 0}, 0, false,
                                 Text(ErrorText), {}, {}};
  return result;
}

// The parts of an entry: what comes before the formula, the formula, the rest.
char* PutStart(char* out, OutputFormat format) {
  switch (format) {
    case OutputFormat::Report: return Put(out, "\r\n");
    case OutputFormat::Tsv: return out;
    case OutputFormat::Jsonl: return Put(out, "{\"formula\":\"");
  }
  return out;
}

char* PutFormula(char* out, OutputFormat format, std::u16string_view formula) {
  switch (format) {
    case OutputFormat::Report: return EncodeUtf8(formula, out);
    case OutputFormat::Tsv: return PutTsv(out, formula);
    case OutputFormat::Jsonl: return PutJson(out, formula);
  }
  return out;
}

char* PutTail(char* o, OutputFormat format, const CalcResult& result) {
  switch (format) {
    case OutputFormat::Report:
      // The same bytes as the report block of a batch paste.
      for (const Text* line : {&result.Composition, &result.MolecularWeight}) {
        o = Put(o, "\r\n");
        o = EncodeUtf8(*line, o);
      }
      for (const Text& line : result.PercentLines) {
        o = Put(o, "\r\n");
        o = EncodeUtf8(line, o);
      }
      return Put(o, "\r\n");
    case OutputFormat::Tsv:
      for (const Text* field : {&result.Composition, &result.MolecularWeight}) {
        *o++ = '\t';
        o = PutTsv(o, *field);
      }
      for (const Text& line : result.PercentLines) {
        *o++ = '\t';
        o = PutTsv(o, SymbolOf(line));
        *o++ = '=';
        o = PutTsv(o, PercentOf(line));
      }
      *o++ = '\n';
      return o;
    case OutputFormat::Jsonl: {
      o = Put(o, "\",\"composition\":");
      o = PutJsonString(o, result.Composition);
      o = Put(o, ",\"weight\":");
      o = PutJsonString(o, result.MolecularWeight);
      o = Put(o, result.Status == CalcStatus::Ok ? ",\"error\":false,\"percent\":[" : ",\"error\":true,\"percent\":[");
      bool first = true;
      for (const Text& line : result.PercentLines) {
        o = Put(o, first ? "[" : ",[");
        first = false;
        o = PutJsonString(o, SymbolOf(line));
        *o++ = ',';
        o = PutJsonString(o, PercentOf(line));
        *o++ = ']';
      }
      return Put(o, "]}\n");
    }
  }
  return o;
}

}  // namespace

bool OutputFormatNamed(std::string_view name, OutputFormat& format) {
  if (name == "report")
    format = OutputFormat::Report;
  else if (name == "tsv")
    format = OutputFormat::Tsv;
  else if (name == "jsonl")
    format = OutputFormat::Jsonl;
  else
    return false;
  return true;
}

char* OutputBuffer::Grow(size_t bytes) {
  const size_t capacity = std::max({2 * capacity_, size_ + bytes, 2 * BlockBytes});
  auto data = std::make_unique<char[]>(capacity);
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
  return data_.get() + size_;
}

bool OutputBuffer::Flush() {
  const bool written = size_ == 0 || std::fwrite(data_.get(), 1, size_, stream_) == size_;
  size_ = 0;
  return written;
}

void EntryWriter::WriteHeader(OutputBuffer& out) const {
  if (format_ != OutputFormat::Tsv) return;
  constexpr std::string_view Header = "formula\tcomposition\tweight\tpercent\n";
  out.Commit(Put(out.Room(Header.size()), Header));
}

void EntryWriter::WriteEntry(OutputBuffer& out, std::u16string_view formula, const CalcResult& result) const {
  char* o = out.Room(6 * formula.size() + TailBound(result));
  o = PutStart(o, format_);
  o = PutFormula(o, format_, formula);
  out.Commit(PutTail(o, format_, result));
}

void EntryWriter::WriteLongStart(OutputBuffer& out) const { out.Commit(PutStart(out.Room(16), format_)); }

void EntryWriter::WriteLongPiece(OutputBuffer& out, std::u16string_view piece) const {
  out.Commit(PutFormula(out.Room(6 * piece.size()), format_, piece));
}

void EntryWriter::WriteLongEnd(OutputBuffer& out) const {
  const CalcResult& result = LongLineResult();
  out.Commit(PutTail(out.Room(TailBound(result)), format_, result));
}

}  // namespace zorvan
