#include "core/explain.h"

#include <string>

#include "core/cautions.h"

namespace zorvan {

Text Number(int n) {
  const std::string digits = std::to_string(n);
  return Text(digits.begin(), digits.end());
}

Text Quoted(std::u16string_view text) {
  Text quoted = u"\u300C";  // 「
  quoted += text.substr(0, 20);
  if (text.size() > 20) quoted += u"\u2026";  // …
  return quoted + u"\u300D";                  // 」
}

namespace {

bool IsFullWidthAscii(char16_t c) { return c >= u'\uFF01' && c <= u'\uFF5E'; }

// The cause of a character that cannot start an item, `before` being the
// character in front of it (a space at the start).
Text UnexpectedChar(char16_t c, char16_t before) {
  const Text shown = Quoted(std::u16string_view(&c, 1));
  if (c == Space || c == Tab || c == IdeographicSpace)
    return u"\u306B\u7A7A\u767D\u304C\u3042\u308A\u307E\u3059\u3002\u5F0F\u306E\u524D\u5F8C\u3084\u9014\u4E2D\u306B"
           u"\u7A7A\u767D\u306F\u5165\u308C\u3089\u308C\u307E\u305B\u3093";  // に空白があります。式の前後や途中に空白は入れられません
  if (IsAsciiLower(c) && (IsAsciiDigit(before) || before == u'.'))
    return u"\u306E\u5C0F\u6587\u5B57" + shown +
           u"\u304C\u6570\u306E\u5F8C\u306B\u3042\u308A\u307E\u3059\u3002\u5143\u7D20\u8A18\u53F7\u306F\u5927\u6587"
           u"\u5B57"
           u"\u3067\u59CB\u3081\u307E\u3059";  // の小文字「c」が数の後にあります。元素記号は大文字で始めます
  if (IsAsciiLower(c))
    return u"\u306E\u5C0F\u6587\u5B57" + shown +
           u"\u3067\u9805\u76EE\u3092\u59CB\u3081\u3089\u308C\u307E\u305B\u3093\u3002\u5143\u7D20\u8A18\u53F7\u306F"
           u"\u5927\u6587\u5B57\u3067\u59CB\u3081\u307E\u3059";  // の小文字「c」で項目を始められません。元素記号は大文字で始めます
  if (IsAsciiDigit(c) || c == u'.')
    return u"\u306E" + shown +
           u"\u306E\u524D\u306B\u5143\u7D20\u8A18\u53F7\u304B\u300C)\u300D\u300C*\u300D\u304C\u5FC5\u8981\u3067\u3059";  // の「2」の前に元素記号か「)」「*」が必要です
  if (IsFullWidthAscii(c)) {
    // The half-width form sits 0xFEE0 below: "Ｎ" is hard to tell from "N" in a Japanese font.
    const char16_t half = static_cast<char16_t>(c - 0xFEE0);
    // の全角文字「Ｈ」は使えません。半角の「H」で入力してください
    return u"\u306E\u5168\u89D2\u6587\u5B57" + shown + u"\u306F\u4F7F\u3048\u307E\u305B\u3093\u3002\u534A\u89D2\u306E" +
           Quoted(std::u16string_view(&half, 1)) + u"\u3067\u5165\u529B\u3057\u3066\u304F\u3060\u3055\u3044";
  }
  return u"\u306E" + shown + u"\u306F\u5F0F\u306B\u4F7F\u3048\u307E\u305B\u3093";  // の「,」は式に使えません
}

// The kind of note the cause of a failed parse is.
NoteKind CauseKind(const ParseError& e, std::u16string_view parsed) {
  if (e.Kind != SyntaxError::UnexpectedChar) return NoteKind::Cause;
  const char16_t c = parsed[e.Position - 1];
  return IsAsciiLower(c) ? NoteKind::LowerCaseStart : IsFullWidthAscii(c) ? NoteKind::FullWidth : NoteKind::Cause;
}

// Returns "。Cl のことですか？" when the unknown one-letter symbol at one-based
// `position` of `parsed`, joined in lower case with the upper-case letter
// before it (CL) or after it (MG), is an element; empty otherwise.
Text Suggestion(std::u16string_view parsed, int position, const ElementTable& elements) {
  const size_t at = static_cast<size_t>(position) - 1;
  auto element = [&](char16_t first, char16_t second) {
    const char16_t symbol[2] = {first, static_cast<char16_t>(second - u'A' + u'a')};
    for (int n = 1; n <= ElementCount; ++n)
      if (elements[n].AtomSymbol == std::u16string_view(symbol, 2)) return Text(symbol, 2);
    return Text();
  };
  Text joined;
  if (at > 0 && IsAsciiUpper(parsed[at - 1])) joined = element(parsed[at - 1], parsed[at]);
  if (joined.empty() && at + 1 < parsed.size() && IsAsciiUpper(parsed[at + 1]))
    joined = element(parsed[at], parsed[at + 1]);
  if (joined.empty()) return {};
  return u"\u3002" + joined + u" \u306E\u3053\u3068\u3067\u3059\u304B\uFF1F";  // 。Cl のことですか？
}

// Returns the cause of a failed calculation with its place, counted in
// characters from 1 of the text as typed, or of the expanded text (saying
// so) when the error lies inside a group's formula.
Note ExplainCause(const Calculation& result, std::u16string_view parsed, const ElementTable& elements) {
  const ParseError& e = result.Error;
  switch (e.Kind) {
    case SyntaxError::FormulaTooLong:
      // 式が長すぎます（32766文字まで）
      return {NoteKind::Cause, 0,
              u"\u5F0F\u304C\u9577\u3059\u304E\u307E\u3059\uFF0832766\u6587\u5B57\u307E\u3067\uFF09"};
    case SyntaxError::ExpansionTooLong:
      // 基を置き換えると式が長くなりすぎます（32766文字まで）。基の式に自分の略号が含まれていないか確かめてください
      return {
          NoteKind::Cause, 0,
          u"\u57FA\u3092\u7F6E\u304D\u63DB\u3048\u308B\u3068\u5F0F\u304C\u9577\u304F\u306A\u308A\u3059\u304E\u307E"
          u"\u3059\uFF0832766\u6587\u5B57\u307E\u3067\uFF09\u3002\u57FA\u306E\u5F0F\u306B\u81EA\u5206\u306E\u7565\u53F7"
          u"\u304C\u542B\u307E\u308C\u3066\u3044\u306A\u3044\u304B\u78BA\u304B\u3081\u3066\u304F\u3060\u3055\u3044"};
    case SyntaxError::OutOfRange:
      // 原子数か分子量が大きすぎて計算できません
      return {NoteKind::Cause, 0,
              u"\u539F\u5B50\u6570\u304B\u5206\u5B50\u91CF\u304C\u5927\u304D\u3059\u304E\u3066\u8A08\u7B97\u3067\u304D"
              u"\u307E\u305B\u3093"};
    default:
      break;
  }
  // "N文字目", or "基を置き換えた式のN文字目" when the place is in a group's formula.
  Text cause = result.InGroupFormula ? u"\u57FA\u3092\u7F6E\u304D\u63DB\u3048\u305F\u5F0F\u306E" + Number(e.Position)
                                     : Number(result.TypedPosition);
  cause += u"\u6587\u5B57\u76EE";
  const std::u16string_view text = parsed.substr(e.Position - 1, e.Length);
  Note note{CauseKind(e, parsed), result.TypedPosition, {}};
  switch (e.Kind) {
    case SyntaxError::UnexpectedChar:
      note.Message = cause + UnexpectedChar(text[0], e.Position > 1 ? parsed[e.Position - 2] : Space);
      break;
    case SyntaxError::UnknownSymbol: {  // の元素記号「Xx」は元素表にありません
      note.Message = cause + u"\u306E\u5143\u7D20\u8A18\u53F7" + Quoted(text) +
                     u"\u306F\u5143\u7D20\u8868\u306B\u3042\u308A\u307E\u305B\u3093";
      const Text suggestion = text.size() == 1 ? Suggestion(parsed, e.Position, elements) : Text();
      if (!suggestion.empty()) note = {NoteKind::SuggestSymbol, note.Position, note.Message + suggestion};
      break;
    }
    case SyntaxError::MalformedNumber:  // の数「1.2.3」は正しい数ではありません（小数点は一つまで）
      note.Message =
          cause + u"\u306E\u6570" + Quoted(text) +
          u"\u306F\u6B63\u3057\u3044\u6570\u3067\u306F\u3042\u308A\u307E\u305B\u3093\uFF08\u5C0F\u6570\u70B9\u306F"
          u"\u4E00\u3064\u307E\u3067\uFF09";
      break;
    default:  // の数「…」が大きすぎます
      note.Message = cause + u"\u306E\u6570" + Quoted(text) + u"\u304C\u5927\u304D\u3059\u304E\u307E\u3059";
  }
  return note;
}

}  // namespace

std::vector<Note> ExplainFormula(const Calculation& c, std::u16string_view parsed, std::u16string_view input,
                                 const OriginOf& origin, bool replaceGroups, const ReferenceTables& tables) {
  std::vector<Note> notes;
  const bool ok = c.Status == CalcStatus::Ok;
  if (!ok) notes.push_back(ExplainCause(c, parsed, tables.Elements));
  AddHydrateCaution(notes, input);
  // The other cautions speak of how a formula was read: only one that was
  // read to its end has a shape to speak of.
  if (ok) AddReadingCautions(notes, parsed, input, origin, replaceGroups, tables.Groups);
  return notes;
}

Text JoinNotes(const std::vector<Note>& notes, std::u16string_view separator) {
  Text joined;
  for (const Note& note : notes) {
    if (!joined.empty()) joined += separator;
    joined += note.Message;
  }
  return joined;
}

}  // namespace zorvan
