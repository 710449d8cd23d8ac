// How server bytes are shown: UTF-8 where they are UTF-8, ISO-8859-1 for
// every other byte, and controls as U+FFFD.
#include <gtest/gtest.h>

#include <string>

#include "remote/ServerText.h"

namespace {

TEST(ServerText, Utf8StaysOtherBytesAreLatin1AndControlsAreReplaced) {
  struct Case {
    std::string bytes, shown;
  } cases[] = {
      {"plain name.txt", "plain name.txt"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
      {"caf\xe9.txt", "caf\xc3\xa9.txt"},
      {"\xff\xfe", "\xc3\xbf\xc3\xbe"},
      {"\xc3\xa9t\xe9", "\xc3\xa9t\xc3\xa9"},         // both in one name
      {"\xe2\x82", "\xc3\xa2\xef\xbf\xbd"},           // cut short: "â" and a C1 byte
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},               // overlong "/" is two Latin-1 letters
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xef\xbf\xbd"},  // a surrogate
      {"a\tb\r\n\x1b[0m", "a\xef\xbf\xbd" "b\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd[0m"},
      {"\xc2\x9b" "2J", "\xef\xbf\xbd" "2J"},         // C1 control in UTF-8
      {std::string("a\0b", 3), "a\xef\xbf\xbd" "b"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ServerTextToUtf8(c.bytes), c.shown) << c.bytes;
}

TEST(ServerText, EveryByteOnItsOwnGivesOneCharacter) {
  for (int b = 0; b < 256; ++b) {
    const std::string shown = ServerTextToUtf8(std::string(1, static_cast<char>(b)));
    const bool control = b < 0x20 || (b >= 0x7F && b <= 0x9F);
    if (control)
      EXPECT_EQ(shown, "\xef\xbf\xbd") << b;
    else if (b < 0x80)
      EXPECT_EQ(shown, std::string(1, static_cast<char>(b)));
    else
      EXPECT_EQ(shown.size(), 2u) << b;
  }
}

}  // namespace
