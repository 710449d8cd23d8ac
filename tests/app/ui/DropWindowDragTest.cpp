// Local rows dragged with the mouse onto the drop window: the drop window
// plays its animation and the rows join the background queue.
#include <gtest/gtest.h>
#include <wx/uiaction.h>

#include <memory>

#include "FrameTestSupport.h"
#include "app/ui/GeniusDlg.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"
#include "transfer/ui/TransmitFileDlg.h"

namespace {

TEST(DropWindowDrag, LocalRowsDroppedOnTheDropWindowJoinTheBackgroundQueue) {
  if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not available";
  skifftest::TempDir program, work, local;
  const wxString oldWorkingDir = wxGetCwd();
  ASSERT_TRUE(wxSetWorkingDirectory(work.Path()));
  skifftest::PyFtpdServer server;
  ASSERT_TRUE(server.Ok());
  ASSERT_TRUE(local.WriteFile("dropped.txt", "dropped"));
  ASSERT_TRUE(local.WriteFile("other.txt", "other"));
  FrameOptions options = TestFrameOptions(program);
  options.localStartFolder = local.Path();
  CMainFrame* frame = new CMainFrame(options);
  SiteRecord site{};
  SetField(site.siteName, "drop test");
  SetField(site.address, server.Address());
  SetField(site.user, server.User());
  SetField(site.password, server.Password());
  frame->ConnectToSite(site);
  ASSERT_TRUE(uitest::PumpUntil(
      [&] {
        return frame->foregroundSession.IsLoggedIn() && !frame->foregroundSession.CurrentDir().empty();
      },
      20000));
  CDirListCtrl& files = *frame->localView->fileList;
  ASSERT_TRUE(uitest::PumpUntil([&] { return !files.Reading() && files.RowCount() == 2; }, 5000));
  uitest::PumpFor(100);

  CGeniusDlg& drop = *frame->dropWindow;
  const long row = files.RowOfName("dropped.txt");
  files.SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  wxRect rect;
  files.GetItemRect(row, rect);
  const wxPoint start = files.ClientToScreen(rect.GetPosition() + wxPoint(20, rect.height / 2));
  const wxPoint end = drop.GetScreenRect().GetPosition() + wxPoint(19, 20);
  const int paintsBefore = drop.Paints();
  wxUIActionSimulator sim;
  sim.MouseMove(start);
  uitest::PumpFor(40);
  sim.MouseDown();
  uitest::PumpFor(40);
  for (int nudge = 1; nudge <= 4; ++nudge) {  // a few pixels inside the list start the drag
    sim.MouseMove(start + wxPoint(4 * nudge, 0));
    uitest::PumpFor(30);
  }
  for (int step = 1; step <= 12; ++step) {
    sim.MouseMove(start + (end - start) * step / 12);
    uitest::PumpFor(30);
  }
  EXPECT_TRUE(frame->localView->Drag().Dragging());
  EXPECT_TRUE(frame->localView->Drag().DropAllowed());  // over the drop window
  sim.MouseUp();
  CTransmitFileDlg& background = *frame->backgroundDialog;
  EXPECT_TRUE(uitest::PumpUntil([&] { return background.Queue().Size() == 1; }, 5000));
  EXPECT_TRUE(uitest::PumpUntil([&] { return !drop.Animating() && drop.LastPaintWhole(); }, 5000));
  EXPECT_GT(drop.Paints(), paintsBefore + 1);
  EXPECT_EQ(FieldText(background.Queue().Entries().front().remoteName), "dropped.txt");

  DestroyFrame(frame);
  wxSetWorkingDirectory(oldWorkingDir);
}

}  // namespace
