// "Target file already exists": what each way of closing it answers.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/stattext.h>

#include "support/ui/UiTest.h"
#include "transfer/TransferEntry.h"
#include "transfer/ui/ModalDriver.h"
#include "transfer/ui/SelectActionDlg.h"

using dialog_test::Click;
using dialog_test::ShowModalDriven;

namespace {

std::string Utf8(const wxString& s) { return std::string(s.utf8_str().data()); }

TEST(SelectActionDlg, ShowsTargetAndTickAndHasNoDefaultButton) {
  CSelectActionDlg dlg(nullptr);
  dlg.targetText = "/pub/docs/readme.txt";
  dlg.applyAll = 1;
  std::string shownText;
  bool shownTick = false;
  ShowModalDriven(dlg, [&](wxDialog& d) {
    shownText = Utf8(dlg.targetBox->GetValue());
    shownTick = dlg.applyAllBox->GetValue();
    EXPECT_EQ(d.GetDefaultItem(), nullptr);
    Click(d, CSelectActionDlg::kResumeId);
  });
  EXPECT_EQ(Utf8(dlg.GetTitle()), "Target file already exists");
  EXPECT_EQ(shownText, "/pub/docs/readme.txt");
  EXPECT_TRUE(shownTick);
  EXPECT_EQ(dlg.result, ACTION_RESUME);
  EXPECT_EQ(dlg.targetBox->GetId(), CSelectActionDlg::kTargetTextId);
  EXPECT_TRUE(dlg.targetBox->IsMultiLine());
  EXPECT_FALSE(dlg.targetBox->IsEditable());
  const std::pair<wxWindowID, const char*> buttons[] = {
      {1030, "Overwrite"}, {1031, "Resume"}, {1032, "Rename"}, {wxID_CANCEL, "Skip"}};
  for (const auto& [id, label] : buttons) {
    wxWindow* b = dlg.FindWindow(id);
    ASSERT_NE(b, nullptr) << label;
    EXPECT_EQ(Utf8(b->GetLabel()), label);
  }
  EXPECT_EQ(Utf8(dlg.applyAllBox->GetLabel()), "Apply all");
  EXPECT_EQ(dlg.applyAllBox->GetId(), 1033);
  // The three actions share a row; Skip is below on the left, the tick on the right.
  const wxRect overwrite = dlg.FindWindow(1030)->GetRect();
  const wxRect rename = dlg.FindWindow(1032)->GetRect();
  const wxRect skip = dlg.FindWindow(wxID_CANCEL)->GetRect();
  EXPECT_EQ(dlg.FindWindow(1031)->GetRect().y, overwrite.y);
  EXPECT_EQ(rename.y, overwrite.y);
  EXPECT_GT(skip.y, overwrite.y);
  EXPECT_GT(dlg.applyAllBox->GetRect().x, skip.x);
}

TEST(SelectActionDlg, OverwriteWithApplyAllTickedReadsTheTickBack) {
  CSelectActionDlg dlg(nullptr);
  dlg.targetText = "/home/u/a.bin";
  ShowModalDriven(dlg, [&](wxDialog& d) {
    dlg.applyAllBox->SetValue(true);
    Click(d, CSelectActionDlg::kOverwriteId);
  });
  EXPECT_EQ(dlg.result, ACTION_OVERWRITE);
  EXPECT_EQ(dlg.applyAll, 1);
  EXPECT_EQ(dlg.applyToRest, 1);
  EXPECT_EQ(dlg.targetText, "/home/u/a.bin");
}

TEST(SelectActionDlg, RenameWithoutTickClearsApplyAll) {
  CSelectActionDlg dlg(nullptr);
  dlg.applyAll = 1;
  ShowModalDriven(dlg, [&](wxDialog& d) {
    dlg.applyAllBox->SetValue(false);
    Click(d, CSelectActionDlg::kRenameId);
  });
  EXPECT_EQ(dlg.result, ACTION_RENAME);
  EXPECT_EQ(dlg.applyAll, 0);
  EXPECT_EQ(dlg.applyToRest, 0);
}

TEST(SelectActionDlg, SkipDoesNotReadTheTickBack) {
  CSelectActionDlg dlg(nullptr);
  dlg.applyAll = 0;
  const int code = ShowModalDriven(dlg, [&](wxDialog& d) {
    dlg.applyAllBox->SetValue(true);
    Click(d, wxID_CANCEL);
  });
  EXPECT_EQ(code, wxID_CANCEL);
  EXPECT_EQ(dlg.result, ACTION_SKIP);
  EXPECT_EQ(dlg.applyAll, 0);
  EXPECT_EQ(dlg.applyToRest, 1);  // the tick as the user left it
}

TEST(SelectActionDlg, EscapeAnswersSkip) {
  CSelectActionDlg dlg(nullptr);
  dlg.applyAll = 1;
  dlg.result = ACTION_RESUME;  // left from an earlier answer
  ShowModalDriven(dlg, [&](wxDialog& d) {
    d.Raise();
    dlg.FindWindow(CSelectActionDlg::kResumeId)->SetFocus();
    uitest::PumpFor(50);
    dialog_test::PressKey(WXK_ESCAPE);
  });
  EXPECT_EQ(dlg.result, ACTION_SKIP);
  EXPECT_EQ(dlg.applyAll, 1);
  EXPECT_EQ(dlg.applyToRest, 0);
}

TEST(SelectActionDlg, CloseBoxAnswersSkip) {
  CSelectActionDlg dlg(nullptr);
  ShowModalDriven(dlg, [&](wxDialog& d) {
    dlg.applyAllBox->SetValue(true);
    d.Close();
  });
  EXPECT_EQ(dlg.result, ACTION_SKIP);
  EXPECT_EQ(dlg.applyAll, 0);
  EXPECT_EQ(dlg.applyToRest, 0);
}

TEST(SelectActionDlg, EnterDoesNothingEvenOnAFocusedButton) {
  CSelectActionDlg dlg(nullptr);
  bool stillOpen = false;
  int entersSeen = 0;  // the key did reach the dialog
  dlg.Bind(wxEVT_CHAR_HOOK, [&](wxKeyEvent& e) {
    if (e.GetKeyCode() == WXK_RETURN) ++entersSeen;
    e.Skip();
  });
  ShowModalDriven(dlg, [&](wxDialog& d) {
    d.Raise();
    dlg.FindWindow(CSelectActionDlg::kOverwriteId)->SetFocus();
    uitest::PumpFor(50);
    dialog_test::PressKey(WXK_RETURN);
    uitest::PumpFor(100);
    stillOpen = d.IsModal() && d.IsShown();
    Click(d, CSelectActionDlg::kResumeId);
  });
  EXPECT_EQ(entersSeen, 1);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(dlg.result, ACTION_RESUME);
}

}  // namespace
