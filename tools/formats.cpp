#include "tools/formats.h"

#include <algorithm>  // std::max
#include <array>
#include <cstring>  // std::memcpy

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
  // Pointers in locals: the compiler cannot tell that the bytes written are
  // not the text, and would read its bounds again after every byte.
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  while (p != end) {
    const char16_t c = *p;
    if (c < 0x80 && plain[c]) {
      *out++ = static_cast<char>(c);
      ++p;
    } else if (c < 0x80) {
      out = escape(c, out);
      ++p;
    } else {
      // A run of other characters converts whole, keeping surrogate pairs together.
      const char16_t* run = p + 1;
      while (run != end && *run >= 0x80) ++run;
      out = EncodeUtf8(std::u16string_view(p, static_cast<size_t>(run - p)), out);
      p = run;
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
      case u'"':
        *o++ = '"';
        break;
      case u'\\':
        *o++ = '\\';
        break;
      case u'\b':
        *o++ = 'b';
        break;
      case u'\f':
        *o++ = 'f';
        break;
      case u'\n':
        *o++ = 'n';
        break;
      case u'\r':
        *o++ = 'r';
        break;
      case u'\t':
        *o++ = 't';
        break;
      default:
        o = Put(o, "u00");
        *o++ = "0123456789abcdef"[c >> 4];
        *o++ = "0123456789abcdef"[c & 15];
    }
    return o;
  });
}

// Room enough for the part of an entry after the formula in any format:
// the composition, the weight and each element's symbol and percentage
// field, with the names and punctuation around them.
size_t TailBound(const WeightShares& shares) {
  return static_cast<size_t>(shares.Size) * (2 * MaxNumberLen + 32) + MaxNumberLen + 128;
}

// The parts of an entry: what comes before the formula, the formula, the rest.
char* PutStart(char* out, OutputFormat format) {
  switch (format) {
    case OutputFormat::Report:
      return Put(out, "\r\n");
    case OutputFormat::Tsv:
      return out;
    case OutputFormat::Jsonl:
      return Put(out, "{\"formula\":\"");
  }
  return out;
}

char* PutFormula(char* out, OutputFormat format, std::u16string_view formula) {
  switch (format) {
    case OutputFormat::Report:
      return EncodeUtf8(formula, out);
    case OutputFormat::Tsv:
      return PutTsv(out, formula);
    case OutputFormat::Jsonl:
      return PutJson(out, formula);
  }
  return out;
}

// Writes ASCII text held as UTF-16.
char* PutAscii(char* out, std::u16string_view ascii) {
  for (const char16_t c : ascii) *out++ = static_cast<char>(c);
  return out;
}

// The rest of a failed entry: "Error!", an empty weight and no percentages.
char* PutErrorTail(char* out, OutputFormat format) {
  switch (format) {
    case OutputFormat::Report:
      return Put(PutAscii(Put(out, "\r\n"), ErrorText), "\r\n\r\n");
    case OutputFormat::Tsv:
      return Put(PutAscii(Put(out, "\t"), ErrorText), "\t\n");
    case OutputFormat::Jsonl:
      out = PutAscii(Put(out, "\",\"composition\":\""), ErrorText);
      return Put(out, "\",\"weight\":\"\",\"error\":true,\"percent\":[]}\n");
  }
  return out;
}

// The rest of a successful entry. The texts of a result are ASCII letters,
// digits and signs, so they need no conversion or escaping in any format.
char* PutTail(char* o, OutputFormat format, const WeightShares& s) {
  const int count = s.Size;
  switch (format) {
    case OutputFormat::Report:
      // The same bytes as the report block of a batch paste.
      o = PutComposition(Put(o, "\r\n"), s);
      o = PutMolecularWeight(Put(o, "\r\n"), s, '.');
      for (int i = 0; i < count; ++i) o = PutPercentLine(Put(o, "\r\n"), s.Elements[i], '.');
      return Put(o, "\r\n");
    case OutputFormat::Tsv:
      o = PutComposition(Put(o, "\t"), s);
      o = PutMolecularWeight(Put(o, "\t"), s, '.');
      for (int i = 0; i < count; ++i) {
        o = PutSymbol(Put(o, "\t"), s.Elements[i]);
        o = PutPercentage(Put(o, "="), s.Elements[i], '.');
      }
      return Put(o, "\n");
    case OutputFormat::Jsonl:
      o = PutComposition(Put(o, "\",\"composition\":\""), s);
      o = PutMolecularWeight(Put(o, "\",\"weight\":\""), s, '.');
      o = Put(o, "\",\"error\":false,\"percent\":[");
      for (int i = 0; i < count; ++i) {
        o = PutSymbol(Put(o, "[\""), s.Elements[i]);
        o = PutPercentage(Put(o, "\",\""), s.Elements[i], '.');
        o = Put(o, "\"],");
      }
      // Every pair is written with a comma after it, and the last one's is
      // taken back: each piece then has a fixed length.
      return Put(o - (count > 0), "]}\n");
  }
  return o;
}

}  // namespace

char* PutTsv(char* out, std::u16string_view text) {
  return PutEscaped(out, text, TsvPlain, [](char16_t c, char* o) {
    *o++ = '\\';
    *o++ = c == u'\\' ? '\\' : c == u'\t' ? 't' : c == u'\r' ? 'r' : 'n';
    return o;
  });
}

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

void EntryWriter::WriteEntry(OutputBuffer& out, std::u16string_view formula, const Calculation& result) const {
  const bool ok = result.Status == CalcStatus::Ok;
  char* o = out.Room(6 * formula.size() + (ok ? TailBound(result.Shares) : 128));
  o = PutFormula(PutStart(o, format_), format_, formula);
  out.Commit(ok ? PutTail(o, format_, result.Shares) : PutErrorTail(o, format_));
}

void EntryWriter::WriteLongStart(OutputBuffer& out) const { out.Commit(PutStart(out.Room(16), format_)); }

void EntryWriter::WriteLongPiece(OutputBuffer& out, std::u16string_view piece) const {
  out.Commit(PutFormula(out.Room(6 * piece.size()), format_, piece));
}

void EntryWriter::WriteLongEnd(OutputBuffer& out) const { out.Commit(PutErrorTail(out.Room(128), format_)); }

}  // namespace zorvan
