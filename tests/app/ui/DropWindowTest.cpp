// The drop window of a real main window: where it sits, its double click on
// the background window (and the Window menu's check mark), its context menu
// and where its commands go, the keys it ignores, dragging it with the left
// button, and the drop animation, which runs on a timer to its end. Also the
// about box that Help -> About opens.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/display.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "app/ui/AboutDlg.h"
#include "app/ui/GeniusDlg.h"
#include "local/ui/DirListView.h"
#include "remote/ui/FtpDirView.h"
#include "res/CommandIds.h"
#include "transfer/ui/JobListCtrl.h"
#include "transfer/ui/ModalDriver.h"
#include "transfer/ui/TransmitFileDlg.h"

namespace {

// With SKIFF_SHOT_DIR set, a picture of the whole screen goes there.
void Screenshot(const std::string& name) {
  const char* dir = std::getenv("SKIFF_SHOT_DIR");
  if (!dir || !*dir) return;
  uitest::PumpFor(200);
  const std::string command = "import -window root '" + std::string(dir) + "/" + name + ".png'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

class DropWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldWorkingDir_ = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(work_.Path()));  // the background queue file goes there
  }
  void TearDown() override {
    DestroyFrame(frame_);
    wxSetWorkingDirectory(oldWorkingDir_);
  }
  CGeniusDlg& Open(FrameOptions options = {}) {
    if (options.dataFolder.empty()) options = TestFrameOptions(program_);
    frame_ = new CMainFrame(options);
    EXPECT_NE(frame_->dropWindow, nullptr);
    EXPECT_TRUE(uitest::PumpUntil([&] { return frame_->dropWindow->IsShownOnScreen(); }, 3000));
    uitest::PumpFor(50);
    return *frame_->dropWindow;
  }
  wxPoint Centre() const { return frame_->dropWindow->GetScreenRect().GetPosition() + wxPoint(19, 20); }
  bool Checked() const {
    wxMenuItem* item = frame_->GetMenuBar()->FindItem(cmd::WxId(cmd::ID_BACKGROUND_LIST));
    return item && item->IsChecked();
  }
  void DoubleClick() {
    wxUIActionSimulator sim;
    sim.MouseMove(Centre());
    uitest::PumpFor(50);
    sim.MouseDblClick();
    uitest::PumpFor(50);
  }

  skifftest::TempDir program_, work_;
  CMainFrame* frame_ = nullptr;
  wxString oldWorkingDir_;
};

TEST_F(DropWindowTest, SitsAtTheTopRightWithThePicturesSizeOwnedByTheBackgroundWindow) {
  FrameOptions options = TestFrameOptions(program_);
  options.showMaximized = true;  // the drop window stays in sight above it
  CGeniusDlg& drop = Open(options);
  const int screenWidth = wxDisplay(0u).GetGeometry().GetWidth();
  EXPECT_EQ(drop.GetPosition(), wxPoint(screenWidth - 50, 10));
  EXPECT_EQ(drop.GetScreenPosition(), wxPoint(screenWidth - 50, 10));
  EXPECT_EQ(drop.GetSize(), wxSize(38, 40));
  EXPECT_EQ(drop.pictureWidth, 38);
  EXPECT_EQ(drop.pictureHeight, 40);
  EXPECT_EQ(drop.Picture().GetSize(), wxSize(38, 40));
  EXPECT_EQ(drop.GetParent(), frame_->backgroundDialog);
  EXPECT_EQ(drop.ToggleTarget(), frame_->backgroundDialog);
  EXPECT_EQ(drop.MenuOwner(), frame_);
  EXPECT_TRUE(drop.IsShown());
  EXPECT_FALSE(frame_->backgroundDialog->IsShown());
  EXPECT_TRUE(uitest::PumpUntil([&] { return drop.Paints() > 0 && drop.LastPaintWhole(); }, 3000));
  // The frame and the background window carry the program icon in every size.
  EXPECT_EQ(frame_->GetIcons().GetIconCount(), 6u);
  EXPECT_EQ(frame_->backgroundDialog->GetIcons().GetIconCount(), 6u);
  EXPECT_TRUE(frame_->GetIcons().GetIcon(wxSize(48, 48), wxIconBundle::FALLBACK_NONE).IsOk());
  Screenshot("drop-window");
}

TEST_F(DropWindowTest, DoubleClicksShowThenHideTheBackgroundWindowAndTheCheckMarkFollows) {
  Open();
  ASSERT_FALSE(frame_->backgroundDialog->IsShown());
  EXPECT_FALSE(Checked());
  DoubleClick();
  ASSERT_TRUE(uitest::PumpUntil([&] { return frame_->backgroundDialog->IsShown(); }, 3000));
  EXPECT_TRUE(Checked());
  EXPECT_TRUE(frame_->dropWindow->IsShown());
  EXPECT_EQ(frame_->dropWindow->GetPosition().y, 10);  // a double click does not move it
  uitest::PumpFor(700);  // apart, so that the clicks are not taken as a triple click
  DoubleClick();
  ASSERT_TRUE(uitest::PumpUntil([&] { return !frame_->backgroundDialog->IsShown(); }, 3000));
  EXPECT_FALSE(Checked());
  EXPECT_TRUE(frame_->dropWindow->IsShown());
}

TEST_F(DropWindowTest, TheRightButtonOpensTheBackgroundTransmissionMenuWhoseCommandsReachTheFrame) {
  CGeniusDlg& drop = Open();
  struct Entry {
    int id;
    std::string label;
    bool operator==(const Entry&) const = default;
  };
  std::vector<Entry> shown;
  int menus = 0;
  drop.SetMenuShower([&](wxMenu& menu) {
    ++menus;
    for (wxMenuItem* item : menu.GetMenuItems())
      shown.push_back({item->GetId(), item->GetItemLabelText().ToStdString()});
  });
  wxUIActionSimulator sim;
  sim.MouseMove(Centre());
  uitest::PumpFor(50);
  sim.MouseClick(wxMOUSE_BTN_RIGHT);
  ASSERT_TRUE(uitest::PumpUntil([&] { return menus == 1; }, 3000));

  wxMenuBar* bar = frame_->GetMenuBar();
  ASSERT_EQ(bar->GetMenuLabelText(5), "Background transmission");
  std::vector<Entry> main;
  for (wxMenuItem* item : bar->GetMenu(5)->GetMenuItems())
    main.push_back({item->GetId(), item->GetItemLabelText().ToStdString()});
  EXPECT_EQ(shown, main);
  EXPECT_EQ(shown, (std::vector<Entry>{{cmd::WxId(32804), "Start"},
                                       {cmd::WxId(32805), "Stop selected"},
                                       {cmd::WxId(32809), "Stop all"},
                                       {cmd::WxId(32808), "Select all"}}));

  // Choosing "Select all": the command comes to the drop window, which
  // hands it to the frame, which selects every background row.
  int seen = 0;
  frame_->Bind(wxEVT_MENU, [&](wxCommandEvent& e) { ++seen; e.Skip(); }, cmd::WxId(32808));
  TransferEntry entry{};
  std::memcpy(entry.site.address, "127.0.0.1", 9);
  std::memcpy(entry.remoteName, "a.txt", 5);
  frame_->backgroundDialog->AddEntry(entry);
  std::memcpy(entry.remoteName, "b.txt", 5);
  frame_->backgroundDialog->AddEntry(entry);
  frame_->backgroundDialog->FlushPendingAdds();
  frame_->backgroundDialog->Rebuild();
  ASSERT_TRUE(uitest::PumpUntil(
      [&] { return frame_->backgroundDialog->jobList->GetItemCount() == 2; }, 3000));
  EXPECT_EQ(frame_->backgroundDialog->jobList->GetSelectedItemCount(), 0);
  wxCommandEvent choice(wxEVT_MENU, cmd::WxId(32808));
  drop.GetEventHandler()->ProcessEvent(choice);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(frame_->backgroundDialog->jobList->GetSelectedItemCount(), 2);
}

TEST_F(DropWindowTest, EnterAndEscapeWithTheFocusOnItDoNothing) {
  CGeniusDlg& drop = Open();
  drop.Raise();  // without a window manager, the display's key focus too
  drop.SetFocus();
  ASSERT_TRUE(uitest::PumpUntil([&] { return wxWindow::FindFocus() == drop.Canvas(); }, 3000));
  wxUIActionSimulator sim;
  sim.Char(WXK_RETURN);
  uitest::PumpFor(50);
  sim.Char(WXK_ESCAPE);
  ASSERT_TRUE(uitest::PumpUntil([&] { return drop.IgnoredKeys() == 2; }, 3000));
  uitest::PumpFor(50);
  EXPECT_TRUE(drop.IsShown());
  EXPECT_EQ(drop.GetPosition().y, 10);
  EXPECT_FALSE(frame_->backgroundDialog->IsShown());
}

TEST_F(DropWindowTest, DraggingWithTheLeftButtonMovesIt) {
  CGeniusDlg& drop = Open();
  const wxPoint before = drop.GetPosition();
  const wxPoint start = Centre();
  const wxPoint offset(-300, 200);
  wxUIActionSimulator sim;
  sim.MouseMove(start);
  uitest::PumpFor(50);
  sim.MouseDown();
  uitest::PumpFor(50);
  for (int step = 1; step <= 10; ++step) {
    sim.MouseMove(start + wxPoint(offset.x * step / 10, offset.y * step / 10));
    uitest::PumpFor(20);
  }
  sim.MouseUp();
  ASSERT_TRUE(uitest::PumpUntil([&] { return drop.GetPosition() == before + offset; }, 3000))
      << drop.GetPosition().x << "," << drop.GetPosition().y;
  EXPECT_FALSE(drop.Canvas()->HasCapture());
  EXPECT_EQ(drop.GetSize(), wxSize(38, 40));
  // The pointer moving on afterwards takes it nowhere.
  sim.MouseMove(start + offset + wxPoint(40, 40));
  uitest::PumpFor(100);
  EXPECT_EQ(drop.GetPosition(), before + offset);
  EXPECT_FALSE(frame_->backgroundDialog->IsShown());
}

// The colour of a picture's pixel, without alpha.
wxColour Pixel(const wxImage& image, int x, int y) {
  return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

TEST_F(DropWindowTest, TheDropAnimationSlidesTheHalvesInOnATimerAndEndsWithTheWholePicture) {
  CGeniusDlg& drop = Open();
  ASSERT_EQ(drop.StepCount(), 21);
  const wxImage whole = drop.Picture().ConvertToImage();
  const wxColour dark(10, 5, 5);
  // Step 0: picture row 20 at the top, the rest dark.
  const wxImage first = drop.StepPicture(0).ConvertToImage();
  for (int x : {0, 10, 19, 37}) {
    EXPECT_EQ(Pixel(first, x, 0), Pixel(whole, x, 20)) << x;
    EXPECT_EQ(Pixel(first, x, 1), dark) << x;
    EXPECT_EQ(Pixel(first, x, 39), dark) << x;
  }
  // Step 5: picture rows 15..20 at rows 0..5, rows 20..24 at rows 35..39.
  const wxImage fifth = drop.StepPicture(5).ConvertToImage();
  for (int y = 0; y <= 5; ++y) EXPECT_EQ(Pixel(fifth, 19, y), Pixel(whole, 19, 15 + y)) << y;
  for (int y = 6; y < 35; ++y) EXPECT_EQ(Pixel(fifth, 19, y), dark) << y;
  for (int y = 35; y < 40; ++y) EXPECT_EQ(Pixel(fifth, 19, y), Pixel(whole, 19, y - 15)) << y;
  // The last step already is the whole picture.
  const wxImage last = drop.StepPicture(20).ConvertToImage();
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 38; x += 3) ASSERT_EQ(Pixel(last, x, y), Pixel(whole, x, y)) << x << "," << y;

  // Playing returns at once; the timer runs the steps, then the whole picture.
  const int paintsBefore = drop.Paints();
  drop.PlayDropAnimation();
  EXPECT_TRUE(drop.Animating());
  EXPECT_TRUE(drop.AnimationTimer().IsRunning());
  ASSERT_TRUE(uitest::PumpUntil([&] { return !drop.Animating(); }, 5000));
  EXPECT_FALSE(drop.AnimationTimer().IsRunning());
  ASSERT_TRUE(uitest::PumpUntil([&] { return drop.LastPaintWhole(); }, 3000));
  EXPECT_GT(drop.Paints(), paintsBefore + 1);
  // A second drop plays it again.
  drop.PlayDropAnimation();
  EXPECT_TRUE(drop.Animating());
  ASSERT_TRUE(uitest::PumpUntil([&] { return !drop.Animating() && drop.LastPaintWhole(); }, 5000));
}

TEST_F(DropWindowTest, AboutOpensWithTheAboutTitleAndClosesOnOk) {
  FrameOptions options = TestFrameOptions(program_);
  options.productName = "Vessa Skiffline";
  options.programVersion = "5.0.1";
  options.aboutTitle = "Vessa Skiffline Version 5.0.1";
  Open(options);
  wxPoint okPosition;
  wxSize okSize, dialogSize;
  std::string texts;  // the static texts' labels, a line each
  uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& info) {
    wxDialog& dialog = *info.dialog;
    auto* ok = dynamic_cast<wxButton*>(dialog.FindWindow(CAboutDlg::kOkId));
    if (ok) {
      okPosition = ok->GetPosition();
      okSize = ok->GetSize();
    }
    dialogSize = dialog.GetSize();
    for (wxWindow* child : dialog.GetChildren())
      if (auto* text = dynamic_cast<wxStaticText*>(child))
        texts += text->GetLabel().utf8_string() + "\n";
    Screenshot("about");
    dialog_test::Click(dialog, CAboutDlg::kOkId);
    return wxID_NONE;
  });
  const auto about = [&] {
    wxCommandEvent command(wxEVT_MENU, cmd::WxId(cmd::ID_APP_ABOUT));
    frame_->GetEventHandler()->ProcessEvent(command);
  };
  // The remote pane passes About on, like every other pane.
  frame_->ActivatePane(frame_->remoteView);
  about();
  ASSERT_EQ(closer.Seen().size(), 1u);
  EXPECT_EQ(closer.Seen()[0].title, "Vessa Skiffline Version 5.0.1");
  EXPECT_EQ(okPosition, wxPoint(150, 220));
  EXPECT_EQ(okSize, wxSize(60, 21));
  EXPECT_EQ(dialogSize, wxSize(400, 320));
  EXPECT_NE(texts.find("Vessa Skiffline\n"), std::string::npos) << texts;
  EXPECT_NE(texts.find("Version 5.0.1\n"), std::string::npos) << texts;
  EXPECT_NE(texts.find("Copyright \u00a9 2026 the Skiffline developers"), std::string::npos);
  EXPECT_NE(texts.find("WARRANTY"), std::string::npos);
}

}  // namespace
