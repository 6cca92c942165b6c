#include "core/text.h"

#include <iconv.h>  // iconv_open, iconv

#include <cerrno>
#include <stdexcept>

namespace zorvan {

namespace {

// Owns one iconv descriptor; glibc's "CP932" is the Windows variant of
// Shift-JIS, which keeps 0x5C as the backslash.
class Cp932Decoder {
 public:
  Cp932Decoder() : cd_(iconv_open("UTF-16LE", "CP932")) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert from CP932");
  }
  ~Cp932Decoder() { iconv_close(cd_); }
  Cp932Decoder(const Cp932Decoder&) = delete;
  Cp932Decoder& operator=(const Cp932Decoder&) = delete;

  Text Decode(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buf[4096];
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
      char* outPtr = buf;
      size_t outLeft = sizeof buf;
      size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      int err = errno;
      Append(out, buf, outPtr);
      if (rc == static_cast<size_t>(-1) && err != E2BIG) {
        // EILSEQ or EINVAL (a lead byte cut off at the end): replace one byte
        // and resynchronise on the next.
        out.push_back(ReplacementChar);
        ++in;
        --inLeft;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  static void Append(Text& out, const char* begin, const char* end) {
    for (const char* p = begin; p + 1 < end; p += 2)
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8));
  }
  iconv_t cd_;
};

}  // namespace

Text DecodeCp932(std::string_view bytes) {
  Cp932Decoder decoder;
  return decoder.Decode(bytes);
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  AppendUtf8(out, text);
  return out;
}

void AppendUtf8(std::string& out, std::u16string_view text) {
  const size_t base = out.size();
  out.resize(base + 3 * text.size());
  out.resize(EncodeUtf8(text, out.data() + base) - out.data());
}

char* EncodeUtf8(std::u16string_view text, char* out) {
  // Texts of ASCII only, nearly all of them, narrow unit by unit, in a loop
  // simple enough for the compiler to vectorise; any other text is written
  // again over that.
  char16_t any = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    any |= text[i];
    out[i] = static_cast<char>(text[i]);
  }
  if (any < 0x80) return out + text.size();
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      *out++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = ReplacementChar;
    }
    if (c < 0x800) {
      *out++ = static_cast<char>(0xC0 | c >> 6);
    } else if (c < 0x10000) {
      *out++ = static_cast<char>(0xE0 | c >> 12);
      *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    } else {
      *out++ = static_cast<char>(0xF0 | c >> 18);
      *out++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
      *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    }
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

Text FromUtf8(std::string_view bytes) {
  Text out;
  FromUtf8(bytes, out);
  return out;
}

void FromUtf8(std::string_view bytes, Text& out) {
  out.resize(bytes.size());
  out.resize(static_cast<size_t>(DecodeUtf8(bytes, out.data()) - out.data()));
}

char16_t* DecodeUtf8(std::string_view bytes, char16_t* out) {
  // ASCII, nearly every formula, widens byte by byte in a loop the compiler
  // can vectorise; other bytes are decoded again from the start.
  unsigned char any = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    any |= static_cast<unsigned char>(bytes[i]);
    out[i] = static_cast<unsigned char>(bytes[i]);
  }
  if (any < 0x80) return out + bytes.size();
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      *out++ = b;
      ++i;
      continue;
    }
    // Lead bytes: C2..DF, E0..EF and F0..F4; C0, C1 and F5..FF never start a character.
    int extra = b > 0xF4 ? -1 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : -1;
    char32_t c = extra == 3 ? b & 0x07 : extra == 2 ? b & 0x0F : b & 0x1F;
    bool ok = extra > 0;
    for (int k = 1; ok && k <= extra; ++k) {
      if (i + k >= bytes.size()) {
        ok = false;
        break;
      }
      unsigned char cb = static_cast<unsigned char>(bytes[i + k]);
      if ((cb & 0xC0) != 0x80) ok = false;
      c = c << 6 | (cb & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (ok &&
        ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF)))
      ok = false;
    if (!ok) {
      *out++ = ReplacementChar;
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      *out++ = static_cast<char16_t>(0xD800 + (c >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      *out++ = static_cast<char16_t>(c);
    }
    i += extra + 1;
  }
  return out;
}

}  // namespace zorvan
