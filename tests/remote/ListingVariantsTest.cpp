// UNIX long-listing lines as servers in the wild write them: columns left
// out or added, and the many ways of writing a date. Each must still give
// the right name, folder flag and size.
#include <gtest/gtest.h>

#include <string>

#include "ListingExpect.h"
#include "remote/ListingParser.h"

namespace {

struct VariantCase {
  const char* title;
  std::string line;
  std::string name;
  int isFolder;
  std::int64_t size;
  std::string dateText;
  std::string timeText;
};

void PrintTo(const VariantCase& c, std::ostream* os) { *os << c.title; }

class UnixVariant : public ::testing::TestWithParam<VariantCase> {};

TEST_P(UnixVariant, GivesNameFolderFlagAndSize) {
  const VariantCase& c = GetParam();
  // Alone, and between two ordinary lines so that nothing spills over.
  const std::string before = "-rw-r--r--   1 root     other        1 Jan  1 2001 first\r\n";
  const std::string after = "drwxr-xr-x   2 root     other        2 Feb  2 02:02 last\n";
  struct Run {
    std::string text;
    std::size_t records;
    std::size_t index;
  };
  for (const Run& run : {Run{c.line + "\r\n", 1, 0}, Run{before + c.line + "\n" + after, 3, 1}}) {
    const ListingParse parsed = ParseListingWithCounts(1, run.text);
    EXPECT_EQ(parsed.unknownLines, 0u);
    ASSERT_EQ(parsed.records.size(), run.records);
    const RemoteFileRecord& r = parsed.records[run.index];
    EXPECT_EQ(r.name, c.name);
    EXPECT_EQ(r.isFolder, c.isFolder);
    EXPECT_EQ(RecordSize(r), c.size);
    EXPECT_EQ(r.dateText, c.dateText);
    EXPECT_EQ(r.timeText, c.timeText);
    EXPECT_EQ(parsed.records.back().name, run.records == 3 ? "last" : c.name);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Wild, UnixVariant,
    ::testing::Values(
        VariantCase{"usual columns", "-rw-r--r--   1 root     other        531 Jan 29 03:26 README",
                    "README", 0, 531, "Jan 29", "03:26"},
        VariantCase{"no group column", "dr-xr-xr-x   2 root     512 Apr  8  1994 etc", "etc", 1,
                    512, "Apr 8", "1994"},
        VariantCase{"neither owner nor group", "-rw-r--r--   1        531 Jan 29 03:26 README",
                    "README", 0, 531, "Jan 29", "03:26"},
        VariantCase{"an extra domain column",
                    "-rw-r--r--   1 root     other   DOMAIN   531 Jan 29 03:26 README", "README", 0,
                    531, "Jan 29", "03:26"},
        VariantCase{"numeric owner, group and a size below 32",
                    "-rw-r--r--   1 1000     1000     12 Jan 29 03:26 12 Jan", "12 Jan", 0, 12,
                    "Jan 29", "03:26"},
        VariantCase{"numeric month and day",
                    "-rw-r--r--   1 root     other        531 3 29 03:26 README", "README", 0, 531,
                    "3 29", "03:26"},
        VariantCase{"ISO date and time",
                    "-rw-r--r--   1 root     other        531 2005-06-07 21:22 README", "README", 0,
                    531, "2005-06-07", "21:22"},
        VariantCase{"ISO date with seconds, fraction and zone",
                    "-rw-r--r-- 1 root other 531 2005-06-07 21:22:33.123456789 +0200 READ ME",
                    "READ ME", 0, 531, "2005-06-07", "21:22:33.123456789"},
        VariantCase{"month-day and year", "-rw-r--r--   1 root  other  531 09-26 2000 README",
                    "README", 0, 531, "09-26", "2000"},
        VariantCase{"slashed date", "drwxr-xr-x   2 root  other  1024 1999/10/12 17:12 dir",
                    "dir", 1, 1024, "1999/10/12", "17:12"},
        VariantCase{"day-month-year date", "-rw-r--r--   1 root  other  531 24-04-2003 17:12 a b",
                    "a b", 0, 531, "24-04-2003", "17:12"},
        VariantCase{"dotted date without time", "-rw-r--r--   1 root  other  531 2004.07.15 x.y",
                    "x.y", 0, 531, "2004.07.15", ""},
        VariantCase{"named month inside a date", "-rw-r--r--   1 root  other  531 01-jun-99 junk",
                    "junk", 0, 531, "01-jun-99", ""},
        VariantCase{"day before month", "-rw-r--r--   1 root  other  531 01 oct 2004 README",
                    "README", 0, 531, "01 oct", "2004"},
        VariantCase{"localised month", "-rw-r--r--   1 root  other  531 26. Juli, 20:10 Datei",
                    "Datei", 0, 531, "26. Juli,", "20:10"},
        VariantCase{"month name in UTF-8", "-rw-r--r--   1 root  other  531 5. M\xC3\xA4r 2004 a",
                    "a", 0, 531, "5. M\xC3\xA4r", "2004"},
        VariantCase{"full month name", "-rw-r--r-- 1 u g 531 September 30 10:15 f", "f", 0, 531,
                    "September 30", "10:15"},
        VariantCase{"time with seconds before the year",
                    "-rw-r--r-- 1 u g 531 Jan 29 03:26:17 2019 2019 notes", "2019 notes", 0, 531,
                    "Jan 29 2019", "03:26:17"},
        VariantCase{"ACL mark on the permission token",
                    "drwxr-xr-x+  3 root  other  96 Jan 29 03:26 acl", "acl", 1, 96, "Jan 29",
                    "03:26"},
        VariantCase{"a name shaped like a date and size",
                    "-rw-r--r-- 1 u g 531 Jan 29 03:26 7 Jan 29 03:26 x", "7 Jan 29 03:26 x", 0,
                    531, "Jan 29", "03:26"},
        VariantCase{"sizes beyond 32 bits", "-rw-r--r-- 1 u g 123456789012 Jan 29 2019 big",
                    "big", 0, 123456789012, "Jan 29", "2019"}),
    [](const ::testing::TestParamInfo<VariantCase>& info) {
      return listing_test::TitleToName(info.param.title);
    });

}  // namespace
