#include "search/width_fold.h"

#include <iconv.h>  // iconv_open, iconv, iconv_close

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace zorvan {

namespace {

// The three aligned pairs of fold tables: the character at position p of a
// full-width string folds to the character at position p of its partner.

// Positions 1 to 21 are the voiced katakana, 22 to 26 the semi-voiced ones.
constexpr std::u16string_view VoicedKanaFull =
    u"\u30AC\u30AE\u30B0\u30B2\u30B4"   // KATAKANA LETTER GA GI GU GE GO
    u"\u30B6\u30B8\u30BA\u30BC\u30BE"   // KATAKANA LETTER ZA ZI ZU ZE ZO
    u"\u30C0\u30C2\u30C5\u30C7\u30C9"   // KATAKANA LETTER DA DI DU DE DO
    u"\u30D0\u30D3\u30D6\u30D9\u30DC"   // KATAKANA LETTER BA BI BU BE BO
    u"\u30F4"                           // KATAKANA LETTER VU
    u"\u30D1\u30D4\u30D7\u30DA\u30DD";  // KATAKANA LETTER PA PI PU PE PO
constexpr std::u16string_view VoicedKanaBase =
    u"\uFF76\uFF77\uFF78\uFF79\uFF7A"   // HALFWIDTH KATAKANA LETTER KA KI KU KE KO
    u"\uFF7B\uFF7C\uFF7D\uFF7E\uFF7F"   // HALFWIDTH KATAKANA LETTER SA SI SU SE SO
    u"\uFF80\uFF81\uFF82\uFF83\uFF84"   // HALFWIDTH KATAKANA LETTER TA TI TU TE TO
    u"\uFF8A\uFF8B\uFF8C\uFF8D\uFF8E"   // HALFWIDTH KATAKANA LETTER HA HI HU HE HO
    u"\uFF73"                           // HALFWIDTH KATAKANA LETTER U
    u"\uFF8A\uFF8B\uFF8C\uFF8D\uFF8E";  // HALFWIDTH KATAKANA LETTER HA HI HU HE HO
constexpr size_t VoicedCount = 21;

constexpr std::u16string_view KanaFull =
    u"\u3000\u3001"                          // IDEOGRAPHIC SPACE, IDEOGRAPHIC COMMA
    u"\u30A1\u30A2\u30A3\u30A4\u30A5\u30A6"  // KATAKANA LETTER SMALL A, A, SMALL I, I, SMALL U, U
    u"\u30A7\u30A8\u30A9\u30AA"              // KATAKANA LETTER SMALL E, E, SMALL O, O
    u"\u30AB\u30AD\u30AF\u30B1\u30B3"        // KATAKANA LETTER KA KI KU KE KO
    u"\u30B5\u30B7\u30B9\u30BB\u30BD"        // KATAKANA LETTER SA SI SU SE SO
    u"\u30BF\u30C1\u30C3\u30C4\u30C6\u30C8"  // KATAKANA LETTER TA TI, SMALL TU, TU TE TO
    u"\u30CA\u30CB\u30CC\u30CD\u30CE"        // KATAKANA LETTER NA NI NU NE NO
    u"\u30CF\u30D2\u30D5\u30D8\u30DB"        // KATAKANA LETTER HA HI HU HE HO
    u"\u30DE\u30DF\u30E0\u30E1\u30E2"        // KATAKANA LETTER MA MI MU ME MO
    // KATAKANA LETTER SMALL YA, YA, SMALL YU, YU, SMALL YO, YO
    u"\u30E3\u30E4\u30E5\u30E6\u30E7\u30E8"
    u"\u30E9\u30EA\u30EB\u30EC\u30ED"        // KATAKANA LETTER RA RI RU RE RO
    u"\u30EE\u30EF\u30F0\u30F1\u30F2\u30F3"  // KATAKANA LETTER SMALL WA, WA, WI, WE, WO, N
    u"\u30F5\u30F6"                          // KATAKANA LETTER SMALL KA, SMALL KE
    // KATAKANA-HIRAGANA VOICED SOUND MARK, SEMI-VOICED SOUND MARK, PROLONGED SOUND MARK
    u"\u309B\u309C\u30FC";
constexpr std::u16string_view KanaHalf =
    u" \uFF64"  // SPACE, HALFWIDTH IDEOGRAPHIC COMMA
    // HALFWIDTH KATAKANA LETTER SMALL A, A, SMALL I, I, SMALL U, U
    u"\uFF67\uFF71\uFF68\uFF72\uFF69\uFF73"
    u"\uFF6A\uFF74\uFF6B\uFF75"        // HALFWIDTH KATAKANA LETTER SMALL E, E, SMALL O, O
    u"\uFF76\uFF77\uFF78\uFF79\uFF7A"  // HALFWIDTH KATAKANA LETTER KA KI KU KE KO
    u"\uFF7B\uFF7C\uFF7D\uFF7E\uFF7F"  // HALFWIDTH KATAKANA LETTER SA SI SU SE SO
    // HALFWIDTH KATAKANA LETTER TA TI, SMALL TU, TU TE TO
    u"\uFF80\uFF81\uFF6F\uFF82\uFF83\uFF84"
    u"\uFF85\uFF86\uFF87\uFF88\uFF89"  // HALFWIDTH KATAKANA LETTER NA NI NU NE NO
    u"\uFF8A\uFF8B\uFF8C\uFF8D\uFF8E"  // HALFWIDTH KATAKANA LETTER HA HI HU HE HO
    u"\uFF8F\uFF90\uFF91\uFF92\uFF93"  // HALFWIDTH KATAKANA LETTER MA MI MU ME MO
    // HALFWIDTH KATAKANA LETTER SMALL YA, YA, SMALL YU, YU, SMALL YO, YO
    u"\uFF6C\uFF94\uFF6D\uFF95\uFF6E\uFF96"
    u"\uFF97\uFF98\uFF99\uFF9A\uFF9B"  // HALFWIDTH KATAKANA LETTER RA RI RU RE RO
    // HALFWIDTH KATAKANA LETTER WA, WA, I, E, WO, N
    u"\uFF9C\uFF9C\uFF72\uFF74\uFF66\uFF9D"
    u"\uFF76\uFF79"  // HALFWIDTH KATAKANA LETTER KA, KE
    // HALFWIDTH KATAKANA VOICED SOUND MARK, SEMI-VOICED SOUND MARK, PROLONGED SOUND MARK
    u"\uFF9E\uFF9F\uFF70";

constexpr std::u16string_view AlnumFull =
    // FULLWIDTH DIGIT ZERO to NINE
    u"\uFF10\uFF11\uFF12\uFF13\uFF14\uFF15\uFF16\uFF17\uFF18\uFF19"
    // FULLWIDTH LATIN CAPITAL LETTER A to Z
    u"\uFF21\uFF22\uFF23\uFF24\uFF25\uFF26\uFF27\uFF28\uFF29\uFF2A\uFF2B\uFF2C\uFF2D"
    u"\uFF2E\uFF2F\uFF30\uFF31\uFF32\uFF33\uFF34\uFF35\uFF36\uFF37\uFF38\uFF39\uFF3A"
    // FULLWIDTH LATIN SMALL LETTER A to Z
    u"\uFF41\uFF42\uFF43\uFF44\uFF45\uFF46\uFF47\uFF48\uFF49\uFF4A\uFF4B\uFF4C\uFF4D"
    u"\uFF4E\uFF4F\uFF50\uFF51\uFF52\uFF53\uFF54\uFF55\uFF56\uFF57\uFF58\uFF59\uFF5A"
    u"\uFF0C\uFF0E\u30FB"        // FULLWIDTH COMMA, FULLWIDTH FULL STOP, KATAKANA MIDDLE DOT
    u"\uFF1A\uFF1B\uFF1F\uFF01"  // FULLWIDTH COLON, SEMICOLON, QUESTION MARK, EXCLAMATION MARK
    u"\u2019"                    // RIGHT SINGLE QUOTATION MARK
    u"\uFF3E\uFFE3\uFF3F"        // FULLWIDTH CIRCUMFLEX ACCENT, MACRON, LOW LINE
    u"\uFF08\uFF09\uFF5B\uFF5D"  // FULLWIDTH LEFT/RIGHT PARENTHESIS, LEFT/RIGHT CURLY BRACKET
    // FULLWIDTH LEFT/RIGHT SQUARE BRACKET, COMMERCIAL AT, PLUS SIGN
    u"\uFF3B\uFF3D\uFF20\uFF0B"
    u"\uFF0D\u2010\uFFE5"        // FULLWIDTH HYPHEN-MINUS, HYPHEN, FULLWIDTH YEN SIGN
    u"\u300C\u300D"              // LEFT CORNER BRACKET, RIGHT CORNER BRACKET
    u"\uFF5C\uFF1C\uFF1E"        // FULLWIDTH VERTICAL LINE, LESS-THAN SIGN, GREATER-THAN SIGN
    u"\u3002\uFF0F"              // IDEOGRAPHIC FULL STOP, FULLWIDTH SOLIDUS
    u"\uFF04\uFF05\uFF03\uFF06"  // FULLWIDTH DOLLAR SIGN, PERCENT SIGN, NUMBER SIGN, AMPERSAND
    u"\uFF0A\uFF1D";             // FULLWIDTH ASTERISK, EQUALS SIGN
constexpr std::u16string_view AlnumHalf =
    u"0123456789"
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    u"abcdefghijklmnopqrstuvwxyz"
    u",.\uFF65"  // HALFWIDTH KATAKANA MIDDLE DOT
    u":;?!'^~_(){}[]@+--\\"
    u"\uFF62\uFF63"  // HALFWIDTH LEFT CORNER BRACKET, HALFWIDTH RIGHT CORNER BRACKET
    u"|<>"
    u"\uFF61"  // HALFWIDTH IDEOGRAPHIC FULL STOP
    u"/$%#&*=";

constexpr char16_t VoicedSoundMark = u'\uFF9E';      // HALFWIDTH KATAKANA VOICED SOUND MARK
constexpr char16_t SemiVoicedSoundMark = u'\uFF9F';  // HALFWIDTH KATAKANA SEMI-VOICED SOUND MARK

static_assert(VoicedKanaFull.size() == 26 && VoicedKanaBase.size() == 26);
static_assert(KanaFull.size() == 65 && KanaHalf.size() == 65);
static_assert(AlnumFull.size() == 97 && AlnumHalf.size() == 97);

// Only two-byte codes with a lead byte from 0x81 to 0x88 can belong to a
// table. Codes are compared unsigned here: with single-byte codes below 0x100,
// "above 0x8100 and at most 0x88FF" is exactly that range of lead bytes.
constexpr uint16_t CodeAbove = 0x8100;
constexpr uint16_t CodeAtMost = 0x88FF;
// What the conversion gives a character that code page 932 lacks: the default
// character, which is outside the table range.
constexpr uint16_t UnmappableCode = u'?';

using CodeTable = std::array<uint16_t, 0x10000>;

// Returns the code page 932 code of every UTF-16 code unit: one byte as 0 to
// 255, two bytes as lead * 256 + trail.
CodeTable BuildCp932Codes() {
  iconv_t cd = iconv_open("CP932", "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert to CP932");
  CodeTable codes;
  for (uint32_t c = 0; c < codes.size(); ++c) {
    codes[c] = UnmappableCode;
    // A lone surrogate is not a character of any code page.
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    char in[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    unsigned char out[8];
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = sizeof in;
    size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    size_t produced = sizeof out - outLeft;
    if (produced == 1) codes[c] = out[0];
    if (produced == 2) codes[c] = static_cast<uint16_t>(out[0] << 8 | out[1]);
  }
  iconv_close(cd);
  return codes;
}

const CodeTable& Cp932Codes() {
  static const CodeTable codes = BuildCp932Codes();
  return codes;
}

}  // namespace

Text ToHalfWidth(const Text& text) {
  const CodeTable& codes = Cp932Codes();
  Text folded;
  folded.reserve(text.size());
  for (char16_t c : text) {
    uint16_t code = codes[c];
    // The code test spares the table searches for ASCII, half-width katakana,
    // most kanji and every character the code page lacks.
    if (code <= CodeAbove || code > CodeAtMost) {
      folded.push_back(c);
      continue;
    }
    if (size_t d = VoicedKanaFull.find(c); d != std::u16string_view::npos) {
      folded.push_back(VoicedKanaBase[d]);
      folded.push_back(d < VoicedCount ? VoicedSoundMark : SemiVoicedSoundMark);
    } else if (size_t f = KanaFull.find(c); f != std::u16string_view::npos) {
      folded.push_back(KanaHalf[f]);
    } else if (size_t g = AlnumFull.find(c); g != std::u16string_view::npos) {
      folded.push_back(AlnumHalf[g]);
    } else {
      folded.push_back(c);
    }
  }
  return folded;
}

}  // namespace zorvan
