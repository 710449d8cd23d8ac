// "Site info": the record in and out of the fields, the login type radio
// buttons, the OK caption, the input limits, and the messages for texts and
// addresses that could not be stored or connected to.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <cstring>

#include "sites/FixedText.h"
#include "sites/ui/SetDlgInputSite.h"
#include "SiteDialogDriver.h"

using dialog_test::Click;
using dialog_test::ShowModalDriven;
using site_test::ClickWindow;
using site_test::Type;

namespace {

std::string Text(const wxTextCtrl* edit) { return edit->GetValue().utf8_string(); }

bool HasLabel(wxWindow& dialog, const wxString& label) {
  wxWindowList all;
  std::function<void(wxWindow*)> walk = [&](wxWindow* w) {
    for (wxWindow* c : w->GetChildren()) {
      all.push_back(c);
      walk(c);
    }
  };
  walk(&dialog);
  for (wxWindow* w : all)
    if ((dynamic_cast<wxStaticText*>(w) || dynamic_cast<wxStaticBox*>(w)) && w->GetLabel() == label)
      return true;
  return false;
}

TEST(SetDlgInputSite, CaptionReadsConnectOnlyInConnectModeAndTheTextsAreThere) {
  for (int mode : {1, 0}) {
    CSetDlgInputSite dlg(nullptr);
    dlg.connectMode = mode;
    wxString caption;
    bool labels = false, masked = false;
    ShowModalDriven(dlg, [&](wxDialog& d) {
      caption = dlg.okButton->GetLabel();
      labels = HasLabel(d, "Site Name:") && HasLabel(d, "Site Address:") && HasLabel(d, "User:") &&
               HasLabel(d, "Password:") && HasLabel(d, "Remote initial path:") &&
               HasLabel(d, "Local initial path:") &&
               HasLabel(d, wxString::FromUTF8("Login Type："));
      masked = dlg.passwordEdit->HasFlag(wxTE_PASSWORD);
      Click(d, wxID_CANCEL);
    });
    EXPECT_EQ(caption, mode ? "Connect" : "OK");
    EXPECT_TRUE(labels);
    EXPECT_TRUE(masked);
    EXPECT_EQ(dlg.GetTitle(), "Site info");
    EXPECT_EQ(dlg.accountRadio->GetLabel(), "Account");
    EXPECT_EQ(dlg.anonymousRadio->GetLabel(), "Anonymous");
  }
}

TEST(SetDlgInputSite, TypedFieldsAndTheLoginTypeGoIntoTheRecordAndRunTimeWordsStay) {
  CSetDlgInputSite dlg(nullptr);
  dlg.site.serverType = 2;
  dlg.site.reserved = 7;
  dlg.site.resumeSupported = 1;
  bool startedAsAccount = false;
  const int code = ShowModalDriven(dlg, [&](wxDialog& d) {
    startedAsAccount = dlg.accountRadio->GetValue() && !dlg.anonymousRadio->GetValue();
    Type(dlg.siteNameEdit, "My Site");
    Type(dlg.addressEdit, "ftp.example.org");
    Type(dlg.userEdit, "alice");
    Type(dlg.passwordEdit, "Pa55word");
    Type(dlg.remotePathEdit, "/pub/files");
    Type(dlg.localPathEdit, "/home/alice/in");
    ClickWindow(dlg.anonymousRadio);
    EXPECT_TRUE(dlg.anonymousRadio->GetValue());
    EXPECT_FALSE(dlg.accountRadio->GetValue());
    Click(d, wxID_OK);
  }, 20000);
  ASSERT_EQ(code, wxID_OK);
  EXPECT_TRUE(startedAsAccount);
  EXPECT_EQ(FieldText(dlg.site.siteName), "My Site");
  EXPECT_EQ(FieldText(dlg.site.address), "ftp.example.org");
  EXPECT_EQ(FieldText(dlg.site.user), "alice");
  EXPECT_EQ(FieldText(dlg.site.password), "Pa55word");
  EXPECT_EQ(FieldText(dlg.site.remoteInitPath), "/pub/files");
  EXPECT_EQ(FieldText(dlg.site.localInitPath), "/home/alice/in");
  EXPECT_EQ(dlg.site.loginType, LOGIN_ANONYMOUS);
  EXPECT_EQ(dlg.site.serverType, 2);
  EXPECT_EQ(dlg.site.reserved, 7);
  EXPECT_EQ(dlg.site.resumeSupported, 1);
}

TEST(SetDlgInputSite, AnAnonymousSiteOpensAnonymousWithItsUserAndPasswordStillShown) {
  CSetDlgInputSite dlg(nullptr);
  dlg.site = site_test::Site("anon", "ftp.example.org", "bob", "bobpw", LOGIN_ANONYMOUS);
  bool anonymous = false, account = true;
  std::string user, password;
  bool accountAfterClick = false, anonymousAfterClick = true;
  ShowModalDriven(dlg, [&](wxDialog& d) {
    anonymous = dlg.anonymousRadio->GetValue();
    account = dlg.accountRadio->GetValue();
    user = Text(dlg.userEdit);
    password = Text(dlg.passwordEdit);
    EXPECT_TRUE(dlg.userEdit->IsEnabled());
    EXPECT_TRUE(dlg.passwordEdit->IsEnabled());
    ClickWindow(dlg.accountRadio);
    accountAfterClick = dlg.accountRadio->GetValue();
    anonymousAfterClick = dlg.anonymousRadio->GetValue();
    Click(d, wxID_OK);
  });
  EXPECT_TRUE(anonymous);
  EXPECT_FALSE(account);
  EXPECT_EQ(user, "bob");
  EXPECT_EQ(password, "bobpw");
  EXPECT_TRUE(accountAfterClick);
  EXPECT_FALSE(anonymousAfterClick);
  EXPECT_EQ(dlg.site.loginType, LOGIN_ACCOUNT);
  EXPECT_EQ(FieldText(dlg.site.user), "bob");
}

TEST(SetDlgInputSite, TypingAndPastingBeyondALimitIsRefusedByTheField) {
  CSetDlgInputSite dlg(nullptr);
  dlg.site.loginType = LOGIN_ANONYMOUS;
  const std::string path259(259, 'p');
  ShowModalDriven(dlg, [&](wxDialog& d) {
    Type(dlg.siteNameEdit, std::string(56, 'n'));
    EXPECT_EQ(Text(dlg.siteNameEdit), std::string(50, 'n'));
    Type(dlg.userEdit, std::string(53, 'u'));
    EXPECT_EQ(Text(dlg.userEdit), std::string(49, 'u'));
    // A pasted 300-character name is refused whole, never cut.
    dlg.siteNameEdit->Clear();
    dlg.siteNameEdit->WriteText(wxString(300, 'x'));
    EXPECT_EQ(dlg.siteNameEdit->GetValue(), "");
    dlg.siteNameEdit->WriteText(wxString(50, 'x'));
    // Characters within the limit but too many bytes for the record are
    // refused whole; fewer of them fit.
    const wxString euro = wxString::FromUTF8("\xE2\x82\xAC");
    wxString many, few;
    for (int i = 0; i < 30; ++i) many += euro;  // 90 bytes
    for (int i = 0; i < 16; ++i) few += euro;   // 48 bytes
    dlg.passwordEdit->WriteText(many);
    EXPECT_EQ(dlg.passwordEdit->GetValue(), "");
    dlg.passwordEdit->WriteText(few);
    EXPECT_EQ(dlg.passwordEdit->GetValue(), few);
    dlg.localPathEdit->WriteText(wxString(path259));
    dlg.localPathEdit->WriteText("q");
    EXPECT_EQ(Text(dlg.localPathEdit), path259);
    Click(d, wxID_OK);
  }, 20000);
  EXPECT_EQ(FieldText(dlg.site.siteName), std::string(50, 'x'));
  EXPECT_EQ(FieldText(dlg.site.user), std::string(49, 'u'));
  EXPECT_EQ(std::strlen(dlg.site.password), 48u);
  EXPECT_EQ(FieldText(dlg.site.localInitPath), path259);
  EXPECT_EQ(dlg.site.loginType, LOGIN_ANONYMOUS);  // untouched by the longest path
}

TEST(SetDlgInputSite, UnchangedFieldsKeepTheirBytesEvenFromAStrangeRecord) {
  // As a damaged or foreign site file may hold: a name longer than the input
  // limit, a user without terminator, single-byte non-UTF-8 text, and bytes
  // behind terminators.
  SiteRecord odd{};
  std::memset(odd.siteName, 'N', 200);
  std::memset(odd.user, 'U', sizeof odd.user);
  std::strcpy(odd.password, "caf\xE9");
  std::strcpy(odd.remoteInitPath, "/x");
  odd.remoteInitPath[5] = 'z';
  odd.loginType = LOGIN_ANONYMOUS;
  odd.serverType = 1;
  CSetDlgInputSite dlg(nullptr);
  dlg.site = odd;
  wxString name, user, password;
  ShowModalDriven(dlg, [&](wxDialog& d) {
    name = dlg.siteNameEdit->GetValue();
    user = dlg.userEdit->GetValue();
    password = dlg.passwordEdit->GetValue();
    Click(d, wxID_OK);
  });
  EXPECT_EQ(name, wxString(200, 'N'));  // shown whole, not cut by the field
  EXPECT_EQ(user, wxString(50, 'U'));
  EXPECT_EQ(password, wxString::FromUTF8("caf\xC3\xA9"));
  EXPECT_EQ(std::memcmp(&dlg.site, &odd, sizeof odd), 0);
}

TEST(SetDlgInputSite, TextsAndAddressesThatCantBeUsedGetAMessageAndOkWaits) {
  CSetDlgInputSite dlg(nullptr);
  dlg.connectMode = 1;
  std::vector<uitest::ModalInfo> seen;
  const int code = ShowModalDriven(dlg, [&](wxDialog& d) {
    uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
      if (m.dialog) return static_cast<int>(wxID_NONE);  // the site dialog itself stays
      seen.push_back(m);
      return static_cast<int>(wxID_OK);
    });
    Type(dlg.addressEdit, "ftp example.org");
    Click(d, wxID_OK);
    uitest::PumpUntil([&] { return seen.size() == 1; }, 3000);
    EXPECT_TRUE(d.IsModal());

    dlg.addressEdit->ChangeValue("127.0.0.1:70000");
    Click(d, wxID_OK);
    uitest::PumpUntil([&] { return seen.size() == 2; }, 3000);
    EXPECT_TRUE(d.IsModal());

    // Set behind the field's back: still never cut into the record.
    dlg.addressEdit->ChangeValue("127.0.0.1:2121");
    wxString euros;
    for (int i = 0; i < 30; ++i) euros += wxString::FromUTF8("\xE2\x82\xAC");  // 90 bytes
    dlg.userEdit->ChangeValue(euros);
    Click(d, wxID_OK);
    uitest::PumpUntil([&] { return seen.size() == 3; }, 3000);
    EXPECT_TRUE(d.IsModal());
    EXPECT_EQ(FieldText(dlg.site.address), "");  // nothing written by a refused OK

    dlg.userEdit->ChangeValue("me");
    Click(d, wxID_OK);
  }, 20000);
  ASSERT_EQ(code, wxID_OK);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_NE(seen[0].text.find("must not contain spaces"), std::string::npos) << seen[0].text;
  EXPECT_NE(seen[1].text.find("1 to 65535"), std::string::npos) << seen[1].text;
  EXPECT_NE(seen[2].text.find("user name is too long"), std::string::npos) << seen[2].text;
  EXPECT_EQ(seen[0].title, "Vessa Skiffline");
  EXPECT_EQ(FieldText(dlg.site.address), "127.0.0.1:2121");
  EXPECT_EQ(FieldText(dlg.site.user), "me");
}

// The "Passive mode" box: how it opens for each kind of record, and what a
// click makes of bit 0 of the flags word (the other bits stay).
struct PassiveCase {
  const char* name;
  bool stored;        // a site from the file (else the all-zero new record)
  std::int32_t flags; // its reserved word
  int connectMode;
  bool click;         // the user clicks the box once
  bool shownTicked;
  std::int32_t storedFlags;
};

class PassiveBox : public ::testing::TestWithParam<PassiveCase> {};

TEST_P(PassiveBox, OpensAsTheRecordSaysAndStoresBitZero) {
  const PassiveCase& c = GetParam();
  CSetDlgInputSite dlg(nullptr);
  if (c.stored) dlg.site = site_test::Site("s", "host.example");
  if (c.stored) dlg.site.reserved = c.flags;
  dlg.connectMode = c.connectMode;
  bool ticked = false;
  wxString label;
  const int code = ShowModalDriven(dlg, [&](wxDialog& d) {
    ticked = dlg.passiveCheck->GetValue();
    label = dlg.passiveCheck->GetLabel();
    if (c.click) ClickWindow(dlg.passiveCheck);
    Click(d, wxID_OK);
  }, 20000);
  ASSERT_EQ(code, wxID_OK);
  EXPECT_EQ(label, "Passive mode");
  EXPECT_EQ(ticked, c.shownTicked);
  EXPECT_EQ(dlg.site.reserved, c.storedFlags);
  EXPECT_EQ(IsPassive(dlg.site), (c.storedFlags & SITE_FLAG_PASSIVE) != 0);
}

INSTANTIATE_TEST_SUITE_P(
    SetDlgInputSite, PassiveBox,
    ::testing::Values(
        PassiveCase{"NewSiteStartsPassive", false, 0, 0, false, true, 1},
        PassiveCase{"NewSiteUntickedIsActive", false, 0, 0, true, true, 0},
        PassiveCase{"QuickConnectStartsPassive", false, 0, 1, false, true, 1},
        PassiveCase{"OldRecordStaysActive", true, 0, 0, false, false, 0},
        PassiveCase{"OldRecordTickedBecomesPassive", true, 0, 0, true, false, 1},
        PassiveCase{"PassiveRecordReadsBack", true, 1, 0, false, true, 1},
        PassiveCase{"OtherFlagBitsStay", true, 6 | 1, 0, true, true, 6}),
    [](const ::testing::TestParamInfo<PassiveCase>& info) { return std::string(info.param.name); });

TEST(SetDlgInputSite, CancelLeavesTheRecordAsItWas) {
  CSetDlgInputSite dlg(nullptr);
  dlg.site = site_test::Site("keep", "host.example");
  const SiteRecord before = dlg.site;
  const int code = ShowModalDriven(dlg, [&](wxDialog& d) {
    dlg.siteNameEdit->ChangeValue("changed");
    ClickWindow(dlg.anonymousRadio);
    Click(d, wxID_CANCEL);
  });
  EXPECT_EQ(code, wxID_CANCEL);
  EXPECT_EQ(std::memcmp(&dlg.site, &before, sizeof before), 0);
}

}  // namespace
