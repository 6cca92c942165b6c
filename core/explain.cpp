#include "core/explain.h"

#include <string>

namespace zorvan {

namespace {

bool IsMiddleDot(char16_t c) {
  return c == u'\u00B7' || c == u'\u30FB' || c == u'\uFF65';  // MIDDLE DOT, KATAKANA and HALFWIDTH KATAKANA MIDDLE DOT
}

Text Number(int n) {
  const std::string digits = std::to_string(n);
  return Text(digits.begin(), digits.end());
}

// Returns "「text」", cut to 20 characters: a number can be thousands long.
Text Quoted(std::u16string_view text) {
  Text quoted = u"\u300C";  // 「
  quoted += text.substr(0, 20);
  if (text.size() > 20) quoted += u"\u2026";  // …
  return quoted + u"\u300D";  // 」
}

// The cause of a character that cannot start an item, `before` being the
// character in front of it (a space at the start).
Text UnexpectedChar(char16_t c, char16_t before) {
  const Text shown = Quoted(std::u16string_view(&c, 1));
  if (c == Space || c == Tab || c == IdeographicSpace)
    return u"\u306B\u7A7A\u767D\u304C\u3042\u308A\u307E\u3059\u3002\u5F0F\u306E\u524D\u5F8C\u3084\u9014\u4E2D\u306B"
           u"\u7A7A\u767D\u306F\u5165\u308C\u3089\u308C\u307E\u305B\u3093";  // に空白があります。式の前後や途中に空白は入れられません
  if (IsAsciiLower(c) && (IsAsciiDigit(before) || before == u'.'))
    return u"\u306E\u5C0F\u6587\u5B57" + shown +
           u"\u304C\u6570\u306E\u5F8C\u306B\u3042\u308A\u307E\u3059\u3002\u5143\u7D20\u8A18\u53F7\u306F\u5927\u6587\u5B57"
           u"\u3067\u59CB\u3081\u307E\u3059";  // の小文字「c」が数の後にあります。元素記号は大文字で始めます
  if (IsAsciiLower(c))
    return u"\u306E\u5C0F\u6587\u5B57" + shown +
           u"\u3067\u9805\u76EE\u3092\u59CB\u3081\u3089\u308C\u307E\u305B\u3093\u3002\u5143\u7D20\u8A18\u53F7\u306F"
           u"\u5927\u6587\u5B57\u3067\u59CB\u3081\u307E\u3059";  // の小文字「c」で項目を始められません。元素記号は大文字で始めます
  if (IsAsciiDigit(c) || c == u'.')
    return u"\u306E" + shown +
           u"\u306E\u524D\u306B\u5143\u7D20\u8A18\u53F7\u304B\u300C)\u300D\u300C*\u300D\u304C\u5FC5\u8981\u3067\u3059";  // の「2」の前に元素記号か「)」「*」が必要です
  if (c >= u'\uFF01' && c <= u'\uFF5E')
    return u"\u306E\u5168\u89D2\u6587\u5B57" + shown +
           u"\u306F\u4F7F\u3048\u307E\u305B\u3093\u3002\u534A\u89D2\u3067\u5165\u529B\u3057\u3066\u304F\u3060\u3055"
           u"\u3044";  // の全角文字「Ｈ」は使えません。半角で入力してください
  return u"\u306E" + shown + u"\u306F\u5F0F\u306B\u4F7F\u3048\u307E\u305B\u3093";  // の「,」は式に使えません
}

}  // namespace

Text ExplainError(const CalcResult& result, std::u16string_view parsed) {
  const ParseError& e = result.Error;
  if (result.Status == CalcStatus::Ok) return {};
  switch (e.Kind) {
    case SyntaxError::FormulaTooLong:
      return u"\u5F0F\u304C\u9577\u3059\u304E\u307E\u3059\uFF0832766\u6587\u5B57\u307E\u3067\uFF09";  // 式が長すぎます（32766文字まで）
    case SyntaxError::ExpansionTooLong:
      // 基を置き換えると式が長くなりすぎます（32766文字まで）。基の式に自分の略号が含まれていないか確かめてください
      return u"\u57FA\u3092\u7F6E\u304D\u63DB\u3048\u308B\u3068\u5F0F\u304C\u9577\u304F\u306A\u308A\u3059\u304E\u307E"
             u"\u3059\uFF0832766\u6587\u5B57\u307E\u3067\uFF09\u3002\u57FA\u306E\u5F0F\u306B\u81EA\u5206\u306E\u7565\u53F7"
             u"\u304C\u542B\u307E\u308C\u3066\u3044\u306A\u3044\u304B\u78BA\u304B\u3081\u3066\u304F\u3060\u3055\u3044";
    case SyntaxError::OutOfRange:
      // 原子数か分子量が大きすぎて計算できません
      return u"\u539F\u5B50\u6570\u304B\u5206\u5B50\u91CF\u304C\u5927\u304D\u3059\u304E\u3066\u8A08\u7B97\u3067\u304D"
             u"\u307E\u305B\u3093";
    default:
      break;
  }
  // "N文字目", or "基を置き換えた式のN文字目" when the place is in a group's formula.
  Text cause = result.InGroupFormula ? u"\u57FA\u3092\u7F6E\u304D\u63DB\u3048\u305F\u5F0F\u306E" + Number(e.Position)
                                     : Number(result.TypedPosition);
  cause += u"\u6587\u5B57\u76EE";
  const std::u16string_view text = parsed.substr(e.Position - 1, e.Length);
  switch (e.Kind) {
    case SyntaxError::UnexpectedChar:
      return cause + UnexpectedChar(text[0], e.Position > 1 ? parsed[e.Position - 2] : Space);
    case SyntaxError::UnknownSymbol:  // の元素記号「Xx」は元素表にありません
      return cause + u"\u306E\u5143\u7D20\u8A18\u53F7" + Quoted(text) +
             u"\u306F\u5143\u7D20\u8868\u306B\u3042\u308A\u307E\u305B\u3093";
    case SyntaxError::MalformedNumber:  // の数「1.2.3」は正しい数ではありません（小数点は一つまで）
      return cause + u"\u306E\u6570" + Quoted(text) +
             u"\u306F\u6B63\u3057\u3044\u6570\u3067\u306F\u3042\u308A\u307E\u305B\u3093\uFF08\u5C0F\u6570\u70B9\u306F"
             u"\u4E00\u3064\u307E\u3067\uFF09";
    default:  // の数「…」が大きすぎます
      return cause + u"\u306E\u6570" + Quoted(text) + u"\u304C\u5927\u304D\u3059\u304E\u307E\u3059";
  }
}

Text HydrateCaution(std::u16string_view input) {
  bool lookalike = false;
  for (size_t i = 0; i < input.size() && !lookalike; ++i) {
    if (IsMiddleDot(input[i])) lookalike = true;
    if (input[i] != u'.' || i == 0 || !IsAsciiDigit(input[i - 1])) continue;
    size_t j = i + 1;
    while (j < input.size() && IsAsciiDigit(input[j])) ++j;
    lookalike = j > i + 1 && j < input.size() && IsAsciiUpper(input[j]);
  }
  if (!lookalike) return {};
  // 結晶水などは「*」で区切ります（例: CuSO4*5H2O）。「.」は小数点として読まれます
  return u"\u7D50\u6676\u6C34\u306A\u3069\u306F\u300C*\u300D\u3067\u533A\u5207\u308A\u307E\u3059\uFF08\u4F8B: "
         u"CuSO4*5H2O\uFF09\u3002\u300C.\u300D\u306F\u5C0F\u6570\u70B9\u3068\u3057\u3066\u8AAD\u307E\u308C\u307E\u3059";
}

}  // namespace zorvan
