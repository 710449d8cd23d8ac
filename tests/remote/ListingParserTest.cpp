// Listing parser: UNIX and MS-DOS layouts, real-world line variants, and
// lines that must not disturb their neighbours.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "remote/ListingParser.h"

namespace {

struct Expected {
  std::string name;
  std::string sizeText;
  std::string dateText;
  std::string timeText;
  std::string attributes;
  int isFolder;
};

struct ListingCase {
  const char* title;
  std::int32_t serverType;
  std::string text;
  std::vector<Expected> records;
};

void PrintTo(const ListingCase& c, std::ostream* os) { *os << c.title; }

// Test names from the case titles: letters and digits kept, the rest "_".
std::string CaseName(const ::testing::TestParamInfo<ListingCase>& info) {
  std::string name = info.param.title;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

void ExpectRecords(const RemoteListing& listing, const std::vector<Expected>& expected) {
  ASSERT_EQ(listing.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(listing[i].name, expected[i].name);
    EXPECT_EQ(listing[i].sizeText, expected[i].sizeText);
    EXPECT_EQ(listing[i].dateText, expected[i].dateText);
    EXPECT_EQ(listing[i].timeText, expected[i].timeText);
    EXPECT_EQ(listing[i].attributes, expected[i].attributes);
    EXPECT_EQ(listing[i].isFolder, expected[i].isFolder);
  }
}

const Expected kDocs{"docs", "4096", "Mar 5", "10:15", "drwxr-xr-x", 1};
const Expected kReadme{"readme.txt", "1234", "Jan 17", "2019", "-rw-r--r--", 0};
const std::string kDocsLine = "drwxr-xr-x   2 owner  group      4096 Mar  5 10:15 docs";
const std::string kReadmeLine = "-rw-r--r--   1 owner  group      1234 Jan 17  2019 readme.txt";

class ParsedListing : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ParsedListing, GivesTheExpectedRecords) {
  const ListingCase& c = GetParam();
  ExpectRecords(ParseListing(c.serverType, c.text), c.records);
}

const std::string k300 = std::string(300, 'n');

INSTANTIATE_TEST_SUITE_P(
    Unix, ParsedListing,
    ::testing::Values(
        ListingCase{"block total line, a folder and a file", 1,
                    "total 12\r\n" + kDocsLine + "\r\n" + kReadmeLine + "\r\n",
                    {kDocs, kReadme}},
        ListingCase{"no block total line keeps the first entry", 1,
                    kDocsLine + "\r\n" + kReadmeLine + "\r\n", {kDocs, kReadme}},
        ListingCase{"a name with two blanks gets one", 1,
                    "total 1\r\n-rw-r--r-- 1 u g 5 Feb 2 08:00 my  file.txt\r\n",
                    {{"my file.txt", "5", "Feb 2", "08:00", "-rw-r--r--", 0}}},
        ListingCase{"names with several runs of blanks", 1,
                    "-rw-r--r-- 1 u g 5 Feb 2 08:00 a   b    c  d\r\n",
                    {{"a b c d", "5", "Feb 2", "08:00", "-rw-r--r--", 0}}},
        ListingCase{"symbolic link keeps arrow and target", 1,
                    "lrwxrwxrwx 1 root root 7 Jan 1 2020 bin -> usr/bin\r\n",
                    {{"bin -> usr/bin", "7", "Jan 1", "2020", "lrwxrwxrwx", 0}}},
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
        ListingCase{"trailing blanks before CR LF", 1,
                    "total 12  \r\n" + kDocsLine + "   \r\n" + kReadmeLine + " \t \r\n",
                    {kDocs, kReadme}},
        ListingCase{"text without a final line end", 1,
                    "total 12\r\n" + kDocsLine + "\r\n" + kReadmeLine, {kDocs, kReadme}},
        ListingCase{"final line ended by CR alone", 1, kDocsLine + "\r", {kDocs}},
        ListingCase{"tabs separate like blanks", 1,
                    "-rw-r--r--\t1\tu\tg\t5\tFeb\t2\t08:00\tx\ty\r\n",
                    {{"x y", "5", "Feb 2", "08:00", "-rw-r--r--", 0}}},
        ListingCase{"a 300-character name is cut to 127", 1,
                    "-rw-r--r-- 1 u g 5 Feb 2 08:00 " + k300 + "\r\n" + kReadmeLine + "\r\n",
                    {{std::string(127, 'n'), "5", "Feb 2", "08:00", "-rw-r--r--", 0}, kReadme}},
        ListingCase{"a long name of many words is cut to 127", 1,
                    "-rw-r--r-- 1 u g 5 Feb 2 08:00 " + [] {
                      std::string words;
                      for (int i = 0; i < 100; ++i) words += "ab ";
                      return words;
                    }() + "\r\n",
                    {{[] {
                        std::string name;
                        for (int i = 0; i < 42; ++i) name += "ab ";
                        return name + "a";
                      }(),
                      "5", "Feb 2", "08:00", "-rw-r--r--", 0}}},
        ListingCase{"over-long fields are cut to their widths", 1,
                    "-rw-r--r--0123456789 1 u g 123456789012345678901234 September 30 "
                    "10:15:59.123456789 f\r\n",
                    {{"f", "123456789012345", "September 30", "10:15:59.123456", "-rw-r--r--01234",
                      0}}},
        ListingCase{"a garbage line between two good lines", 1,
                    kDocsLine + "\r\nls: cannot open directory: Permission denied\r\n" +
                        kReadmeLine + "\r\n",
                    {kDocs, kReadme}},
        ListingCase{"a short line between two good lines", 1,
                    kDocsLine + "\r\n-rw-r--r-- 1 u g 5 Feb 2 08:00\r\n" + kReadmeLine + "\r\n",
                    {kDocs, kReadme}},
        ListingCase{"blank and empty lines are skipped", 1,
                    "\r\n   \r\n" + kDocsLine + "\r\n\n\r\n" + kReadmeLine + "\r\n\r\n",
                    {kDocs, kReadme}},
        ListingCase{"a total line later on is no entry", 1,
                    kDocsLine + "\r\ntotal 4\r\n" + kReadmeLine + "\r\n", {kDocs, kReadme}},
        ListingCase{"a first line that merely starts with total is an entry", 1,
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
        ListingCase{"no final line end, trailing blanks", 2,
                    kMyFolderLine + "   \r\n" + kABTxtLine, {kMyFolder, kABTxt}},
        ListingCase{"lower case folder token is a size", 2,
                    "12-31-20  10:15PM       <dir>          lower\r\n",
                    {{"lower", "<dir>", "12-31-20", "10:15PM", "", 0}}},
        ListingCase{"no line is skipped, short lines yield nothing", 2,
                    "total 2\r\n" + kMyFolderLine + "\r\n12-31-20 10:15PM <DIR>\r\n" +
                        kABTxtLine + "\r\n",
                    {kMyFolder, kABTxt}},
        ListingCase{"empty answer", 2, "", {}}),
    CaseName);

TEST(ParseListing, OtherServerTypesGiveAnEmptyListing) {
  const std::string text = "total 12\r\n" + kDocsLine + "\r\n" + kMyFolderLine + "\r\n";
  for (std::int32_t type : {0, 3, -1, 215}) {
    EXPECT_TRUE(ParseListing(type, text).empty()) << "type " << type;
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
  EXPECT_STREQ(listing[4999].name, "file4999");
  EXPECT_EQ(RecordSize(listing[4999]), 4999);
}

// NextToken over one text: the result and the token of every call.
TEST(NextToken, ReportsLineEndsAndNeverMovesBackwards) {
  const std::string text = "ab  c\r\nd   \r\n \r\nlast";
  struct Step {
    int result;
    std::string token;
  };
  const std::vector<Step> steps = {{1, "ab"}, {2, "c"}, {2, "d"}, {0, ""}, {2, "last"}, {2, ""}};
  std::size_t cursor = 0;
  char buffer[kTokenBufferSize];
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    const std::size_t before = cursor;
    EXPECT_EQ(NextToken(cursor, buffer, text), steps[i].result);
    EXPECT_EQ(std::string(buffer), steps[i].token);
    EXPECT_GE(cursor, before);
  }
  EXPECT_EQ(cursor, text.size());
}

TEST(NextToken, CutsLongTokensToTheBufferAndSkipsTheirRest) {
  const std::string text = std::string(400, 'x') + " y";
  std::size_t cursor = 0;
  char buffer[kTokenBufferSize];
  EXPECT_EQ(NextToken(cursor, buffer, text), 1);
  EXPECT_EQ(std::string(buffer), std::string(kTokenBufferSize - 1, 'x'));
  EXPECT_EQ(NextToken(cursor, buffer, text), 2);
  EXPECT_STREQ(buffer, "y");
}

TEST(RecordSize, ReadsPlainDecimalDigitsOnly) {
  const std::vector<std::pair<std::string, std::int64_t>> cases = {
      {"1234", 1234}, {"0", 0},     {"", 0},   {"<DIR>", 0}, {"12a", 0},
      {"-5", 0},      {"+5", 0},    {" 7", 0}, {"1, 3", 0},  {"999999999999999", 999999999999999}};
  for (const auto& [text, size] : cases) {
    RemoteFileRecord record{};
    text.copy(record.sizeText, sizeof(record.sizeText) - 1);
    EXPECT_EQ(RecordSize(record), size) << '"' << text << '"';
  }
}

TEST(RecordSize, ReadsAFieldWithoutTerminatingZero) {
  RemoteFileRecord record{};
  std::string(sizeof(record.sizeText), '9').copy(record.sizeText, sizeof(record.sizeText));
  EXPECT_EQ(RecordSize(record), 9999999999999999);
}

}  // namespace
