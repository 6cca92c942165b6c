#include <gtest/gtest.h>

#include "core/text.h"

namespace zorvan {
namespace {

TEST(Text, Cp932Decoding) {
  EXPECT_EQ(DecodeCp932("\x5c~"), u"\\~");  // backslash and tilde stay ASCII
  EXPECT_EQ(DecodeCp932("\x95\xa8\x8e\xbf"), u"\u7269\u8CEA");  // 物質
  EXPECT_EQ(DecodeCp932("\x81\x40"), u"\u3000");  // IDEOGRAPHIC SPACE
  EXPECT_EQ(DecodeCp932("a\x82"), u"a\uFFFD");     // lead byte cut off at the end
  EXPECT_EQ(DecodeCp932(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
  std::string big(100000, 'x');
  big += "\xa0";
  EXPECT_EQ(DecodeCp932(big).size(), 100001u);
}

TEST(Text, Utf8RoundTripAndRepair) {
  std::u16string sample = u"H2O \u30A8\u30BF\u30CE\u30FC\u30EB \U0001F600";  // エタノール, an emoji
  EXPECT_EQ(FromUtf8(ToUtf8(sample)), sample);
  EXPECT_EQ(FromUtf8("\xff" "a\xc3"), u"\uFFFDa\uFFFD");
  EXPECT_EQ(FromUtf8("\xc0\xaf"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), "\xef\xbf\xbd");  // lone surrogate
}

}  // namespace
}  // namespace zorvan
