// Copying local entries into a folder (files dropped from the desktop): the
// sources stay, a target that exists is replaced only on a yes, nothing is
// copied into itself, and a failed copy leaves no trace at the target.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/LocalFileOps.h"
#include "support/LocalTree.h"
#include "support/RealServers.h"

using platform::FileOpCallbacks;
using skifftest::NamesIn;
using skifftest::Snapshot;

namespace {

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return bytes;
}

}  // namespace

TEST(LocalCopy, CopiesFilesAndTreesAndKeepsTheSources) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("into"));
  ASSERT_TRUE(dir.WriteFile("from/big.bin", Pattern(700 * 1024 + 3)));
  ASSERT_TRUE(dir.WriteFile("from/tree/a/deep.txt", "deep"));
  ASSERT_TRUE(dir.WriteFile("from/tree/top.txt", "top"));
  const auto before = Snapshot(dir.PathOf("from"));
  std::size_t ticks = 0;
  FileOpCallbacks callbacks;
  callbacks.progress = [&](const platform::FileOpProgress&) { return ++ticks > 0; };
  const platform::FileOpResult result = platform::CopyInto(
      {dir.PathOf("from/big.bin"), dir.PathOf("from/tree/")}, dir.PathOf("into") + "/", callbacks);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.done, 2u);
  EXPECT_GT(ticks, 2u);
  EXPECT_EQ(dir.ReadFile("into/big.bin"), Pattern(700 * 1024 + 3));
  EXPECT_EQ(dir.ReadFile("into/tree/a/deep.txt"), "deep");
  EXPECT_EQ(Snapshot(dir.PathOf("into/tree")), Snapshot(dir.PathOf("from/tree")));
  EXPECT_EQ(Snapshot(dir.PathOf("from")), before);
  // No temporary names are left beside the copies.
  EXPECT_EQ(NamesIn(dir.PathOf("into")), (std::vector<std::string>{"big.bin", "tree"}));
}

TEST(LocalCopy, AnExistingTargetIsReplacedOnlyOnYesAndNeverByItself) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.WriteFile("from/same.txt", "new"));
  ASSERT_TRUE(dir.WriteFile("into/same.txt", "old"));
  ASSERT_TRUE(dir.WriteFile("into/here.txt", "here"));
  ASSERT_TRUE(dir.WriteFile("into/full/keep.txt", "keep"));
  ASSERT_TRUE(dir.MakeDir("from/full"));
  std::vector<std::string> asked;
  bool yes = false;
  FileOpCallbacks callbacks;
  callbacks.replace = [&](const std::string& target) {
    asked.push_back(target);
    return yes;
  };
  const std::string into = dir.PathOf("into");

  // No: kept, counted as skipped.
  platform::FileOpResult no = platform::CopyInto({dir.PathOf("from/same.txt")}, into, callbacks);
  EXPECT_TRUE(no.Succeeded());
  EXPECT_EQ(no.skipped, 1u);
  EXPECT_EQ(dir.ReadFile("into/same.txt"), "old");
  ASSERT_EQ(asked, (std::vector<std::string>{into + "/same.txt"}));

  // Yes: replaced; an item dropped where it already is isn't asked about.
  yes = true;
  platform::FileOpResult replaced =
      platform::CopyInto({dir.PathOf("from/same.txt"), dir.PathOf("into/here.txt")}, into, callbacks);
  EXPECT_TRUE(replaced.Succeeded());
  EXPECT_EQ(replaced.done, 1u);
  EXPECT_EQ(replaced.skipped, 1u);
  EXPECT_EQ(dir.ReadFile("into/same.txt"), "new");
  EXPECT_EQ(dir.ReadFile("into/here.txt"), "here");
  EXPECT_EQ(asked.size(), 2u);

  // A folder over a folder that holds something: refused, both kept.
  platform::FileOpResult full = platform::CopyInto({dir.PathOf("from/full")}, into, callbacks);
  ASSERT_EQ(full.failures.size(), 1u);
  EXPECT_EQ(full.failures[0].error, ENOTEMPTY);
  EXPECT_EQ(dir.ReadFile("into/full/keep.txt"), "keep");

  // A folder into itself or below itself: refused, nothing made.
  const auto intoBefore = Snapshot(into);
  platform::FileOpResult self = platform::CopyInto({into, dir.PathOf("into/")}, into + "/full", callbacks);
  EXPECT_EQ(self.failures.size(), 2u);
  platform::FileOpResult same = platform::CopyInto({into}, into, callbacks);
  ASSERT_EQ(same.failures.size(), 1u);
  EXPECT_EQ(same.failures[0].error, EINVAL);
  EXPECT_EQ(Snapshot(into), intoBefore);
}

TEST(LocalCopy, AFailedCopyLeavesNoTraceAndACancelStops) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("into"));
  ASSERT_TRUE(dir.WriteFile("from/one.bin", Pattern(600 * 1024)));
  ASSERT_TRUE(dir.WriteFile("from/two.bin", "two"));
  platform::FileOpHooks hooks;
  hooks.writeFault = [](const std::string&, std::uint64_t offset) { return offset > 0 ? ENOSPC : 0; };
  platform::FileOpResult failed =
      platform::CopyInto({dir.PathOf("from/one.bin"), dir.PathOf("missing")}, dir.PathOf("into"), {}, hooks);
  ASSERT_EQ(failed.failures.size(), 2u);
  EXPECT_EQ(failed.failures[0].error, ENOSPC);
  EXPECT_EQ(failed.failures[0].path, dir.PathOf("into/one.bin"));
  EXPECT_EQ(failed.failures[1].error, ENOENT);
  EXPECT_TRUE(NamesIn(dir.PathOf("into")).empty());
  EXPECT_EQ(dir.ReadFile("from/one.bin"), Pattern(600 * 1024));

  FileOpCallbacks cancel;
  cancel.progress = [](const platform::FileOpProgress&) { return false; };
  platform::FileOpResult stopped =
      platform::CopyInto({dir.PathOf("from/one.bin"), dir.PathOf("from/two.bin")}, dir.PathOf("into"), cancel);
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_TRUE(NamesIn(dir.PathOf("into")).empty());
}
