// The Connect menu's Site Manager and Quickconnect commands in the main
// window, logging in to pyftpdlib; the password reaches the log masked only.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/filefn.h>

#include <cstring>

#include "FrameTestSupport.h"
#include "app/ui/ColorEdit.h"
#include "app/ui/MyInfoView.h"
#include "res/CommandIds.h"
#include "sites/FixedText.h"
#include "sites/SiteFile.h"
#include "sites/ui/SetDlgInputSite.h"
#include "sites/ui/SetDlgSelectSite.h"
#include "support/LocalTree.h"
#include "../../sites/ui/SiteDialogDriver.h"

using dialog_test::Click;
using site_test::WhenShown;

namespace {

constexpr const char* kPassword = "Zq7-hidden-pw";

class SiteCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
    oldWorkingDir_ = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(work_.Path()));
    dataDir_.emplace("SKIFFLINE_DATA_DIR", work_.Path());  // the site file lives here
    server_ = std::make_unique<skifftest::PyFtpdServer>("skiff", kPassword);
    ASSERT_TRUE(server_->Ok()) << server_->Log();
    frame_ = new CMainFrame(TestFrameOptions(program_));
  }
  void TearDown() override {
    DestroyFrame(frame_);
    server_.reset();
    wxSetWorkingDirectory(oldWorkingDir_);
  }
  void SendCommand(int id) {
    wxCommandEvent command(wxEVT_MENU, cmd::WxId(id));
    frame_->GetEventHandler()->ProcessEvent(command);
  }
  std::string Log() { return frame_->infoView->logEdit->GetValue().utf8_string(); }
  bool LoggedIn() {
    return uitest::PumpUntil(
        [&] {
          return frame_->foregroundSession.IsLoggedIn() &&
                 !frame_->foregroundSession.CurrentDir().empty();
        },
        15000);
  }
  void ExpectPasswordMaskedInLog() {
    ASSERT_TRUE(uitest::PumpUntil([&] { return Log().find("PASS *") != std::string::npos; }, 5000))
        << Log();
    EXPECT_EQ(Log().find(kPassword), std::string::npos) << Log();
  }

  skifftest::TempDir program_, work_;
  std::unique_ptr<skifftest::PyFtpdServer> server_;
  CMainFrame* frame_ = nullptr;
  wxString oldWorkingDir_;
  std::optional<uitest::ScopedEnv> dataDir_;
};

TEST_F(SiteCommandsTest, QuickconnectLogsInWithTheTypedSiteAndStoresNoSite) {
  wxString caption;
  bool zeroRecord = false;
  WhenShown<CSetDlgInputSite>([&](CSetDlgInputSite& dlg) {
    caption = dlg.okButton->GetLabel();
    const SiteRecord zero{};
    zeroRecord = std::memcmp(&dlg.site, &zero, sizeof zero) == 0 && dlg.connectMode == 1;
    dlg.addressEdit->WriteText(server_->Address());
    site_test::Type(dlg.userEdit, server_->User());
    site_test::Type(dlg.passwordEdit, kPassword);
    Click(dlg, wxID_OK);
  }, 8000);
  SendCommand(cmd::ID_QUICK_CONNECT);
  EXPECT_EQ(caption, "Connect");
  EXPECT_TRUE(zeroRecord);
  ASSERT_TRUE(LoggedIn()) << Log();
  EXPECT_EQ(FieldText(frame_->currentSite.address), server_->Address());
  EXPECT_EQ(FieldText(frame_->currentSite.user), "skiff");
  EXPECT_EQ(FieldText(frame_->currentSite.password), kPassword);
  ExpectPasswordMaskedInLog();
  EXPECT_FALSE(skifftest::Exists(work_.PathOf(kSiteFileName)));

  // Cancel connects nowhere and keeps the current site.
  const SiteRecord before = frame_->currentSite;
  WhenShown<CSetDlgInputSite>([](CSetDlgInputSite& dlg) { Click(dlg, wxID_CANCEL); });
  SendCommand(cmd::ID_QUICK_CONNECT);
  EXPECT_EQ(std::memcmp(&frame_->currentSite, &before, sizeof before), 0);
  EXPECT_TRUE(frame_->foregroundSession.IsLoggedIn());
}

TEST_F(SiteCommandsTest, SiteManagerConnectsToTheSelectedStoredSite) {
  SiteList list;
  list.AppendSite(MakeSiteRecord("elsewhere", "127.0.0.1:1", "x", "y", "", "", LOGIN_ACCOUNT));
  const SiteRecord stored = MakeSiteRecord("pyftpd", server_->Address(), server_->User(),
                                           kPassword, "", "", LOGIN_ACCOUNT);
  list.AppendSite(stored);
  ASSERT_EQ(SaveSiteFile(list, work_.PathOf(kSiteFileName)), 1);

  WhenShown<CSetDlgSelectSite>([](CSetDlgSelectSite& dlg) {
    dlg.siteListCtrl->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    Click(dlg, wxID_OK);
  }, 8000);
  SendCommand(cmd::ID_SITE_MANAGER);
  ASSERT_TRUE(LoggedIn()) << Log();
  EXPECT_EQ(std::memcmp(&frame_->currentSite, &stored, sizeof stored), 0);
  ExpectPasswordMaskedInLog();
  EXPECT_EQ(work_.ReadFile(kSiteFileName).size(), 2 * sizeof(SiteRecord));

  // Connection Site without a selection: the all-zero site becomes current,
  // the open session is stopped, and nothing breaks.
  WhenShown<CSetDlgSelectSite>([](CSetDlgSelectSite& dlg) { Click(dlg, wxID_OK); });
  SendCommand(cmd::ID_SITE_MANAGER);
  const SiteRecord zero{};
  EXPECT_EQ(std::memcmp(&frame_->currentSite, &zero, sizeof zero), 0);
  EXPECT_TRUE(uitest::PumpUntil([&] { return !frame_->foregroundSession.IsLoggedIn(); }, 5000));
}

}  // namespace
