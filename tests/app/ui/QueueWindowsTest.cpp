// The main window's transfer lists: the Window menu's check mark follows the
// background window, the queue view shows the login's queue when the session
// connects, Start and Stop reach the view from the frame, and the local
// pane's background hook feeds the background window, whose commands the
// frame forwards.
#include <gtest/gtest.h>
#include <wx/filefn.h>
#include <wx/uiaction.h>

#include <cstring>

#include "FrameTestSupport.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "res/CommandIds.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"
#include "transfer/MakeEntry.h"
#include "transfer/QueueFile.h"
#include "transfer/ui/DownloadFileView.h"
#include "transfer/ui/JobListCtrl.h"
#include "transfer/ui/TransmitFileDlg.h"

namespace {

class QueueWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldWorkingDir_ = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(work_.Path()));
    dataDir_.emplace("SKIFFLINE_DATA_DIR", work_.Path());  // queue files go there
  }
  void TearDown() override {
    DestroyFrame(frame_);
    server_.reset();
    wxSetWorkingDirectory(oldWorkingDir_);
  }
  void Open() {
    FrameOptions options = TestFrameOptions(program_);
    options.localStartFolder = local_.Path();
    frame_ = new CMainFrame(options);
  }
  bool StartServer() {
    if (!skifftest::PyFtpdServer::Available()) return false;
    server_ = std::make_unique<skifftest::PyFtpdServer>();
    return server_->Ok();
  }
  SiteRecord ServerSite() const {
    SiteRecord site{};
    SetField(site.siteName, "queue test");
    SetField(site.address, server_->Address());
    SetField(site.user, server_->User());
    SetField(site.password, server_->Password());
    return site;
  }
  bool LoggedIn() {
    return uitest::PumpUntil(
        [&] {
          return frame_->foregroundSession.IsLoggedIn() &&
                 !frame_->foregroundSession.CurrentDir().empty();
        },
        20000);
  }
  void Command(int id) {
    wxCommandEvent command(wxEVT_MENU, cmd::WxId(id));
    frame_->GetEventHandler()->ProcessEvent(command);
  }
  bool Checked() {
    wxMenuItem* item = frame_->GetMenuBar()->FindItem(cmd::WxId(cmd::ID_BACKGROUND_LIST));
    return item && item->IsChecked();
  }
  CJobListCtrl& QueueList() { return *frame_->queueView->jobList; }

  skifftest::TempDir program_, work_, local_;
  std::unique_ptr<skifftest::PyFtpdServer> server_;
  CMainFrame* frame_ = nullptr;
  wxString oldWorkingDir_;
  std::optional<uitest::ScopedEnv> dataDir_;
};

TEST_F(QueueWindowsTest, TheWindowMenuCheckMarkFollowsTheBackgroundWindow) {
  Open();
  ASSERT_NE(frame_->backgroundDialog, nullptr);
  wxMenuItem* item = frame_->GetMenuBar()->FindItem(cmd::WxId(cmd::ID_BACKGROUND_LIST));
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->IsCheckable());
  EXPECT_FALSE(frame_->backgroundDialog->IsShown());
  EXPECT_FALSE(Checked());

  Command(cmd::ID_BACKGROUND_LIST);
  EXPECT_TRUE(frame_->backgroundDialog->IsShown());
  EXPECT_TRUE(Checked());
  ASSERT_TRUE(uitest::PumpUntil([&] { return frame_->backgroundDialog->IsShownOnScreen(); }, 3000));
  // Its close box only hides it, and the mark goes.
  EXPECT_FALSE(frame_->backgroundDialog->Close());  // refused: the window hides
  uitest::PumpFor(20);
  EXPECT_FALSE(frame_->backgroundDialog->IsShown());
  EXPECT_FALSE(Checked());
  Command(cmd::ID_BACKGROUND_LIST);
  EXPECT_TRUE(Checked());
  uitest::PumpFor(50);
  Command(cmd::ID_BACKGROUND_LIST);
  EXPECT_FALSE(frame_->backgroundDialog->IsShown());
  EXPECT_FALSE(Checked());
  // The menu's own update agrees.
  frame_->GetMenuBar()->UpdateMenus();
  EXPECT_FALSE(Checked());
  // The background queue lives in the frame's data folder.
  EXPECT_EQ(frame_->backgroundDialog->Queue().QueueFile(), program_.PathOf("BkTransmit.TWQ"));
}

TEST_F(QueueWindowsTest, TheQueueViewShowsTheLoginsQueueAndStartRunsIt) {
  if (!StartServer()) GTEST_SKIP() << "pyftpdlib is not available";
  ASSERT_TRUE(server_->WriteFile("left.txt", "left over"));
  ASSERT_TRUE(server_->WriteFile("retry.txt", "retry"));
  const SiteRecord site = ServerSite();
  // Unfinished entries of an earlier run of this login.
  const std::string localDir = local_.Path() + "/";
  TransferEntry left = MakeTransferEntry(site, "/", "left.txt", localDir, XFER_DOWNLOAD, false, "9", "");
  TransferEntry retry = MakeTransferEntry(site, "/", "retry.txt", localDir, XFER_DOWNLOAD, false, "5", "");
  left.state = ENTRY_STOPPED;
  retry.state = ENTRY_FAILED;
  ASSERT_TRUE(WriteQueueFile(work_.PathOf(LoginQueueFileName(site)), {left, retry}));

  Open();
  EXPECT_EQ(frame_->queueView->ShownQueue(), &frame_->foregroundSession.transferQueue);
  frame_->ConnectToSite(site);
  ASSERT_TRUE(LoggedIn());
  ASSERT_TRUE(uitest::PumpUntil([&] { return QueueList().RowCount() == 2; }, 5000));
  EXPECT_EQ(QueueList().RowImage(0), ENTRY_STOPPED);
  EXPECT_EQ(QueueList().RowImage(1), ENTRY_FAILED);

  // Start from the frame while the local pane is active: the selected entry
  // runs, the other stays stopped.
  frame_->ActivatePane(frame_->localView);
  QueueList().SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  Command(cmd::ID_FOREGROUND_START);
  ASSERT_TRUE(uitest::PumpUntil([&] { return local_.ReadFile("retry.txt") == "retry"; }, 20000));
  ASSERT_TRUE(uitest::PumpUntil([&] { return QueueList().RowCount() == 1; }, 5000));
  EXPECT_EQ(local_.ReadFile("left.txt"), "");

  // With the queue view active, Ctrl+A's command and Start are the view's.
  frame_->ActivatePane(frame_->queueView);
  Command(cmd::ID_SELECT_ALL);
  EXPECT_EQ(QueueList().SelectedRows().size(), 1u);
  Command(cmd::ID_FOREGROUND_START);
  ASSERT_TRUE(uitest::PumpUntil([&] { return local_.ReadFile("left.txt") == "left over"; }, 20000));
  ASSERT_TRUE(uitest::PumpUntil([&] { return QueueList().RowCount() == 0; }, 5000));
}

TEST_F(QueueWindowsTest, TheLocalPaneQueuesForTheBackgroundAndTheFrameStartsIt) {
  if (!StartServer()) GTEST_SKIP() << "pyftpdlib is not available";
  ASSERT_TRUE(local_.WriteFile("up1.txt", "first"));
  ASSERT_TRUE(local_.WriteFile("up2.txt", "second"));
  Open();
  frame_->ConnectToSite(ServerSite());
  ASSERT_TRUE(LoggedIn());
  CDirListCtrl& files = *frame_->localView->fileList;
  ASSERT_TRUE(uitest::PumpUntil([&] { return !files.Reading() && files.RowCount() == 2; }, 5000));
  files.SelectAllRows();
  ASSERT_EQ(frame_->localView->QueueSelected(), 1);
  CTransmitFileDlg& background = *frame_->backgroundDialog;
  ASSERT_TRUE(uitest::PumpUntil([&] { return background.Queue().Size() == 2; }, 5000));
  EXPECT_TRUE(frame_->foregroundSession.transferQueue.Entries().empty());

  Command(cmd::ID_BACKGROUND_LIST);
  ASSERT_TRUE(uitest::PumpUntil([&] { return background.jobList->RowCount() == 2; }, 5000));
  EXPECT_EQ(FieldText(background.jobList->Row(0)->remoteName), "up2.txt");
  Command(cmd::ID_BACKGROUND_STOP_ALL);
  EXPECT_EQ(background.jobList->RowImage(0), ENTRY_STOPPED);
  Command(cmd::ID_BACKGROUND_SELECT_ALL);
  Command(cmd::ID_BACKGROUND_START);
  ASSERT_TRUE(uitest::PumpUntil(
      [&] { return server_->ReadFile("up1.txt") == "first" && server_->ReadFile("up2.txt") == "second"; },
      20000));
  ASSERT_TRUE(uitest::PumpUntil([&] { return !background.IsSending(); }, 20000));
  EXPECT_TRUE(background.Queue().Entries().empty());
}

TEST_F(QueueWindowsTest, LocalRowsDroppedOnTheQueueListAreUploaded) {
  if (!StartServer()) GTEST_SKIP() << "pyftpdlib is not available";
  ASSERT_TRUE(local_.WriteFile("dragged.txt", "dragged"));
  ASSERT_TRUE(local_.WriteFile("other.txt", "other"));
  Open();
  frame_->ConnectToSite(ServerSite());
  ASSERT_TRUE(LoggedIn());
  CDirListCtrl& files = *frame_->localView->fileList;
  ASSERT_TRUE(uitest::PumpUntil([&] { return !files.Reading() && files.RowCount() == 2; }, 5000));
  uitest::PumpFor(100);
  const auto drag = [&](const std::string& name, wxWindow& onto) {
    const long row = files.RowOfName(name);
    files.SetItemState(-1, 0, wxLIST_STATE_SELECTED);
    files.SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    wxRect rect;
    files.GetItemRect(row, rect);
    const wxPoint start = files.ClientToScreen(rect.GetPosition() + wxPoint(20, rect.height / 2));
    const wxPoint end = onto.GetScreenRect().GetPosition() + wxPoint(60, 40);
    wxUIActionSimulator sim;
    sim.MouseMove(start);
    uitest::PumpFor(40);
    sim.MouseDown();
    uitest::PumpFor(40);
    for (int step = 1; step <= 8; ++step) {
      sim.MouseMove(start + (end - start) * step / 8);
      uitest::PumpFor(30);
    }
    sim.MouseUp();
    uitest::PumpFor(60);
  };
  // Onto the queue list: uploaded by the session.
  drag("dragged.txt", *frame_->queueView->jobList);
  ASSERT_TRUE(uitest::PumpUntil([&] { return server_->ReadFile("dragged.txt") == "dragged"; }, 20000));
  EXPECT_EQ(server_->ReadFile("other.txt"), "");  // only the selected row
  // (Drops on the background window: DragDropTest.cpp.)
}

}  // namespace
