// The browser command line built by hand, and the Exec= line of a .desktop file.
#include <gtest/gtest.h>

#include "platform/BrowserCommand.h"

using platform::BrowserCommandLine;
using platform::DesktopEntryExec;

TEST(BrowserCommandLine, QuotedPlaceholderCutsAtItsOpeningQuote) {
  EXPECT_EQ(BrowserCommandLine(R"("C:\Program Files\Web\web.exe" -nohome "%1")", "http://a/"),
            R"("C:\Program Files\Web\web.exe" -nohome  http://a/)");
}

TEST(BrowserCommandLine, BarePlaceholderIsReplacedWithEverythingAfterIt) {
  EXPECT_EQ(BrowserCommandLine("web.exe %1 -extra", "http://a/"), "web.exe  http://a/");
}

TEST(BrowserCommandLine, NoPlaceholderAppendsSpaceAndAddress) {
  EXPECT_EQ(BrowserCommandLine("web.exe -new", "mailto:x@y"), "web.exe -new mailto:x@y");
  EXPECT_EQ(BrowserCommandLine("", "http://a/"), " http://a/");
}

TEST(BrowserCommandLine, CutsAtTheFirstQuotedPlaceholder) {
  EXPECT_EQ(BrowserCommandLine(R"(web -a "%1" -b "%1")", "u"), "web -a  u");
}

TEST(BrowserCommandLine, DesktopPlaceholdersCutTheSameWay) {
  EXPECT_EQ(BrowserCommandLine("firefox %u", "http://a/"), "firefox  http://a/");
  EXPECT_EQ(BrowserCommandLine("chromium --new-window %U", "http://a/"),
            "chromium --new-window  http://a/");
  EXPECT_EQ(BrowserCommandLine(R"(browser "%u")", "http://a/"), "browser  http://a/");
}

TEST(BrowserCommandLine, OtherFieldCodesBeforeTheCutAreDropped) {
  EXPECT_EQ(BrowserCommandLine("web %i --name=100%% %u", "u"), "web  --name=100%  u");
}

TEST(DesktopEntryExec, TakesExecOfTheDesktopEntryGroupOnly) {
  const char* text =
      "# comment\n"
      "[Desktop Entry]\n"
      "Name=Web\n"
      "Exec = web-browser %u \r\n"
      "[Desktop Action new-window]\n"
      "Exec=web-browser --new-window %u\n";
  EXPECT_EQ(DesktopEntryExec(text), "web-browser %u");
  EXPECT_EQ(DesktopEntryExec("[Desktop Action x]\nExec=other\n"), "");
  EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\nTryExec=web\nName=x"), "");
}
