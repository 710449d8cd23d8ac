// Whole-file replacement: the new contents or the old file, never a mix, and
// the system's reason when it fails.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "platform/ErrorText.h"
#include "platform/Files.h"
#include "support/RealServers.h"

namespace {

std::size_t EntriesIn(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  return platform::ListFolder(folder, entries) ? entries.size() : 0;
}

bool Replace(const std::string& path, const std::string& text, std::string& error) {
  return platform::ReplaceFileContents(path, text.data(), text.size(), true, error);
}

}  // namespace

TEST(ReplaceFileContents, ReplacesTheFileAndLeavesNothingBeside) {
  skifftest::TempDir dir;
  std::string error = "stale";
  ASSERT_TRUE(Replace(dir.PathOf("f"), "first", error));
  EXPECT_TRUE(error.empty());
  ASSERT_TRUE(Replace(dir.PathOf("f"), "second", error));
  EXPECT_EQ(dir.ReadFile("f"), "second");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);  // no temporary file is left
}

TEST(ReplaceFileContents, AFailureNamesTheReasonAndKeepsTheOldFile) {
  skifftest::TempDir dir;
  std::string error;
  EXPECT_FALSE(Replace(dir.PathOf("no/such/f"), "x", error));
  EXPECT_EQ(error, platform::ErrorText(ENOENT));
  EXPECT_EQ(EntriesIn(dir.Path()), 0u);

  ASSERT_TRUE(Replace(dir.PathOf("f"), "old", error));
  // A folder where the temporary file goes: even root can't write there.
  std::string temp = dir.PathOf("f.tmp" + std::to_string(::getpid()));
  ASSERT_TRUE(platform::CreateDirectory(temp));
  EXPECT_FALSE(Replace(dir.PathOf("f"), "new", error));
  EXPECT_EQ(error, platform::ErrorText(EISDIR));
  EXPECT_EQ(dir.ReadFile("f"), "old");
  ::rmdir(temp.c_str());

  // The old form without a reason still answers the same.
  std::string text = "kept";
  EXPECT_FALSE(platform::ReplaceFileContents(dir.PathOf("f/g"), text.data(), text.size(), true));
}

TEST(ReplaceFileContents, ABareNameGoesToTheWorkingFolder) {
  skifftest::TempDir dir;
  char previous[PATH_MAX];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
  std::string error;
  bool ok = Replace("bare.TWQ", "queue", error);
  ASSERT_EQ(::chdir(previous), 0);
  EXPECT_TRUE(ok) << error;
  EXPECT_EQ(dir.ReadFile("bare.TWQ"), "queue");
}
