#include "search/width_fold.h"

#include <gtest/gtest.h>

#include <cstdio>  // std::snprintf
#include <set>
#include <string>
#include <vector>

namespace zorvan {
namespace {

// One row of the fold tables: a full-width code unit and the half-width text
// it becomes.
struct FoldRow {
  char16_t full;
  Text half;
};

constexpr char16_t Voiced = 0xFF9E;      // HALFWIDTH KATAKANA VOICED SOUND MARK
constexpr char16_t SemiVoiced = 0xFF9F;  // HALFWIDTH KATAKANA SEMI-VOICED SOUND MARK

std::string Hex(char16_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}

// Voiced katakana GA..BO and VU, then the semi-voiced PA..PO: base letter
// plus sound mark.
std::vector<FoldRow> VoicedRows() {
  const char16_t voiced[][2] = {
      {0x30AC, 0xFF76}, {0x30AE, 0xFF77}, {0x30B0, 0xFF78}, {0x30B2, 0xFF79}, {0x30B4, 0xFF7A},
      {0x30B6, 0xFF7B}, {0x30B8, 0xFF7C}, {0x30BA, 0xFF7D}, {0x30BC, 0xFF7E}, {0x30BE, 0xFF7F},
      {0x30C0, 0xFF80}, {0x30C2, 0xFF81}, {0x30C5, 0xFF82}, {0x30C7, 0xFF83}, {0x30C9, 0xFF84},
      {0x30D0, 0xFF8A}, {0x30D3, 0xFF8B}, {0x30D6, 0xFF8C}, {0x30D9, 0xFF8D}, {0x30DC, 0xFF8E},
      {0x30F4, 0xFF73}};
  const char16_t semiVoiced[][2] = {
      {0x30D1, 0xFF8A}, {0x30D4, 0xFF8B}, {0x30D7, 0xFF8C}, {0x30DA, 0xFF8D}, {0x30DD, 0xFF8E}};
  std::vector<FoldRow> rows;
  for (const auto& [full, base] : voiced) rows.push_back({full, Text{base, Voiced}});
  for (const auto& [full, base] : semiVoiced) rows.push_back({full, Text{base, SemiVoiced}});
  return rows;
}

// Ideographic space and comma, the katakana, the sound marks and the
// prolonged sound mark.
std::vector<FoldRow> KanaRows() {
  const char16_t pairs[][2] = {
      {0x3000, 0x0020}, {0x3001, 0xFF64}, {0x30A1, 0xFF67}, {0x30A2, 0xFF71}, {0x30A3, 0xFF68},
      {0x30A4, 0xFF72}, {0x30A5, 0xFF69}, {0x30A6, 0xFF73}, {0x30A7, 0xFF6A}, {0x30A8, 0xFF74},
      {0x30A9, 0xFF6B}, {0x30AA, 0xFF75}, {0x30AB, 0xFF76}, {0x30AD, 0xFF77}, {0x30AF, 0xFF78},
      {0x30B1, 0xFF79}, {0x30B3, 0xFF7A}, {0x30B5, 0xFF7B}, {0x30B7, 0xFF7C}, {0x30B9, 0xFF7D},
      {0x30BB, 0xFF7E}, {0x30BD, 0xFF7F}, {0x30BF, 0xFF80}, {0x30C1, 0xFF81}, {0x30C3, 0xFF6F},
      {0x30C4, 0xFF82}, {0x30C6, 0xFF83}, {0x30C8, 0xFF84}, {0x30CA, 0xFF85}, {0x30CB, 0xFF86},
      {0x30CC, 0xFF87}, {0x30CD, 0xFF88}, {0x30CE, 0xFF89}, {0x30CF, 0xFF8A}, {0x30D2, 0xFF8B},
      {0x30D5, 0xFF8C}, {0x30D8, 0xFF8D}, {0x30DB, 0xFF8E}, {0x30DE, 0xFF8F}, {0x30DF, 0xFF90},
      {0x30E0, 0xFF91}, {0x30E1, 0xFF92}, {0x30E2, 0xFF93}, {0x30E3, 0xFF6C}, {0x30E4, 0xFF94},
      {0x30E5, 0xFF6D}, {0x30E6, 0xFF95}, {0x30E7, 0xFF6E}, {0x30E8, 0xFF96}, {0x30E9, 0xFF97},
      {0x30EA, 0xFF98}, {0x30EB, 0xFF99}, {0x30EC, 0xFF9A}, {0x30ED, 0xFF9B}, {0x30EE, 0xFF9C},
      {0x30EF, 0xFF9C}, {0x30F0, 0xFF72}, {0x30F1, 0xFF74}, {0x30F2, 0xFF66}, {0x30F3, 0xFF9D},
      {0x30F5, 0xFF76}, {0x30F6, 0xFF79}, {0x309B, 0xFF9E}, {0x309C, 0xFF9F}, {0x30FC, 0xFF70}};
  std::vector<FoldRow> rows;
  for (const auto& [full, half] : pairs) rows.push_back({full, Text(1, half)});
  return rows;
}

// Full-width digits and Latin letters, then the listed symbols.
std::vector<FoldRow> AlnumRows() {
  std::vector<FoldRow> rows;
  for (char16_t i = 0; i < 10; ++i) rows.push_back({char16_t(0xFF10 + i), Text(1, u'0' + i)});
  for (char16_t i = 0; i < 26; ++i) rows.push_back({char16_t(0xFF21 + i), Text(1, u'A' + i)});
  for (char16_t i = 0; i < 26; ++i) rows.push_back({char16_t(0xFF41 + i), Text(1, u'a' + i)});
  const char16_t symbols[][2] = {
      {0xFF0C, u','}, {0xFF0E, u'.'}, {0x30FB, 0xFF65}, {0xFF1A, u':'}, {0xFF1B, u';'},
      {0xFF1F, u'?'}, {0xFF01, u'!'}, {0x2019, u'\''}, {0xFF3E, u'^'}, {0xFFE3, u'~'},
      {0xFF3F, u'_'}, {0xFF08, u'('}, {0xFF09, u')'}, {0xFF5B, u'{'}, {0xFF5D, u'}'},
      {0xFF3B, u'['}, {0xFF3D, u']'}, {0xFF20, u'@'}, {0xFF0B, u'+'}, {0xFF0D, u'-'},
      {0x2010, u'-'}, {0xFFE5, u'\\'}, {0x300C, 0xFF62}, {0x300D, 0xFF63}, {0xFF5C, u'|'},
      {0xFF1C, u'<'}, {0xFF1E, u'>'}, {0x3002, 0xFF61}, {0xFF0F, u'/'}, {0xFF04, u'$'},
      {0xFF05, u'%'}, {0xFF03, u'#'}, {0xFF06, u'&'}, {0xFF0A, u'*'}, {0xFF1D, u'='}};
  for (const auto& [full, half] : symbols) rows.push_back({full, Text(1, half)});
  return rows;
}

struct Table {
  const char* name;
  std::vector<FoldRow> rows;
  size_t size;
};

std::vector<Table> Tables() {
  return {{"VoicedKana", VoicedRows(), 26}, {"Kana", KanaRows(), 65}, {"Alnum", AlnumRows(), 97}};
}

TEST(ToHalfWidthTest, EveryTableCharacterFoldsToItsPartner) {
  std::set<char16_t> seen;
  for (const Table& table : Tables()) {
    SCOPED_TRACE(table.name);
    EXPECT_EQ(table.rows.size(), table.size);
    for (const FoldRow& row : table.rows) {
      SCOPED_TRACE(Hex(row.full));
      EXPECT_TRUE(seen.insert(row.full).second) << "listed twice";
      EXPECT_EQ(ToHalfWidth(Text(1, row.full)), row.half);
      // Inside a word the piece replaces just that code unit.
      Text word = Text(u"x") + row.full + u"y";
      EXPECT_EQ(ToHalfWidth(word), Text(u"x") + row.half + u"y");
    }
  }
}

TEST(ToHalfWidthTest, EveryOtherCodeUnitIsUnchanged) {
  std::set<char16_t> tableChars;
  for (const Table& table : Tables())
    for (const FoldRow& row : table.rows) tableChars.insert(row.full);
  int changed = 0;
  for (char32_t c = 0; c <= 0xFFFF; ++c) {
    if (tableChars.count(static_cast<char16_t>(c)) != 0) continue;
    const Text one(1, static_cast<char16_t>(c));
    if (ToHalfWidth(one) != one) {
      ADD_FAILURE() << Hex(static_cast<char16_t>(c)) << " changed";
      if (++changed > 20) break;
    }
  }
}

TEST(ToHalfWidthTest, Examples) {
  struct Row {
    const char* name;
    Text input;
    Text expected;
  };
  const Row rows[] = {
      {"empty", u"", u""},
      // KATAKANA LETTER E TA NO, PROLONGED SOUND MARK, RU
      {"ethanol", u"\u30A8\u30BF\u30CE\u30FC\u30EB",
       // HALFWIDTH KATAKANA LETTER E TA NO, PROLONGED SOUND MARK, RU
       u"\uFF74\uFF80\uFF89\uFF70\uFF99"},
      // KATAKANA LETTER KA, KATAKANA-HIRAGANA VOICED SOUND MARK
      {"separate voiced mark", u"\u30AB\u309B", ToHalfWidth(u"\u30AC")},  // KATAKANA LETTER GA
      // FULLWIDTH LATIN CAPITAL LETTER N, SMALL A, CAPITAL C, SMALL L
      {"full-width NaCl", u"\uFF2E\uFF41\uFF23\uFF4C", u"NaCl"},
      // HIRAGANA LETTER A I U, HIRAGANA LETTER GA
      {"hiragana", u"\u3042\u3044\u3046\u304C", u"\u3042\u3044\u3046\u304C"},
      // CJK UNIFIED IDEOGRAPH 4E9C (code 0x889F) and 925B
      {"kanji", u"\u4E9C\u925B", u"\u4E9C\u925B"},
      {"fullwidth reverse solidus", u"\uFF3C", u"\uFF3C"},  // FULLWIDTH REVERSE SOLIDUS
      {"fullwidth tilde", u"\uFF5E", u"\uFF5E"},            // FULLWIDTH TILDE
      {"wave dash", u"\u301C", u"\u301C"},                  // WAVE DASH
      {"ideographic space", u"a\u3000b", u"a b"},           // IDEOGRAPHIC SPACE
      {"yen sign", u"\uFFE5", u"\\"},                       // FULLWIDTH YEN SIGN
      {"fullwidth hyphen-minus", u"\uFF0D", u"-"},          // FULLWIDTH HYPHEN-MINUS
      {"hyphen", u"\u2010", u"-"},                          // HYPHEN
      {"lone high surrogate",
       Text{u'a', char16_t(0xD800), u'b'},
       Text{u'a', char16_t(0xD800), u'b'}},
      {"lone low surrogate", Text(1, char16_t(0xDC00)), Text(1, char16_t(0xDC00))},
      // U+20B9F as a surrogate pair
      {"surrogate pair", u"\U00020B9F", u"\U00020B9F"},
      {"ascii", u"CH3COOH (aq), 5%", u"CH3COOH (aq), 5%"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ToHalfWidth(row.input), row.expected);
  }
}

TEST(ToHalfWidthTest, FoldingTwiceChangesNothingMore) {
  Text samples[3];
  for (const Table& table : Tables())
    for (const FoldRow& row : table.rows) samples[0].push_back(row.full);
  for (char16_t c = 0x20; c < 0x7F; ++c) samples[1].push_back(c);
  // HALFWIDTH IDEOGRAPHIC FULL STOP to HALFWIDTH KATAKANA SEMI-VOICED SOUND MARK
  for (char16_t c = 0xFF61; c <= 0xFF9F; ++c) samples[2].push_back(c);
  for (const Text& sample : samples) {
    SCOPED_TRACE(Hex(sample[0]));
    const Text once = ToHalfWidth(sample);
    EXPECT_EQ(ToHalfWidth(once), once);
  }
  // Text that is already half-width is its own fold.
  EXPECT_EQ(ToHalfWidth(samples[1]), samples[1]);
  EXPECT_EQ(ToHalfWidth(samples[2]), samples[2]);
}

}  // namespace
}  // namespace zorvan
