// MLSD lines into records that read as LIST records do: the facts a pane
// shows, names kept byte for byte, and hostile lines dropped one by one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ListingExpect.h"
#include "remote/MlsdParser.h"

namespace {

using listing_test::Expected;
using listing_test::ExpectRecords;

// 2024-06-15 12:00:00 UTC.
constexpr std::int64_t kNow = 1718452800;

ListingParse Parse(std::string_view text) { return ParseMlsdListing(text, kNow); }

TEST(MlsdParser, FactsFillTheFieldsAPaneShows) {
  const std::string text =
      "type=dir;size=4096;modify=20240601101500;UNIX.mode=0755;perm=flcdmpe; docs\r\n"
      "type=file;size=1234;modify=20210305101500.123;unix.mode=0o644; a  b.txt\r\n"
      "Type=FILE;Size=0;Modify=20240615110000; caf\xc3\xa9 \xe2\x82\xac\r\n"
      "type=OS.unix=slink:/etc/target;size=11;modify=20240101000000;UNIX.mode=0777; link\r\n"
      "modify=20240614093000;type=file;size=42;UNIX.mode=4755;unique=801g12;  two leading\r\n"
      "type=dir;sizd=512; no date\r\n";
  const ListingParse parsed = Parse(text);
  EXPECT_EQ(parsed.unknownLines, 0u);
  EXPECT_EQ(parsed.skippedNames, 0u);
  ExpectRecords(parsed.records,
                {{"docs", "4096", "Jun 01", "10:15", "drwxr-xr-x", 1},
                 {"a  b.txt", "1234", "Mar 05", "2021", "-rw-r--r--", 0},
                 {"caf\xc3\xa9 \xe2\x82\xac", "0", "Jun 15", "11:00", "", 0},
                 {"link", "11", "Jan 01", "00:00", "lrwxrwxrwx", 0, 1, "/etc/target"},
                 {" two leading", "42", "Jun 14", "09:30", "-rwsr-xr-x", 0},
                 {"no date", "512", "", "", "", 1}});
}

TEST(MlsdParser, DatesReadLikeTheListLineOfTheSameFile) {
  // pyftpdlib's LIST shows the time within half a year, else the year.
  struct Case {
    const char* modify;
    const char* listLine;
  } cases[] = {
      {"20240615115900", "-rw-r--r-- 1 u g 5 Jun 15 11:59 f"},
      {"20231220080000", "-rw-r--r-- 1 u g 5 Dec 20 08:00 f"},
      {"20231201080000", "-rw-r--r-- 1 u g 5 Dec 01  2023 f"},
      {"20250101000000", "-rw-r--r-- 1 u g 5 Jan 01  2025 f"},
      {"19991231235959", "-rw-r--r-- 1 u g 5 Dec 31  1999 f"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.modify);
    const RemoteListing list = ParseListing(1, c.listLine);
    const ListingParse mlsd = Parse(std::string("type=file;size=5;modify=") + c.modify + "; f");
    ASSERT_EQ(list.size(), 1u);
    ASSERT_EQ(mlsd.records.size(), 1u);
    EXPECT_STREQ(mlsd.records[0].dateText, list[0].dateText);
    EXPECT_STREQ(mlsd.records[0].timeText, list[0].timeText);
    EXPECT_STREQ(mlsd.records[0].sizeText, list[0].sizeText);
  }
}

TEST(MlsdParser, TheFolderItselfAndItsParentAreNeverListed) {
  const ListingParse parsed = Parse(
      "type=cdir;modify=20240101000000; /home/user\r\n"
      "type=pdir;modify=20240101000000; ..\r\n"
      "type=CDIR; .\r\n"
      "type=file;size=1; f\r\n");
  EXPECT_EQ(parsed.unknownLines, 0u);
  EXPECT_EQ(parsed.skippedNames, 0u);
  ASSERT_EQ(parsed.records.size(), 1u);
  EXPECT_EQ(parsed.records[0].name, "f");
}

struct HostileCase {
  const char* title;
  std::string line;
  MlsdLine result;
};

class MlsdHostileLine : public ::testing::TestWithParam<HostileCase> {};

// Each hostile line goes alone and does not disturb a good line after it.
TEST_P(MlsdHostileLine, IsDroppedAloneWithoutDisturbingTheNextLine) {
  const HostileCase& c = GetParam();
  RemoteFileRecord record{};
  EXPECT_EQ(ParseMlsdLine(c.line, kNow, record), c.result);
  const ListingParse parsed = Parse(c.line + "\r\ntype=file;size=7; good\r\n");
  ASSERT_EQ(parsed.records.size(), 1u);
  EXPECT_EQ(parsed.records[0].name, "good");
  EXPECT_STREQ(parsed.records[0].sizeText, "7");
  EXPECT_EQ(parsed.unknownLines, c.result == MlsdLine::kBadFacts ? 1u : 0u);
  EXPECT_EQ(parsed.skippedNames, c.result == MlsdLine::kBadName ? 1u : 0u);
}

const HostileCase kHostile[] = {
    {"fact without equals", "type=file;size;modify=20240101000000; name", MlsdLine::kBadFacts},
    {"fact with empty key", "type=file;=5; name", MlsdLine::kBadFacts},
    {"type missing", "size=5;modify=20240101000000; name", MlsdLine::kBadFacts},
    {"type empty", "type=;size=5; name", MlsdLine::kBadFacts},
    {"no blank at all", "type=file;size=5;name", MlsdLine::kBadFacts},
    {"no facts", " name", MlsdLine::kBadFacts},
    {"plain LIST line", "-rw-r--r-- 1 u g 5 Jun 15 11:59 f", MlsdLine::kBadFacts},
    {"fact list over 4 KiB",
     "type=file;x.pad=" + std::string(kMaxMlsdFactBytes, 'a') + "; name", MlsdLine::kBadFacts},
    {"slash in name", "type=file;size=5; ../../etc/passwd", MlsdLine::kBadName},
    {"backslash in name", "type=file;size=5; ..\\evil", MlsdLine::kBadName},
    {"NUL in name", std::string("type=file;size=5; a\0b", 21), MlsdLine::kBadName},
    {"empty name", "type=file;size=5; ", MlsdLine::kBadName},
    {"name too long", "type=file;size=5; " + std::string(kMaxRecordNameLength + 1, 'n'),
     MlsdLine::kBadName},
};

INSTANTIATE_TEST_SUITE_P(Lines, MlsdHostileLine, ::testing::ValuesIn(kHostile),
                         [](const auto& info) { return listing_test::TitleToName(info.param.title); });

TEST(MlsdParser, UnreadableFactValuesLeaveTheirFieldEmpty) {
  struct Case {
    const char* facts;
    Expected expected;
  } cases[] = {
      {"type=file;size=12x;", {"n", "", "", "", "", 0}},
      {"type=file;size=123456789012345678901;", {"n", "", "", "", "", 0}},
      {"type=file;modify=2024061512;", {"n", "", "", "", "", 0}},
      {"type=file;modify=20241315120000;", {"n", "", "", "", "", 0}},
      {"type=file;modify=20240615120000.12x;", {"n", "", "", "", "", 0}},
      {"type=file;UNIX.mode=0999;", {"n", "", "", "", "", 0}},
      {"type=file;UNIX.mode=777777;", {"n", "", "", "", "", 0}},
      {"type=OS.unix=blkdev;size=0;", {"n", "0", "", "", "", 0}},
      {"type=OS.unix=slink;", {"n", "", "", "", "", 0, 1, ""}},
      {"type=file;;size=3;", {"n", "3", "", "", "", 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.facts);
    ExpectRecords(Parse(std::string(c.facts) + " n").records, {c.expected});
  }
}

TEST(MlsdParser, LineEndsAndLimits) {
  // LF alone, a last line without an end, a blank line, a CR kept inside a
  // name only when it does not end the line.
  ListingParse parsed = Parse("type=file;size=1; a\n\ntype=file;size=2; b \r\ntype=dir; c");
  ExpectRecords(parsed.records, {{"a", "1", "", "", "", 0}, {"b ", "2", "", "", "", 0},
                                 {"c", "", "", "", "", 1}});
  std::string many;
  for (int i = 0; i < 10; ++i) many += "type=file;size=1; f" + std::to_string(i) + "\r\n";
  parsed = ParseMlsdListing(many, kNow, 4);
  EXPECT_TRUE(parsed.truncated);
  ASSERT_EQ(parsed.records.size(), 4u);
  EXPECT_EQ(parsed.records[3].name, "f3");
  EXPECT_TRUE(Parse("").records.empty());
}

}  // namespace
