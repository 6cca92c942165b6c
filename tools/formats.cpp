#include "tools/formats.h"

#include <algorithm>  // std::max
#include <cstring>    // std::memcpy

namespace zorvan {

namespace {

// The buffer goes out once it holds this much.
constexpr size_t BlockBytes = 1 << 16;

char* Put(char* out, std::string_view ascii) {
  std::memcpy(out, ascii.data(), ascii.size());
  return out + ascii.size();
}

// A percent line holds the symbol as stored (2 characters), a tab and the
// 7-character field; the formats for scripts show both without the padding.
std::u16string_view Trimmed(std::u16string_view text) {
  const size_t begin = text.find_first_not_of(Space);
  if (begin == std::u16string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(Space) - begin + 1);
}
std::u16string_view SymbolOf(const Text& percentLine) {
  return Trimmed(std::u16string_view(percentLine).substr(0, 2));
}
std::u16string_view PercentOf(const Text& percentLine) {
  return Trimmed(std::u16string_view(percentLine).substr(3));
}

// Writes `text` as UTF-8 with each character for which `needsEscape` holds
// written by `escape` instead. Only ASCII characters are escaped, so the
// runs between them convert on their own.
template <typename NeedsEscape, typename Escape>
char* PutEscaped(char* out, std::u16string_view text, NeedsEscape needsEscape, Escape escape) {
  size_t run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0x80 || !needsEscape(text[i])) continue;
    out = escape(text[i], EncodeUtf8(text.substr(run, i - run), out));
    run = i + 1;
  }
  return EncodeUtf8(text.substr(run), out);
}

// A JSON string body: the quote, the backslash and the control characters
// escaped, everything else as UTF-8. At most 6 bytes a unit.
char* PutJson(char* out, std::u16string_view text) {
  return PutEscaped(
      out, text, [](char16_t c) { return c < 0x20 || c == u'"' || c == u'\\'; },
      [](char16_t c, char* o) {
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
  return PutEscaped(
      out, text, [](char16_t c) { return c == u'\\' || c == u'\t' || c == u'\r' || c == u'\n'; },
      [](char16_t c, char* o) {
        *o++ = '\\';
        *o++ = c == u'\\' ? '\\' : c == u'\t' ? 't' : c == u'\r' ? 'r' : 'n';
        return o;
      });
}

// Room enough for an entry in any format: 6 bytes a unit and the names and
// punctuation around each text.
size_t EntryBound(size_t formulaUnits, const CalcResult& result) {
  size_t units = formulaUnits + result.Composition.size() + result.MolecularWeight.size();
  for (const Text& line : result.PercentLines) units += line.size();
  return 6 * units + 16 * result.PercentLines.size() + 128;
}

// What every overlong line gives: the formula is too long to calculate.
const CalcResult& LongLineResult() {
  static const CalcResult result{CalcStatus::SyntaxError, {SyntaxError::FormulaTooLong, 0, 0}, 0, false,
                                 Text(ErrorText), {}, {}};
  return result;
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

char* OutputBuffer::Room(size_t bytes) {
  if (capacity_ - size_ < bytes) {
    const size_t capacity = std::max({2 * capacity_, size_ + bytes, 2 * BlockBytes});
    auto data = std::make_unique<char[]>(capacity);
    if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
  }
  return data_.get() + size_;
}

void OutputBuffer::Commit(char* end) {
  size_ = static_cast<size_t>(end - data_.get());
  if (size_ >= BlockBytes) Flush();
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
  WriteLongStart(out);
  WriteLongPiece(out, formula);
  WriteTail(out, result);
}

void EntryWriter::WriteLongStart(OutputBuffer& out) const {
  char* o = out.Room(16);
  switch (format_) {
    case OutputFormat::Report: o = Put(o, "\r\n"); break;
    case OutputFormat::Tsv: break;
    case OutputFormat::Jsonl: o = Put(o, "{\"formula\":\""); break;
  }
  out.Commit(o);
}

void EntryWriter::WriteLongPiece(OutputBuffer& out, std::u16string_view piece) const {
  char* o = out.Room(6 * piece.size());
  switch (format_) {
    case OutputFormat::Report: o = EncodeUtf8(piece, o); break;
    case OutputFormat::Tsv: o = PutTsv(o, piece); break;
    case OutputFormat::Jsonl: o = PutJson(o, piece); break;
  }
  out.Commit(o);
}

void EntryWriter::WriteLongEnd(OutputBuffer& out) const { WriteTail(out, LongLineResult()); }

void EntryWriter::WriteTail(OutputBuffer& out, const CalcResult& result) const {
  char* o = out.Room(EntryBound(0, result));
  switch (format_) {
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
      o = Put(o, "\r\n");
      break;
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
      break;
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
      o = Put(o, "]}\n");
      break;
    }
  }
  out.Commit(o);
}

}  // namespace zorvan
