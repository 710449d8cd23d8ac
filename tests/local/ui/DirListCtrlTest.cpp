// The local list as a user meets it: rows and their texts, keys, the double
// click, the right button, and the operations it asks for.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>
#include <wx/uiaction.h>

#include <cstdlib>

#include "LocalListHarness.h"
#include "local/ui/InputFileNameDlg.h"
#include "support/LocalTree.h"
#include "support/RealServers.h"
#include "support/ui/UiTest.h"
#include "transfer/ui/ModalDriver.h"

using skifftest::MakeFile;

namespace {

std::string Text(const wxString& s) { return s.utf8_string(); }

TEST(DirListCtrl, ShowsFoldersThenFilesWithTheirColumns) {
  skifftest::TempDir dir;
  const std::string root = dir.Path() + "/";
  ASSERT_TRUE(platform::CreateDirectory(root + "zeta"));
  ASSERT_TRUE(platform::CreateDirectory(root + "Alpha"));
  ASSERT_TRUE(MakeFile(root + "b.txt", "bb"));
  ASSERT_TRUE(MakeFile(root + "A.txt", "a"));
  ASSERT_TRUE(MakeFile(root + "huge.iso", ""));
  ASSERT_EQ(::truncate((root + "huge.iso").c_str(), 5'000'000'000LL), 0);
  timeval when[2] = {{1267607100, 0}, {1267607100, 0}};  // 2010-03-03 09:05 UTC
  ASSERT_EQ(::utimes((root + "A.txt").c_str(), when), 0);
  uitest::ScopedEnv zone("TZ", "America/New_York");
  ::tzset();

  LocalListHarness h;
  ASSERT_TRUE(h.Show(dir.Path()));
  EXPECT_EQ(h.list->GetFolderPath(), root);
  EXPECT_EQ(h.Names(), (std::vector<std::string>{"Alpha", "zeta", "A.txt", "b.txt", "huge.iso"}));
  EXPECT_EQ(h.list->GetItemCount(), 5);
  wxListItem heading;
  heading.SetMask(wxLIST_MASK_TEXT);
  std::vector<std::string> headings;
  for (int c = 0; c < h.list->GetColumnCount(); ++c) {
    h.list->GetColumn(c, heading);
    headings.push_back(Text(heading.GetText()));
  }
  EXPECT_EQ(headings, (std::vector<std::string>{"File", "Size", "Type", "Modify DateTime"}));
  EXPECT_EQ(Text(h.list->CellText(0, 1)), "0");
  EXPECT_EQ(Text(h.list->CellText(2, 3)), "2010-3-3 9:5");
  EXPECT_EQ(Text(h.list->CellText(4, 1)), "5000000000");
  EXPECT_FALSE(h.list->CellText(0, 2).empty());  // the desktop's name for a folder
  EXPECT_FALSE(h.list->CellText(3, 2).empty());
  ::tzset();
}

TEST(DirListCtrl, OddNamesAreShownReadablyAndKeptExactly) {
  skifftest::TempDir dir;
  const std::string root = dir.Path() + "/";
  const std::string odd = std::string("caf\xe9\nnext");  // Latin-1 byte and a newline
  ASSERT_TRUE(MakeFile(root + odd, "x"));
  ASSERT_TRUE(MakeFile(root + "gr\xc3\xbc\xc3\x9f" "e.txt", "y"));  // valid UTF-8
  LocalListHarness h;
  ASSERT_TRUE(h.Show(root));
  ASSERT_EQ(h.list->RowCount(), 2u);
  const long oddRow = h.list->RowOfName(odd);
  ASSERT_GE(oddRow, 0);
  EXPECT_EQ(h.list->CellText(oddRow, 0), wxString::FromUTF8("caf\xef\xbf\xbd\xef\xbf\xbdnext"));
  EXPECT_EQ(h.list->RowPath(oddRow), root + odd);
  EXPECT_EQ(Text(h.list->CellText(h.list->RowOfName("gr\xc3\xbc\xc3\x9f" "e.txt"), 0)),
            "gr\xc3\xbc\xc3\x9f" "e.txt");
  // Deleting it names the real bytes.
  h.Select({odd});
  ASSERT_TRUE(h.FocusRows());
  h.Press(WXK_DELETE);
  ASSERT_EQ(h.asked.size(), 1u);
  EXPECT_EQ(h.asked[0].sources, (std::vector<std::string>{root + odd}));
}

TEST(DirListCtrl, KeysAndDoubleClickOpenGoUpAndReread) {
  skifftest::TempDir dir;
  const std::string root = dir.Path() + "/";
  ASSERT_TRUE(platform::CreateDirectory(root + "inner"));
  ASSERT_TRUE(MakeFile(root + "inner/deep.txt", "d"));
  ASSERT_TRUE(MakeFile(root + "one.txt", "1"));
  ASSERT_TRUE(MakeFile(root + "two.txt", "2"));
  LocalListHarness h;
  ASSERT_TRUE(h.Show(root));
  ASSERT_TRUE(h.FocusRows());

  // Enter with two rows selected does nothing.
  h.Select({"one.txt", "two.txt"});
  int before = h.listed;
  h.Press(WXK_RETURN);
  EXPECT_TRUE(h.opened.empty());
  EXPECT_EQ(h.list->GetFolderPath(), root);
  // F2 with two rows selected asks nothing.
  {
    uitest::ModalDialogCloser closer;
    h.Press(WXK_F2);
    EXPECT_TRUE(closer.Seen().empty());
  }
  // Enter on one file opens it with its program.
  h.Select({"one.txt"});
  h.Press(WXK_RETURN);
  EXPECT_EQ(h.opened, (std::vector<std::string>{root + "one.txt"}));

  // Enter on a folder enters it.
  h.Select({"inner"});
  before = h.listed;
  h.Press(WXK_RETURN);
  ASSERT_TRUE(h.WaitListed(before));
  EXPECT_EQ(h.list->GetFolderPath(), root + "inner/");
  EXPECT_EQ(h.Names(), (std::vector<std::string>{"deep.txt"}));

  // Backspace goes up.
  ASSERT_TRUE(h.FocusRows());
  before = h.listed;
  h.Press(WXK_BACK);
  ASSERT_TRUE(h.WaitListed(before));
  EXPECT_EQ(h.list->GetFolderPath(), root);

  // A double click on the folder enters it too.
  const long inner = h.list->RowOfName("inner");
  ASSERT_GE(inner, 0);
  h.Select({"inner"});
  const wxPoint centre = h.RowCentre(inner);
  EXPECT_EQ(h.list->RowAtScreenPoint(centre), inner);
  before = h.listed;
  wxUIActionSimulator sim;
  sim.MouseMove(centre);
  uitest::PumpFor(50);
  sim.MouseDblClick();
  ASSERT_TRUE(h.WaitListed(before));
  EXPECT_EQ(h.list->GetFolderPath(), root + "inner/");

  // F5 reads the folder again: a file made meanwhile shows up.
  ASSERT_TRUE(MakeFile(root + "inner/new.txt", "n"));
  ASSERT_TRUE(h.FocusRows());
  before = h.listed;
  h.Press(WXK_F5);
  ASSERT_TRUE(h.WaitListed(before));
  EXPECT_EQ(h.Names(), (std::vector<std::string>{"deep.txt", "new.txt"}));
}

TEST(DirListCtrl, BackspaceAtTheRootListsTheRootAgain) {
  LocalListHarness h;
  ASSERT_TRUE(h.Show("/"));
  ASSERT_TRUE(h.FocusRows());
  h.list->GoUp();  // the parent of "/" is "/": nothing new to list
  uitest::PumpFor(100);
  EXPECT_EQ(h.list->GetFolderPath(), "/");
  EXPECT_GT(h.list->RowCount(), 0u);
}

TEST(DirListCtrl, DeleteRenameAndMoveAskForTheRightPathsAndRereadAfter) {
  skifftest::TempDir dir;
  const std::string root = dir.Path() + "/";
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) ASSERT_TRUE(MakeFile(root + name, name));
  ASSERT_TRUE(platform::CreateDirectory(root + "box"));
  LocalListHarness h;
  ASSERT_TRUE(h.Show(root));
  ASSERT_TRUE(h.FocusRows());

  // Delete: every selected row, in row order, then a fresh listing.
  h.Select({"c.txt", "a.txt", "b.txt"});
  int before = h.listed;
  h.Press(WXK_DELETE);
  ASSERT_EQ(h.asked.size(), 1u);
  EXPECT_EQ(h.asked[0].operation, LocalFileOperation::Delete);
  EXPECT_EQ(h.asked[0].sources,
            (std::vector<std::string>{root + "a.txt", root + "b.txt", root + "c.txt"}));
  EXPECT_TRUE(h.WaitListed(before));

  // F2: the dialog comes with the old name; the new one is asked for.
  h.Select({"d.txt"});
  {
    std::string proposed;
    uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
      auto* dialog = dynamic_cast<CInputFileNameDlg*>(m.dialog);
      if (!dialog) return wxID_CANCEL;
      proposed = Text(dialog->nameEdit->GetValue());
      dialog->nameEdit->SetValue("e.txt");
      dialog_test::Click(*dialog, wxID_OK);
      return wxID_NONE;
    });
    h.Press(WXK_F2);
    uitest::PumpUntil([&] { return h.asked.size() == 2; }, 3000);
    EXPECT_EQ(proposed, "d.txt");
  }
  ASSERT_EQ(h.asked.size(), 2u);
  EXPECT_EQ(h.asked[1].operation, LocalFileOperation::Rename);
  EXPECT_EQ(h.asked[1].sources, (std::vector<std::string>{root + "d.txt"}));
  EXPECT_EQ(h.asked[1].targets, (std::vector<std::string>{root + "e.txt"}));

  // A name that would leave the folder is refused: nothing is asked for.
  uitest::PumpUntil([&] { return !h.list->Reading(); }, 3000);
  h.Select({"d.txt"});
  {
    uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
      auto* dialog = dynamic_cast<CInputFileNameDlg*>(m.dialog);
      if (!dialog) return wxID_CANCEL;
      dialog->nameEdit->SetValue("../escape.txt");
      dialog_test::Click(*dialog, wxID_OK);
      return wxID_NONE;
    });
    h.list->RenameSelected();
  }
  EXPECT_EQ(h.asked.size(), 2u);
  EXPECT_FALSE(h.problems.empty());
  uitest::PumpUntil([&] { return !h.list->Reading(); }, 3000);

  // Moving a selection that holds the target folder moves all but the target.
  h.Select({"box", "b.txt", "d.txt"});
  EXPECT_EQ(h.list->MoveSelectedInto(root + "box"), 1);
  ASSERT_EQ(h.asked.size(), 3u);
  EXPECT_EQ(h.asked[2].operation, LocalFileOperation::Move);
  EXPECT_EQ(h.asked[2].sources, (std::vector<std::string>{root + "b.txt", root + "d.txt"}));
  EXPECT_EQ(h.asked[2].targets, (std::vector<std::string>{root + "box/"}));
}

TEST(DirListCtrl, TheRightButtonReportsAfterTheRowUnderItIsSelected) {
  skifftest::TempDir dir;
  ASSERT_TRUE(MakeFile(dir.Path() + "/first.txt", "1"));
  ASSERT_TRUE(MakeFile(dir.Path() + "/second.txt", "2"));
  LocalListHarness h;
  ASSERT_TRUE(h.Show(dir.Path()));
  h.Select({"first.txt"});
  const long second = h.list->RowOfName("second.txt");
  wxUIActionSimulator sim;
  sim.MouseMove(h.RowCentre(second));
  uitest::PumpFor(50);
  sim.MouseClick(wxMOUSE_BTN_RIGHT);
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.menus == 1; }, 3000));
  EXPECT_EQ(h.selectionAtMenu, (std::vector<long>{second}));
}

TEST(DirListCtrl, AFolderRemovedWhileShownGivesAnEmptyListAndAReport) {
  skifftest::TempDir dir;
  const std::string gone = dir.Path() + "/gone/";
  ASSERT_TRUE(platform::CreateDirectory(gone));
  ASSERT_TRUE(MakeFile(gone + "x.txt", "x"));
  LocalListHarness h;
  ASSERT_TRUE(h.Show(gone));
  EXPECT_EQ(h.list->RowCount(), 1u);
  ASSERT_EQ(::unlink((gone + "x.txt").c_str()), 0);
  ASSERT_EQ(::rmdir(gone.c_str()), 0);
  ASSERT_TRUE(h.Show(gone));
  EXPECT_EQ(h.list->RowCount(), 0u);
  EXPECT_EQ(h.list->GetItemCount(), 0);
  EXPECT_EQ(h.list->GetFolderPath(), gone);
  ASSERT_EQ(h.problems.size(), 1u);
  EXPECT_NE(h.problems[0].find(gone), std::string::npos);
  // Going up from there still works.
  const int before = h.listed;
  h.list->GoUp();
  ASSERT_TRUE(h.WaitListed(before));
  EXPECT_EQ(h.list->GetFolderPath(), dir.Path() + "/");
}

}  // namespace
