// One whole road through the main window against pyftpdlib, as a user walks
// it: Quickconnect with a user and password, open a folder, download a file
// by double click into the local pane's folder, upload one by Upload, delete
// it, make a folder and rename it; every step shows in the log, the
// transfers in the queue pane.
#include <gtest/gtest.h>
#include <wx/filefn.h>
#include <wx/uiaction.h>

#include "FrameTestSupport.h"
#include "app/ui/ColorEdit.h"
#include "app/ui/MyInfoView.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "local/ui/InputFileNameDlg.h"
#include "remote/ui/FtpDirList.h"
#include "remote/ui/FtpDirView.h"
#include "res/CommandIds.h"
#include "sites/ui/SetDlgInputSite.h"
#include "support/LocalTree.h"
#include "transfer/ui/DownloadFileView.h"
#include "../../sites/ui/SiteDialogDriver.h"

using dialog_test::Click;
using site_test::WhenShown;

namespace {

class WholeRoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
    oldWorkingDir_ = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(work_.Path()));
    dataDir_.emplace("SKIFFLINE_DATA_DIR", work_.Path());  // the login's queue file
    server_ = std::make_unique<skifftest::PyFtpdServer>();
    ASSERT_TRUE(server_->Ok()) << server_->Log();
    FrameOptions options = TestFrameOptions(program_);
    options.localStartFolder = local_.Path();
    frame_ = new CMainFrame(options);
    frame_->SetSize(1200, 800);
    uitest::PumpFor(100);
  }
  void TearDown() override {
    DestroyFrame(frame_);
    server_.reset();
    if (!oldWorkingDir_.empty()) wxSetWorkingDirectory(oldWorkingDir_);
  }
  void SendCommand(int id) {
    wxCommandEvent command(wxEVT_MENU, cmd::WxId(id));
    frame_->GetEventHandler()->ProcessEvent(command);
  }
  std::string Log() { return frame_->infoView->logEdit->GetValue().utf8_string(); }
  bool LogHas(const std::string& text) {
    return uitest::PumpUntil([&] { return Log().find(text) != std::string::npos; }, 10000);
  }
  CFtpDirList& Remote() { return *frame_->remoteView->fileList; }
  bool RemoteShows(const std::string& name, bool present = true) {
    return uitest::PumpUntil(
        [&] { return (Remote().RowOfName(name) >= 0) == present && Remote().IsEnabled(); }, 10000);
  }
  void SelectRemote(const std::string& name) {
    for (long i = 0; i < Remote().GetItemCount(); ++i) Remote().SetItemState(i, 0, wxLIST_STATE_SELECTED);
    Remote().SetItemState(Remote().RowOfName(name), wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                          wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
  }
  void DoubleClickRemote(const std::string& name) {
    // Apart from the last click by more than the double-click time, so that
    // the toolkit doesn't take it for a third click of the last pair.
    uitest::PumpFor(700);
    wxRect rect;
    Remote().GetItemRect(Remote().RowOfName(name), rect);
    wxUIActionSimulator sim;
    sim.MouseMove(Remote().ClientToScreen(rect.GetPosition() + wxPoint(30, rect.height / 2)));
    uitest::PumpFor(60);
    sim.MouseDblClick();
    uitest::PumpFor(60);
  }
  // Answers the name dialog with `name`, as typed.
  void AnswerName(const std::string& name) {
    WhenShown<CInputFileNameDlg>([name](CInputFileNameDlg& dlg) {
      dlg.nameEdit->SetValue(wxString::FromUTF8(name));
      Click(dlg, wxID_OK);
    }, 8000);
  }

  skifftest::TempDir program_, work_, local_;
  std::unique_ptr<skifftest::PyFtpdServer> server_;
  CMainFrame* frame_ = nullptr;
  wxString oldWorkingDir_;
  std::optional<uitest::ScopedEnv> dataDir_;
};

TEST_F(WholeRoadTest, QuickconnectBrowseDownloadUploadDeleteMakeAndRename) {
  const std::string readme(200000, 'r');
  ASSERT_TRUE(server_->WriteFile("pub/readme.txt", readme));
  ASSERT_TRUE(local_.WriteFile("up.txt", "uploaded bytes\n"));
  frame_->localView->RefreshFolder();
  ASSERT_TRUE(uitest::PumpUntil([&] { return frame_->localView->fileList->RowCount() == 1; }, 5000));

  // Quickconnect with a user and a password.
  WhenShown<CSetDlgInputSite>([&](CSetDlgInputSite& dlg) {
    dlg.addressEdit->WriteText(server_->Address());
    site_test::Type(dlg.userEdit, server_->User());
    site_test::Type(dlg.passwordEdit, server_->Password());
    Click(dlg, wxID_OK);
  }, 8000);
  SendCommand(cmd::ID_QUICK_CONNECT);
  ASSERT_TRUE(uitest::PumpUntil([&] { return frame_->foregroundSession.IsLoggedIn() != 0; }, 15000)) << Log();
  ASSERT_TRUE(RemoteShows("pub")) << Log();
  EXPECT_TRUE(LogHas("PASS *"));
  EXPECT_EQ(Log().find(server_->Password()), std::string::npos);

  // Open the folder by double click.
  DoubleClickRemote("pub");
  ASSERT_TRUE(RemoteShows("readme.txt")) << Log();
  EXPECT_TRUE(LogHas("CWD /pub"));

  // Download by double click: into the local pane's folder, bytes equal;
  // the queue pane shows the login's queue.
  DoubleClickRemote("readme.txt");
  ASSERT_TRUE(uitest::PumpUntil(
      [&] {
        return skifftest::FileText(local_.PathOf("readme.txt")) == readme &&
               frame_->foregroundSession.transferQueue.IsEmpty();
      },
      15000))
      << Log();
  EXPECT_TRUE(LogHas("RETR readme.txt"));
  EXPECT_EQ(frame_->queueView->ShownQueue(), &frame_->foregroundSession.transferQueue);

  // Upload by the Upload command from the local pane.
  CDirListCtrl& localList = *frame_->localView->fileList;
  ASSERT_TRUE(uitest::PumpUntil([&] { return localList.RowOfName("up.txt") >= 0 && !localList.Reading(); }, 5000));
  localList.SetItemState(localList.RowOfName("up.txt"), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  frame_->ActivatePane(frame_->localView);
  SendCommand(cmd::ID_LOCAL_UPLOAD);
  ASSERT_TRUE(uitest::PumpUntil([&] { return server_->ReadFile("pub/up.txt") == "uploaded bytes\n"; }, 15000))
      << Log();
  EXPECT_TRUE(LogHas("STOR up.txt"));
  ASSERT_TRUE(RemoteShows("up.txt")) << Log();

  // Delete it from the remote pane.
  frame_->ActivatePane(frame_->remoteView);
  SelectRemote("up.txt");
  SendCommand(cmd::ID_REMOTE_DELETE);
  ASSERT_TRUE(uitest::PumpUntil([&] { return !skifftest::Exists(server_->RootPath("pub/up.txt")); }, 15000))
      << Log();
  EXPECT_TRUE(LogHas("DELE up.txt"));
  EXPECT_TRUE(RemoteShows("up.txt", false));

  // Make a folder, then rename it.
  AnswerName("made");
  SendCommand(cmd::ID_REMOTE_NEW_FOLDER);
  ASSERT_TRUE(RemoteShows("made")) << Log();
  EXPECT_TRUE(LogHas("MKD made"));
  SelectRemote("made");
  AnswerName("renamed");
  frame_->remoteView->RenameSelected();
  ASSERT_TRUE(RemoteShows("renamed")) << Log();
  EXPECT_TRUE(LogHas("RNFR /pub/made"));
  EXPECT_TRUE(LogHas("RNTO /pub/renamed"));
  EXPECT_TRUE(skifftest::Exists(server_->RootPath("pub/renamed")));
  EXPECT_FALSE(skifftest::Exists(server_->RootPath("pub/made")));
}

}  // namespace
