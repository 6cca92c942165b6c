// The text type of the core and the one place where bytes become text.
#pragma once

#include <string>
#include <string_view>

namespace zorvan {

// Texts are UTF-16 code units, as the window toolkit counts them: lengths and
// one-based positions in the core mean the same as in a QString.
using Text = std::u16string;

inline constexpr char16_t Tab = u'\t';
inline constexpr char16_t Space = u' ';
inline constexpr char16_t IdeographicSpace = u'\u3000';
inline constexpr char16_t ReplacementChar = u'\uFFFD';
inline constexpr std::u16string_view CrLf = u"\r\n";

// The ASCII letters and digits, which formulas and numbers are made of; a
// full-width letter or digit is in none of these classes.
inline bool IsAsciiUpper(char16_t c) { return c >= u'A' && c <= u'Z'; }
inline bool IsAsciiLower(char16_t c) { return c >= u'a' && c <= u'z'; }
inline bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Decodes code page 932 bytes; each byte that is not valid code page 932
// becomes U+FFFD and decoding goes on after it.
Text DecodeCp932(std::string_view bytes);

// Converts to and from UTF-8 for the command-line tool and the tests; an
// invalid byte sequence or a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
void AppendUtf8(std::string& out, std::u16string_view text);
Text FromUtf8(std::string_view bytes);
// The same into `out`, reusing its storage.
void FromUtf8(std::string_view bytes, Text& out);
// The same at `out`, which has room for one unit a byte (never too few: a
// 4-byte sequence becomes 2 units); returns the end of what it wrote.
char16_t* DecodeUtf8(std::string_view bytes, char16_t* out);
// Writes `text` as UTF-8 at `out`, which has room for 3 bytes per unit, and
// returns the end of what it wrote.
char* EncodeUtf8(std::u16string_view text, char* out);

}  // namespace zorvan
