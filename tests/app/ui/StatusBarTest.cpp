// The main frame's status bar and the background window's progress strip:
// where their three fields go for a width, and what they show.
#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "app/ui/ImageStatusBar.h"
#include "app/ui/ProgressStatusCtrl.h"
#include "support/ui/UiTest.h"

namespace {

std::string Label(wxStaticText* t) { return std::string(t->GetLabelText().utf8_str().data()); }

struct StatusBar : testing::Test {
  void SetUp() override {
    frame = new wxFrame(nullptr, wxID_ANY, "bar", wxDefaultPosition, wxSize(1024, 300));
    bar = new CImageStatusBar(frame);
    frame->SetStatusBar(bar);
    frame->Show();
    uitest::PumpFor(50);
  }
  void TearDown() override {
    frame->Destroy();
    uitest::PumpFor(20);
  }
  wxFrame* frame = nullptr;
  CImageStatusBar* bar = nullptr;
};

TEST_F(StatusBar, ChildrenAndFieldsAsCreated) {
  EXPECT_EQ(bar->GetFieldsCount(), CImageStatusBar::kFieldCount);
  EXPECT_EQ(bar->progressBar()->GetId(), 547);
  EXPECT_EQ(bar->statusText()->GetId(), 548);
  EXPECT_EQ(bar->speedText()->GetId(), 549);
  EXPECT_EQ(bar->progressBar()->GetParent(), bar);
  EXPECT_EQ(bar->progressBar()->GetRange(), 100);
  EXPECT_EQ(bar->progressBar()->GetValue(), 0);
  EXPECT_EQ(Label(bar->speedText()), "0 k/s");
  EXPECT_EQ(Label(bar->statusText()), "");
  EXPECT_TRUE(bar->speedText()->HasFlag(wxALIGN_RIGHT));
  EXPECT_TRUE(bar->statusText()->HasFlag(wxALIGN_RIGHT));
  EXPECT_FALSE(bar->progressBar()->IsShown());  // until the first layout
}

TEST_F(StatusBar, At1024TheFieldsSitFromTheRightEdge) {
  EXPECT_EQ(bar->LayoutFields(1024), 1);
  EXPECT_EQ(bar->progressBar()->GetRect(), wxRect(624, 0, 200, 18));
  EXPECT_EQ(bar->statusText()->GetRect(), wxRect(274, 1, 330, 15));
  EXPECT_EQ(bar->speedText()->GetRect(), wxRect(834, 1, 70, 17));
  EXPECT_TRUE(bar->progressBar()->IsShown());
  EXPECT_TRUE(bar->speedText()->IsShown());
}

TEST_F(StatusBar, TwoHundredHidesTheFieldsAndTwoHundredAndOneShowsThem) {
  bar->LayoutFields(1024);
  bar->LayoutFields(200);
  for (wxWindow* w : {static_cast<wxWindow*>(bar->progressBar()),
                      static_cast<wxWindow*>(bar->statusText()),
                      static_cast<wxWindow*>(bar->speedText())}) {
    EXPECT_EQ(w->GetRect(), wxRect(0, 0, 0, 0));
    EXPECT_FALSE(w->IsShown());
  }
  bar->LayoutFields(201);
  EXPECT_EQ(bar->progressBar()->GetRect(), wxRect(-199, 0, 200, 18));
  EXPECT_EQ(bar->statusText()->GetRect(), wxRect(-549, 1, 330, 15));
  EXPECT_EQ(bar->speedText()->GetRect(), wxRect(11, 1, 70, 17));
  EXPECT_TRUE(bar->progressBar()->IsShown());
  EXPECT_TRUE(bar->statusText()->IsShown());
  EXPECT_TRUE(bar->speedText()->IsShown());
}

TEST_F(StatusBar, SpeedIsWholeKilobytes) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {0, "0 k/s"}, {1023, "0 k/s"}, {1536, "1 k/s"}, {10'485'760, "10240 k/s"}};
  for (const auto& [speed, text] : cases) {
    EXPECT_EQ(bar->SetSpeed(speed), 1);
    EXPECT_EQ(Label(bar->speedText()), text) << speed;
  }
}

TEST_F(StatusBar, ProgressIsClampedAndRepeatsKeepTheBar) {
  bar->LayoutFields(1024);
  bar->SetProgress(40);
  EXPECT_EQ(bar->progressBar()->GetValue(), 40);
  bar->SetProgress(40);
  bar->SetSpeed(2048);
  EXPECT_EQ(bar->progressBar()->GetValue(), 40);
  EXPECT_EQ(Label(bar->speedText()), "2 k/s");
  bar->SetProgress(250);
  EXPECT_EQ(bar->progressBar()->GetValue(), 100);
  bar->SetProgress(-3);
  EXPECT_EQ(bar->progressBar()->GetValue(), 0);
}

TEST_F(StatusBar, StatusTextGoesToItsFieldNotToTheMessagePane) {
  bar->wxStatusBar::SetStatusText("Ready", 0);
  bar->SetStatusText("Receiving readme.txt");
  EXPECT_EQ(Label(bar->statusText()), "Receiving readme.txt");
  EXPECT_EQ(bar->GetStatusText(0), "Ready");
  // Texts with markup characters are shown as they stand.
  bar->SetStatusText("a & b");
  EXPECT_EQ(Label(bar->statusText()), "a & b");
}

TEST_F(StatusBar, IndicatorFieldsShowOnlyKnownTexts) {
  bar->UpdateIndicators();
  const wxString known[][2] = {{"", "CAP"}, {"", "NUM"}, {"", "SCRL"}};
  for (int i = 0; i < 3; ++i) {
    const wxString shown = bar->GetStatusText(CImageStatusBar::kCapsField + i);
    EXPECT_TRUE(shown == known[i][0] || shown == known[i][1]) << shown;
  }
}

TEST_F(StatusBar, CapsLockIndicatorFollowsTheKey) {
  const bool wasOn = wxGetKeyState(WXK_CAPITAL);
  wxUIActionSimulator sim;
  sim.Char(WXK_CAPITAL);  // toggles Caps Lock on the display
  uitest::PumpUntil([&] { return wxGetKeyState(WXK_CAPITAL) != wasOn; }, 2000);
  bar->UpdateIndicators();
  const wxString shown = bar->GetStatusText(CImageStatusBar::kCapsField);
  sim.Char(WXK_CAPITAL);  // back as it was
  uitest::PumpUntil([&] { return wxGetKeyState(WXK_CAPITAL) == wasOn; }, 2000);
  bar->UpdateIndicators();
  EXPECT_EQ(shown, wasOn ? "" : "CAP");
  EXPECT_EQ(bar->GetStatusText(CImageStatusBar::kCapsField), wasOn ? "CAP" : "");
}

struct ProgressStrip : testing::Test {
  void SetUp() override {
    dialog = new wxDialog(nullptr, wxID_ANY, "Background", wxDefaultPosition, wxSize(800, 200));
    strip = new CProgressStatusCtrl(dialog);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->AddStretchSpacer();
    sizer->Add(strip, 0, wxEXPAND);
    dialog->SetSizer(sizer);
    dialog->Show();
    uitest::PumpFor(50);
  }
  void TearDown() override {
    dialog->Destroy();
    uitest::PumpFor(20);
  }
  wxDialog* dialog = nullptr;
  CProgressStatusCtrl* strip = nullptr;
};

TEST_F(ProgressStrip, ShowsTwoBlanksBeforeTheUnitUntilTheFirstSpeed) {
  EXPECT_EQ(strip->progressBar()->GetId(), 803);
  EXPECT_EQ(strip->statusText()->GetId(), 804);
  EXPECT_EQ(strip->speedText()->GetId(), 549);
  EXPECT_EQ(Label(strip->speedText()), "  k/s");
  strip->SetProgress(10);
  strip->SetStatusText("Sending a.bin");
  EXPECT_EQ(Label(strip->speedText()), "  k/s");
  EXPECT_EQ(strip->SetSpeed(0), 1);
  EXPECT_EQ(Label(strip->speedText()), "0 k/s");
  strip->SetSpeed(1536);
  EXPECT_EQ(Label(strip->speedText()), "1 k/s");
}

TEST_F(ProgressStrip, FieldsStartThreePixelsDown) {
  EXPECT_EQ(strip->LayoutFields(800), 1);
  EXPECT_EQ(strip->progressBar()->GetRect(), wxRect(500, 3, 100, 15));
  EXPECT_EQ(strip->statusText()->GetRect(), wxRect(150, 3, 330, 13));
  EXPECT_EQ(strip->speedText()->GetRect(), wxRect(610, 3, 70, 15));
  strip->LayoutFields(200);
  EXPECT_EQ(strip->progressBar()->GetRect(), wxRect(0, 0, 0, 0));
  EXPECT_FALSE(strip->speedText()->IsShown());
  strip->LayoutFields(201);
  EXPECT_EQ(strip->speedText()->GetRect(), wxRect(11, 3, 70, 15));
}

}  // namespace
