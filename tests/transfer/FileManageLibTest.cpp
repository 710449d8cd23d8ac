// CFileManageLib: the path lists it collects, one confirmation per delete,
// a Yes/No before anything is replaced, and empty lists after every run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/ErrorText.h"
#include "support/LocalTree.h"
#include "support/RealServers.h"
#include "transfer/FileManageLib.h"

using skifftest::Exists;
using skifftest::MakeFile;
using skifftest::NamesIn;
using skifftest::Snapshot;

namespace {

// Answers as told and writes down what it was asked.
class ScriptedUi : public CFileOperationUi {
 public:
  bool deleteAnswer = true;
  bool replaceAnswer = false;
  std::vector<std::pair<std::size_t, std::vector<std::string>>> deleteQuestions;
  std::vector<std::string> replaceQuestions;
  std::vector<std::vector<platform::FileOpFailure>> reports;
  std::vector<LocalFileOperation> started;
  int progressCalls = 0;
  int finished = 0;

  bool ConfirmDelete(std::size_t count, const std::vector<std::string>& names) override {
    deleteQuestions.emplace_back(count, names);
    return deleteAnswer;
  }
  bool ConfirmReplace(const std::string& target) override {
    replaceQuestions.push_back(target);
    return replaceAnswer;
  }
  bool Progress(const platform::FileOpProgress&) override {
    ++progressCalls;
    return true;
  }
  void ReportFailures(const std::vector<platform::FileOpFailure>& failures) override {
    reports.push_back(failures);
  }
  void OperationStarted(LocalFileOperation operation, std::size_t) override {
    started.push_back(operation);
  }
  void OperationFinished(const platform::FileOpResult&) override { ++finished; }
};

void ExpectEmpty(const CFileManageLib& lib) {
  EXPECT_EQ(lib.Sources().Capacity(), 0u);
  EXPECT_EQ(lib.Sources().Used(), 0u);
  EXPECT_EQ(lib.Targets().Capacity(), 0u);
  EXPECT_EQ(lib.Targets().Used(), 0u);
}

}  // namespace

TEST(PathList, GrowsInStepsAndKeepsEveryPathWhole) {
  CPathList list;
  EXPECT_EQ(list.Capacity(), 0u);
  EXPECT_EQ(list.Data(), nullptr);
  std::vector<std::string> paths;
  std::size_t used = 0;
  for (int i = 0; i < 400; ++i) {
    std::string path = "/home/someone/a folder with a long name/" + std::string(150, 'x') +
                       "/item number " + std::to_string(i);
    paths.push_back(path);
    ASSERT_TRUE(list.Add(path));
    used += path.size() + 1;
  }
  EXPECT_EQ(list.Used(), used);
  EXPECT_GT(list.Capacity(), 4096u * 10);
  EXPECT_EQ(list.Capacity() % CPathList::kGrowStep, 0u);
  EXPECT_LT(list.Capacity() - list.Used(), CPathList::kGrowStep);
  EXPECT_EQ(list.Paths(), paths);

  // Refused without a trace: an empty path would end the list early, and a
  // zero byte can't be held.
  EXPECT_FALSE(list.Add(""));
  EXPECT_FALSE(list.Add(std::string("a\0b", 3)));
  EXPECT_EQ(list.Used(), used);

  ASSERT_TRUE(list.Close());
  EXPECT_EQ(list.Used(), used + 1);
  EXPECT_EQ(list.Data()[used - 1], '\0');
  EXPECT_EQ(list.Data()[used], '\0');
  EXPECT_EQ(list.Paths(), paths);
  list.Reset();
  EXPECT_EQ(list.Capacity(), 0u);
  EXPECT_TRUE(list.Paths().empty());
}

TEST(FileManageLib, DeleteAsksOnceForFilesAndTrees) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("tree/sub/deeper"));
  ASSERT_TRUE(MakeFile(dir.PathOf("tree/sub/deeper/f"), "f"));
  for (const char* name : {"one", "two", "three"}) ASSERT_TRUE(MakeFile(dir.PathOf(name), name));
  ScriptedUi ui;
  CFileManageLib lib(&ui);
  for (const char* name : {"one", "two", "three"}) ASSERT_EQ(lib.AddSource(dir.PathOf(name)), 1);
  EXPECT_EQ(lib.Delete(), 1);
  ASSERT_EQ(ui.deleteQuestions.size(), 1u);
  EXPECT_EQ(ui.deleteQuestions[0].first, 3u);
  EXPECT_EQ(ui.deleteQuestions[0].second, (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"tree"});
  ExpectEmpty(lib);

  ASSERT_EQ(lib.AddSource(dir.PathOf("tree/")), 1);
  EXPECT_EQ(lib.Delete(), 1);
  ASSERT_EQ(ui.deleteQuestions.size(), 2u);
  EXPECT_EQ(ui.deleteQuestions[1].second, std::vector<std::string>{"tree"});
  EXPECT_TRUE(NamesIn(dir.Path()).empty());
  EXPECT_GT(ui.progressCalls, 4);
  EXPECT_EQ(ui.finished, 2);
  EXPECT_TRUE(ui.reports.empty());
}

TEST(FileManageLib, NoToTheConfirmationOrNoUiDeletesNothing) {
  skifftest::TempDir dir;
  ASSERT_TRUE(MakeFile(dir.PathOf("a"), "a"));
  ASSERT_TRUE(dir.MakeDir("b"));
  auto before = Snapshot(dir.Path());
  ScriptedUi ui;
  ui.deleteAnswer = false;
  CFileManageLib lib(&ui);
  lib.AddSource(dir.PathOf("a"));
  lib.AddSource(dir.PathOf("b/"));
  EXPECT_EQ(lib.Delete(), 0);
  EXPECT_EQ(ui.deleteQuestions.size(), 1u);
  EXPECT_TRUE(ui.started.empty());
  ExpectEmpty(lib);

  CFileManageLib unseen;
  unseen.AddSource(dir.PathOf("a"));
  EXPECT_EQ(unseen.Delete(), 0);
  ExpectEmpty(unseen);
  EXPECT_EQ(Snapshot(dir.Path()), before);
}

TEST(FileManageLib, RenameOntoAnExistingNameAsksAndNoKeepsBoth) {
  skifftest::TempDir dir;
  ASSERT_TRUE(MakeFile(dir.PathOf("first"), "first bytes", 0600));
  ASSERT_TRUE(MakeFile(dir.PathOf("second"), "second bytes", 0644));
  auto before = Snapshot(dir.Path());
  ScriptedUi ui;
  CFileManageLib lib(&ui);
  lib.AddSource(dir.PathOf("first"));
  lib.AddTarget(dir.PathOf("second"));
  EXPECT_EQ(lib.Rename(), 1);  // the user's No is an answer, not a failure
  EXPECT_EQ(ui.replaceQuestions, std::vector<std::string>{dir.PathOf("second")});
  EXPECT_EQ(Snapshot(dir.Path()), before);
  ExpectEmpty(lib);

  CFileManageLib unseen;  // nobody to ask: nothing is replaced
  unseen.AddSource(dir.PathOf("first"));
  unseen.AddTarget(dir.PathOf("second"));
  EXPECT_EQ(unseen.Rename(), 1);
  EXPECT_EQ(Snapshot(dir.Path()), before);

  ui.replaceAnswer = true;
  lib.AddSource(dir.PathOf("first"));
  lib.AddTarget(dir.PathOf("second"));
  EXPECT_EQ(lib.Rename(), 1);
  EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"second"});
  EXPECT_EQ(skifftest::FileText(dir.PathOf("second")), "first bytes");
}

TEST(FileManageLib, MoveLeavesTheTargetFolderInPlaceAndMovesTheRestIntoIt) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("target") && dir.MakeDir("folder/inner"));
  ASSERT_TRUE(MakeFile(dir.PathOf("file"), "f"));
  ScriptedUi ui;
  CFileManageLib lib(&ui);
  for (const char* name : {"target/", "folder/", "file"}) {
    lib.AddSource(dir.PathOf(name));
    lib.AddTarget(dir.PathOf("target/"));  // once per source
  }
  EXPECT_EQ(lib.Move(), 1);
  EXPECT_EQ(ui.started, std::vector<LocalFileOperation>{LocalFileOperation::Move});
  EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"target"});
  EXPECT_EQ(NamesIn(dir.PathOf("target")), (std::vector<std::string>{"file", "folder"}));
  EXPECT_TRUE(Exists(dir.PathOf("target/folder/inner")));
  ExpectEmpty(lib);
}

TEST(FileManageLib, CopyAsksBeforeReplacingAndKeepsTheSources) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.WriteFile("from/a.txt", "new a"));
  ASSERT_TRUE(dir.WriteFile("from/b.txt", "b"));
  ASSERT_TRUE(dir.WriteFile("into/a.txt", "old a"));
  ScriptedUi ui;
  ui.replaceAnswer = true;
  CFileManageLib lib(&ui);
  lib.AddSource(dir.PathOf("from/a.txt"));
  lib.AddSource(dir.PathOf("from/b.txt"));
  lib.AddTarget(dir.PathOf("into/"));
  EXPECT_EQ(lib.Copy(), 1);
  EXPECT_EQ(ui.started, std::vector<LocalFileOperation>{LocalFileOperation::Copy});
  EXPECT_EQ(ui.replaceQuestions, std::vector<std::string>{dir.PathOf("into/a.txt")});
  EXPECT_EQ(skifftest::FileText(dir.PathOf("into/a.txt")), "new a");
  EXPECT_EQ(skifftest::FileText(dir.PathOf("into/b.txt")), "b");
  EXPECT_EQ(NamesIn(dir.PathOf("from")), (std::vector<std::string>{"a.txt", "b.txt"}));
  ExpectEmpty(lib);
  EXPECT_EQ(lib.Copy(), 0);  // nothing to copy
}

TEST(FileManageLib, FailuresAreReportedWithTheSystemsWords) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("into"));
  ASSERT_TRUE(MakeFile(dir.PathOf("real"), "r"));
  ScriptedUi ui;
  CFileManageLib lib(&ui);
  lib.AddSource(dir.PathOf("missing"));
  lib.AddSource(dir.PathOf("real"));
  lib.AddTarget(dir.PathOf("into"));
  EXPECT_EQ(lib.Move(), 0);
  ASSERT_EQ(ui.reports.size(), 1u);
  ASSERT_EQ(ui.reports[0].size(), 1u);
  EXPECT_EQ(ui.reports[0][0].path, dir.PathOf("missing"));
  EXPECT_EQ(ui.reports[0][0].text, platform::ErrorText(ENOENT));
  EXPECT_EQ(NamesIn(dir.PathOf("into")), std::vector<std::string>{"real"});

  // A rename without a new name fails for that item.
  lib.AddSource(dir.PathOf("into/real"));
  EXPECT_EQ(lib.Rename(), 0);
  EXPECT_EQ(ui.reports.size(), 2u);
  EXPECT_TRUE(Exists(dir.PathOf("into/real")));
  // Nothing collected: nothing to do.
  EXPECT_EQ(lib.Move(), 0);
  EXPECT_EQ(lib.Delete(), 0);
}

TEST(FileManageLib, ManyLongOddNamesAreMovedAndDeletedByteExactly) {
  skifftest::TempDir dir;
  ASSERT_TRUE(dir.MakeDir("from") && dir.MakeDir("to"));
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) {
    // Long, not valid UTF-8, with line breaks and spaces.
    std::string name = std::to_string(i) + " line\nbreak \xff\xfe\x80 " + std::string(180, 'n');
    names.push_back(name);
    ASSERT_TRUE(MakeFile(dir.PathOf("from/" + name), name));
  }
  std::sort(names.begin(), names.end());
  ScriptedUi ui;
  CFileManageLib lib(&ui);
  lib.SetHooks({[](const std::string&, const std::string&) { return EXDEV; }, {}});
  for (const std::string& name : names) {
    ASSERT_EQ(lib.AddSource(dir.PathOf("from/" + name)), 1);
    ASSERT_EQ(lib.AddTarget(dir.PathOf("to/")), 1);
  }
  EXPECT_GT(lib.Sources().Used(), 300u * 200u);
  EXPECT_EQ(lib.Sources().Paths().size(), 300u);
  EXPECT_EQ(lib.Move(), 1);
  EXPECT_TRUE(NamesIn(dir.PathOf("from")).empty());
  ASSERT_EQ(NamesIn(dir.PathOf("to")), names);
  for (const std::string& name : names) {
    ASSERT_EQ(skifftest::FileText(dir.PathOf("to/" + name)), name);
  }

  for (const std::string& name : names) lib.AddSource(dir.PathOf("to/" + name));
  EXPECT_EQ(lib.Delete(), 1);
  ASSERT_EQ(ui.deleteQuestions.size(), 1u);
  EXPECT_EQ(ui.deleteQuestions[0].first, 300u);
  EXPECT_EQ(ui.deleteQuestions[0].second.size(), CFileOperationUi::kConfirmNames);
  EXPECT_EQ(ui.deleteQuestions[0].second[0], names[0]);
  EXPECT_TRUE(NamesIn(dir.PathOf("to")).empty());
}
