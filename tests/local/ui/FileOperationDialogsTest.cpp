// The local file operations' dialogs on their own: how names are shown, the
// questions' texts and safe defaults, the failure report and the progress
// window.
#include <gtest/gtest.h>
#include <wx/button.h>

#include <cerrno>

#include "local/ui/DisplayText.h"
#include "local/ui/FileOperationDialogs.h"
#include "local/ui/FileProgressDlg.h"
#include "support/ui/UiTest.h"
#include "transfer/ui/ModalDriver.h"

using dialog_test::Click;
using dialog_test::ShowModalDriven;

namespace {

std::string Utf8(const wxString& text) { return std::string(text.utf8_str().data()); }

const std::string kFffd = "\xEF\xBF\xBD";

TEST(DisplayText, ShowsValidUtf8AsItIsAndEveryOtherByteOrControlAsAReplacement) {
  struct Case {
    std::string bytes, shown;
  };
  const Case cases[] = {
      {"plain.txt", "plain.txt"},
      {"caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\x81", "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\x81"},
      {"a\xFF\xFE" "b", "a" + kFffd + kFffd + "b"},
      {"cut\xE6\x97", "cut" + kFffd + kFffd},                        // sequence cut short
      {"\xE6\x97" "x", kFffd + kFffd + "x"},                         // cut inside the text
      {"over\xC0\xAF", "over" + kFffd + kFffd},                      // overlong "/"
      {"sur\xED\xA0\x80", "sur" + kFffd + kFffd + kFffd},           // a surrogate
      {"big\xF4\x90\x80\x80", "big" + kFffd + kFffd + kFffd + kFffd},  // above U+10FFFF
      {"two\nlines\ttab\r", "two" + kFffd + "lines" + kFffd + "tab" + kFffd},
      {"del\x7F" "c1\xC2\x85", "del" + kFffd + "c1" + kFffd},
      {std::string("nul\0end", 7), "nul" + kFffd + "end"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8(DisplayText(c.bytes)), c.shown) << c.bytes;
}

TEST(DisplayText, ShortFormCutsLongNamesInTheMiddle) {
  EXPECT_EQ(Utf8(ShortDisplayText("short.txt", 20)), "short.txt");
  const wxString cut = ShortDisplayText(std::string(50, 'a') + std::string(50, 'b'), 21);
  EXPECT_EQ(cut.length(), 21u);
  EXPECT_EQ(Utf8(cut), std::string(10, 'a') + "\xE2\x80\xA6" + std::string(10, 'b'));
}

TEST(FileQuestions, DeleteTextNamesOneItemOrTheCountAndTheFirstNames) {
  EXPECT_EQ(Utf8(DeleteQuestionText(1, {"only.txt"})),
            "Are you sure you want to delete 'only.txt' for good?");
  EXPECT_EQ(Utf8(DeleteQuestionText(3, {"a", "b", "c"})),
            "Are you sure you want to delete these 3 items for good?\n\na\nb\nc");
  EXPECT_EQ(Utf8(DeleteQuestionText(8, {"n1", "n2", "n3", "n4", "n5"})),
            "Are you sure you want to delete these 8 items for good?\n\nn1\nn2\nn3\nn4\nn5\n"
            "\xE2\x80\xA6 and 3 more");
  EXPECT_EQ(Utf8(DeleteQuestionText(2, {"bad\xFF", "new\nline"})),
            "Are you sure you want to delete these 2 items for good?\n\nbad" + kFffd + "\nnew" +
                kFffd + "line");
}

TEST(FileQuestions, ReplaceTextNamesTheTargetAndItsFolder) {
  EXPECT_EQ(Utf8(ReplaceQuestionText("/home/ann/docs/report.pdf")),
            "'report.pdf' already exists in /home/ann/docs. Replace it?");
}

TEST(FileQuestions, YesAnswersYesAndEverythingElseNo) {
  {
    CConfirmDeleteDlg dlg(nullptr, 1, {"x"});
    EXPECT_EQ(dlg.GetTitle(), "Confirm Delete");
    EXPECT_EQ(ShowModalDriven(dlg, [](wxDialog& d) { Click(d, wxID_YES); }), wxID_YES);
  }
  {
    CConfirmReplaceDlg dlg(nullptr, "/tmp/x");
    EXPECT_EQ(dlg.GetTitle(), "Confirm Replace");
    EXPECT_EQ(ShowModalDriven(dlg, [](wxDialog& d) { Click(d, wxID_NO); }), wxID_NO);
  }
  {
    CConfirmDeleteDlg dlg(nullptr, 1, {"x"});
    EXPECT_EQ(ShowModalDriven(dlg, [](wxDialog& d) { d.Close(); }), wxID_NO);
  }
}

TEST(FileQuestions, NoIsTheDefaultAndEscapeAnswersNo) {
  for (int key : {WXK_ESCAPE, WXK_RETURN}) {
    CConfirmDeleteDlg dlg(nullptr, 4, {"a", "b", "c", "d"});
    auto* no = dynamic_cast<wxButton*>(dlg.FindWindow(wxID_NO));
    ASSERT_NE(no, nullptr);
    bool noFocused = false;
    const int code = ShowModalDriven(dlg, [&](wxDialog& d) {
      d.Raise();
      noFocused = uitest::PumpUntil([&] { return wxWindow::FindFocus() == no; }, 2000);
      dialog_test::PressKey(key);
      uitest::PumpUntil([&] { return !d.IsModal(); }, 2000);
    });
    EXPECT_TRUE(noFocused) << key;
    EXPECT_EQ(code, wxID_NO) << key;
  }
}

TEST(FileFailures, ListsEveryItemWithTheSystemsText) {
  const std::vector<platform::FileOpFailure> failures{
      {"/data/locked.txt", EACCES, "Permission denied"},
      {"/data/odd\xFF\nname", EIO, "Input/output error"},
  };
  CFileFailuresDlg dlg(nullptr, LocalFileOperation::Delete, failures);
  EXPECT_EQ(dlg.GetTitle(), "Error");
  EXPECT_EQ(Utf8(dlg.Heading()), "These 2 items could not be deleted:");
  EXPECT_EQ(Utf8(dlg.ListText()),
            "/data/locked.txt \xE2\x80\x94 Permission denied\n/data/odd" + kFffd + kFffd +
                "name \xE2\x80\x94 Input/output error");
  EXPECT_EQ(ShowModalDriven(dlg, [](wxDialog& d) { Click(d, wxID_OK); }), wxID_OK);

  CFileFailuresDlg one(nullptr, LocalFileOperation::Rename, {failures[0]});
  EXPECT_EQ(Utf8(one.Heading()), "This item could not be renamed:");
}

TEST(FileProgress, ShowsItselfLateFollowsTheWorkAndCancelsOnce) {
  int cancels = 0;
  auto* dlg = new CFileProgressDlg(nullptr, LocalFileOperation::Delete, 10, [&] { ++cancels; },
                                   50);
  EXPECT_FALSE(dlg->IsShown());
  EXPECT_EQ(dlg->GetTitle(), "Deleting");
  EXPECT_TRUE(uitest::PumpUntil([&] { return dlg->IsShown(); }, 5000));

  platform::FileOpProgress p;
  p.path = "/data/folder/item\n7.txt";
  p.itemsDone = 4;
  p.itemsTotal = 10;
  dlg->SetProgress(p);
  EXPECT_EQ(Utf8(dlg->NameText()), "item" + kFffd + "7.txt");
  EXPECT_EQ(Utf8(dlg->CountText()), "4 of 10 items");
  EXPECT_EQ(dlg->GaugeValue(), 400);

  p.bytesTotal = 40 * 1024 * 1024;  // a big copy: the gauge follows its bytes
  p.bytesDone = 30 * 1024 * 1024;
  dlg->SetProgress(p);
  EXPECT_EQ(dlg->GaugeValue(), 750);
  EXPECT_EQ(Utf8(dlg->CountText()), "30.0 MB of 40.0 MB, 4 of 10 items");

  Click(*dlg, wxID_CANCEL);
  dlg->Close();  // the close box cancels too, and does not close it
  EXPECT_EQ(cancels, 1);
  EXPECT_TRUE(dlg->CancelRequested());
  EXPECT_TRUE(dlg->IsShown());
  EXPECT_FALSE(dlg->FindWindow(wxID_CANCEL)->IsEnabled());
  dlg->Destroy();
  uitest::PumpFor(20);
}

TEST(FileProgress, DestroyedBeforeItsDelayItNeverShows) {
  auto* dlg = new CFileProgressDlg(nullptr, LocalFileOperation::Move, 1, {}, 100);
  EXPECT_EQ(dlg->GetTitle(), "Moving");
  dlg->Destroy();
  uitest::PumpFor(200);  // the timer died with it
  for (wxWindow* window : wxTopLevelWindows) EXPECT_FALSE(window->IsShown());
}

}  // namespace
