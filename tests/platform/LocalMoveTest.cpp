// Moving local entries, above all across file systems: copy beside the
// target, flush, rename into place, then delete the source; a failed or
// cancelled copy leaves the source whole and no trace at the target.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/ErrorText.h"
#include "platform/LocalFileOps.h"
#include "support/LocalTree.h"
#include "support/RealServers.h"

using platform::FileOpCallbacks;
using platform::FileOpHooks;
using platform::FileOpProgress;
using skifftest::Exists;
using skifftest::MakeFile;
using skifftest::NamesIn;
using skifftest::Snapshot;

namespace {

constexpr std::size_t kKiB = 1024;

FileOpHooks CrossDevice() {
  FileOpHooks hooks;
  hooks.rename = [](const std::string&, const std::string&) { return EXDEV; };
  return hooks;
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(seed >> 16);
  }
  return bytes;
}

void SetTimes(const std::string& path, long long seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// A tree of files, a folder, links and an odd name, with old times and
// assorted modes; returns its byte count.
std::uint64_t BuildTree(const std::string& root) {
  EXPECT_EQ(::mkdir(root.c_str(), 0750), 0);
  EXPECT_EQ(::mkdir((root + "/sub").c_str(), 0700), 0);
  std::string big = Pattern(600 * kKiB + 7, 1);  // spans several copy blocks
  EXPECT_TRUE(MakeFile(root + "/plain", "hello", 0640));
  EXPECT_TRUE(MakeFile(root + "/exec", big, 0755));
  EXPECT_TRUE(MakeFile(root + "/empty", "", 0600));
  EXPECT_TRUE(MakeFile(root + "/sub/deep", std::string("\0\x01\xff", 3), 0444));
  EXPECT_TRUE(MakeFile(root + "/odd\n\xff name", "odd", 0604));
  EXPECT_EQ(::symlink("../plain", (root + "/sub/link").c_str()), 0);
  EXPECT_EQ(::symlink("/nonexistent/target", (root + "/dangling").c_str()), 0);
  for (const char* rel : {"/plain", "/exec", "/empty", "/sub/deep", "/odd\n\xff name", "/sub", ""}) {
    SetTimes(root + rel, 1000000000 + static_cast<long long>(std::string(rel).size()));
  }
  return 5 + big.size() + 3 + 3;
}

}  // namespace

TEST(LocalMove, AcrossFileSystemsKeepsEveryByteModeAndTime) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("into"));
  std::uint64_t bytes = BuildTree(dir.PathOf("tree"));
  ASSERT_TRUE(MakeFile(dir.PathOf("single"), Pattern(300 * kKiB, 2), 0612));
  auto treeBefore = Snapshot(dir.PathOf("tree"));
  auto singleBefore = Snapshot(dir.PathOf("single"));

  std::uint64_t treeTotal = 0, treeDone = 0;
  FileOpCallbacks callbacks;
  callbacks.progress = [&](const FileOpProgress& p) {
    EXPECT_LE(p.bytesDone, p.bytesTotal);
    if (p.path.find("/tree") != std::string::npos) {
      treeTotal = p.bytesTotal;
      treeDone = p.bytesDone;
    }
    return true;
  };
  auto result = platform::MoveInto({dir.PathOf("tree/"), dir.PathOf("single")}, dir.PathOf("into/"),
                                   callbacks, CrossDevice());
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.done, 2u);
  EXPECT_EQ(treeTotal, bytes);
  EXPECT_EQ(treeDone, bytes);
  EXPECT_EQ(Snapshot(dir.PathOf("into/tree")), treeBefore);
  EXPECT_EQ(Snapshot(dir.PathOf("into/single")), singleBefore);
  EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"into"});
  EXPECT_EQ(NamesIn(dir.PathOf("into")), (std::vector<std::string>{"single", "tree"}));
}

TEST(LocalMove, BetweenRealFileSystems) {
  struct stat shm {}, tmp {};
  if (::stat("/dev/shm", &shm) != 0 || ::stat("/tmp", &tmp) != 0 || shm.st_dev == tmp.st_dev) {
    GTEST_SKIP() << "/dev/shm and /tmp are not two file systems here";
  }
  skifftest::ScratchDir from("/dev/shm");
  skifftest::TempDir to;
  ASSERT_FALSE(from.Path().empty());
  BuildTree(from.Path() + "/tree");
  auto before = Snapshot(from.Path() + "/tree");
  auto result = platform::MoveInto({from.Path() + "/tree"}, to.Path(), {});
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(Snapshot(to.PathOf("tree")), before);
  EXPECT_TRUE(NamesIn(from.Path()).empty());
}

TEST(LocalMove, ACancelInTheMiddleOfAFileLeavesTheSourceWholeAndNoCopy) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("into") && dir.MakeDir("src"));
  ASSERT_TRUE(MakeFile(dir.PathOf("src/large"), Pattern(3 * 1024 * kKiB, 3)));
  ASSERT_TRUE(MakeFile(dir.PathOf("src/later"), "later"));
  auto before = Snapshot(dir.PathOf("src"));
  FileOpCallbacks callbacks;
  callbacks.progress = [](const FileOpProgress& p) { return p.bytesDone < 1024 * kKiB; };
  auto result = platform::MoveInto({dir.PathOf("src/large"), dir.PathOf("src/later")},
                                   dir.PathOf("into"), callbacks, CrossDevice());
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(result.done, 0u);
  EXPECT_TRUE(result.failures.empty());
  EXPECT_EQ(Snapshot(dir.PathOf("src")), before);
  EXPECT_TRUE(NamesIn(dir.PathOf("into")).empty());
}

TEST(LocalMove, AFailedCopyLeavesTheSourceWholeAndTheRestGoesOn) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("into"));
  BuildTree(dir.PathOf("tree"));
  ASSERT_TRUE(MakeFile(dir.PathOf("after"), "after"));
  auto before = Snapshot(dir.PathOf("tree"));
  FileOpHooks hooks = CrossDevice();
  // The disk fills up in the second block of the big file.
  hooks.writeFault = [](const std::string&, std::uint64_t offset) { return offset > 0 ? ENOSPC : 0; };
  auto result = platform::MoveInto({dir.PathOf("tree"), dir.PathOf("after")}, dir.PathOf("into"),
                                   {}, hooks);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].path, dir.PathOf("into/tree/exec"));  // named as the user knows it
  EXPECT_EQ(result.failures[0].text, platform::ErrorText(ENOSPC));
  EXPECT_EQ(result.done, 1u);
  EXPECT_EQ(Snapshot(dir.PathOf("tree")), before);
  EXPECT_EQ(NamesIn(dir.PathOf("into")), std::vector<std::string>{"after"});
}

TEST(LocalMove, AnExistingTargetAcrossFileSystemsIsAskedAbout) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("into/full") && dir.MakeDir("src/full"));
  ASSERT_TRUE(MakeFile(dir.PathOf("into/full/x"), "x"));
  ASSERT_TRUE(MakeFile(dir.PathOf("src/f"), "new", 0600));
  ASSERT_TRUE(MakeFile(dir.PathOf("into/f"), "old", 0644));
  auto before = Snapshot(dir.Path());
  FileOpCallbacks no;
  no.replace = [](const std::string&) { return false; };
  auto result = platform::MoveInto({dir.PathOf("src/f")}, dir.PathOf("into"), no, CrossDevice());
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.skipped, 1u);
  EXPECT_EQ(Snapshot(dir.Path()), before);

  FileOpCallbacks yes;
  yes.replace = [](const std::string&) { return true; };
  FileOpHooks hooks = CrossDevice();
  int writes = 0;
  hooks.writeFault = [&](const std::string&, std::uint64_t) { return ++writes, 0; };
  // A folder never replaces one that holds something; found before copying.
  result = platform::MoveInto({dir.PathOf("src/full")}, dir.PathOf("into"), yes, hooks);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].error, ENOTEMPTY);
  EXPECT_EQ(Snapshot(dir.Path()), before);

  result = platform::MoveInto({dir.PathOf("src/f")}, dir.PathOf("into"), yes, hooks);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(skifftest::FileText(dir.PathOf("into/f")), "new");
  EXPECT_EQ(NamesIn(dir.PathOf("src")), std::vector<std::string>{"full"});
  EXPECT_EQ(NamesIn(dir.PathOf("into")), (std::vector<std::string>{"f", "full"}));
}

TEST(LocalMove, AFolderStaysOutOfItself) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("target/child") && dir.MakeDir("other"));
  ASSERT_TRUE(MakeFile(dir.PathOf("file"), "f"));
  auto result = platform::MoveInto(
      {dir.PathOf("target/"), dir.PathOf("other"), dir.PathOf("file")}, dir.PathOf("target/"), {});
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.skipped, 1u);
  EXPECT_EQ(result.done, 2u);
  EXPECT_EQ(NamesIn(dir.PathOf("target")), (std::vector<std::string>{"child", "file", "other"}));

  // Into its own subfolder, even when the copy path would be taken.
  auto before = Snapshot(dir.Path());
  result = platform::MoveInto({dir.PathOf("target")}, dir.PathOf("target/child"), {}, CrossDevice());
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].error, EINVAL);
  EXPECT_EQ(Snapshot(dir.Path()), before);
}
