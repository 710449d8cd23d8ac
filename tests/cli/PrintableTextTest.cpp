// Server text on the way to the terminal: printable UTF-8 stays, everything
// a terminal could act on is made visible.
#include <gtest/gtest.h>

#include <string>

#include "cli/PrintableText.h"

namespace {

TEST(PrintableText, KeepsPrintableAsciiAndValidUtf8) {
  EXPECT_EQ(PrintableText("226 Transfer complete."), "226 Transfer complete.");
  EXPECT_EQ(PrintableText("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"),
            "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80");
  EXPECT_EQ(PrintableText(""), "");
  // The last code point there is, and the first after the C1 controls.
  EXPECT_EQ(PrintableText("\xf4\x8f\xbf\xbf\xc2\xa0"), "\xf4\x8f\xbf\xbf\xc2\xa0");
}

TEST(PrintableText, ControlBytesAreShownNotSent) {
  EXPECT_EQ(PrintableText("\x1b]0;owned\x07"), "\\x1b]0;owned\\x07");
  EXPECT_EQ(PrintableText("a\r\nb\tc\x7f"), "a\\x0d\\x0ab\\x09c\\x7f");
  EXPECT_EQ(PrintableText(std::string("nul\0byte", 8)), "nul\\x00byte");
  // C1 controls: raw, and encoded as UTF-8 (CSI is U+009B).
  EXPECT_EQ(PrintableText("\x9b" "2J"), "\\x9b2J");
  // Encoded, the lead byte is not valid UTF-8 on its own: its Latin-1 "Â".
  EXPECT_EQ(PrintableText("\xc2\x9b" "2J"), "\xc3\x82\\x9b2J");
  EXPECT_EQ(PrintableText("\xc2\x80\xc2\x9f"), "\xc3\x82\\x80\xc3\x82\\x9f");
}

TEST(PrintableText, BytesThatAreNotValidUtf8ShowAsLatin1OrEscapes) {
  // From 0xA0 up a stray byte is its ISO-8859-1 character; 0x80 to 0x9F
  // are C1 controls there and stay escaped.
  EXPECT_EQ(PrintableText("Latin-1 caf\xe9!"), "Latin-1 caf\xc3\xa9!");
  EXPECT_EQ(PrintableText("\xc0\xaf"), "\xc3\x80\xc2\xaf");             // overlong '/'
  EXPECT_EQ(PrintableText("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\\x80");    // a surrogate
  EXPECT_EQ(PrintableText("\xf4\x90\x80\x80"), "\xc3\xb4\\x90\\x80\\x80");  // past U+10FFFF
  EXPECT_EQ(PrintableText("\xe2\x82"), "\xc3\xa2\\x82");                 // cut short at the end
  EXPECT_EQ(PrintableText("\xe2\x82" "A"), "\xc3\xa2\\x82A");            // cut short by ASCII
  EXPECT_EQ(PrintableText("\xf8\x88\x80\x80\x80"), "\xc3\xb8\\x88\\x80\\x80\\x80");
  // A lead byte before an escape: the escape is shown too.
  EXPECT_EQ(PrintableText("\xc3\x1b[0m"), "\xc3\x83\\x1b[0m");
  // Mixed: valid UTF-8 stays, the Latin-1 byte beside it is its character.
  EXPECT_EQ(PrintableText("\xc3\xa9t\xe9"), "\xc3\xa9t\xc3\xa9");
}

TEST(PrintableText, NothingAnyByteMakesIsAControl) {
  // Every byte pair: the result holds only printable ASCII and the UTF-8
  // of code points from U+00A0 up.
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) {
      std::string in{static_cast<char>(a), static_cast<char>(b)};
      std::string out = PrintableText(in);
      for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        ASSERT_FALSE(c < 0x20 || c == 0x7f) << a << " " << b;
        if (c == 0xc2) {
          ASSERT_LT(i + 1, out.size());
          ASSERT_GE(static_cast<unsigned char>(out[i + 1]), 0xa0) << a << " " << b;
        }
      }
    }
}

}  // namespace
