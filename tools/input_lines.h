// Reading what the command-line tools read: the data folder they default
// to and the lines of standard input.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/data_folder.h"
#include "core/formula_parser.h"  // MaxFormulaLen

// The help of --data, the same in every tool; ZORVAN_INSTALLED_DATA_DIR is
// the tool's own.
#define ZORVAN_DATA_OPTION_HELP                                                 \
  "  --data DIR       read atom.csv and group.csv from DIR; without it, from\n" \
  "                   the first that holds atom.csv of the working directory\n" \
  "                   and $XDG_DATA_HOME/zorvan (~/.local/share/zorvan when\n"  \
  "                   XDG_DATA_HOME is unset, empty or relative), otherwise\n"  \
  "                   from " ZORVAN_INSTALLED_DATA_DIR "\n"

namespace zorvan {

// Returns what --help says of `folder`: where it comes from and whether it
// is there.
inline std::string DescribeDataFolder(const DataFolderChoice& folder) {
  const char* sources[] = {"--data", "the working directory", "the user's data folder", "installed example data"};
  std::error_code ec;
  const char* state = std::filesystem::exists(folder.Path / "atom.csv", ec) ? "holds atom.csv"
                      : std::filesystem::is_directory(folder.Path, ec)      ? "exists, without atom.csv"
                                                                            : "does not exist";
  return folder.Path.string() + " (" + sources[static_cast<int>(folder.Source)] + "; " + state + ")";
}

// A line of more UTF-8 bytes than this has more UTF-16 units than the
// longest formula (a code unit takes at most 3 bytes), so it can only be an
// error: it is echoed as it streams past and never held whole.
constexpr size_t LongLineBytes = 3 * static_cast<size_t>(zorvan::MaxFormulaLen) + 3;

// Returns how many bytes at the end of `bytes` may be the start of a UTF-8
// sequence cut off by the block boundary, or a CR that may precede the LF.
inline size_t HeldBack(const std::string& bytes) {
  size_t n = 0;
  while (n < 3 && n < bytes.size() && (static_cast<unsigned char>(bytes[bytes.size() - 1 - n]) & 0xC0) == 0x80) ++n;
  if (n < bytes.size() && static_cast<unsigned char>(bytes[bytes.size() - 1 - n]) >= 0xC0) return n + 1;
  return !bytes.empty() && bytes.back() == '\r' ? 1 : 0;
}

// Splits standard input into lines (LF or CR LF; a final line end adds no
// line) and calls `onLine` with each, without its line end. A line past
// LongLineBytes goes in pieces to `onLongStart`, `onLongPiece` and
// `onLongEnd` instead, so memory stays constant whatever the input.
template <typename OnLine, typename OnLongStart, typename OnLongPiece, typename OnLongEnd>
void ForEachInputLine(OnLine onLine, OnLongStart onLongStart, OnLongPiece onLongPiece, OnLongEnd onLongEnd) {
  std::string pending;
  bool longLine = false;
  auto flushLong = [&] {
    size_t keep = HeldBack(pending);
    onLongPiece(std::string_view(pending).substr(0, pending.size() - keep));
    pending.erase(0, pending.size() - keep);
  };
  char buf[1 << 16];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, stdin)) > 0) {
    std::string_view chunk(buf, got);
    size_t start = 0, nl;
    do {
      nl = chunk.find('\n', start);
      std::string_view piece = chunk.substr(start, nl == std::string_view::npos ? chunk.size() - start : nl - start);
      if (nl != std::string_view::npos && pending.empty() && !longLine && piece.size() <= LongLineBytes) {
        // A whole line inside the block, as nearly all are, goes on without a copy.
        if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
        onLine(piece);
        start = nl + 1;
        continue;
      }
      pending.append(piece);
      if (!longLine && pending.size() > LongLineBytes) {
        longLine = true;
        onLongStart();
      }
      if (nl == std::string_view::npos) {
        if (longLine) flushLong();
        break;
      }
      if (!pending.empty() && pending.back() == '\r') pending.pop_back();
      if (longLine) {
        onLongPiece(pending);
        onLongEnd();
        longLine = false;
      } else {
        onLine(pending);
      }
      pending.clear();
      start = nl + 1;
    } while (start < chunk.size());
  }
  if (longLine) {
    onLongPiece(pending);
    onLongEnd();
  } else if (!pending.empty()) {
    onLine(pending);
  }
}

}  // namespace zorvan
