// "Site Manager": the rows from the site file, Add / Modify / Remove through
// the real "Site info" dialog, Connection Site, and the site file written
// back however the dialog closes; damaged files load what they can.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sites/FixedText.h"
#include "sites/SiteFile.h"
#include "sites/ui/SetDlgInputSite.h"
#include "sites/ui/SetDlgSelectSite.h"
#include "SiteDialogDriver.h"
#include "support/LocalTree.h"
#include "support/RealServers.h"

using dialog_test::Click;
using dialog_test::ShowModalDriven;
using site_test::Site;
using site_test::WhenShown;

namespace {

class SiteManagerTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir_.PathOf("SiteInfo.TWP"); }
  void Store(std::initializer_list<SiteRecord> sites) {
    SiteList list;
    for (const auto& s : sites) list.AppendSite(s);
    ASSERT_EQ(SaveSiteFile(list, Path()), 1);
  }
  std::vector<SiteRecord> Stored() const {
    SiteList list;
    LoadSiteFile(list, Path());
    std::vector<SiteRecord> out;
    for (const auto& n : list.Nodes()) out.push_back(n.record);
    return out;
  }
  std::vector<std::string> StoredNames() const {
    std::vector<std::string> out;
    for (const auto& s : Stored()) out.push_back(FieldText(s.siteName));
    return out;
  }
  static std::vector<std::string> Rows(CSetDlgSelectSite& dlg) {
    std::vector<std::string> out;
    for (long i = 0; i < dlg.siteListCtrl->GetItemCount(); ++i)
      out.push_back(dlg.siteListCtrl->GetItemText(i).utf8_string());
    return out;
  }
  static void Select(CSetDlgSelectSite& dlg, long row) {
    dlg.siteListCtrl->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  }
  static void Unselect(CSetDlgSelectSite& dlg) {
    for (long i = 0; i < dlg.siteListCtrl->GetItemCount(); ++i)
      dlg.siteListCtrl->SetItemState(i, 0, wxLIST_STATE_SELECTED);
  }
  std::string FileBytes() const { return dir_.ReadFile("SiteInfo.TWP"); }

  skifftest::TempDir dir_;
};

TEST_F(SiteManagerTest, CloseEscapeAndTheCloseBoxEachWriteTheFileEvenWhenNothingChanged) {
  // No file yet: Close creates an empty one.
  {
    CSetDlgSelectSite dlg(nullptr, Path());
    EXPECT_EQ(ShowModalDriven(dlg, [](wxDialog& d) { Click(d, wxID_CANCEL); }), wxID_CANCEL);
    EXPECT_EQ(dlg.GetTitle(), "Site Manager");
  }
  ASSERT_TRUE(skifftest::Exists(Path()));
  EXPECT_EQ(FileBytes().size(), 0u);

  // A stored file is rewritten (replaced by a new file) by Escape...
  Store({Site("one", "h1")});
  ASSERT_TRUE(dir_.WriteFile("SiteInfo.TWP", FileBytes() + "tail"));
  {
    CSetDlgSelectSite dlg(nullptr, Path());
    EXPECT_EQ(ShowModalDriven(dlg, [&](wxDialog&) {
                ASSERT_TRUE(site_test::Focus(dlg.siteListCtrl));
                dialog_test::PressKey(WXK_ESCAPE);
              }),
              wxID_CANCEL);
  }
  EXPECT_EQ(FileBytes().size(), sizeof(SiteRecord));
  // ... and by the close box.
  ASSERT_TRUE(dir_.WriteFile("SiteInfo.TWP", FileBytes() + "tail"));
  {
    CSetDlgSelectSite dlg(nullptr, Path());
    EXPECT_EQ(ShowModalDriven(dlg, [](wxDialog& d) { d.Close(); }), wxID_CANCEL);
  }
  EXPECT_EQ(FileBytes().size(), sizeof(SiteRecord));
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"one"}));
}

TEST_F(SiteManagerTest, AddingASiteWithAllFieldsEmptyAddsARowWithAnEmptyName) {
  Store({Site("first", "h1")});
  CSetDlgSelectSite dlg(nullptr, Path());
  wxString caption;
  std::vector<std::string> rows;
  ShowModalDriven(dlg, [&](wxDialog& d) {
    WhenShown<CSetDlgInputSite>([&](CSetDlgInputSite& input) {
      caption = input.okButton->GetLabel();
      Click(input, wxID_OK);
    });
    Click(d, CSetDlgSelectSite::kAddSiteId);
    rows = Rows(dlg);
    Click(d, wxID_CANCEL);
  });
  EXPECT_EQ(caption, "OK");
  EXPECT_EQ(rows, (std::vector<std::string>{"first", ""}));
  const auto stored = Stored();
  ASSERT_EQ(stored.size(), 2u);
  // All zero but the flags: a new site starts in passive mode.
  SiteRecord expected{};
  SetPassive(expected, true);
  EXPECT_EQ(std::memcmp(&stored[1], &expected, sizeof expected), 0);
}

TEST_F(SiteManagerTest, RemovingTheFirstOfThreeRenumbersAndModifyKeepsTheOrder) {
  Store({Site("alpha", "a.example"), Site("beta", "b.example", "bu", "bp"),
         Site("gamma", "c.example")});
  CSetDlgSelectSite dlg(nullptr, Path());
  std::vector<std::string> afterRemove, afterModify;
  std::string editedName, editedUser, editedPassword;
  ShowModalDriven(dlg, [&](wxDialog& d) {
    EXPECT_EQ(Rows(dlg), (std::vector<std::string>{"alpha", "beta", "gamma"}));
    Select(dlg, 0);
    Click(d, CSetDlgSelectSite::kRemoveSiteId);  // at once, no question
    afterRemove = Rows(dlg);
    Select(dlg, 0);
    WhenShown<CSetDlgInputSite>([&](CSetDlgInputSite& input) {
      editedName = input.siteNameEdit->GetValue().utf8_string();
      editedUser = input.userEdit->GetValue().utf8_string();
      editedPassword = input.passwordEdit->GetValue().utf8_string();
      site_test::Type(input.siteNameEdit, "2");
      Click(input, wxID_OK);
    });
    Click(d, CSetDlgSelectSite::kModifySiteId);
    afterModify = Rows(dlg);
    Click(d, wxID_CANCEL);
  }, 20000);
  EXPECT_EQ(afterRemove, (std::vector<std::string>{"beta", "gamma"}));
  EXPECT_EQ(editedName, "beta");  // row 0 is the former second site
  EXPECT_EQ(editedUser, "bu");
  EXPECT_EQ(editedPassword, "bp");
  EXPECT_EQ(afterModify, (std::vector<std::string>{"beta2", "gamma"}));
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"beta2", "gamma"}));
  EXPECT_EQ(FieldText(Stored()[0].password), "bp");
}

TEST_F(SiteManagerTest, ModifyRemoveAndCancelledDialogsChangeNothingWithoutASelection) {
  Store({Site("same", "h1"), Site("same", "h2")});
  CSetDlgSelectSite dlg(nullptr, Path());
  ShowModalDriven(dlg, [&](wxDialog& d) {
    Unselect(dlg);
    Click(d, CSetDlgSelectSite::kModifySiteId);  // no dialog opens
    Click(d, CSetDlgSelectSite::kRemoveSiteId);
    EXPECT_EQ(Rows(dlg).size(), 2u);
    WhenShown<CSetDlgInputSite>([](CSetDlgInputSite& input) {
      input.siteNameEdit->ChangeValue("never");
      Click(input, wxID_CANCEL);
    });
    Click(d, CSetDlgSelectSite::kAddSiteId);
    // Two sites of the same name: removing the second keeps the first.
    Select(dlg, 1);
    Click(d, CSetDlgSelectSite::kRemoveSiteId);
    Click(d, wxID_CANCEL);
  });
  const auto stored = Stored();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(FieldText(stored[0].address), "h1");
}

TEST_F(SiteManagerTest, ConnectionSiteHandsBackTheSelectedSiteAndSavesTheList) {
  SiteRecord second = Site("second", "127.0.0.1:2121", "u2", "p2", LOGIN_ANONYMOUS);
  second.reserved = 5;
  Store({Site("first", "h1"), second});
  CSetDlgSelectSite dlg(nullptr, Path());
  const int code = ShowModalDriven(dlg, [&](wxDialog& d) {
    Select(dlg, 1);
    Click(d, wxID_OK);
  });
  EXPECT_EQ(code, wxID_OK);
  EXPECT_EQ(std::memcmp(&dlg.selectedSite, &second, sizeof second), 0);
  EXPECT_EQ(dlg.FindWindow(wxID_OK)->GetLabel(), "Connection Site");
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"first", "second"}));

  // No selected row: still OK, with an all-zero site.
  const int none = ShowModalDriven(dlg, [&](wxDialog& d) {
    Unselect(dlg);
    Click(d, wxID_OK);
  });
  EXPECT_EQ(none, wxID_OK);
  const SiteRecord zero{};
  EXPECT_EQ(std::memcmp(&dlg.selectedSite, &zero, sizeof zero), 0);
}

TEST_F(SiteManagerTest, ADoubleClickOnARowConnectsToIt) {
  Store({Site("first", "h1"), Site("second", "h2")});
  CSetDlgSelectSite dlg(nullptr, Path());
  const int code = ShowModalDriven(dlg, [&](wxDialog&) {
    wxRect rect;
    ASSERT_TRUE(dlg.siteListCtrl->GetItemRect(1, rect));
    const wxPoint at = dlg.siteListCtrl->ClientToScreen(rect.GetPosition() + rect.GetSize() / 2);
    wxUIActionSimulator sim;
    sim.MouseMove(at);
    uitest::PumpFor(50);
    sim.MouseDblClick();
    uitest::PumpFor(200);
  });
  EXPECT_EQ(code, wxID_OK);
  EXPECT_EQ(FieldText(dlg.selectedSite.siteName), "second");
}

TEST_F(SiteManagerTest, DamagedAndShortFilesLoadTheWholeRecordsAndNothingBreaks) {
  // Two whole records of arbitrary bytes (no terminators, not UTF-8) and a
  // partial third.
  std::string bytes(2 * sizeof(SiteRecord) + 500, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131 + 7) % 256);
  ASSERT_TRUE(dir_.WriteFile("SiteInfo.TWP", bytes));
  {
    CSetDlgSelectSite dlg(nullptr, Path());
    std::size_t rows = 0;
    ShowModalDriven(dlg, [&](wxDialog& d) {
      rows = Rows(dlg).size();
      // Opened and confirmed unchanged, such a site keeps every byte.
      Select(dlg, 0);
      WhenShown<CSetDlgInputSite>([](CSetDlgInputSite& input) {
        uitest::ModalDialogCloser closer([](const uitest::ModalInfo& m) {
          return m.dialog ? static_cast<int>(wxID_NONE) : static_cast<int>(wxID_OK);
        });
        Click(input, wxID_OK);
        if (input.IsModal()) Click(input, wxID_CANCEL);  // its address was refused
      });
      Click(d, CSetDlgSelectSite::kModifySiteId);
      Click(d, wxID_CANCEL);
    });
    EXPECT_EQ(rows, 2u);
  }
  EXPECT_EQ(FileBytes(), bytes.substr(0, 2 * sizeof(SiteRecord)));

  // Shorter than one record: an empty list, saved as an empty file.
  ASSERT_TRUE(dir_.WriteFile("SiteInfo.TWP", std::string(100, 'x')));
  {
    CSetDlgSelectSite dlg(nullptr, Path());
    std::size_t rows = 9;
    ShowModalDriven(dlg, [&](wxDialog& d) {
      rows = Rows(dlg).size();
      Click(d, wxID_CANCEL);
    });
    EXPECT_EQ(rows, 0u);
  }
  EXPECT_EQ(FileBytes().size(), 0u);
}

TEST_F(SiteManagerTest, ASiteFileThatCantBeWrittenIsReported) {
  CSetDlgSelectSite dlg(nullptr, dir_.PathOf("missing-folder/SiteInfo.TWP"));
  std::vector<uitest::ModalInfo> seen;
  {
    uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
      if (m.dialog) return static_cast<int>(wxID_NONE);
      seen.push_back(m);
      return static_cast<int>(wxID_OK);
    });
    ShowModalDriven(dlg, [&](wxDialog& d) {
      WhenShown<CSetDlgInputSite>([](CSetDlgInputSite& input) { Click(input, wxID_OK); });
      Click(d, CSetDlgSelectSite::kAddSiteId);
      Click(d, wxID_CANCEL);
    });
    uitest::PumpUntil([&] { return !seen.empty(); }, 3000);
  }
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_NE(seen[0].text.find("Can't save the sites"), std::string::npos) << seen[0].text;
}

}  // namespace
