// Listing parser: UNIX and MS-DOS layouts, names as the server sent them,
// symbolic links, line ends, and lines that must not disturb their neighbours.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ListingExpect.h"
#include "remote/ListingParser.h"

namespace {

using listing_test::Expected;
using listing_test::ExpectRecords;

struct ListingCase {
  const char* title;
  std::int32_t serverType;
  std::string text;
  std::vector<Expected> records;
};

void PrintTo(const ListingCase& c, std::ostream* os) { *os << c.title; }

std::string CaseName(const ::testing::TestParamInfo<ListingCase>& info) {
  return listing_test::TitleToName(info.param.title);
}

const Expected kDocs{"docs", "4096", "Mar 5", "10:15", "drwxr-xr-x", 1};
const Expected kReadme{"readme.txt", "1234", "Jan 17", "2019", "-rw-r--r--", 0};
const std::string kDocsLine = "drwxr-xr-x   2 owner  group      4096 Mar  5 10:15 docs";
const std::string kReadmeLine = "-rw-r--r--   1 owner  group      1234 Jan 17  2019 readme.txt";

// A UNIX file line with the given name after the time.
std::string FileLine(const std::string& name) {
  return "-rw-r--r-- 1 u g 5 Feb 2 08:00 " + name;
}
Expected File(const std::string& name) { return {name, "5", "Feb 2", "08:00", "-rw-r--r--", 0}; }

class ParsedListing : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ParsedListing, GivesTheExpectedRecords) {
  const ListingCase& c = GetParam();
  ExpectRecords(ParseListing(c.serverType, c.text), c.records);
}

INSTANTIATE_TEST_SUITE_P(
    Unix, ParsedListing,
    ::testing::Values(
        ListingCase{"block total line, a folder and a file", 1,
                    "total 12\r\n" + kDocsLine + "\r\n" + kReadmeLine + "\r\n",
                    {kDocs, kReadme}},
        ListingCase{"no block total line keeps the first entry", 1,
                    kDocsLine + "\r\n" + kReadmeLine + "\r\n", {kDocs, kReadme}},
        ListingCase{"a name keeps its runs of blanks", 1,
                    "total 1\r\n" + FileLine("my  file.txt") + "\r\n" + FileLine("a   b    c  d") +
                        "\r\n",
                    {File("my  file.txt"), File("a   b    c  d")}},
        ListingCase{"a name keeps its leading blank", 1,
                    FileLine(" lead.txt") + "\r\n" + FileLine("   three.txt") + "\n",
                    {File(" lead.txt"), File("   three.txt")}},
        ListingCase{"a name keeps its trailing blanks", 1,
                    "total 12  \r\n" + kDocsLine + "   \r\n" + FileLine("tail \t ") + "\r\n",
                    {{"docs   ", "4096", "Mar 5", "10:15", "drwxr-xr-x", 1}, File("tail \t ")}},
        ListingCase{"a year column keeps the single blank before the name", 1,
                    "-rw-r--r-- 1 u g 9 Dec 24  2019  x\r\n",
                    {{" x", "9", "Dec 24", "2019", "-rw-r--r--", 0}}},
        ListingCase{"a name that starts with a year or a time", 1,
                    FileLine("2019 report") + "\r\n" + FileLine("10:15 notes") + "\r\n",
                    {File("2019 report"), File("10:15 notes")}},
        ListingCase{"symbolic link splits name and target", 1,
                    "lrwxrwxrwx 1 root root 7 Jan 1 2020 bin -> usr/bin\r\n",
                    {{"bin", "7", "Jan 1", "2020", "lrwxrwxrwx", 0, 1, "usr/bin"}}},
        ListingCase{"link name and target with blanks", 1,
                    "lrwxrwxrwx 1 u g 12 Jan 1 2020 my  link -> /a b/c\r\n",
                    {{"my  link", "12", "Jan 1", "2020", "lrwxrwxrwx", 0, 1, "/a b/c"}}},
        ListingCase{"link without a target shown", 1,
                    "lrwxrwxrwx 1 u g 12 Jan 1 2020 lonely\r\n",
                    {{"lonely", "12", "Jan 1", "2020", "lrwxrwxrwx", 0, 1, ""}}},
        ListingCase{"an arrow in a plain file name stays", 1, FileLine("a -> b") + "\r\n",
                    {File("a -> b")}},
        ListingCase{"device file keeps major and minor together", 1,
                    "crw-rw-rw- 1 root root 1, 3 Jan 1 2020 null\r\n" + kReadmeLine + "\r\n",
                    {{"null", "1, 3", "Jan 1", "2020", "crw-rw-rw-", 0}, kReadme}},
        ListingCase{"device file with the minor number glued on", 1,
                    "brw-rw---- 1 root disk 8,0 Jan 1 2020 sda\r\n",
                    {{"sda", "8,0", "Jan 1", "2020", "brw-rw----", 0}}},
        ListingCase{"numeric owner and group", 1,
                    "-rw-r--r-- 1 1000 1000 77 Dec 31 23:59 data.bin\r\n",
                    {{"data.bin", "77", "Dec 31", "23:59", "-rw-r--r--", 0}}},
        ListingCase{"dot entries stay records", 1,
                    "total 8\r\ndrwxr-xr-x 2 u g 4096 Mar 5 10:15 .\r\n"
                    "drwxr-xr-x 9 u g 4096 Mar 5 10:15 ..\r\n",
                    {{".", "4096", "Mar 5", "10:15", "drwxr-xr-x", 1},
                     {"..", "4096", "Mar 5", "10:15", "drwxr-xr-x", 1}}},
        ListingCase{"lines ended by LF alone", 1,
                    "total 12\n" + kDocsLine + "\n" + kReadmeLine + "\n", {kDocs, kReadme}},
        ListingCase{"text without a final line end", 1,
                    "total 12\r\n" + kDocsLine + "\r\n" + kReadmeLine, {kDocs, kReadme}},
        ListingCase{"final line ended by CR alone", 1, kDocsLine + "\r", {kDocs}},
        ListingCase{"a CR inside a line belongs to the name", 1, FileLine("a\rb") + "\r\n",
                    {File("a\rb")}},
        ListingCase{"tabs separate the columns; a tab in the name stays", 1,
                    "-rw-r--r--\t1\tu\tg\t5\tFeb\t2\t08:00\tx\ty\r\n", {File("x\ty")}},
        ListingCase{"an over-long permission token is cut for display", 1,
                    "-rw-r--r--0123456789 1 u g 5 Feb 2 08:00 f\r\n",
                    {{"f", "5", "Feb 2", "08:00", "-rw-r--r--0", 0}}},
        ListingCase{"a garbage line between two good lines", 1,
                    kDocsLine + "\r\nls: cannot open directory: Permission denied\r\n" +
                        kReadmeLine + "\r\n",
                    {kDocs, kReadme}},
        ListingCase{"short lines between two good lines", 1,
                    kDocsLine + "\r\n" + FileLine("") + "\r\n" + FileLine("   ") + "\r\n" +
                        "-rw-r--r-- 1 u g 5\r\n" + kReadmeLine + "\r\n",
                    {kDocs, kReadme}},
        ListingCase{"blank and empty lines are skipped", 1,
                    "\r\n   \r\n" + kDocsLine + "\r\n\n\r\n" + kReadmeLine + "\r\n\r\n",
                    {kDocs, kReadme}},
        ListingCase{"a total line later on is no entry", 1,
                    kDocsLine + "\r\ntotal 4\r\n" + kReadmeLine + "\r\n", {kDocs, kReadme}},
        ListingCase{"a first line that merely starts with total is no entry", 1,
                    "total 12 x\r\n" + kDocsLine + "\r\n", {kDocs}},
        ListingCase{"empty answer", 1, "", {}},
        ListingCase{"answer of line ends only", 1, "\r\n\r\n", {}}),
    CaseName);

const Expected kMyFolder{"My Folder", "", "12-31-20", "10:15PM", "", 1};
const Expected kABTxt{"a b.txt", "1234", "01-02-21", "09:00AM", "", 0};
const std::string kMyFolderLine = "12-31-20  10:15PM       <DIR>          My Folder";
const std::string kABTxtLine = "01-02-21  09:00AM              1234 a b.txt";

INSTANTIATE_TEST_SUITE_P(
    MsDos, ParsedListing,
    ::testing::Values(
        ListingCase{"a folder and a file with CR LF", 2,
                    kMyFolderLine + "\r\n" + kABTxtLine + "\r\n", {kMyFolder, kABTxt}},
        ListingCase{"a folder and a file with LF", 2, kMyFolderLine + "\n" + kABTxtLine + "\n",
                    {kMyFolder, kABTxt}},
        ListingCase{"no final line end", 2, kMyFolderLine + "\r\n" + kABTxtLine,
                    {kMyFolder, kABTxt}},
        ListingCase{"padding before the name goes, blanks within and after it stay", 2,
                    "01-02-21  09:00AM              1234    a  b.txt  \r\n",
                    {{"a  b.txt  ", "1234", "01-02-21", "09:00AM", "", 0}}},
        ListingCase{"four-digit years and a 24-hour clock", 2,
                    "2002-09-02  18:48       <DIR>          DIR\r\n"
                    "2002-09-02  19:06                9,730 file.txt\r\n",
                    {{"DIR", "", "2002-09-02", "18:48", "", 1},
                     {"file.txt", "9730", "2002-09-02", "19:06", "", 0}}},
        ListingCase{"the folder mark in any case", 2,
                    "04-27-00  12:09PM       <dir>          lower\r\n",
                    {{"lower", "", "04-27-00", "12:09PM", "", 1}}},
        ListingCase{"AM or PM apart from the time", 2,
                    "04-27-00  12:09 PM             42 x.txt\r\n",
                    {{"x.txt", "42", "04-27-00", "12:09 PM", "", 0}}},
        ListingCase{"size groups with commas or dots", 2,
                    "04-27-00  12:09PM  1,234,567 a\r\n04-27-00  12:09PM  9.730 b\r\n"
                    "04-27-00  12:09PM  999 c\r\n",
                    {{"a", "1234567", "04-27-00", "12:09PM", "", 0},
                     {"b", "9730", "04-27-00", "12:09PM", "", 0},
                     {"c", "999", "04-27-00", "12:09PM", "", 0}}},
        ListingCase{"sizes that are no thousands groups make no entry", 2,
                    "04-27-00  12:09PM  12,34 a\r\n04-27-00  12:09PM  1.5 b\r\n"
                    "04-27-00  12:09PM  1,234.567 c\r\n04-27-00  12:09PM  ,123 d\r\n" +
                        kABTxtLine + "\r\n",
                    {kABTxt}},
        ListingCase{"block totals and short lines yield nothing", 2,
                    "total 2\r\n" + kMyFolderLine + "\r\n12-31-20 10:15PM <DIR>\r\n" +
                        "12-31-20 10:15PM <DIR>    \r\n" + kABTxtLine + "\r\n",
                    {kMyFolder, kABTxt}},
        ListingCase{"empty answer", 2, "", {}}),
    CaseName);

// Both layouts and both line ends in one listing come out the same whatever
// the server said its type was, including when it said nothing useful.
TEST(ParseListing, RecognisesEachLinesLayoutWhateverTheServerType) {
  const std::string text = "total 12\r\n" + kDocsLine + "\n" + kMyFolderLine + "\r\n" +
                           kReadmeLine + "\r\n" + kABTxtLine + "\n";
  for (std::int32_t type : {1, 2, 0, 3, -1, 215}) {
    SCOPED_TRACE("type " + std::to_string(type));
    ExpectRecords(ParseListing(type, text), {kDocs, kMyFolder, kReadme, kABTxt});
  }
}

TEST(ParseListing, ManyLinesGiveOneRecordEach) {
  std::string text = "total 100000\r\n";
  for (int i = 0; i < 5000; ++i) {
    text += "-rw-r--r-- 1 u g " + std::to_string(i) + " Jan 1 2020 file" + std::to_string(i);
    text += (i % 2) ? "\n" : "\r\n";
  }
  const RemoteListing listing = ParseListing(1, text);
  ASSERT_EQ(listing.size(), 5000u);
  EXPECT_EQ(listing[4999].name, "file4999");
  EXPECT_EQ(RecordSize(listing[4999]), 4999);
}

}  // namespace
