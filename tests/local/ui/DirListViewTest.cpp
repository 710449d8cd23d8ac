// The local pane as a user drives it: the folder it publishes, the drive
// box, the up button, drags within its list, and the file operations with
// their questions, checked on the disk.
#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/uiaction.h>

#include <cerrno>

#include "LocalPaneHarness.h"
#include "local/ui/InputFileNameDlg.h"
#include "res/CommandIds.h"
#include "support/LocalTree.h"
#include "support/ui/UiTest.h"
#include "transfer/ui/ModalDriver.h"

using skifftest::Exists;
using skifftest::FileText;
using skifftest::MakeFile;

namespace {

// Answers every question of a file operation, and writes down the titles.
struct Answering {
  explicit Answering(int id)
      : closer([this, id](const uitest::ModalInfo& m) {
          titles.push_back(m.title);
          return id;
        }) {}
  std::vector<std::string> titles;
  uitest::ModalDialogCloser closer;
};

TEST(LocalPane, PublishesEachFolderToTheDocumentAndTheDriveBox) {
  skifftest::TempDir home;
  ASSERT_TRUE(home.MakeDir("a/b/c"));
  ASSERT_TRUE(home.WriteFile("a/b/c/file.txt", "x"));
  const std::string deep = home.Path() + "/a/b/c/";
  LocalPaneHarness h(home.Path(), deep);
  EXPECT_EQ(h.document.localFolder, deep);
  EXPECT_EQ(h.List().GetFolderPath(), deep);
  // "/", home, then a, b and c under home, c selected.
  CDriverCombo& box = *h.pane->driveBox;
  ASSERT_EQ(box.EntryCount(), 5);
  EXPECT_EQ(box.EntryPath(1), home.Path() + "/");
  EXPECT_EQ(box.EntryText(2), "a");
  EXPECT_EQ(box.EntryDepth(4), 3);
  EXPECT_EQ(box.GetSelection(), 4);

  // Picking the middle entry opens that folder.
  box.SetSelection(3);
  wxCommandEvent picked(wxEVT_COMBOBOX, box.GetId());
  picked.SetEventObject(&box);
  picked.SetInt(3);
  box.GetEventHandler()->ProcessEvent(picked);
  ASSERT_TRUE(h.WaitIdle());
  EXPECT_EQ(h.document.localFolder, home.Path() + "/a/b/");
  EXPECT_EQ(box.GetSelectedPath(), home.Path() + "/a/b");

  // The up button goes one level up, and the box follows.
  wxUIActionSimulator sim;
  sim.MouseMove(h.pane->upButton->GetScreenRect().GetPosition() + wxPoint(10, 10));
  uitest::PumpFor(40);
  sim.MouseClick();
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.document.localFolder == home.Path() + "/a/"; }, 5000));
  EXPECT_EQ(box.GetSelectedPath(), home.Path() + "/a");

  // Picking the root entry lists the root.
  box.SetSelection(0);
  wxCommandEvent root(wxEVT_COMBOBOX, box.GetId());
  root.SetEventObject(&box);
  box.GetEventHandler()->ProcessEvent(root);
  ASSERT_TRUE(h.WaitIdle());
  EXPECT_EQ(h.document.localFolder, "/");
}

TEST(LocalPane, DraggingOntoAnUnselectedFolderRowMovesTheSelectionThere) {
  skifftest::TempDir home;
  const std::string root = home.Path() + "/";
  ASSERT_TRUE(home.MakeDir("box"));
  ASSERT_TRUE(home.WriteFile("one.txt", "first file"));
  ASSERT_TRUE(home.WriteFile("two.txt", "second file"));
  ASSERT_TRUE(home.WriteFile("stay.txt", "stays"));
  LocalPaneHarness h(home.Path(), root);
  h.Select({"one.txt", "two.txt"});
  h.DragRow("one.txt", h.RowCentre("box"), /*release=*/false);
  EXPECT_TRUE(h.pane->Drag().Dragging());
  EXPECT_NE(h.pane->Drag().Picture(), nullptr);  // something follows the pointer
  EXPECT_TRUE(h.pane->Drag().DropAllowed());
  EXPECT_EQ(h.List().DropRow(), h.List().RowOfName("box"));
  wxUIActionSimulator sim;
  sim.MouseUp();
  ASSERT_TRUE(uitest::PumpUntil([&] { return Exists(root + "box/two.txt"); }, 8000));
  ASSERT_TRUE(h.WaitIdle());
  EXPECT_EQ(FileText(root + "box/one.txt"), "first file");
  EXPECT_EQ(FileText(root + "box/two.txt"), "second file");
  EXPECT_FALSE(Exists(root + "one.txt"));
  EXPECT_TRUE(Exists(root + "stay.txt"));
  EXPECT_EQ(h.List().RowOfName("one.txt"), -1);  // the list was read again
  EXPECT_FALSE(h.pane->Drag().Dragging());
}

TEST(LocalPane, DropsOnAFileRowOrASelectedFolderOrAfterEscapeDoNothing) {
  skifftest::TempDir home;
  const std::string root = home.Path() + "/";
  ASSERT_TRUE(home.MakeDir("box"));
  ASSERT_TRUE(home.MakeDir("other"));
  ASSERT_TRUE(home.WriteFile("a.txt", "a"));
  ASSERT_TRUE(home.WriteFile("b.txt", "b"));
  LocalPaneHarness h(home.Path(), root);
  const auto before = skifftest::Snapshot(home.Path());

  // Onto a file row: the no-entry cursor, nothing on release.
  h.Select({"a.txt"});
  h.DragRow("a.txt", h.RowCentre("b.txt"), false);
  EXPECT_TRUE(h.pane->Drag().Dragging());
  EXPECT_FALSE(h.pane->Drag().DropAllowed());
  wxUIActionSimulator sim;
  sim.MouseUp();
  uitest::PumpFor(200);

  // Onto a folder that is itself dragged.
  h.Select({"box", "a.txt"});
  h.DragRow("a.txt", h.RowCentre("box"), false);
  EXPECT_FALSE(h.pane->Drag().DropAllowed());
  sim.MouseUp();
  uitest::PumpFor(200);

  // Escape ends a drag over a good target without a drop.
  h.Select({"a.txt"});
  h.FocusList();
  h.DragRow("a.txt", h.RowCentre("other"), false);
  EXPECT_TRUE(h.pane->Drag().DropAllowed());
  sim.Char(WXK_ESCAPE);
  ASSERT_TRUE(uitest::PumpUntil([&] { return !h.pane->Drag().Dragging(); }, 3000));
  EXPECT_EQ(h.List().DropRow(), -1);
  sim.MouseUp();
  uitest::PumpFor(200);
  ASSERT_TRUE(h.WaitIdle());
  EXPECT_EQ(skifftest::Snapshot(home.Path()), before);
}

TEST(LocalPane, DeleteAsksOnceForFilesAndAFolderTreeAndNoDeletesNothing) {
  skifftest::TempDir home;
  const std::string root = home.Path() + "/";
  for (const char* name : {"f1.txt", "f2.txt", "f3.txt"}) ASSERT_TRUE(home.WriteFile(name, name));
  ASSERT_TRUE(home.WriteFile("tree/sub/deep.txt", "deep"));
  ASSERT_TRUE(home.WriteFile("tree/top.txt", "top"));
  LocalPaneHarness h(home.Path(), root);
  const auto before = skifftest::Snapshot(home.Path());

  // No at the confirmation deletes nothing.
  h.Select({"f1.txt", "f2.txt", "f3.txt", "tree"});
  {
    Answering no(wxID_NO);
    h.FocusList();
    wxUIActionSimulator().Char(WXK_DELETE);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !no.titles.empty(); }, 5000));
    ASSERT_TRUE(h.WaitIdle());
    EXPECT_EQ(no.titles, (std::vector<std::string>{"Confirm Delete"}));
  }
  EXPECT_EQ(skifftest::Snapshot(home.Path()), before);

  // Yes deletes the three files and the whole tree, asking once.
  h.Select({"f1.txt", "f2.txt", "f3.txt", "tree"});
  Answering yes(wxID_YES);
  h.FocusList();
  wxUIActionSimulator().Char(WXK_DELETE);
  ASSERT_TRUE(uitest::PumpUntil([&] { return !Exists(root + "tree"); }, 8000));
  ASSERT_TRUE(h.WaitIdle());
  EXPECT_EQ(yes.titles, (std::vector<std::string>{"Confirm Delete"}));
  EXPECT_TRUE(skifftest::NamesIn(home.Path()).empty());
  EXPECT_EQ(h.List().RowCount(), 0u);
}

TEST(LocalPane, RenameOntoAnExistingNameAsksAndNoKeepsBoth) {
  skifftest::TempDir home;
  const std::string root = home.Path() + "/";
  ASSERT_TRUE(home.WriteFile("old.txt", "old bytes"));
  ASSERT_TRUE(home.WriteFile("taken.txt", "taken bytes"));
  LocalPaneHarness h(home.Path(), root);
  h.Select({"old.txt"});
  std::vector<std::string> titles;
  uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
    titles.push_back(m.title);
    if (auto* dialog = dynamic_cast<CInputFileNameDlg*>(m.dialog)) {
      dialog->nameEdit->SetValue("taken.txt");
      dialog_test::Click(*dialog, wxID_OK);
      return wxID_NONE;
    }
    return wxID_NO;  // do not replace
  });
  h.FocusList();
  wxUIActionSimulator().Char(WXK_F2);
  ASSERT_TRUE(uitest::PumpUntil([&] { return titles.size() >= 2; }, 5000));
  ASSERT_TRUE(h.WaitIdle());
  ASSERT_GE(titles.size(), 2u);
  EXPECT_EQ(titles[0], "Input new file name");
  EXPECT_EQ(titles[1], "Confirm Replace");
  EXPECT_EQ(FileText(root + "old.txt"), "old bytes");
  EXPECT_EQ(FileText(root + "taken.txt"), "taken bytes");
}

TEST(LocalPane, AMoveAcrossFileSystemsKeepsEveryByte) {
  skifftest::TempDir home;
  const std::string root = home.Path() + "/";
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 131) % 251);
  ASSERT_TRUE(home.WriteFile("big.bin", big));
  ASSERT_TRUE(home.WriteFile("folder/inner.txt", "inner"));
  ASSERT_TRUE(home.MakeDir("target"));
  LocalPaneHarness h(home.Path(), root);
  platform::FileOpHooks hooks;
  hooks.rename = [](const std::string&, const std::string&) { return EXDEV; };
  h.pane->FileJob().SetHooks(hooks);
  h.Select({"big.bin", "folder"});
  h.DragRow("big.bin", h.RowCentre("target"));
  ASSERT_TRUE(uitest::PumpUntil([&] { return !Exists(root + "big.bin") && !Exists(root + "folder"); }, 10000));
  ASSERT_TRUE(h.WaitIdle());
  EXPECT_EQ(FileText(root + "target/big.bin"), big);
  EXPECT_EQ(FileText(root + "target/folder/inner.txt"), "inner");
}

TEST(LocalPane, LocalDownloadIsGrayedTakenAndDoesNothing) {
  skifftest::TempDir home;
  LocalPaneHarness h(home.Path(), home.Path());
  std::unique_ptr<wxMenu> menu = h.pane->ContextMenu();
  std::vector<std::string> labels;
  for (wxMenuItem* item : menu->GetMenuItems())
    labels.push_back(item->IsSeparator() ? "-" : item->GetItemLabelText().utf8_string());
  EXPECT_EQ(labels, (std::vector<std::string>{"Delete", "Refresh", "-", "Download", "Upload"}));
  EXPECT_FALSE(menu->IsEnabled(cmd::WxId(cmd::ID_LOCAL_DOWNLOAD)));
  EXPECT_TRUE(menu->IsEnabled(cmd::WxId(cmd::ID_LOCAL_UPLOAD)));
  wxCommandEvent download(wxEVT_MENU, cmd::WxId(cmd::ID_LOCAL_DOWNLOAD));
  EXPECT_TRUE(h.pane->ProcessWindowEventLocally(download));
  // Upload without a session does nothing and says nothing.
  EXPECT_EQ(h.pane->UploadSelected(), 0);
  EXPECT_EQ(h.pane->QueueSelected(), 0);
  EXPECT_TRUE(h.problems.empty());
}

}  // namespace
