// Deleting and renaming local entries: for good, item by item, never through
// a link, and never over an existing name without a Yes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/ErrorText.h"
#include "platform/LocalFileOps.h"
#include "support/LocalTree.h"
#include "support/RealServers.h"

using platform::FileOpCallbacks;
using platform::FileOpProgress;
using skifftest::Exists;
using skifftest::MakeFile;
using skifftest::Snapshot;

namespace {

FileOpCallbacks Answering(bool replace, std::vector<std::string>* asked = nullptr) {
  FileOpCallbacks callbacks;
  callbacks.replace = [replace, asked](const std::string& target) {
    if (asked) asked->push_back(target);
    return replace;
  };
  return callbacks;
}

}  // namespace

TEST(LocalDelete, RemovesFilesAndTreesButNeverWhatALinkPointsAt) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("outside/inner"));
  ASSERT_TRUE(MakeFile(dir.PathOf("outside/keep"), "precious"));
  ASSERT_TRUE(dir.MakeDir("tree/a/b"));
  ASSERT_TRUE(MakeFile(dir.PathOf("tree/a/b/deep"), "x", 0400));
  ASSERT_TRUE(MakeFile(dir.PathOf("tree/top"), "y"));
  ASSERT_EQ(::symlink(dir.PathOf("outside").c_str(), dir.PathOf("tree/a/to-folder").c_str()), 0);
  ASSERT_EQ(::symlink(dir.PathOf("outside/keep").c_str(), dir.PathOf("tree/to-file").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", dir.PathOf("tree/dangling").c_str()), 0);
  ASSERT_TRUE(MakeFile(dir.PathOf("single"), "z"));
  // A link given itself, even with a folder's trailing "/", goes as a link.
  ASSERT_EQ(::symlink(dir.PathOf("outside").c_str(), dir.PathOf("link").c_str()), 0);
  auto outsideBefore = Snapshot(dir.PathOf("outside"));

  std::vector<std::string> seen;
  FileOpCallbacks callbacks;
  callbacks.progress = [&](const FileOpProgress& p) {
    seen.push_back(p.path);
    EXPECT_EQ(p.itemsTotal, 3u);
    return true;
  };
  auto result = platform::DeleteItems(
      {dir.PathOf("tree/"), dir.PathOf("single"), dir.PathOf("link/")}, callbacks);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.done, 3u);
  EXPECT_FALSE(Exists(dir.PathOf("tree")));
  EXPECT_FALSE(Exists(dir.PathOf("single")));
  EXPECT_FALSE(Exists(dir.PathOf("link")));
  EXPECT_EQ(Snapshot(dir.PathOf("outside")), outsideBefore);
  EXPECT_EQ(seen.size(), 10u);  // every entry of the tree, the file and the link
}

TEST(LocalDelete, AFailureIsReportedAndTheRestStillGoes) {
  skifftest::TempDir dir;
  ASSERT_TRUE(MakeFile(dir.PathOf("a"), "1"));
  ASSERT_TRUE(MakeFile(dir.PathOf("b"), "2"));
  auto result = platform::DeleteItems({dir.PathOf("a"), dir.PathOf("gone"), dir.PathOf("b")}, {});
  EXPECT_EQ(result.done, 2u);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].path, dir.PathOf("gone"));
  EXPECT_EQ(result.failures[0].error, ENOENT);
  EXPECT_EQ(result.failures[0].text, platform::ErrorText(ENOENT));
  EXPECT_TRUE(skifftest::NamesIn(dir.Path()).empty());

  result = platform::DeleteItems({""}, {});
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].error, ENOENT);
}

TEST(LocalDelete, CancelStopsBeforeTheNextEntry) {
  skifftest::TempDir dir;
  for (const char* name : {"a", "b", "c", "d"}) ASSERT_TRUE(MakeFile(dir.PathOf(name), name));
  int calls = 0;
  FileOpCallbacks callbacks;
  callbacks.progress = [&](const FileOpProgress&) { return ++calls <= 2; };
  auto result = platform::DeleteItems(
      {dir.PathOf("a"), dir.PathOf("b"), dir.PathOf("c"), dir.PathOf("d")}, callbacks);
  EXPECT_TRUE(result.cancelled);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(result.done, 2u);
  EXPECT_EQ(skifftest::NamesIn(dir.Path()), (std::vector<std::string>{"c", "d"}));
}

TEST(LocalRename, AnExistingNameIsReplacedOnlyOnYes) {
  skifftest::TempDir dir;
  ASSERT_TRUE(MakeFile(dir.PathOf("old"), "old bytes", 0600));
  ASSERT_TRUE(MakeFile(dir.PathOf("new"), "new bytes", 0644));
  auto before = Snapshot(dir.Path());

  std::vector<std::string> asked;
  auto result = platform::RenameItem(dir.PathOf("old"), dir.PathOf("new"), Answering(false, &asked));
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.skipped, 1u);
  EXPECT_EQ(asked, std::vector<std::string>{dir.PathOf("new")});
  EXPECT_EQ(Snapshot(dir.Path()), before);

  // No one to ask: nothing is replaced.
  result = platform::RenameItem(dir.PathOf("old"), dir.PathOf("new"), {});
  EXPECT_EQ(result.skipped, 1u);
  EXPECT_EQ(Snapshot(dir.Path()), before);

  result = platform::RenameItem(dir.PathOf("old"), dir.PathOf("new"), Answering(true));
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.done, 1u);
  EXPECT_FALSE(Exists(dir.PathOf("old")));
  EXPECT_EQ(skifftest::FileText(dir.PathOf("new")), "old bytes");
}

TEST(LocalRename, AFolderNeverReplacesAFolderThatHoldsSomething) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("src") && dir.MakeDir("dst"));
  ASSERT_TRUE(MakeFile(dir.PathOf("src/f"), "mine"));
  ASSERT_TRUE(MakeFile(dir.PathOf("dst/g"), "theirs"));
  ASSERT_TRUE(MakeFile(dir.PathOf("file"), "plain"));
  auto before = Snapshot(dir.Path());
  auto result = platform::RenameItem(dir.PathOf("src/"), dir.PathOf("dst/"), Answering(true));
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].error, ENOTEMPTY);
  result = platform::RenameItem(dir.PathOf("src"), dir.PathOf("file"), Answering(true));
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].error, ENOTDIR);
  // Into itself.
  result = platform::RenameItem(dir.PathOf("src"), dir.PathOf("src/sub"), Answering(true));
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].error, EINVAL);
  EXPECT_EQ(Snapshot(dir.Path()), before);
}

TEST(LocalRename, NamesAreBytesNotText) {
  skifftest::TempDir dir;
  const std::string odd = "caf\xe9\xff\xfe line\nbreak";
  const std::string odder = "\x80\n\n\xc3(";
  ASSERT_TRUE(MakeFile(dir.PathOf(odd), "payload"));
  auto result = platform::RenameItem(dir.PathOf(odd), dir.PathOf(odder), {});
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(skifftest::NamesIn(dir.Path()), std::vector<std::string>{odder});
  EXPECT_EQ(skifftest::FileText(dir.PathOf(odder)), "payload");
  result = platform::DeleteItems({dir.PathOf(odder)}, {});
  EXPECT_EQ(result.done, 1u);
  EXPECT_TRUE(skifftest::NamesIn(dir.Path()).empty());
}
