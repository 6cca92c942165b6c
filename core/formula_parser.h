// The formula parser: formula text to element counts.
#pragma once

#include <array>
#include <bit>  // std::countr_zero
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/reference_tables.h"
#include "core/text.h"

namespace zorvan {

// Counts per element number 1..103 (slot 0 unused); never negative, may be
// zero or fractional.
using AtomCounts = std::array<float, ElementCount + 1>;

// A set of element numbers, walked in increasing order; it lets a parse touch
// only the elements a formula names instead of all 103 at every level.
class ElementSet {
 public:
  void Add(int n) {
    // Each word by name, not by a computed index, so that a set held in a
    // local can live in registers.
    const uint64_t bit = uint64_t{1} << (n & 63);
    if (n < 64)
      bits_[0] |= bit;
    else
      bits_[1] |= bit;
  }
  void Merge(const ElementSet& other) {
    bits_[0] |= other.bits_[0];
    bits_[1] |= other.bits_[1];
  }
  template <typename F>
  void ForEach(F f) const {
    for (int word = 0; word < 2; ++word)
      for (uint64_t b = bits_[word]; b != 0; b &= b - 1) f(word * 64 + std::countr_zero(b));
  }

 private:
  uint64_t bits_[2] = {0, 0};
};

// The longest formula, before or after group expansion, that is calculated;
// a longer one is an error.
inline constexpr int MaxFormulaLen = 32766;

// Why a parse stopped.
enum class SyntaxError {
  None,
  UnexpectedChar,   // a character that cannot start an item
  UnknownSymbol,    // an element symbol the element table does not have
  MalformedNumber,  // only points, or more than one point
  NumberTooLarge,   // a count beyond the 32-bit float range
  // Found by the calculation around the parse:
  FormulaTooLong,    // longer than MaxFormulaLen as typed
  ExpansionTooLong,  // longer than MaxFormulaLen after group expansion
  OutOfRange,        // a product of counts or the weight beyond the float range
};

// Where a parse stopped: the offending text, by its one-based position and
// length in the parsed text.
struct ParseError {
  SyntaxError Kind = SyntaxError::None;
  int Position = 0;
  int Length = 0;
};

class FormulaParser {
 public:
  explicit FormulaParser(const ElementTable& elements);

  // Parses `formula` (at most MaxFormulaLen units) into `counts` and
  // `named`, the elements it names, and returns true; on a syntax error
  // returns false, and Error() tells what and where. Every count outside
  // `named` must be 0 on entry, and is on return: the parse clears only the
  // counts `named` holds instead of all 103, and writes the counts in place.
  bool Parse(std::u16string_view formula, AtomCounts& counts, ElementSet& named);

  const ParseError& Error() const { return error_; }

 private:
  // The scratch of one parse. ParseGroup holds it in a local rather than in
  // the object, so that the cursor can stay in a register.
  struct ParseState {
    const char16_t* Formula = nullptr;
    int FormulaLen = 0;
    // One-based: the last consumed character; FormulaLen + 1 once the end
    // of the text has been reached.
    int32_t Cursor = 0;
    int ErrorFlag = 0;

    // The character at a one-based position; past either end a fixed
    // one-character field holds a space.
    char16_t CharAt(int32_t position) const {
      return static_cast<uint32_t>(position - 1) < static_cast<uint32_t>(FormulaLen) ? Formula[position - 1] : Space;
    }
    // Moves the cursor on and returns the character there (CurChar).
    char16_t AdvanceChar() { return CharAt(++Cursor); }
    // Returns the character after the cursor (NextChar); the cursor stays.
    char16_t PeekNextChar() const { return CharAt(Cursor + 1); }
  };
  // One open level of the parse: opened by "(" or by "*" with its multiplier.
  struct Level {
    bool star = false;
    float multiplier = 1;
    ElementSet present;  // the elements whose counts this level has touched
  };

  void ParseGroup(ParseState& s, AtomCounts& counts, ElementSet& named);
  // Clears what the last parse wrote and opens the outermost level, whose
  // counts are `counts`.
  void BeginLevels(AtomCounts& counts, const ElementSet& named);
  // The innermost open level is `present`, the elements whose counts it has
  // touched, and `mine`, those counts: ParseGroup holds them in locals.
  // Opens a level for "(" or for "*" with its multiplier.
  void OpenLevel(ElementSet& present, AtomCounts*& mine, bool star, float multiplier);
  // Ends the innermost level and folds its counts into the enclosing one;
  // returns false, leaving it, when that is the outermost level, whose
  // counts (`outermost`) are the result.
  bool CloseLevel(ElementSet& present, AtomCounts*& mine, AtomCounts& outermost);
  // Reads the symbol that starts with the upper-case letter at the cursor,
  // and its count. Returns false after an error; on success `element` and
  // `count` are set.
  bool ReadElement(ParseState& s, int16_t& element, float& count);
  // Returns 1 when no number follows, the number's value, or 0 after an error.
  double ReadNumber(ParseState& s);
  // The same for a number of more than one character.
  double ReadLongNumber(ParseState& s);
  static bool IsNumberChar(char16_t c) { return IsAsciiDigit(c) || c == u'.'; }
  void ReportError(ParseState& s, SyntaxError kind, int position, int length);

  // Element number of each symbol the parser can form: an upper-case letter
  // followed by a lower-case letter or a space; 0 when the table has none.
  std::array<std::array<int16_t, 27>, 26> symbolIndex_{};
  ParseError error_;
  // Reused across parses: the open levels and the counts of each but the
  // outermost, whose counts are the caller's; all zero but for the elements
  // the last parse wrote.
  std::vector<Level> levels_;
  std::vector<AtomCounts> levelCounts_;
};

}  // namespace zorvan
