// The drive and folder box on screen: its entries for a shown folder, picks
// made with the mouse and the keyboard, vanished folders and mounts, and
// names that are not valid UTF-8.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/uiaction.h>
#include <wx/vlbox.h>

#include <filesystem>
#include <memory>

#include "local/ui/DriverCombo.h"
#include "support/RealServers.h"
#include "support/ui/UiTest.h"

using platform::LocalRoot;

namespace {

// A frame holding one box whose roots are "/", a temporary "home" and
// whatever `mounts` holds at the time the box is filled.
class DriverComboTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(home_.Path().empty());
    frame_ = new wxFrame(nullptr, wxID_ANY, "drives", wxPoint(40, 40), wxSize(420, 300));
    box_ = new CDriverCombo(frame_, CDriverCombo::kId, [this] { return Roots(); });
    box_->SetSize(0, 0, 400, -1);
    box_->Bind(wxEVT_COMBOBOX, [this](wxCommandEvent& event) {
      picked_.push_back(box_->GetSelectedPath());  // what the local pane opens
      event.Skip();
    });
    frame_->Show();
    uitest::PumpUntil([this] { return box_->IsShownOnScreen(); }, 3000);
    uitest::PumpFor(100);
  }
  void TearDown() override {
    if (frame_) frame_->Destroy();
    uitest::PumpFor(50);
  }

  std::vector<LocalRoot> Roots() const {
    std::vector<LocalRoot> roots{{"/", "/", {"drive-harddisk"}},
                                 {home_.Path() + "/", home_.Path(), {"user-home"}}};
    roots.insert(roots.end(), mounts_.begin(), mounts_.end());
    return roots;
  }
  std::string Home(const std::string& relative = "") const {
    return relative.empty() ? home_.Path() : home_.PathOf(relative);
  }

  // Every entry as "depth:text".
  std::vector<std::string> Entries() const {
    std::vector<std::string> out;
    for (int i = 0; i < box_->EntryCount(); ++i)
      out.push_back(std::to_string(box_->EntryDepth(i)) + ":" + box_->EntryText(i));
    return out;
  }

  // Opens the drop-down with a click on the box and clicks entry `index`.
  bool ClickEntry(int index) {
    wxUIActionSimulator sim;
    box_->SetFocus();
    sim.MouseMove(box_->GetScreenRect().GetRight() - 8, box_->GetScreenRect().GetTop() +
                                                            box_->GetSize().y / 2);
    uitest::PumpFor(30);
    sim.MouseClick();
    if (!uitest::PumpUntil([this] { return box_->IsPopupShown(); }, 3000)) return false;
    uitest::PumpFor(100);
    auto* list = dynamic_cast<wxVListBox*>(box_->GetPopupControl()->GetControl());
    if (!list) return false;
    const wxRect item = list->GetItemRect(static_cast<size_t>(index));
    if (item.IsEmpty()) return false;
    const std::size_t before = picked_.size();
    sim.MouseMove(list->ClientToScreen(wxPoint(item.x + 40, item.y + item.height / 2)));
    uitest::PumpFor(50);
    sim.MouseClick();
    return uitest::PumpUntil(
        [&] { return !box_->IsPopupShown() && picked_.size() > before; }, 3000);
  }

  skifftest::TempDir home_{"skiffline-home-"};
  std::vector<LocalRoot> mounts_;
  wxFrame* frame_ = nullptr;
  CDriverCombo* box_ = nullptr;
  std::vector<std::string> picked_;
};

TEST_F(DriverComboTest, ChainUnderHomeAndPickingAMiddleFolderOpensIt) {
  ASSERT_TRUE(home_.MakeDir("music/live/2019"));
  EXPECT_EQ(box_->SetPath(Home("music/live/2019")), 1);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"0:/", "0:" + Home(), "1:music", "2:live",
                                                 "3:2019"}));
  EXPECT_EQ(box_->GetSelection(), 4);
  EXPECT_EQ(box_->GetSelectedPath(), Home("music/live/2019"));
  EXPECT_EQ(box_->EntryPath(3), Home("music/live/"));
  EXPECT_EQ(box_->ShownPath(), Home("music/live/2019"));
  EXPECT_TRUE(picked_.empty()) << "SetPath sent a selection event";

  ASSERT_TRUE(ClickEntry(3)) << "the drop-down could not be driven";
  EXPECT_EQ(picked_, std::vector<std::string>{Home("music/live")});

  // The pane's answer to the pick: show that folder, and the chain follows.
  box_->SetPath(picked_.back());
  EXPECT_EQ(Entries(), (std::vector<std::string>{"0:/", "0:" + Home(), "1:music", "2:live"}));
  EXPECT_EQ(box_->GetSelection(), 3);
}

TEST_F(DriverComboTest, PickingRootEntriesGivesTheRootPaths) {
  ASSERT_TRUE(home_.MakeDir("a/b"));
  box_->SetPath(Home("a/b/"));
  ASSERT_TRUE(ClickEntry(0));
  EXPECT_EQ(picked_.back(), "/");
  box_->SetPath(picked_.back());
  EXPECT_EQ(Entries(), (std::vector<std::string>{"0:/", "0:" + Home()}));
  EXPECT_EQ(box_->GetSelection(), 0);

  // With the keyboard: one step down from "/" is the home entry.
  box_->SetFocus();
  uitest::PumpUntil([this] { return box_->HasFocus() || wxWindow::FindFocus() == box_; }, 2000);
  wxUIActionSimulator().Char(WXK_DOWN);
  ASSERT_TRUE(uitest::PumpUntil([this] { return picked_.size() == 2; }, 3000));
  EXPECT_EQ(picked_.back(), Home());
}

TEST_F(DriverComboTest, FolderGoesUnderTheLongestRoot) {
  ASSERT_TRUE(home_.MakeDir("net/share/docs"));
  mounts_.push_back({Home("net/share") + "/", "Share", {"folder-remote"}});
  box_->SetPath(Home("net/share/docs"));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"0:/", "0:" + Home(), "0:Share", "1:docs"}));
  EXPECT_EQ(box_->GetSelectedPath(), Home("net/share/docs"));
  box_->SetPath("/usr/share");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"0:/", "1:usr", "2:share", "0:" + Home(),
                                                 "0:Share"}));
  EXPECT_EQ(box_->GetSelectedPath(), "/usr/share");
}

TEST_F(DriverComboTest, RemovedFolderLeavesTheRootsOnly) {
  ASSERT_TRUE(home_.MakeDir("gone/deeper"));
  box_->SetPath(Home("gone/deeper"));
  ASSERT_EQ(box_->EntryCount(), 4);
  std::filesystem::remove_all(Home("gone"));
  box_->SetPath(Home("gone/deeper"));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"0:/", "0:" + Home()}));
  EXPECT_EQ(box_->GetSelectedPath(), "");

  // A root that was selected stays selected.
  box_->SetPath(Home());
  EXPECT_EQ(box_->GetSelection(), 1);
  box_->SetPath(Home("never/was"));
  EXPECT_EQ(box_->GetSelectedPath(), Home());
  EXPECT_TRUE(picked_.empty());
}

TEST_F(DriverComboTest, VanishedMountBetweenTwoFills) {
  skifftest::TempDir stick{"skiffline-stick-"};
  ASSERT_TRUE(stick.MakeDir("photos"));
  mounts_.push_back({stick.Path() + "/", "STICK", {"drive-removable-media"}});
  box_->SetPath(stick.PathOf("photos"));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"0:/", "0:" + Home(), "0:STICK", "1:photos"}));

  // Unplugged, but its folder still there: the chain hangs under "/".
  mounts_.clear();
  box_->SetPath(stick.PathOf("photos"));
  ASSERT_EQ(box_->EntryCount(), 2 + 3);
  EXPECT_EQ(box_->GetSelectedPath(), stick.PathOf("photos"));
  EXPECT_EQ(box_->EntryDepth(1), 1);

  // Unplugged and gone.
  std::filesystem::remove_all(stick.Path());
  box_->SetPath(stick.PathOf("photos"));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"0:/", "0:" + Home()}));
}

TEST_F(DriverComboTest, OddNamesShowReplacementCharactersButKeepTheirBytes) {
  const std::string odd = std::string("caf\xe9\xff") + "\nline";
  ASSERT_TRUE(home_.MakeDir(odd + "/inner"));
  box_->SetPath(Home(odd + "/inner"));
  ASSERT_EQ(box_->EntryCount(), 4);
  EXPECT_EQ(box_->EntryText(2), "caf\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdline");
  EXPECT_EQ(box_->EntryPath(2), Home(odd) + "/");
  ASSERT_TRUE(ClickEntry(2));
  EXPECT_EQ(picked_.back(), Home(odd));
  box_->SetPath(picked_.back());
  EXPECT_EQ(box_->GetSelection(), 2);
  EXPECT_EQ(box_->EntryCount(), 3);
}

TEST_F(DriverComboTest, ClosingTheWindowWithTheDropDownOpen) {
  box_->SetPath(Home());
  wxUIActionSimulator sim;
  box_->SetFocus();
  sim.MouseMove(box_->GetScreenRect().GetRight() - 8,
                box_->GetScreenRect().GetTop() + box_->GetSize().y / 2);
  uitest::PumpFor(30);
  sim.MouseClick();
  ASSERT_TRUE(uitest::PumpUntil([this] { return box_->IsPopupShown(); }, 3000));
  box_->SetPath("/");  // a listing arriving while the list is open closes it
  EXPECT_FALSE(box_->IsPopupShown());
  sim.MouseClick();
  ASSERT_TRUE(uitest::PumpUntil([this] { return box_->IsPopupShown(); }, 3000));
  delete frame_;
  frame_ = nullptr;
  uitest::PumpFor(100);
  EXPECT_TRUE(picked_.empty());
}

TEST_F(DriverComboTest, FileShowsItsFolderAndDefaultRootsAreTheSystems) {
  ASSERT_TRUE(home_.WriteFile("docs/readme.txt", "x"));
  box_->SetPath(Home("docs/readme.txt"));
  EXPECT_EQ(box_->GetSelectedPath(), Home("docs"));

  CDriverCombo system(frame_);
  EXPECT_EQ(system.GetId(), CDriverCombo::kId);
  ASSERT_GE(system.EntryCount(), 2);
  EXPECT_EQ(system.EntryText(0), "/");
  EXPECT_EQ(system.GetSelection(), wxNOT_FOUND);
  system.SetPath("/");
  EXPECT_EQ(system.GetSelectedPath(), "/");
}

}  // namespace
