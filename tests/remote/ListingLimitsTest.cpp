// What a listing may cost and what is left out of it: name widths, the
// record limit, counts for the caller, hostile bytes; and the token reader
// and size reading the parser builds on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "remote/ListingParser.h"

namespace {

std::string UnixLine(const std::string& name) {
  return "-rw-r--r-- 1 u g 5 Feb 2 08:00 " + name + "\r\n";
}
std::string MsDosLine(const std::string& name) { return "01-02-21  09:00AM  5 " + name + "\r\n"; }

TEST(ListingLimits, NamesUpToTheWidthAreKeptLongerOnesSkippedAndCounted) {
  const std::string kept(kMaxRecordNameLength, 'k');
  const std::string tooLong(300, 'n');
  const std::string justOver(kMaxRecordNameLength + 1, 'j');
  for (auto line : {UnixLine, MsDosLine}) {
    const ListingParse parsed = ParseListingWithCounts(
        1, line("a") + line(tooLong) + line(kept) + line(justOver) + line("b"));
    ASSERT_EQ(parsed.records.size(), 3u);
    EXPECT_EQ(parsed.records[0].name, "a");
    EXPECT_EQ(parsed.records[1].name, kept);
    EXPECT_EQ(parsed.records[2].name, "b");
    EXPECT_EQ(parsed.skippedNames, 2u);
    EXPECT_EQ(parsed.unknownLines, 0u);
    EXPECT_FALSE(parsed.truncated);
  }
}

TEST(ListingLimits, LinkNameCountsWithoutItsTarget) {
  const std::string name(kMaxRecordNameLength, 'l');
  const std::string target(1000, 't');
  const ListingParse parsed =
      ParseListingWithCounts(1, "lrwxrwxrwx 1 u g 5 Feb 2 08:00 " + name + " -> " + target);
  ASSERT_EQ(parsed.records.size(), 1u);
  EXPECT_EQ(parsed.records[0].name, name);
  EXPECT_EQ(parsed.records[0].linkTarget, target);
}

TEST(ListingLimits, ANameWithANulByteIsSkippedNotCut) {
  const std::string text = UnixLine("good1") + UnixLine(std::string("ba\0d", 4)) +
                           MsDosLine(std::string("\0x", 2)) + UnixLine("good2");
  const ListingParse parsed = ParseListingWithCounts(1, text);
  ASSERT_EQ(parsed.records.size(), 2u);
  EXPECT_EQ(parsed.records[0].name, "good1");
  EXPECT_EQ(parsed.records[1].name, "good2");
  EXPECT_EQ(parsed.skippedNames, 2u);
}

TEST(ListingLimits, CountsLinesThatFitNoLayoutButNotBlanksOrTotals) {
  const std::string text = "total 12\r\n\r\n  \t \r\nls: cannot open: Permission denied\r\n" +
                           UnixLine("a") + "-rw-r--r-- 1 u g\r\ntotal 4\r\n" + MsDosLine("b") +
                           std::string("\0\0\0\r\n", 5) + "\x01\x02 \x7f\xff\n";
  const ListingParse parsed = ParseListingWithCounts(2, text);
  EXPECT_EQ(parsed.records.size(), 2u);
  EXPECT_EQ(parsed.unknownLines, 4u);
  EXPECT_EQ(parsed.skippedNames, 0u);
}

TEST(ListingLimits, RecordsStopAtTheLimitAndTheCutIsReported) {
  std::string text;
  for (int i = 0; i < 6; ++i) text += UnixLine("f" + std::to_string(i));

  const ListingParse cut = ParseListingWithCounts(1, "garbage\n" + text, 4);
  ASSERT_EQ(cut.records.size(), 4u);
  EXPECT_EQ(cut.records[3].name, "f3");
  EXPECT_TRUE(cut.truncated);

  // Exactly the limit, with lines after it that are no entries: no cut.
  const ListingParse exact =
      ParseListingWithCounts(1, text + "\r\ntotal 3\r\n" + UnixLine(std::string(300, 'x')), 6);
  EXPECT_EQ(exact.records.size(), 6u);
  EXPECT_FALSE(exact.truncated);
  EXPECT_EQ(exact.skippedNames, 1u);
  EXPECT_EQ(ParseListing(1, text).size(), 6u);
}

// Memory follows the entries found, never the number of lines: a long run
// of line ends or of garbage lines yields an empty listing.
TEST(ListingLimits, ManyEmptyOrGarbageLinesCostNoRecords) {
  const std::string ends(64u * 1024 * 1024, '\n');
  const ListingParse blank = ParseListingWithCounts(1, ends);
  EXPECT_TRUE(blank.records.empty());
  EXPECT_EQ(blank.records.capacity(), 0u);
  EXPECT_EQ(blank.unknownLines, 0u);

  std::string garbage;
  for (int i = 0; i < 100000; ++i) garbage += "x\r\n";
  const ListingParse junk = ParseListingWithCounts(0, garbage);
  EXPECT_TRUE(junk.records.empty());
  EXPECT_EQ(junk.unknownLines, 100000u);
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
      {"1234", 1234}, {"0", 0},       {"", 0},     {"<DIR>", 0},
      {"12a", 0},     {"-5", 0},      {"+5", 0},   {" 7", 0},
      {"1, 3", 0},    {"9,730", 0},   {"9223372036854775807", 9223372036854775807},
      {"9223372036854775808", 0}};
  for (const auto& [text, size] : cases) {
    RemoteFileRecord record{};
    text.copy(record.sizeText, sizeof(record.sizeText) - 1);
    EXPECT_EQ(RecordSize(record), size) << '"' << text << '"';
  }
}

TEST(RecordSize, ReadsAFieldWithoutTerminatingZero) {
  RemoteFileRecord record{};
  std::memset(record.sizeText, '0', sizeof(record.sizeText));
  std::memcpy(record.sizeText + sizeof(record.sizeText) - 3, "123", 3);
  EXPECT_EQ(RecordSize(record), 123);
}

}  // namespace
