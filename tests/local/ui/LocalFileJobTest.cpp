// The local file operations run by CLocalFileJob with their real dialogs,
// answered by clicking their buttons, and checked on the disk.
#include <gtest/gtest.h>
#include <wx/frame.h>

#include <cerrno>
#include <memory>
#include <random>

#include "local/ui/FileJobDriver.h"
#include "local/ui/LocalFileJob.h"
#include "platform/ErrorText.h"
#include "support/LocalTree.h"
#include "support/RealServers.h"
#include "support/ui/UiTest.h"

using filejob_test::Answer;
using filejob_test::Contains;
using filejob_test::DialogActor;
using filejob_test::RunToEnd;
using skifftest::Exists;
using skifftest::FileText;
using skifftest::MakeFile;
using skifftest::NamesIn;
using skifftest::Snapshot;

namespace {

std::string Bytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

class LocalFileJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.Path().empty());
    frame_ = new wxFrame(nullptr, wxID_ANY, "Local pane");
    frame_->Show();
    job_ = std::make_unique<CLocalFileJob>(frame_);
  }
  void TearDown() override {
    job_.reset();
    frame_->Destroy();
    uitest::PumpFor(20);
  }
  std::string P(const std::string& relative) const { return dir_.PathOf(relative); }

  skifftest::TempDir dir_;
  wxFrame* frame_ = nullptr;
  std::unique_ptr<CLocalFileJob> job_;
};

TEST_F(LocalFileJobTest, DeletingThreeFilesAsksOnceNamingThemAndRemovesThem) {
  for (const char* name : {"a.txt", "b.txt", "c.txt", "keep.txt"}) ASSERT_TRUE(MakeFile(P(name), name));
  DialogActor actor(Answer(wxID_YES));
  EXPECT_EQ(RunToEnd(*job_, LocalFileOperation::Delete, {P("a.txt"), P("b.txt"), P("c.txt")}), 1);
  ASSERT_EQ(actor.Seen().size(), 1u);
  EXPECT_EQ(actor.Seen()[0].title, "Confirm Delete");
  const wxString& text = actor.Seen()[0].text;
  EXPECT_TRUE(Contains(text, "these 3 items for good")) << text;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) EXPECT_TRUE(Contains(text, name)) << name;
  EXPECT_EQ(NamesIn(dir_.Path()), std::vector<std::string>{"keep.txt"});
}

TEST_F(LocalFileJobTest, DeletingAFolderTreeAsksOnceAndRemovesAllOfIt) {
  ASSERT_TRUE(dir_.WriteFile("tree/one.txt", "1"));
  ASSERT_TRUE(dir_.WriteFile("tree/sub/two.txt", "2"));
  ASSERT_TRUE(dir_.WriteFile("tree/sub/deeper/three.txt", "3"));
  ASSERT_TRUE(dir_.MakeDir("tree/empty"));
  DialogActor actor(Answer(wxID_YES));
  EXPECT_EQ(RunToEnd(*job_, LocalFileOperation::Delete, {P("tree/")}), 1);
  ASSERT_EQ(actor.Seen().size(), 1u);
  EXPECT_EQ(actor.Seen()[0].text, "Are you sure you want to delete 'tree' for good?");
  EXPECT_FALSE(Exists(P("tree")));
}

TEST_F(LocalFileJobTest, NoAtTheConfirmationDeletesNothing) {
  ASSERT_TRUE(dir_.WriteFile("x.txt", "x"));
  ASSERT_TRUE(dir_.WriteFile("tree/y.txt", "y"));
  const auto before = Snapshot(dir_.Path());
  DialogActor actor(Answer(wxID_NO));
  EXPECT_EQ(RunToEnd(*job_, LocalFileOperation::Delete, {P("x.txt"), P("tree")}), 0);
  EXPECT_EQ(actor.Seen().size(), 1u);
  EXPECT_EQ(Snapshot(dir_.Path()), before);
}

TEST_F(LocalFileJobTest, RenamingOntoAnExistingNameAsksAndNoKeepsBothWhole) {
  const std::string alpha = Bytes(70000, 1), beta = Bytes(3000, 2);
  ASSERT_TRUE(MakeFile(P("a.bin"), alpha));
  ASSERT_TRUE(MakeFile(P("b.bin"), beta));
  {
    DialogActor actor(Answer(wxID_NO));
    EXPECT_EQ(RunToEnd(*job_, LocalFileOperation::Rename, {P("a.bin")}, {P("b.bin")}), 1);
    ASSERT_EQ(actor.Seen().size(), 1u);
    EXPECT_EQ(actor.Seen()[0].title, "Confirm Replace");
    EXPECT_EQ(actor.Seen()[0].text,
              wxString::FromUTF8("'b.bin' already exists in " + dir_.Path() + ". Replace it?"));
  }
  EXPECT_EQ(FileText(P("a.bin")), alpha);
  EXPECT_EQ(FileText(P("b.bin")), beta);

  DialogActor actor(Answer(wxID_YES));
  EXPECT_EQ(RunToEnd(*job_, LocalFileOperation::Rename, {P("a.bin")}, {P("b.bin")}), 1);
  EXPECT_EQ(actor.Seen().size(), 1u);
  EXPECT_FALSE(Exists(P("a.bin")));
  EXPECT_EQ(FileText(P("b.bin")), alpha);
}

TEST_F(LocalFileJobTest, MovingAcrossFileSystemsKeepsEveryByteAndRemovesTheSources) {
  ASSERT_TRUE(dir_.MakeDir("src"));
  ASSERT_TRUE(MakeFile(P("src/big.bin"), Bytes(1300 * 1024, 3)));  // several copy blocks
  ASSERT_TRUE(MakeFile(P("src/small.txt"), "small", 0600));
  ASSERT_TRUE(dir_.WriteFile("src/tree/a/b/deep.bin", Bytes(300000, 4)));
  ASSERT_TRUE(dir_.WriteFile("src/tree/top.txt", "top"));
  ASSERT_TRUE(dir_.MakeDir("dst"));
  const auto before = Snapshot(P("src"));
  int renames = 0;
  platform::FileOpHooks hooks;
  hooks.rename = [&renames](const std::string&, const std::string&) {
    ++renames;  // only the worker calls it
    return EXDEV;
  };
  job_->SetHooks(hooks);
  DialogActor actor(Answer(wxID_NO));  // no question is expected
  EXPECT_EQ(RunToEnd(*job_, LocalFileOperation::Move,
                {P("src/big.bin"), P("src/small.txt"), P("src/tree")}, {P("dst")}),
            1);
  EXPECT_TRUE(actor.Seen().empty());
  EXPECT_EQ(renames, 3);
  auto after = Snapshot(P("dst"));
  after.erase("");
  auto expected = before;
  expected.erase("");
  EXPECT_EQ(after, expected);
  EXPECT_TRUE(NamesIn(P("src")).empty());
}

TEST_F(LocalFileJobTest, ACopyFailingPartWayKeepsItsSourceWholeAndIsReported) {
  const std::string one = Bytes(5000, 5), two = Bytes(1024 * 1024, 6);
  ASSERT_TRUE(dir_.MakeDir("src"));
  ASSERT_TRUE(MakeFile(P("src/one.bin"), one));
  ASSERT_TRUE(MakeFile(P("src/two.bin"), two));
  ASSERT_TRUE(dir_.MakeDir("dst"));
  platform::FileOpHooks hooks;
  hooks.rename = [](const std::string&, const std::string&) { return EXDEV; };
  // Only two.bin reaches that far; the copy goes to a temporary name.
  hooks.writeFault = [](const std::string&, std::uint64_t offset) {
    return offset >= 512 * 1024 ? EIO : 0;
  };
  job_->SetHooks(hooks);
  DialogActor actor(Answer(wxID_OK));
  EXPECT_EQ(RunToEnd(*job_, LocalFileOperation::Move, {P("src/one.bin"), P("src/two.bin")}, {P("dst")}),
            0);
  ASSERT_EQ(actor.Seen().size(), 1u);
  EXPECT_EQ(actor.Seen()[0].title, "Error");
  const wxString& report = actor.Seen()[0].text;
  EXPECT_TRUE(Contains(report, "could not be moved")) << report;
  EXPECT_TRUE(Contains(report, "two.bin")) << report;
  EXPECT_TRUE(Contains(report, platform::ErrorText(EIO))) << report;
  EXPECT_FALSE(Contains(report, "one.bin")) << report;
  EXPECT_EQ(FileText(P("src/two.bin")), two);
  EXPECT_FALSE(Exists(P("src/one.bin")));
  EXPECT_EQ(FileText(P("dst/one.bin")), one);
  EXPECT_EQ(NamesIn(P("dst")), std::vector<std::string>{"one.bin"});  // no partial copy left
}

TEST_F(LocalFileJobTest, NamesThatAreNoTextAreShownWithReplacementsAndUsedAsTheyAre) {
  const std::string bad = "bad\xff name.txt", twoLines = "two\nlines.txt", other = "other\xfe.txt";
  ASSERT_TRUE(MakeFile(P(bad), "bad bytes"));
  ASSERT_TRUE(MakeFile(P(twoLines), "two lines"));
  ASSERT_TRUE(MakeFile(P(other), "other"));
  {
    DialogActor actor(Answer(wxID_YES));
    EXPECT_EQ(RunToEnd(*job_, LocalFileOperation::Rename, {P(bad)}, {P(other)}), 1);
    ASSERT_EQ(actor.Seen().size(), 1u);
    EXPECT_TRUE(actor.Seen()[0].text.StartsWith(wxString::FromUTF8("'other\xEF\xBF\xBD.txt'")))
        << actor.Seen()[0].text;
  }
  EXPECT_FALSE(Exists(P(bad)));
  EXPECT_EQ(FileText(P(other)), "bad bytes");

  DialogActor actor(Answer(wxID_YES));
  EXPECT_EQ(RunToEnd(*job_, LocalFileOperation::Delete, {P(other), P(twoLines)}), 1);
  ASSERT_EQ(actor.Seen().size(), 1u);
  const wxString& text = actor.Seen()[0].text;
  EXPECT_TRUE(Contains(text, "\nother\xEF\xBF\xBD.txt\n")) << text;
  EXPECT_TRUE(Contains(text, "\ntwo\xEF\xBF\xBDlines.txt")) << text;
  EXPECT_TRUE(NamesIn(dir_.Path()).empty());
}

}  // namespace
