// Turning the fuzzer's bytes into the inputs of the core, and reporting a
// broken property. Shared by the fuzz targets and by the regression test that
// replays their corpora in the normal test suite.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "core/text.h"

#ifndef ZORVAN_DATA_DIR
#error "ZORVAN_DATA_DIR must name the folder of the example data files"
#endif

namespace zorvan::fuzz {

// Returns the folder of the example atom.csv, group.csv and name.csv:
// $ZORVAN_FUZZ_DATA when it is set, else the data folder of the source tree.
inline std::filesystem::path DataFolder() {
  if (const char* env = std::getenv("ZORVAN_FUZZ_DATA"); env != nullptr && *env != '\0')
    return env;
  return ZORVAN_DATA_DIR;
}

// Returns the bytes of `path`, or an empty string when it cannot be read.
inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Returns the bytes as little-endian UTF-16 code units, lone surrogates
// included; an odd last byte is dropped.
inline Text FromUtf16Le(std::string_view bytes) {
  Text text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8));
  return text;
}

// The two parts of an input that carries two texts: the bytes before the
// first NUL byte and those after it. Without a NUL the whole input is `first`.
struct TwoParts {
  std::string_view first;
  std::string_view second;
  bool hasSecond = false;
};

inline TwoParts SplitAtNul(std::string_view bytes) {
  size_t nul = bytes.find('\0');
  if (nul == std::string_view::npos) return {bytes, {}, false};
  return {bytes.substr(0, nul), bytes.substr(nul + 1), true};
}

// Returns text as a readable ASCII line for a failure message: printable
// ASCII as is, everything else as \uXXXX; long texts are cut.
inline std::string Show(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size() && out.size() < 400; ++i) {
    char16_t c = text[i];
    if (c >= 0x20 && c < 0x7F && c != u'\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
      out += buf;
    }
  }
  if (out.size() >= 400) out += "...";
  return out;
}

// Collects the description of a broken property; empty while all hold.
class Violations {
 public:
  // Records `what` when `holds` is false; returns `holds`.
  bool Expect(bool holds, const std::string& what) {
    if (!holds && text_.empty()) text_ = what;
    return holds;
  }
  void Add(const std::string& what) { Expect(false, what); }
  bool Ok() const { return text_.empty(); }
  const std::string& Message() const { return text_; }

 private:
  std::string text_;  // the first broken property
};

// Aborts with `violation` when it is not empty: how a fuzz target turns a
// broken property into a finding that libFuzzer saves.
inline void Require(const std::string& violation) {
  if (violation.empty()) return;
  std::fprintf(stderr, "\n*** property violated: %s\n", violation.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace zorvan::fuzz
