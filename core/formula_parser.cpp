#include "core/formula_parser.h"

#include <charconv>  // std::from_chars
#include <limits>
#include <string>

namespace zorvan {

namespace {

bool IsUpper(char16_t c) { return c >= u'A' && c <= u'Z'; }
bool IsLower(char16_t c) { return c >= u'a' && c <= u'z'; }

// Every update of a count is formed in double precision from the 32-bit
// operands and rounded once when stored.
float Add(float a, float b) { return static_cast<float>(static_cast<double>(a) + b); }
float Mul(float a, float b) { return static_cast<float>(static_cast<double>(a) * b); }
float MulAdd(float m, float c, float sum) {
  return static_cast<float>(static_cast<double>(m) * c + sum);
}

}  // namespace

FormulaParser::FormulaParser(const ElementTable& elements) : levels_(1), levelCounts_(1) {
  // The first equal entry wins a lookup, so fill from element 1 up and keep
  // the earliest slot of a duplicated symbol.
  for (int n = 1; n <= ElementCount; ++n) {
    const Text& s = elements[n].AtomSymbol;
    if (s.size() != 2 || !IsUpper(s[0]) || !(IsLower(s[1]) || s[1] == Space)) continue;
    int16_t& slot = symbolIndex_[s[0] - u'A'][s[1] == Space ? 26 : s[1] - u'a'];
    if (slot == 0) slot = static_cast<int16_t>(n);
  }
}

bool FormulaParser::Parse(std::u16string_view formula) {
  state_ = ParseState{};
  state_.Formula = formula;
  state_.FormulaLen = static_cast<int>(formula.size());
  error_ = ParseError{};
  ParseGroup();
  return state_.ErrorFlag == 0;
}

char16_t FormulaParser::CharAt(int32_t position) const {
  // Past either end a fixed one-character field holds a space.
  if (position < 1 || position > state_.FormulaLen) return Space;
  return state_.Formula[position - 1];
}

void FormulaParser::AdvanceChar() {
  ++state_.Cursor;
  state_.CurChar = CharAt(state_.Cursor);
}

void FormulaParser::PeekNextChar() { state_.NextChar = CharAt(state_.Cursor + 1); }

void FormulaParser::ReportError(SyntaxError kind, int position, int length) {
  state_.ErrorFlag = 1;
  error_ = ParseError{kind, position, length};
}

int16_t FormulaParser::LookUpSymbol() const {
  char16_t first = state_.SymbolBuf[0], second = state_.SymbolBuf[1];
  if (second == Space) return symbolIndex_[first - u'A'][26];
  return symbolIndex_[first - u'A'][second - u'a'];
}

inline bool FormulaParser::ReadElement(int16_t& element, float& count) {
  ParseState& s = state_;
  const int start = s.Cursor;
  s.SymbolBuf[0] = s.CurChar;
  s.SymbolBuf[1] = Space;
  if (s.Cursor < s.FormulaLen && IsLower(s.Formula[s.Cursor])) s.SymbolBuf[1] = s.Formula[s.Cursor++];
  int16_t n = LookUpSymbol();
  if (n == 0) {
    ReportError(SyntaxError::UnknownSymbol, start, s.Cursor - start + 1);
    return false;
  }
  element = n;
  if (s.Cursor == s.FormulaLen) {
    count = 1;
    return true;
  }
  count = static_cast<float>(ReadNumber());
  return s.ErrorFlag == 0;
}

inline double FormulaParser::ReadNumber() {
  ParseState& s = state_;
  PeekNextChar();
  if (!IsNumberChar(s.NextChar)) return 1;
  // Most counts are one digit: 2 in H2O.
  if (s.NextChar != u'.' && (s.Cursor + 1 == s.FormulaLen || !IsNumberChar(s.Formula[s.Cursor + 1]))) {
    ++s.Cursor;
    return s.NextChar - u'0';
  }
  return ReadLongNumber();
}

double FormulaParser::ReadLongNumber() {
  ParseState& s = state_;
  // The number runs from the character after the cursor to the last digit or
  // point; it is read in place.
  const int start = s.Cursor + 1;
  int points = 0;
  while (s.Cursor < s.FormulaLen && IsNumberChar(s.Formula[s.Cursor])) points += s.Formula[s.Cursor++] == u'.';
  PeekNextChar();
  const std::u16string_view number = s.Formula.substr(start - 1, s.Cursor - start + 1);
  const int length = static_cast<int>(number.size());
  if (points > 1 || length == points) {
    ReportError(SyntaxError::MalformedNumber, start, length);
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
  if (ec != std::errc() ||
      static_cast<double>(static_cast<float>(value)) > std::numeric_limits<float>::max()) {
    ReportError(SyntaxError::NumberTooLarge, start, length);
    return 0;
  }
  return value;
}

void FormulaParser::ParseGroup() {
  ParseState& state = state_;
  // Each level is a frame of an explicit stack rather than a recursive call,
  // so thousands of nested parentheses cannot overflow the call stack; the
  // counts of level i live in levelCounts_[i] and level i+1 is its scratch.
  std::vector<Level>& levels = levels_;
  // The count arrays are kept all zero except where the last parse wrote:
  // the levels it left, the outermost holding the result after a success.
  // Only the elements they named are cleared, instead of all 103 at every
  // level.
  for (size_t i = 0; i < levels.size(); ++i) levels[i].present.ForEach([&](int n) { levelCounts_[i][n] = 0; });
  levels.clear();
  levels.emplace_back();

  // Ends the innermost level and folds its counts into the enclosing one;
  // returns false, leaving it, when that is the outermost level, whose
  // counts are the result. The level is read in place, not copied: a copy
  // would read in one piece what the parse stored in small ones.
  auto closeLevel = [&]() {
    const size_t depth = levels.size();
    if (depth == 1) return false;
    const Level& done = levels[depth - 1];
    AtomCounts& parent = levelCounts_[depth - 2];
    AtomCounts& child = levelCounts_[depth - 1];
    done.present.ForEach([&](int n) {
      parent[n] = done.star ? MulAdd(done.multiplier, child[n], parent[n]) : Add(parent[n], child[n]);
      child[n] = 0;
    });
    levels[depth - 2].present.Merge(done.present);
    levels.pop_back();
    return true;
  };
  auto openLevel = [&](Level level) {
    levels.push_back(level);
    if (levelCounts_.size() < levels.size()) levelCounts_.emplace_back();
  };

  // The counts of the innermost level, found again only when the level changes.
  AtomCounts* mine = &levelCounts_[0];
  while (true) {
    AdvanceChar();
    if (state.Cursor > state.FormulaLen) {
      // The end of the text ends every open level, without a multiplier.
      while (closeLevel()) {
      }
      return;
    }
    const char16_t c = state.CurChar;
    if (IsUpper(c)) {
      int16_t element = 0;
      float count = 0;
      if (!ReadElement(element, count)) return;
      (*mine)[element] = Add((*mine)[element], count);
      levels.back().present.Add(element);
    } else if (c == u'(') {
      openLevel(Level{});
      mine = &levelCounts_[levels.size() - 1];
    } else if (c == u'*') {
      float multiplier = static_cast<float>(ReadNumber());
      if (state.ErrorFlag) return;
      openLevel(Level{true, multiplier, {}});
      mine = &levelCounts_[levels.size() - 1];
    } else if (c == u')') {
      float multiplier = static_cast<float>(ReadNumber());
      if (state.ErrorFlag) return;
      levels.back().present.ForEach([&](int n) { (*mine)[n] = Mul(multiplier, (*mine)[n]); });
      if (!closeLevel()) return;
      mine = &levelCounts_[levels.size() - 1];
    } else {
      ReportError(SyntaxError::UnexpectedChar, state.Cursor, 1);
      return;
    }
  }
}

}  // namespace zorvan
