// The remote pane inside the main window: it is the session's view window,
// connects and disconnects go through it, the Remote commands reach it from
// any pane, and Cancel and About pass through it to the frame.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/filefn.h>

#include <cstring>

#include "FrameTestSupport.h"
#include "app/ui/ColorEdit.h"
#include "app/ui/MyInfoView.h"
#include "local/ui/DirListView.h"
#include "local/ui/InputFileNameDlg.h"
#include "remote/ui/FtpDirList.h"
#include "remote/ui/FtpDirView.h"
#include "remote/ui/HistroyCombo.h"
#include "res/CommandIds.h"
#include "support/ScriptedFtpServer.h"
#include "transfer/ui/ModalDriver.h"

namespace {

class RemoteFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldWorkingDir_ = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(work_.Path()));
    dataDir_.emplace("SKIFFLINE_DATA_DIR", work_.Path());  // the login's queue file
    server_.AddFile("/pub/readme.txt", "hello\n");
    frame_ = new CMainFrame(TestFrameOptions(program_));
  }
  void TearDown() override {
    DestroyFrame(frame_);
    wxSetWorkingDirectory(oldWorkingDir_);
  }
  SiteRecord Site() {
    SiteRecord site{};
    std::strcpy(site.siteName, "frame test");
    std::strcpy(site.address, server_.Address().c_str());
    std::strcpy(site.user, "bob");
    std::strcpy(site.password, "Secret-Word-42");
    std::strcpy(site.remoteInitPath, "/pub");
    return site;
  }
  CFtpDirView& Pane() { return *frame_->remoteView; }
  bool WaitListed(const std::string& name) {
    return uitest::PumpUntil(
        [&] {
          return Pane().fileList->RowOfName(name) >= 0 && Pane().ControlsEnabled() &&
                 frame_->foregroundSession.IsLoggedIn();
        },
        15000);
  }
  void Send(int id) {
    wxCommandEvent command(wxEVT_MENU, cmd::WxId(id));
    command.SetEventObject(frame_);
    frame_->GetEventHandler()->ProcessEvent(command);
  }
  std::string Log() { return frame_->infoView->logEdit->GetValue().utf8_string(); }

  skifftest::TempDir program_, work_;
  skifftest::ScriptedFtpServer server_;
  CMainFrame* frame_ = nullptr;
  wxString oldWorkingDir_;
  std::optional<uitest::ScopedEnv> dataDir_;
};

TEST_F(RemoteFrameTest, ConnectReconnectAndDisconnectGoThroughTheRemotePane) {
  EXPECT_EQ(frame_->foregroundSession.viewWindow.Get(), Pane().Target());
  frame_->ConnectToSite(Site());
  ASSERT_TRUE(WaitListed("readme.txt")) << Log();
  EXPECT_STREQ(frame_->currentSite.address, server_.Address().c_str());
  EXPECT_EQ(Pane().pathBox->Paths(), (std::vector<std::string>{"/pub"}));
  EXPECT_EQ(frame_->Document().shownQueue, &frame_->foregroundSession.transferQueue);
  // The password reaches the server, never the log.
  EXPECT_TRUE(server_.WaitForCommand("PASS Secret-Word-42", 2000));
  EXPECT_EQ(Log().find("Secret-Word-42"), std::string::npos) << Log();

  // Reconnect: a fresh session and a fresh history for the same site.
  Send(cmd::ID_RECONNECT);
  EXPECT_EQ(Pane().History().Count(), 0u);
  ASSERT_TRUE(server_.WaitForConnections(2, 5000));
  ASSERT_TRUE(WaitListed("readme.txt")) << Log();
  EXPECT_EQ(Pane().pathBox->Paths(), (std::vector<std::string>{"/pub"}));

  Send(cmd::ID_DISCONNECT);
  EXPECT_FALSE(frame_->foregroundSession.IsLoggedIn());
  EXPECT_EQ(Pane().pathBox->GetCount(), 0u);
  EXPECT_EQ(Pane().History().Count(), 0u);
  EXPECT_EQ(Pane().fileList->GetItemCount(), 0);
  EXPECT_STREQ(frame_->currentSite.address, server_.Address().c_str());  // kept for Reconnect
}

TEST_F(RemoteFrameTest, RemoteCommandsReachThePaneFromAnotherPane) {
  frame_->ConnectToSite(Site());
  ASSERT_TRUE(WaitListed("readme.txt")) << Log();
  frame_->ActivatePane(frame_->localView);

  server_.AddFile("/pub/later.txt", "later");
  Send(cmd::ID_REMOTE_REFRESH);
  ASSERT_TRUE(WaitListed("later.txt")) << Log();

  std::vector<std::string> offered;
  {
    uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
      auto* dialog = dynamic_cast<CInputFileNameDlg*>(m.dialog);
      if (!dialog) return wxID_CANCEL;
      offered.push_back(dialog->nameEdit->GetValue().utf8_string());
      dialog_test::Click(*dialog, wxID_OK);
      return wxID_NONE;
    });
    Send(cmd::ID_REMOTE_NEW_FOLDER);
  }
  EXPECT_EQ(offered, (std::vector<std::string>{"New Folder"}));
  EXPECT_TRUE(server_.WaitForCommand("MKD New Folder", 5000));
  ASSERT_TRUE(WaitListed("New Folder")) << Log();

  CFtpDirList& list = *Pane().fileList;
  list.SetItemState(list.RowOfName("later.txt"), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  Send(cmd::ID_REMOTE_DELETE);
  EXPECT_TRUE(server_.WaitForCommand("DELE later.txt", 5000)) << Log();
  ASSERT_TRUE(uitest::PumpUntil([&] { return list.RowOfName("later.txt") < 0; }, 10000)) << Log();
  EXPECT_EQ(frame_->ActivePane(), frame_->localView);
}

TEST_F(RemoteFrameTest, CancelAndAboutPassThroughTheActiveRemotePaneToTheFrame) {
  int cancels = 0, abouts = 0, refreshes = 0;
  frame_->Bind(wxEVT_MENU, [&](wxCommandEvent& e) { ++cancels; e.Skip(); },
               cmd::WxId(cmd::ID_CANCEL_OPERATION));
  frame_->Bind(wxEVT_MENU, [&](wxCommandEvent& e) { ++abouts; e.Skip(); },
               cmd::WxId(cmd::ID_APP_ABOUT));
  frame_->Bind(wxEVT_MENU, [&](wxCommandEvent& e) { ++refreshes; e.Skip(); },
               cmd::WxId(cmd::ID_REMOTE_REFRESH));
  frame_->ActivatePane(frame_->remoteView);
  Send(cmd::ID_CANCEL_OPERATION);
  {
    uitest::ModalDialogCloser closer([](const uitest::ModalInfo&) { return wxID_OK; });
    Send(cmd::ID_APP_ABOUT);
    EXPECT_EQ(closer.Seen().size(), 1u);  // the about box opened
  }
  Send(cmd::ID_REMOTE_REFRESH);  // the pane's own: the frame never sees it
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(abouts, 1);
  EXPECT_EQ(refreshes, 0);
  frame_->ActivatePane(frame_->infoView);
  Send(cmd::ID_REMOTE_REFRESH);
  EXPECT_EQ(refreshes, 1);
}

}  // namespace
