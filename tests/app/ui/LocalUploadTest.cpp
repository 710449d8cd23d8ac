// The local pane inside the main window, logged in to pyftpdlib: Upload
// queues one entry per selected row with the session's site and folder, and
// the files arrive; a path too long for an entry is reported, not cut.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/filefn.h>

#include <cstring>

#include "FrameTestSupport.h"
#include "support/LocalTree.h"
#include "app/ui/MyInfoView.h"
#include "app/ui/ColorEdit.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "res/CommandIds.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"

namespace {

class LocalUploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
    oldWorkingDir_ = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(work_.Path()));
    dataDir_.emplace("SKIFFLINE_DATA_DIR", work_.Path());  // the login's queue file goes there
    server_ = std::make_unique<skifftest::PyFtpdServer>();
    ASSERT_TRUE(server_->Ok()) << server_->Log();
  }
  void TearDown() override {
    DestroyFrame(frame_);
    server_.reset();
    wxSetWorkingDirectory(oldWorkingDir_);
  }

  // Opens the window on `localFolder` and logs in to the server.
  void OpenLoggedIn() {
    FrameOptions options = TestFrameOptions(program_);
    options.localStartFolder = local_.Path();
    frame_ = new CMainFrame(options);
    SiteRecord site{};
    std::strcpy(site.siteName, "upload test");
    std::strcpy(site.address, server_->Address().c_str());
    std::strcpy(site.user, server_->User().c_str());
    std::strcpy(site.password, server_->Password().c_str());
    frame_->ConnectToSite(site);
    ASSERT_TRUE(uitest::PumpUntil(
        [&] { return frame_->foregroundSession.IsLoggedIn() && !frame_->foregroundSession.CurrentDir().empty(); },
        15000));
    ASSERT_TRUE(uitest::PumpUntil([&] { return !List().Reading() && List().RowCount() > 0; }, 5000));
  }
  CDirListCtrl& List() { return *frame_->localView->fileList; }
  void Select(const std::vector<std::string>& names) {
    for (long i = 0; i < List().GetItemCount(); ++i) List().SetItemState(i, 0, wxLIST_STATE_SELECTED);
    for (const std::string& name : names)
      List().SetItemState(List().RowOfName(name), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  }
  void SendCommand(int id) {
    wxCommandEvent command(wxEVT_MENU, cmd::WxId(id));
    frame_->GetEventHandler()->ProcessEvent(command);
  }
  std::string Log() { return frame_->infoView->logEdit->GetValue().utf8_string(); }

  skifftest::TempDir program_, work_, local_;
  std::unique_ptr<skifftest::PyFtpdServer> server_;
  CMainFrame* frame_ = nullptr;
  wxString oldWorkingDir_;
  std::optional<uitest::ScopedEnv> dataDir_;
};

TEST_F(LocalUploadTest, UploadQueuesOneEntryPerSelectedRowAndTheFilesArrive) {
  ASSERT_TRUE(local_.WriteFile("report.txt", "the report\n"));
  ASSERT_TRUE(local_.WriteFile("data.bin", std::string(70000, '\x5a')));
  ASSERT_TRUE(local_.WriteFile("album/track1.txt", "one"));
  ASSERT_TRUE(local_.WriteFile("skip.txt", "not selected"));
  OpenLoggedIn();
  const std::string folder = local_.Path() + "/";
  EXPECT_EQ(frame_->Document().localFolder, folder);

  // The entries as the pane makes them.
  const long report = List().RowOfName("report.txt");
  const TransferEntry entry = frame_->localView->MakeUploadEntry(report);
  const SiteRecord site = frame_->foregroundSession.Site();
  EXPECT_EQ(std::memcmp(&entry.site, &site, sizeof site), 0);
  EXPECT_EQ(FieldText(entry.remoteDir), frame_->foregroundSession.CurrentDir());
  EXPECT_EQ(FieldText(entry.remoteName), "report.txt");
  EXPECT_EQ(FieldText(entry.localDir), folder);
  EXPECT_EQ(FieldText(entry.localName), "report.txt");
  EXPECT_EQ(entry.fileSize, 11);
  EXPECT_EQ(FieldText(entry.fileTime), List().CellText(report, 3).utf8_string());
  EXPECT_EQ(entry.direction, XFER_UPLOAD);
  EXPECT_EQ(entry.isFolder, 0);
  EXPECT_EQ(entry.state, ENTRY_PENDING);
  EXPECT_EQ(frame_->localView->MakeUploadEntry(List().RowOfName("album")).isFolder, 1);

  // Upload from the frame's command, with the local pane active.
  frame_->ActivatePane(frame_->localView);
  Select({"report.txt", "data.bin", "album"});
  SendCommand(cmd::ID_LOCAL_UPLOAD);
  ASSERT_TRUE(uitest::PumpUntil(
      [&] {
        return server_->ReadFile("album/track1.txt") == "one" &&
               server_->ReadFile("data.bin").size() == 70000 &&
               frame_->foregroundSession.transferQueue.Entries().empty();
      },
      20000))
      << Log();
  EXPECT_EQ(server_->ReadFile("report.txt"), "the report\n");
  EXPECT_EQ(server_->ReadFile("skip.txt"), "");
  EXPECT_EQ(frame_->Document().shownQueue, &frame_->foregroundSession.transferQueue);
}

TEST_F(LocalUploadTest, APathTooLongForAnEntryIsReportedAndNotQueued) {
  // A folder whose path is longer than an entry's 259-byte field.
  const std::string longName(120, 'n');
  ASSERT_TRUE(local_.WriteFile(longName + "/" + longName + "/file.txt", "deep"));
  OpenLoggedIn();
  const std::string deep = local_.Path() + "/" + longName + "/" + longName + "/";
  ASSERT_GT(deep.size(), 259u);
  List().ShowFolder(deep);
  ASSERT_TRUE(uitest::PumpUntil([&] { return !List().Reading() && List().RowCount() == 1; }, 5000));
  Select({"file.txt"});
  EXPECT_EQ(frame_->localView->UploadSelected(), 1);
  EXPECT_TRUE(frame_->foregroundSession.transferQueue.Entries().empty());
  EXPECT_TRUE(uitest::PumpUntil([&] { return Log().find("Not queued") != std::string::npos; }, 3000))
      << Log();
  EXPECT_EQ(frame_->Document().localFolder, deep);  // kept whole, never cut
}

TEST_F(LocalUploadTest, ASitesLocalFolderOpensWhenTheConnectionStarts) {
  ASSERT_TRUE(local_.WriteFile("site-folder/inside.txt", "x"));
  FrameOptions options = TestFrameOptions(program_);
  frame_ = new CMainFrame(options);
  SiteRecord site{};
  std::strcpy(site.address, server_->Address().c_str());
  std::strcpy(site.user, server_->User().c_str());
  std::strcpy(site.password, server_->Password().c_str());
  std::strcpy(site.localInitPath, (local_.Path() + "/site-folder").c_str());
  frame_->ConnectToSite(site);
  ASSERT_TRUE(uitest::PumpUntil(
      [&] { return frame_->Document().localFolder == local_.Path() + "/site-folder/"; }, 5000));
  EXPECT_EQ(List().RowOfName("inside.txt"), 0);
  // A site whose folder doesn't exist leaves the pane where it is.
  std::strcpy(site.localInitPath, "/no/such/folder");
  frame_->ConnectToSite(site);
  uitest::PumpFor(200);
  EXPECT_EQ(frame_->Document().localFolder, local_.Path() + "/site-folder/");
}

}  // namespace

namespace {

// With another pane active, the frame's own Local commands reach the local pane.
TEST(LocalCommands, TheFrameForwardsRefreshAndDeleteToTheLocalPane) {
  skifftest::TempDir program, local;
  ASSERT_TRUE(local.WriteFile("old.txt", "old"));
  FrameOptions options = TestFrameOptions(program);
  options.localStartFolder = local.Path();
  CMainFrame* frame = new CMainFrame(options);
  CDirListCtrl& list = *frame->localView->fileList;
  ASSERT_TRUE(uitest::PumpUntil([&] { return !list.Reading() && list.RowCount() == 1; }, 5000));
  frame->ActivatePane(frame->infoView);

  ASSERT_TRUE(local.WriteFile("new.txt", "new"));
  wxCommandEvent refresh(wxEVT_MENU, cmd::WxId(cmd::ID_LOCAL_REFRESH));
  frame->GetEventHandler()->ProcessEvent(refresh);
  ASSERT_TRUE(uitest::PumpUntil([&] { return !list.Reading() && list.RowCount() == 2; }, 5000));

  list.SetItemState(list.RowOfName("old.txt"), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  std::vector<std::string> asked;
  {
    uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
      asked.push_back(m.title);
      return wxID_YES;
    });
    wxCommandEvent remove(wxEVT_MENU, cmd::WxId(cmd::ID_LOCAL_DELETE));
    frame->GetEventHandler()->ProcessEvent(remove);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !skifftest::Exists(local.PathOf("old.txt")); }, 8000));
  }
  EXPECT_EQ(asked, (std::vector<std::string>{"Confirm Delete"}));
  EXPECT_TRUE(skifftest::Exists(local.PathOf("new.txt")));
  ASSERT_TRUE(uitest::PumpUntil([&] { return !list.Reading() && list.RowCount() == 1; }, 5000));
  DestroyFrame(frame);
}

}  // namespace
