// Which pane takes which command: a command goes to the active pane first and
// reaches the frame only when that pane has no handler for it. Every pane is
// made active in turn and every routed command is sent through the frame, as
// the menu, the toolbar and the accelerators send them.
#include <gtest/gtest.h>
#include <wx/uiaction.h>

#include <map>
#include <set>
#include <string>

#include "FrameTestSupport.h"
#include "app/ui/MyInfoView.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "remote/ui/FtpDirList.h"
#include "remote/ui/FtpDirView.h"
#include "res/CommandIds.h"
#include "transfer/ui/DownloadFileView.h"

namespace {

// Every command that some pane takes for itself.
const int kRoutedCommands[] = {
    cmd::ID_LOCAL_REFRESH,   cmd::ID_LOCAL_DELETE,     cmd::ID_LOCAL_UPLOAD,
    cmd::ID_LOCAL_DOWNLOAD,  cmd::ID_SELECT_ALL,       cmd::ID_REMOTE_DELETE,
    cmd::ID_REMOTE_REFRESH,  cmd::ID_REMOTE_DOWNLOAD,  cmd::ID_REMOTE_NEW_FOLDER,
    cmd::ID_REMOTE_EDIT,     cmd::ID_CANCEL_OPERATION, cmd::ID_APP_ABOUT,
    cmd::ID_FOREGROUND_START, cmd::ID_FOREGROUND_STOP,
};

// What each pane takes while it is active. Cancel and About are not the
// remote pane's: they reach the frame from every pane, so the user can stop
// a transfer while looking at the remote files.
std::map<std::string, std::set<int>> PaneCommands() {
  return {
      {"local",
       {cmd::ID_LOCAL_REFRESH, cmd::ID_LOCAL_DELETE, cmd::ID_LOCAL_UPLOAD, cmd::ID_SELECT_ALL,
        cmd::ID_LOCAL_DOWNLOAD}},
      {"remote",
       {cmd::ID_REMOTE_DELETE, cmd::ID_REMOTE_REFRESH, cmd::ID_REMOTE_DOWNLOAD,
        cmd::ID_REMOTE_NEW_FOLDER, cmd::ID_SELECT_ALL, cmd::ID_REMOTE_EDIT}},
      {"queue", {cmd::ID_FOREGROUND_START, cmd::ID_FOREGROUND_STOP, cmd::ID_SELECT_ALL}},
      {"log", {}},
  };
}

class RoutingTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = new CMainFrame(TestFrameOptions(program));
    frame->SetSize(1000, 700);
    frame->Show();
    uitest::PumpFor(50);
    panes = {{"local", frame->localView},
             {"remote", frame->remoteView},
             {"queue", frame->queueView},
             {"log", frame->infoView}};
    // Probes see a command first and let it go on (Skip), so the real
    // handlers still decide where it ends.
    for (int id : kRoutedCommands) {
      frame->Bind(wxEVT_MENU, [this, id](wxCommandEvent& e) { ++frameSaw[id]; e.Skip(); },
                  cmd::WxId(id));
    }
  }
  void TearDown() override { DestroyFrame(frame); }

  void Send(int id) {
    wxCommandEvent event(wxEVT_MENU, cmd::WxId(id));
    event.SetEventObject(frame);
    frame->GetEventHandler()->ProcessEvent(event);
  }

  skifftest::TempDir program;
  CMainFrame* frame = nullptr;
  std::map<std::string, wxWindow*> panes;
  std::map<int, int> frameSaw;
};

TEST_F(RoutingTableTest, EachPaneTakesItsCommandsAndPassesTheRestToTheFrame) {
  const auto table = PaneCommands();
  for (const auto& [name, pane] : panes) {
    frame->ActivatePane(pane);
    ASSERT_EQ(frame->ActivePane(), pane);
    const std::set<int>& takes = table.at(name);
    for (int id : kRoutedCommands) {
      frameSaw.clear();
      {
        // About opens a modal dialog when it reaches the frame.
        uitest::ModalDialogCloser closer([](const uitest::ModalInfo&) { return wxID_OK; });
        Send(id);
      }
      const bool reachedFrame = frameSaw[id] == 1;
      EXPECT_EQ(reachedFrame, takes.count(id) == 0)
          << "pane " << name << ", command " << id
          << (reachedFrame ? " reached the frame" : " was taken by the pane");
    }
  }
}

TEST_F(RoutingTableTest, TheLocalPaneIsActiveAtStartAndAClickMakesAnotherPaneActive) {
  EXPECT_EQ(frame->ActivePane(), frame->localView);
  frame->Raise();
  wxUIActionSimulator sim;
  const auto clickInto = [&](wxWindow* window) {
    sim.MouseMove(window->GetScreenRect().GetPosition() + wxPoint(20, 40));
    uitest::PumpFor(30);
    sim.MouseClick();
  };
  clickInto(frame->remoteView);
  ASSERT_TRUE(uitest::PumpUntil([&] { return frame->ActivePane() == frame->remoteView; }));
  clickInto(frame->queueView);
  ASSERT_TRUE(uitest::PumpUntil([&] { return frame->ActivePane() == frame->queueView; }));
  // Local Download is taken by the local pane and has no effect there; with
  // the queue pane active it reaches the frame.
  Send(cmd::ID_LOCAL_DOWNLOAD);
  EXPECT_EQ(frameSaw[cmd::ID_LOCAL_DOWNLOAD], 1);
}

TEST_F(RoutingTableTest, CtrlAAndF6FromTheKeyboard) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) program.WriteFile(name, "x");
  frame->localView->RefreshFolder();
  CDirListCtrl* list = frame->localView->fileList;
  ASSERT_TRUE(uitest::PumpUntil([&] { return !list->Reading() && list->GetItemCount() >= 3; }));
  list->SetFocus();
  ASSERT_TRUE(uitest::PumpUntil([&] { return frame->ActivePane() == frame->localView; }));
  wxUIActionSimulator sim;
  sim.Char('A', wxMOD_CONTROL);
  EXPECT_TRUE(uitest::PumpUntil(
      [&] { return list->GetSelectedItemCount() == list->GetItemCount(); }));
  // F6 moves to the next pane, Shift+F6 back.
  sim.Char(WXK_F6);
  EXPECT_TRUE(uitest::PumpUntil([&] { return frame->ActivePane() == frame->remoteView; }));
  sim.Char(WXK_F6, wxMOD_SHIFT);
  EXPECT_TRUE(uitest::PumpUntil([&] { return frame->ActivePane() == frame->localView; }));
}

}  // namespace
