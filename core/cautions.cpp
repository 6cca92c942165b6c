#include "core/cautions.h"

#include <algorithm>  // std::ranges::any_of
#include <utility>

namespace zorvan {

namespace {

bool IsDotLookAlike(char16_t c) {
  switch (c) {
    case u'\u00B7':  // MIDDLE DOT
    case u'\u0387':  // GREEK ANO TELEIA
    case u'\u2022':  // BULLET
    case u'\u2024':  // ONE DOT LEADER
    case u'\u2027':  // HYPHENATION POINT
    case u'\u2219':  // BULLET OPERATOR
    case u'\u22C5':  // DOT OPERATOR
    case u'\u30FB':  // KATAKANA MIDDLE DOT
    case u'\uFF0E':  // FULLWIDTH FULL STOP: its half-width form is the point of CuSO4.5H2O
    case u'\uFF65':  // HALFWIDTH KATAKANA MIDDLE DOT
      return true;
    default:
      return false;
  }
}

// An element symbol that chemists also write for a group, and what to add
// to group.csv to have it read as the group.
struct GroupLookAlike {
  std::u16string_view Symbol, Element, Group, Formula;
};
constexpr GroupLookAlike GroupLookAlikes[] = {
    {u"Ac", u"\u30A2\u30AF\u30C1\u30CB\u30A6\u30E0", u"\u30A2\u30BB\u30C1\u30EB\u57FA", u"C2H3O"},
    {u"Pr", u"\u30D7\u30E9\u30BB\u30AA\u30B8\u30E0", u"\u30D7\u30ED\u30D4\u30EB\u57FA", u"C3H7"},
};

// Where the text the parser read stopped, and the levels it left open,
// as one-based positions in that text; 0 for none.
struct Reading {
  int Closing = 0;     // a ")" that ended the outermost level with text after it
  int Unread = 0;      // the first character after that ")" and its count
  int Open = 0;        // the outermost "(" that the end of the text closed
  int StarCloser = 0;  // a ")" inside that "(" that closed a "*" level instead
  int EmptyStar = 0;   // the first "*" with a count that multiplies nothing
  int CountEnd = 0;    // the end of that count
};

// Follows the levels as the parser opens and closes them: "(" and "*" open
// one, ")" closes the innermost, whichever opened it, and at the outermost
// level ends the parse. Only for a text that parsed without an error.
Reading Follow(std::u16string_view text) {
  Reading r;
  struct Level {
    char16_t Opener;
    int At;
    int StarCloser = 0;  // the first ")" that closed a "*" level right inside this one
  };
  std::vector<Level> levels;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'(') levels.push_back({c, static_cast<int>(i) + 1});
    if (c != u'*' && c != u')') continue;
    size_t end = i + 1;  // past the count that follows
    while (end < text.size() && (IsAsciiDigit(text[end]) || text[end] == u'.')) ++end;
    const bool multipliesNothing = end == text.size() || text[end] == u')';
    if (c == u'*') {
      if (end > i + 1 && multipliesNothing && r.EmptyStar == 0) {
        r.EmptyStar = static_cast<int>(i) + 1;
        r.CountEnd = static_cast<int>(end);
      }
      levels.push_back({c, static_cast<int>(i) + 1});
    } else if (levels.empty()) {
      if (end < text.size()) {
        r.Closing = static_cast<int>(i) + 1;
        r.Unread = static_cast<int>(end) + 1;
      }
      return r;
    } else {
      const bool star = levels.back().Opener == u'*';
      levels.pop_back();
      // (CuSO4*5H2O)2: the ")" ends the "*" level, and the "(" stays open.
      if (star && !levels.empty() && levels.back().StarCloser == 0) levels.back().StarCloser = static_cast<int>(i) + 1;
    }
    i = end - 1;
  }
  for (const Level& level : levels) {
    if (level.Opener != u'(') continue;
    r.Open = level.At;
    r.StarCloser = level.StarCloser;
    break;
  }
  return r;
}

// Returns where one-based `position` of the parsed text lies in the text
// as typed: for text a group inserted, at the group's abbreviation.
int TypedAt(const OriginOf& origin, int position) {
  const int from = origin(position);
  return from < 0 ? -from : from;
}

// Appends a note "N文字目の" + `what` at the typed `position`.
void AddAt(std::vector<Note>& notes, NoteKind kind, int position, const Text& what) {
  notes.push_back({kind, position, Number(position) + u"\u6587\u5B57\u76EE\u306E" + what});
}

// Appends the cautions on element symbols in `read` that chemists also
// use for a group that `groups` does not replace.
void AddGroupSymbolCautions(std::vector<Note>& notes, std::u16string_view read, const OriginOf& origin,
                            bool replaceGroups, const GroupTable& groups) {
  for (const GroupLookAlike& g : GroupLookAlikes) {
    // Every upper-case letter of a text that parsed starts a symbol and
    // takes the lower-case letter after it.
    const size_t at = read.find(g.Symbol);
    if (at == std::u16string_view::npos) continue;
    const bool defined =
        std::ranges::any_of(groups.Slots, [&](const Group& group) { return group.GroupAbbrev == g.Symbol; });
    if (defined && replaceGroups) continue;
    // N文字目の「Ac」はアクチニウムとして計算しました。
    Text what = Quoted(g.Symbol) + u"\u306F" + Text(g.Element) +
                u"\u3068\u3057\u3066\u8A08\u7B97\u3057\u307E\u3057\u305F\u3002";
    if (defined) {
      // group.csv のアセチル基として計算するには、基の置き換えをオンにしてください
      what += u"group.csv \u306E" + Text(g.Group) +
              u"\u3068\u3057\u3066\u8A08\u7B97\u3059\u308B\u306B\u306F\u3001\u57FA\u306E\u7F6E\u304D\u63DB"
              u"\u3048\u3092\u30AA\u30F3\u306B\u3057\u3066\u304F\u3060\u3055\u3044";
    } else {
      // アセチル基なら group.csv に「Ac,C2H3O」の行を加えてください
      what += Text(g.Group) + u"\u306A\u3089 group.csv \u306B" + Quoted(Text(g.Symbol) + u"," + Text(g.Formula)) +
              u"\u306E\u884C\u3092\u52A0\u3048\u3066\u304F\u3060\u3055\u3044";
    }
    AddAt(notes, NoteKind::GroupSymbol, TypedAt(origin, static_cast<int>(at) + 1), what);
  }
}

}  // namespace

void AddHydrateCaution(std::vector<Note>& notes, std::u16string_view input) {
  for (size_t i = 0; i < input.size(); ++i) {
    bool lookalike = IsDotLookAlike(input[i]);
    if (input[i] == u'.' && i > 0 && IsAsciiDigit(input[i - 1])) {
      size_t j = i + 1;
      while (j < input.size() && IsAsciiDigit(input[j])) ++j;
      // The count of a part after "*" is a number of its own:
      // "C20H26O6*0.25H2O" holds a quarter of a water.
      size_t start = i;
      while (start > 0 && IsAsciiDigit(input[start - 1])) --start;
      const bool partCount = start > 0 && input[start - 1] == u'*';
      lookalike = !partCount && j > i + 1 && j < input.size() && IsAsciiUpper(input[j]);
    }
    if (!lookalike) continue;
    // 結晶水などは「*」で区切ります（例: CuSO4*5H2O）。「.」は小数点として読まれます
    notes.push_back({NoteKind::HydrateDot, static_cast<int>(i) + 1,
                     u"\u7D50\u6676\u6C34\u306A\u3069\u306F\u300C*\u300D\u3067\u533A\u5207\u308A\u307E\u3059\uFF08"
                     u"\u4F8B: CuSO4*5H2O\uFF09\u3002\u300C.\u300D\u306F\u5C0F\u6570\u70B9\u3068\u3057\u3066\u8AAD"
                     u"\u307E\u308C\u307E\u3059"});
    return;
  }
}

void AddReadingCautions(std::vector<Note>& notes, std::u16string_view parsed, std::u16string_view input,
                        const OriginOf& origin, bool replaceGroups, const GroupTable& groups) {
  const Reading r = Follow(parsed);
  if (r.Closing > 0) {
    const int unread = TypedAt(origin, r.Unread);
    // N文字目の「)」で式が終わり、後の「NaCl」は読まれていません
    AddAt(notes, NoteKind::UnreadTail, TypedAt(origin, r.Closing),
          u"\u300C)\u300D\u3067\u5F0F\u304C\u7D42\u308F\u308A\u3001\u5F8C\u306E" + Quoted(input.substr(unread - 1)) +
              u"\u306F\u8AAD\u307E\u308C\u3066\u3044\u307E\u305B\u3093");
  }
  // N文字目の「(」が閉じていません。式の終わりで閉じたものとして計算しました
  if (r.Open > 0) {
    Text what =
        u"\u300C(\u300D\u304C\u9589\u3058\u3066\u3044\u307E\u305B\u3093\u3002\u5F0F\u306E\u7D42\u308F\u308A"
        u"\u3067\u9589\u3058\u305F\u3082\u306E\u3068\u3057\u3066\u8A08\u7B97\u3057\u307E\u3057\u305F";
    // （M文字目の「)」は「*」の後ろだけを閉じます）
    if (r.StarCloser > 0)
      what += u"\uFF08" + Number(TypedAt(origin, r.StarCloser)) +
              u"\u6587\u5B57\u76EE\u306E\u300C)\u300D\u306F\u300C*\u300D\u306E\u5F8C\u308D\u3060\u3051\u3092\u9589"
              u"\u3058\u307E\u3059\uFF09";
    AddAt(notes, NoteKind::OpenParen, TypedAt(origin, r.Open), what);
  }
  if (r.EmptyStar > 0) {
    const std::u16string_view count = std::u16string_view(parsed).substr(r.EmptyStar - 1, r.CountEnd - r.EmptyStar + 1);
    // N文字目の「*5」の後に何もないので、この数は何にも掛かりません（例: CuSO4*5H2O）
    AddAt(notes, NoteKind::EmptyStar, TypedAt(origin, r.EmptyStar),
          Quoted(count) +
              u"\u306E\u5F8C\u306B\u4F55\u3082\u306A\u3044\u306E\u3067\u3001\u3053\u306E\u6570\u306F\u4F55"
              u"\u306B\u3082\u639B\u304B\u308A\u307E\u305B\u3093\uFF08\u4F8B: CuSO4*5H2O\uFF09");
  }
  // Text after the ")" that ended the parse was never read as symbols.
  AddGroupSymbolCautions(notes, parsed.substr(0, r.Closing > 0 ? r.Closing : parsed.size()), origin, replaceGroups,
                         groups);
}

}  // namespace zorvan
