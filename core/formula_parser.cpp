#include "core/formula_parser.h"

#include <charconv>  // std::from_chars
#include <limits>
#include <string>

namespace zorvan {

namespace {

// Every update of a count is formed in double precision from the 32-bit
// operands and rounded once when stored. For one sum or product of two
// floats that is the float operation itself: a double holds the product
// exactly, and a sum rounded to a double and then to a float is the sum
// rounded to a float, since a double has more than twice a float's bits
// plus two. Only the multiply-add needs the double.
float Add(float a, float b) { return a + b; }
float Mul(float a, float b) { return a * b; }
float MulAdd(float m, float c, float sum) { return static_cast<float>(static_cast<double>(m) * c + sum); }

}  // namespace

FormulaParser::FormulaParser(const ElementTable& elements) : levels_(1), levelCounts_(1) {
  // The first equal entry wins a lookup, so fill from element 1 up and keep
  // the earliest slot of a duplicated symbol.
  for (int n = 1; n <= ElementCount; ++n) {
    const Text& s = elements[n].AtomSymbol;
    if (s.size() != 2 || !IsAsciiUpper(s[0]) || !(IsAsciiLower(s[1]) || s[1] == Space)) continue;
    int16_t& slot = symbolIndex_[s[0] - u'A'][s[1] == Space ? 26 : s[1] - u'a'];
    if (slot == 0) slot = static_cast<int16_t>(n);
  }
}

bool FormulaParser::Parse(std::u16string_view formula, AtomCounts& counts, ElementSet& named) {
  ParseState s;
  s.Formula = formula.data();
  s.FormulaLen = static_cast<int>(formula.size());
  error_ = ParseError{};
  ParseGroup(s, counts, named);
  return s.ErrorFlag == 0;
}

void FormulaParser::ReportError(ParseState& s, SyntaxError kind, int position, int length) {
  s.ErrorFlag = 1;
  error_ = ParseError{kind, position, length};
}

// The readers are inlined into ParseGroup's loop, as the levels' helpers
// are: the parse state then stays in registers.
[[gnu::always_inline]] inline bool FormulaParser::ReadElement(ParseState& s, int16_t& element, float& count) {
  const int start = s.Cursor;
  const char16_t first = s.Formula[start - 1];
  // The symbol is the letter and a lower-case letter after it, if any
  // (past the end there is a space); symbolIndex_ holds a lone letter in its
  // last column. Chosen without a branch, as a symbol of one letter or of
  // two follows no pattern.
  const char16_t next = s.PeekNextChar();
  const bool pair = IsAsciiLower(next);
  const int16_t n = symbolIndex_[first - u'A'][pair ? next - u'a' : 26];
  s.Cursor += pair;
  if (n == 0) {
    ReportError(s, SyntaxError::UnknownSymbol, start, s.Cursor - start + 1);
    return false;
  }
  element = n;
  // At the end of the text the next character is a space, and the count is 1.
  count = static_cast<float>(ReadNumber(s));
  return s.ErrorFlag == 0;
}

[[gnu::always_inline]] inline double FormulaParser::ReadNumber(ParseState& s) {
  const char16_t next = s.PeekNextChar();
  const bool digit = IsAsciiDigit(next);
  // A number of more characters, or a point, is read apart; no count and a
  // count of one digit (2 in H2O), the usual cases, are told apart without
  // a branch.
  const char16_t second = s.CharAt(s.Cursor + 2);
  if ((next == u'.') | (digit & IsNumberChar(second))) {
    // Two digits and no more (C12), the next most usual, are read here.
    if (digit && IsAsciiDigit(second) && !IsNumberChar(s.CharAt(s.Cursor + 3))) {
      s.Cursor += 2;
      return (next - u'0') * 10 + (second - u'0');
    }
    return ReadLongNumber(s);
  }
  s.Cursor += digit;
  return 1 + digit * (next - u'0' - 1);
}

double FormulaParser::ReadLongNumber(ParseState& s) {
  // The number runs from the character after the cursor to the last digit or
  // point; it is read in place.
  const int start = s.Cursor + 1;
  int points = 0;
  while (s.Cursor < s.FormulaLen && IsNumberChar(s.Formula[s.Cursor])) points += s.Formula[s.Cursor++] == u'.';
  const std::u16string_view number(s.Formula + start - 1, static_cast<size_t>(s.Cursor - start + 1));
  const int length = static_cast<int>(number.size());
  if (points > 1 || length == points) {
    ReportError(s, SyntaxError::MalformedNumber, start, length);
    return 0;
  }
  double value = 0;
  std::errc ec{};
  if (points == 0 && number.size() <= 15) {
    // Whole counts of up to 15 digits are exact in a double: the common case.
    for (char16_t d : number) value = value * 10 + (d - u'0');
  } else {
    const std::string ascii(number.begin(), number.end());
    ec = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::fixed).ec;
  }
  // A count beyond the 32-bit float range cannot be shown: it is an error.
  if (ec != std::errc() || static_cast<double>(static_cast<float>(value)) > std::numeric_limits<float>::max()) {
    ReportError(s, SyntaxError::NumberTooLarge, start, length);
    return 0;
  }
  return value;
}

// Each level is a frame of an explicit stack rather than a recursive call,
// so thousands of nested parentheses cannot overflow the call stack; the
// counts of level i > 0 live in levelCounts_[i] and level i+1 is its
// scratch, those of level 0 in the caller's counts. The levels' helpers are
// inlined into ParseGroup, so that the innermost level stays in registers.
[[gnu::always_inline]] inline void FormulaParser::BeginLevels(AtomCounts& counts, const ElementSet& named) {
  // The count arrays are kept all zero except where the last parse wrote:
  // the levels it left. Only the elements they named are cleared, instead
  // of all 103 at every level.
  named.ForEach([&](int n) { counts[n] = 0; });
  for (size_t i = 1; i < levels_.size(); ++i) levels_[i].present.ForEach([&](int n) { levelCounts_[i][n] = 0; });
  levels_.clear();
  levels_.emplace_back();
}

[[gnu::always_inline]] inline void FormulaParser::OpenLevel(ElementSet& present, AtomCounts*& mine, bool star,
                                                            float multiplier) {
  levels_.back().present = present;
  levels_.push_back(Level{star, multiplier, {}});
  if (levelCounts_.size() < levels_.size()) levelCounts_.emplace_back();
  mine = &levelCounts_[levels_.size() - 1];
  present = ElementSet{};
}

[[gnu::always_inline]] inline bool FormulaParser::CloseLevel(ElementSet& present, AtomCounts*& mine,
                                                             AtomCounts& outermost) {
  const size_t depth = levels_.size();
  if (depth == 1) return false;
  // The level is read in place, not copied: a copy would read in one piece
  // what the parse stored in small ones.
  const Level& done = levels_[depth - 1];
  AtomCounts& parent = depth == 2 ? outermost : levelCounts_[depth - 2];
  AtomCounts& child = *mine;
  present.ForEach([&](int n) {
    parent[n] = done.star ? MulAdd(done.multiplier, child[n], parent[n]) : Add(parent[n], child[n]);
    child[n] = 0;
  });
  present.Merge(levels_[depth - 2].present);
  levels_.pop_back();
  mine = &parent;
  return true;
}

void FormulaParser::ParseGroup(ParseState& s, AtomCounts& counts, ElementSet& named) {
  BeginLevels(counts, named);
  // The innermost level's elements and counts are held here; `levels_` has
  // the elements of the enclosing ones, and the innermost's once the parse
  // ends.
  ElementSet present;
  AtomCounts* mine = &counts;
  while (true) {
    const char16_t c = s.AdvanceChar();
    if (s.Cursor > s.FormulaLen) {
      // The end of the text ends every open level, without a multiplier.
      while (CloseLevel(present, mine, counts)) {
      }
      break;
    }
    if (IsAsciiUpper(c)) {
      int16_t element = 0;
      float count = 0;
      if (!ReadElement(s, element, count)) break;
      (*mine)[element] = Add((*mine)[element], count);
      present.Add(element);
    } else if (c == u'(') {
      OpenLevel(present, mine, false, 1);
    } else if (c == u'*') {
      const float multiplier = static_cast<float>(ReadNumber(s));
      if (s.ErrorFlag) break;
      OpenLevel(present, mine, true, multiplier);
    } else if (c == u')') {
      const float multiplier = static_cast<float>(ReadNumber(s));
      if (s.ErrorFlag) break;
      present.ForEach([&](int n) { (*mine)[n] = Mul(multiplier, (*mine)[n]); });
      if (!CloseLevel(present, mine, counts)) break;
    } else {
      ReportError(s, SyntaxError::UnexpectedChar, s.Cursor, 1);
      break;
    }
  }
  // Ended in any way: the next parse clears what this one wrote.
  levels_.back().present = present;
  named = levels_.front().present;
}

}  // namespace zorvan
