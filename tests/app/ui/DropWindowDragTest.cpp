// Rows of either pane dragged with the mouse onto the drop window: the drop
// window plays its animation and the rows join the background queue.
#include <gtest/gtest.h>
#include <wx/uiaction.h>

#include <memory>

#include "FrameTestSupport.h"
#include "app/ui/GeniusDlg.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "platform/ui/RowDrag.h"
#include "remote/ui/FtpDirDrag.h"
#include "remote/ui/FtpDirList.h"
#include "remote/ui/FtpDirView.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"
#include "transfer/ui/TransmitFileDlg.h"

namespace {

// A main window logged in to pyftpdlib, its local pane in a folder of its own.
class DropWindowDrag : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not available";
    oldWorkingDir_ = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(work_.Path()));
    ASSERT_TRUE(server_.Ok());
    ASSERT_TRUE(server_.WriteFile("fetched.txt", "fetched bytes"));
    ASSERT_TRUE(local_.WriteFile("dropped.txt", "dropped"));
    ASSERT_TRUE(local_.WriteFile("other.txt", "other"));
    FrameOptions options = TestFrameOptions(program_);
    options.localStartFolder = local_.Path();
    frame_ = new CMainFrame(options);
    SiteRecord site{};
    SetField(site.siteName, "drop test");
    SetField(site.address, server_.Address());
    SetField(site.user, server_.User());
    SetField(site.password, server_.Password());
    frame_->ConnectToSite(site);
    ASSERT_TRUE(uitest::PumpUntil(
        [&] {
          return frame_->foregroundSession.IsLoggedIn() &&
                 !frame_->foregroundSession.CurrentDir().empty() &&
                 frame_->remoteView->fileList->RowOfName("fetched.txt") >= 0;
        },
        20000));
    CDirListCtrl& files = *frame_->localView->fileList;
    ASSERT_TRUE(uitest::PumpUntil([&] { return !files.Reading() && files.RowCount() == 2; }, 5000));
    uitest::PumpFor(100);
  }
  void TearDown() override {
    DestroyFrame(frame_);
    if (!oldWorkingDir_.empty()) wxSetWorkingDirectory(oldWorkingDir_);
  }

  // Presses the button on `row` of `list`, moves a few pixels inside the
  // list (GTK's list starts a drag only then), carries the row to the
  // middle of the drop window and checks the drag is still running there;
  // the button stays down.
  void CarryToDropWindow(wxListCtrl& list, long row, const CRowDrag& drag) {
    list.SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    wxRect rect;
    list.GetItemRect(row, rect);
    const wxPoint start = list.ClientToScreen(rect.GetPosition() + wxPoint(20, rect.height / 2));
    const wxPoint end = frame_->dropWindow->GetScreenRect().GetPosition() + wxPoint(19, 20);
    sim_.MouseMove(start);
    uitest::PumpFor(40);
    sim_.MouseDown();
    uitest::PumpFor(40);
    for (int nudge = 1; nudge <= 4; ++nudge) {
      sim_.MouseMove(start + wxPoint(4 * nudge, 0));
      uitest::PumpFor(30);
    }
    for (int step = 1; step <= 12; ++step) {
      sim_.MouseMove(start + (end - start) * step / 12);
      uitest::PumpFor(30);
    }
    EXPECT_TRUE(drag.Dragging());
    EXPECT_TRUE(drag.DropAllowed());  // over the drop window
  }

  skifftest::TempDir program_, work_, local_;
  skifftest::PyFtpdServer server_;
  wxString oldWorkingDir_;
  CMainFrame* frame_ = nullptr;
  wxUIActionSimulator sim_;
};

TEST_F(DropWindowDrag, LocalRowsDroppedOnTheDropWindowJoinTheBackgroundQueue) {
  CGeniusDlg& drop = *frame_->dropWindow;
  CDirListCtrl& files = *frame_->localView->fileList;
  const int paintsBefore = drop.Paints();
  CarryToDropWindow(files, files.RowOfName("dropped.txt"), frame_->localView->Drag());
  sim_.MouseUp();
  CTransmitFileDlg& background = *frame_->backgroundDialog;
  EXPECT_TRUE(uitest::PumpUntil([&] { return background.Queue().Size() == 1; }, 5000));
  EXPECT_TRUE(uitest::PumpUntil([&] { return !drop.Animating() && drop.LastPaintWhole(); }, 5000));
  EXPECT_GT(drop.Paints(), paintsBefore + 1);
  EXPECT_EQ(FieldText(background.Queue().Entries().front().remoteName), "dropped.txt");
}

TEST_F(DropWindowDrag, RemoteRowsDroppedOnTheDropWindowAreFetchedAfterBackgroundStart) {
  CGeniusDlg& drop = *frame_->dropWindow;
  CFtpDirList& remote = *frame_->remoteView->fileList;
  const int paintsBefore = drop.Paints();
  CarryToDropWindow(remote, remote.RowOfName("fetched.txt"), frame_->remoteView->Drag().Rows());
  sim_.MouseUp();
  CTransmitFileDlg& background = *frame_->backgroundDialog;
  ASSERT_TRUE(uitest::PumpUntil([&] { return background.Queue().Size() == 1; }, 5000));
  EXPECT_TRUE(uitest::PumpUntil([&] { return !drop.Animating() && drop.LastPaintWhole(); }, 5000));
  EXPECT_GT(drop.Paints(), paintsBefore + 1);
  const TransferEntry entry = background.Queue().Entries().front();
  EXPECT_EQ(FieldText(entry.remoteName), "fetched.txt");
  EXPECT_EQ(entry.direction, XFER_DOWNLOAD);
  EXPECT_EQ(local_.ReadFile("fetched.txt"), "");  // queued, not sent yet

  background.SelectAll();
  background.BackgroundStart();
  ASSERT_TRUE(uitest::PumpUntil([&] { return local_.ReadFile("fetched.txt") == "fetched bytes"; },
                                20000));
}

}  // namespace
