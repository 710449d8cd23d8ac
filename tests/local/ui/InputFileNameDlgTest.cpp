// "Input new file name": the proposed name selected whole, and the text
// returned as typed.
#include <gtest/gtest.h>

#include "local/ui/InputFileNameDlg.h"
#include "support/ui/UiTest.h"
#include "transfer/ui/ModalDriver.h"

using dialog_test::Click;
using dialog_test::ShowModalDriven;

namespace {

TEST(InputFileNameDlg, OpensWithTheWholeNameSelectedAndTypingReplacesIt) {
  CInputFileNameDlg dlg(nullptr);
  dlg.nameText = "report12.txt";  // twelve characters
  long from = -1, to = -1;
  bool editHasFocus = false;
  const int code = ShowModalDriven(dlg, [&](wxDialog& d) {
    d.Raise();
    uitest::PumpUntil([&] { return wxWindow::FindFocus() == dlg.nameEdit; }, 2000);
    editHasFocus = wxWindow::FindFocus() == dlg.nameEdit;
    dlg.nameEdit->GetSelection(&from, &to);
    dialog_test::PressKey('x');
    uitest::PumpUntil([&] { return dlg.nameEdit->GetValue() == "x"; }, 2000);
    Click(d, wxID_OK);
  });
  EXPECT_EQ(code, wxID_OK);
  EXPECT_TRUE(editHasFocus);
  EXPECT_EQ(from, 0);
  EXPECT_EQ(to, 12);
  EXPECT_EQ(dlg.nameText, "x");
  EXPECT_EQ(std::string(dlg.GetTitle().utf8_str().data()), "Input new file name");
  EXPECT_EQ(dlg.nameEdit->GetId(), CInputFileNameDlg::kNameEditId);
}

TEST(InputFileNameDlg, EnterTakesTheTypedText) {
  CInputFileNameDlg dlg(nullptr);
  dlg.nameText = "old.txt";
  const int code = ShowModalDriven(dlg, [&](wxDialog& d) {
    d.Raise();
    uitest::PumpUntil([&] { return wxWindow::FindFocus() == dlg.nameEdit; }, 2000);
    wxUIActionSimulator sim;
    sim.Text("new.txt");
    uitest::PumpUntil([&] { return dlg.nameEdit->GetValue() == "new.txt"; }, 2000);
    dialog_test::PressKey(WXK_RETURN);  // OK is the default button
  });
  EXPECT_EQ(code, wxID_OK);
  EXPECT_EQ(dlg.nameText, "new.txt");
}

TEST(InputFileNameDlg, OkOnUnchangedTextReturnsTheProposedName) {
  CInputFileNameDlg dlg(nullptr);
  dlg.nameText = "keep me.dat";
  EXPECT_EQ(ShowModalDriven(dlg, [](wxDialog& d) { Click(d, wxID_OK); }), wxID_OK);
  EXPECT_EQ(dlg.nameText, "keep me.dat");
}

TEST(InputFileNameDlg, OkOnEmptiedFieldReturnsEmptyText) {
  CInputFileNameDlg dlg(nullptr);
  dlg.nameText = "something";
  ShowModalDriven(dlg, [&](wxDialog& d) {
    dlg.nameEdit->Clear();
    Click(d, wxID_OK);
  });
  EXPECT_EQ(dlg.nameText, "");
}

TEST(InputFileNameDlg, CancelKeepsTheTextOut) {
  CInputFileNameDlg dlg(nullptr);
  dlg.nameText = "first";
  const int code = ShowModalDriven(dlg, [&](wxDialog& d) {
    dlg.nameEdit->ChangeValue("second");
    Click(d, wxID_CANCEL);
  });
  EXPECT_EQ(code, wxID_CANCEL);
  EXPECT_EQ(dlg.nameText, "first");
}

}  // namespace
