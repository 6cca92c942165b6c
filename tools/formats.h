// The output formats of zorvan-batch: the clipboard report, tab-separated
// fields and JSON lines, written as UTF-8 straight into an output buffer.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

#include "core/calculation.h"
#include "core/text.h"

namespace zorvan {

enum class OutputFormat { Report, Tsv, Jsonl };

// Sets `format` to the format called `name` ("report", "tsv", "jsonl");
// returns false when no format has that name.
bool OutputFormatNamed(std::string_view name, OutputFormat& format);

// Writes a tab-separated field: backslash, tab, CR and LF written as \\, \t,
// \r and \n, so a field never splits a line or its fields. At most 3 bytes a
// unit.
char* PutTsv(char* out, std::u16string_view text);

// Bytes on their way to a stream: an entry is written in place into room
// made once for it, and the buffer goes out in blocks.
class OutputBuffer {
 public:
  explicit OutputBuffer(std::FILE* stream) : stream_(stream) {}
  ~OutputBuffer() { Flush(); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Returns where the next bytes go, with room for at least `bytes` of them.
  char* Room(size_t bytes) { return capacity_ - size_ >= bytes ? data_.get() + size_ : Grow(bytes); }
  // Takes the bytes written from the last Room() up to `end`; writes the
  // buffer out once a block has gathered.
  void Commit(char* end) {
    size_ = static_cast<size_t>(end - data_.get());
    if (size_ >= BlockBytes) Flush();
  }
  // Writes out what is held; returns false when the stream failed.
  bool Flush();

 private:
  static constexpr size_t BlockBytes = 1 << 16;
  char* Grow(size_t bytes);

  std::FILE* stream_;
  std::unique_ptr<char[]> data_;
  size_t size_ = 0, capacity_ = 0;
};

// Writes what zorvan-batch shows for each input line in one format.
class EntryWriter {
 public:
  explicit EntryWriter(OutputFormat format) : format_(format) {}

  // The column names of the tab-separated format, for --header.
  void WriteHeader(OutputBuffer& out) const;
  // The entry of the line `formula`, calculated into `result` with at
  // least CalcDetail::Weight.
  void WriteEntry(OutputBuffer& out, std::u16string_view formula, const Calculation& result) const;

  // A line too long to be held is always an error; its entry is written as
  // the line streams past: the start, the formula in pieces of whole UTF-8
  // sequences (each converted exactly as the whole line would be), the rest.
  void WriteLongStart(OutputBuffer& out) const;
  void WriteLongPiece(OutputBuffer& out, std::u16string_view piece) const;
  void WriteLongEnd(OutputBuffer& out) const;

 private:
  OutputFormat format_;
};

}  // namespace zorvan
