// Reading a local folder for the local list: order, column texts, and what
// is left of a folder that can't be read whole.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "local/LocalListing.h"
#include "support/LocalTree.h"
#include "support/RealServers.h"

using skifftest::MakeFile;

namespace {

std::vector<std::string> Names(const LocalListing& listing) {
  std::vector<std::string> names;
  for (const LocalRow& row : listing.rows) names.push_back(row.name);
  return names;
}

void SetModified(const std::string& path, long long seconds) {
  timeval times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
  ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

TEST(LocalListing, FoldersFirstThenFilesEachByNameWithoutRegardToCase) {
  skifftest::TempDir dir;
  const std::string root = dir.Path() + "/";
  ASSERT_TRUE(platform::CreateDirectory(root + "zeta"));
  ASSERT_TRUE(platform::CreateDirectory(root + "Alpha"));
  ASSERT_TRUE(MakeFile(root + "b.txt", "b"));
  ASSERT_TRUE(MakeFile(root + "A.txt", "a"));
  ASSERT_TRUE(MakeFile(root + ".hidden", ""));
  ASSERT_TRUE(MakeFile(root + "a.txt", "lower"));
  const LocalListing listing = ReadLocalFolder(dir.Path());  // no trailing "/"
  EXPECT_EQ(listing.folder, root);
  EXPECT_EQ(listing.error, 0);
  // Names that differ in case only keep a stable order between them.
  const std::vector<std::string> names = Names(listing);
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names[0], "Alpha");
  EXPECT_EQ(names[1], "zeta");
  EXPECT_EQ(names[2], ".hidden");
  EXPECT_TRUE((names[3] == "A.txt" && names[4] == "a.txt") ||
              (names[3] == "a.txt" && names[4] == "A.txt"));
  EXPECT_EQ(names[5], "b.txt");
  EXPECT_TRUE(listing.rows[0].isFolder);
  EXPECT_FALSE(listing.rows[5].isFolder);
  EXPECT_EQ(SizeText(listing.rows[0]), "0");  // folders show 0
  EXPECT_EQ(SizeText(listing.rows[5]), "1");
}

TEST(LocalListing, SizesBeyondFourGigabytesAndTimesInUtcWhateverTheZone) {
  skifftest::TempDir dir;
  const std::string big = dir.Path() + "/big.bin", odd = dir.Path() + "/odd.bin";
  ASSERT_TRUE(MakeFile(big, ""));
  ASSERT_TRUE(MakeFile(odd, ""));
  ASSERT_EQ(::truncate(big.c_str(), 5'000'000'000LL), 0);  // sparse: no disk used
  ASSERT_EQ(::truncate(odd.c_str(), 3'000'000'000LL), 0);
  SetModified(big, 1267607100);  // 2010-03-03 09:05:00 UTC
  const char* oldZone = std::getenv("TZ");
  const std::string savedZone = oldZone ? oldZone : "";
  ::setenv("TZ", "Asia/Kolkata", 1);
  ::tzset();
  const LocalListing listing = ReadLocalFolder(dir.Path() + "/");
  if (oldZone) ::setenv("TZ", savedZone.c_str(), 1); else ::unsetenv("TZ");
  ::tzset();
  ASSERT_EQ(listing.rows.size(), 2u);
  EXPECT_EQ(listing.rows[0].name, "big.bin");
  EXPECT_EQ(SizeText(listing.rows[0]), "5000000000");
  EXPECT_EQ(SizeText(listing.rows[1]), "3000000000");
  EXPECT_EQ(TimeText(listing.rows[0]), "2010-3-3 9:5");
  EXPECT_EQ(TimeText(0), "1970-1-1 0:0");
  EXPECT_EQ(TimeText(1767225599), "2025-12-31 23:59");
  EXPECT_EQ(TimeText(-86400), "1969-12-31 0:0");
}

TEST(LocalListing, EntriesWithoutAttributesAndOddNamesKeepTheirBytes) {
  skifftest::TempDir dir;
  const std::string root = dir.Path() + "/";
  const std::string oddName = std::string("bad\xff\xfe name\nline");
  ASSERT_TRUE(MakeFile(root + oddName, "x"));
  ASSERT_EQ(::symlink("nowhere", (root + "dangling").c_str()), 0);
  ASSERT_TRUE(platform::CreateDirectory(root + "real"));
  ASSERT_EQ(::symlink("real", (root + "linked").c_str()), 0);
  const LocalListing listing = ReadLocalFolder(root);
  ASSERT_EQ(listing.rows.size(), 4u);
  // The link to a folder is a folder one can enter.
  EXPECT_EQ(listing.rows[0].name, "linked");
  EXPECT_TRUE(listing.rows[0].isFolder);
  EXPECT_EQ(listing.rows[1].name, "real");
  EXPECT_EQ(listing.rows[2].name, oddName);
  EXPECT_EQ(listing.rows[3].name, "dangling");
  EXPECT_FALSE(listing.rows[3].hasAttributes);
  EXPECT_EQ(SizeText(listing.rows[3]), "");
  EXPECT_EQ(TimeText(listing.rows[3]), "");
}

TEST(LocalListing, AFolderThatCantBeReadGivesNoRowsAndItsError) {
  skifftest::TempDir dir;
  LocalListing missing = ReadLocalFolder(dir.Path() + "/gone/");
  EXPECT_TRUE(missing.rows.empty());
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_EQ(missing.folder, dir.Path() + "/gone/");
  ASSERT_TRUE(MakeFile(dir.Path() + "/file", "x"));
  LocalListing notFolder = ReadLocalFolder(dir.Path() + "/file");
  EXPECT_TRUE(notFolder.rows.empty());
  EXPECT_EQ(notFolder.error, ENOTDIR);
  EXPECT_EQ(ReadLocalFolder("").folder, "/");
}

}  // namespace
