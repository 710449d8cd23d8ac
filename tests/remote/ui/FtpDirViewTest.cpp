// The remote pane against the scripted server, where the exact commands
// matter: the path history and box, going up with and without a stored
// parent, renaming, a pane disabled while busy, and a server that goes away.
#include <gtest/gtest.h>
#include <wx/menu.h>

#include <algorithm>

#include "RemotePaneHarness.h"
#include "local/ui/InputFileNameDlg.h"
#include "res/CommandIds.h"
#include "sites/FixedText.h"
#include "support/ScriptedFtpServer.h"
#include "transfer/ui/ModalDriver.h"

namespace {

std::string PatternBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xff);
  return bytes;
}

void MakeTree(skifftest::ScriptedFtpServer& server) {
  server.AddFile("/pub/readme.txt", "read me\n");
  server.AddFile("/pub/linux/kernel.tar", "kernel");
}

std::string Commands(skifftest::ScriptedFtpServer& server) {
  std::string all;
  for (const std::string& line : server.CommandLines()) all += line + "\n";
  return all;
}

void PickInBox(CFtpDirView& pane, const std::string& path) {
  const auto& paths = pane.pathBox->Paths();
  const auto at = std::find(paths.begin(), paths.end(), path);
  ASSERT_NE(at, paths.end()) << path;
  pane.pathBox->SetSelection(static_cast<int>(at - paths.begin()));
  wxCommandEvent picked(wxEVT_COMBOBOX, pane.pathBox->GetId());
  picked.SetEventObject(pane.pathBox);
  picked.SetInt(pane.pathBox->GetSelection());
  pane.pathBox->GetEventHandler()->ProcessEvent(picked);
}

TEST(RemotePane, VisitedDirectoriesAreStoredAndShownAgainWithoutANewListing) {
  skifftest::ScriptedFtpServer server;
  MakeTree(server);
  RemotePaneHarness h;
  ASSERT_TRUE(h.ConnectAndList(RemotePaneHarness::Site(server.Address(), "bob", "secret", "/pub")))
      << h.LogText();
  EXPECT_EQ(h.RowNames(), (std::vector<std::string>{"linux", "readme.txt"}));
  EXPECT_EQ(h.pane->pathBox->Paths(), (std::vector<std::string>{"/pub"}));
  EXPECT_EQ(h.queueShownCalls, 1);  // the queue view shows the login's queue

  // Enter on a folder: CWD with the full path, then its listing.
  h.Select({"linux"});
  h.Key(WXK_RETURN);
  ASSERT_TRUE(h.WaitForRow("kernel.tar")) << h.LogText();
  EXPECT_TRUE(server.WaitForCommand("CWD /pub/linux", 2000));
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.Idle(); }, 5000));
  EXPECT_EQ(h.pane->pathBox->Paths(), (std::vector<std::string>{"/pub/linux", "/pub"}));
  EXPECT_EQ(h.pane->pathBox->GetSelectedText(), "/pub/linux");

  // Backspace: CDUP, and the stored listing of /pub without a LIST.
  const std::size_t lists = server.CountCommands("LIST");
  const std::size_t pwds = server.CountCommands("PWD");
  h.Key(WXK_BACK);
  ASSERT_TRUE(h.WaitForRow("readme.txt", true, 2000));
  EXPECT_TRUE(server.WaitForCommand("CDUP", 3000));
  EXPECT_TRUE(server.WaitForCommandCount("PWD", pwds + 1, 3000));
  uitest::PumpFor(200);
  EXPECT_EQ(server.CountCommands("LIST"), lists) << Commands(server);
  EXPECT_EQ(h.pane->pathBox->GetSelectedText(), "/pub");

  // A second listing of /pub replaces the stored one; no new entry.
  server.AddFile("/pub/new.txt", "new");
  h.Key(WXK_F5);
  ASSERT_TRUE(h.WaitForRow("new.txt")) << h.LogText();
  ASSERT_EQ(h.pane->History().Count(), 2u);
  const CHistoryQueue::HistoryNode* pub = h.pane->History().FindPath("/pub");
  ASSERT_NE(pub, nullptr);
  EXPECT_EQ(pub->cachedListing->size(), 3u);
  EXPECT_EQ(h.pane->pathBox->Paths(), (std::vector<std::string>{"/pub/linux", "/pub"}));

  // Into linux again (stored), then /pub picked in the box: CWD is sent,
  // the stored listing shown, no LIST.
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.Idle(); }, 5000));
  const std::size_t listsBefore = server.CountCommands("LIST");
  h.Select({"linux"});
  h.Key(WXK_RETURN);
  ASSERT_TRUE(h.WaitForRow("kernel.tar", true, 2000));
  ASSERT_TRUE(server.WaitForCommandCount("CWD /pub/linux", 2, 3000));
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.Idle(); }, 5000));
  const std::size_t cwds = server.CountCommands("CWD /pub");
  PickInBox(*h.pane, "/pub");
  ASSERT_TRUE(h.WaitForRow("new.txt", true, 2000));
  EXPECT_TRUE(server.WaitForCommandCount("CWD /pub", cwds + 1, 3000));
  uitest::PumpFor(200);
  EXPECT_EQ(server.CountCommands("LIST"), listsBefore);
  EXPECT_EQ(h.session.CurrentDir(), "/pub");

  // A disconnect empties the box, the store and the list.
  h.pane->Disconnect();
  EXPECT_EQ(h.pane->pathBox->GetCount(), 0u);
  EXPECT_EQ(h.pane->History().Count(), 0u);
  EXPECT_EQ(h.List().GetItemCount(), 0);
  EXPECT_TRUE(h.pane->ControlsEnabled());
  EXPECT_FALSE(h.session.IsLoggedIn());
}

TEST(RemotePane, BackspaceWithoutAStoredParentAsksForAListing) {
  skifftest::ScriptedFtpServer server;
  MakeTree(server);
  RemotePaneHarness h;
  ASSERT_TRUE(h.ConnectAndList(
      RemotePaneHarness::Site(server.Address(), "bob", "secret", "/pub/linux/")))
      << h.LogText();
  EXPECT_EQ(h.RowNames(), (std::vector<std::string>{"kernel.tar"}));
  const std::size_t lists = server.CountCommands("LIST");
  h.Key(WXK_BACK);
  EXPECT_TRUE(server.WaitForCommand("CDUP", 3000));
  EXPECT_TRUE(server.WaitForCommandCount("LIST", lists + 1, 3000));
  ASSERT_TRUE(h.WaitForRow("readme.txt")) << h.LogText();
  EXPECT_EQ(h.pane->pathBox->Paths(), (std::vector<std::string>{"/pub", "/pub/linux"}));
  // The up button does the same from /pub: the root is listed.
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.Idle(); }, 5000));
  wxCommandEvent click(wxEVT_BUTTON, CFtpDirView::kUpButtonId);
  click.SetEventObject(h.pane->upButton);
  h.pane->upButton->GetEventHandler()->ProcessEvent(click);
  ASSERT_TRUE(h.WaitForRow("pub")) << h.LogText();
  EXPECT_EQ(h.pane->pathBox->Paths().front(), "/");
}

TEST(RemotePane, F2AndOkRenamesWithFullPathsAndTheListShowsTheNewName) {
  skifftest::ScriptedFtpServer server;
  MakeTree(server);
  RemotePaneHarness h;
  ASSERT_TRUE(h.ConnectAndList(RemotePaneHarness::Site(server.Address(), "bob", "secret", "/pub")));
  h.Select({"readme.txt"});
  std::vector<std::string> shown;
  {
    uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
      auto* dialog = dynamic_cast<CInputFileNameDlg*>(m.dialog);
      if (!dialog) return wxID_CANCEL;
      shown.push_back(dialog->nameEdit->GetValue().utf8_string());
      dialog->nameEdit->SetValue("notes.txt");
      dialog_test::Click(*dialog, wxID_OK);
      return wxID_NONE;
    });
    h.Key(WXK_F2);
    ASSERT_TRUE(server.WaitForCommand("RNTO", 5000)) << h.LogText();
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"readme.txt"}));
  EXPECT_EQ(server.Lines("RNFR"), (std::vector<std::string>{"RNFR /pub/readme.txt"}));
  EXPECT_EQ(server.Lines("RNTO"), (std::vector<std::string>{"RNTO /pub/notes.txt"}));
  ASSERT_TRUE(h.WaitForRow("notes.txt")) << h.LogText();
  EXPECT_EQ(h.List().RowOfName("readme.txt"), -1);

  // A name with a separator is refused with a line, nothing is sent.
  h.Select({"notes.txt"});
  {
    uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
      auto* dialog = dynamic_cast<CInputFileNameDlg*>(m.dialog);
      if (!dialog) return wxID_CANCEL;
      dialog->nameEdit->SetValue("../escape");
      dialog_test::Click(*dialog, wxID_OK);
      return wxID_NONE;
    });
    EXPECT_EQ(h.pane->RenameSelected(), 1);
  }
  EXPECT_EQ(server.CountCommands("RNFR"), 1u);
  ASSERT_FALSE(h.problems.empty());
  EXPECT_NE(h.problems.back().find("../escape"), std::string::npos);
}

TEST(RemotePane, TheBusySessionDisablesThePaneDuringADownload) {
  skifftest::ScriptedFtpServer server;
  const std::string big = PatternBytes(20 * 1024 * 1024);
  server.AddFile("/pub/big.bin", big);
  RemotePaneHarness h;
  ASSERT_TRUE(h.ConnectAndList(RemotePaneHarness::Site(server.Address(), "bob", "secret", "/pub")));
  skifftest::DataOptions slow;
  slow.chunkSize = 1024 * 1024;
  slow.chunkDelayMs = 40;
  server.SetDataOptions(slow);
  h.DoubleClick("big.bin");
  ASSERT_TRUE(uitest::PumpUntil([&] { return !h.pane->ControlsEnabled(); }, 5000)) << h.LogText();
  EXPECT_FALSE(h.pane->pathBox->IsEnabled());
  EXPECT_FALSE(h.pane->upButton->IsEnabled());
  EXPECT_FALSE(h.List().IsEnabled());
  ASSERT_EQ(h.session.transferQueue.Entries().size(), 1u);
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.Idle(); }, 30000)) << h.LogText();
  EXPECT_TRUE(h.local.ReadFile("big.bin") == big);
}

TEST(RemotePane, AServerThatGoesAwayWhileBusyLeavesALineAnEnabledPaneAndTheEntry) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/pub/big.bin", std::string(4 * 1024 * 1024, 'b'));
  RemotePaneHarness h;
  ASSERT_TRUE(h.ConnectAndList(RemotePaneHarness::Site(server.Address(), "bob", "secret", "/pub")));
  skifftest::DataOptions slow;
  slow.chunkSize = 64 * 1024;
  slow.chunkDelayMs = 50;
  server.SetDataOptions(slow);
  h.Select({"big.bin"});
  EXPECT_EQ(h.pane->DownloadSelected(), 1);
  ASSERT_TRUE(uitest::PumpUntil([&] { return !h.pane->ControlsEnabled(); }, 5000));
  ASSERT_TRUE(server.WaitForCommand("RETR", 5000));
  server.DropConnections();
  auto entryState = [&] {
    const std::vector<TransferEntry> entries = h.session.transferQueue.Entries();
    return entries.size() == 1 ? entries[0].state : -1;
  };
  ASSERT_TRUE(uitest::PumpUntil(
      [&] { return h.pane->ControlsEnabled() && entryState() != ENTRY_RUNNING; }, 20000))
      << h.LogText();
  // The entry is still queued, failed, ready for a later run; the log says why.
  EXPECT_EQ(entryState(), ENTRY_FAILED);
  EXPECT_NE(h.LogText().find("Failed: /pub/big.bin"), std::string::npos) << h.LogText();
}

TEST(RemotePane, OpenDeleteRenameAndDownloadDoNothingWhileLoggedOut) {
  RemotePaneHarness h;
  h.pane->FillList(std::make_shared<RemoteListing>(RemoteListing(1)));
  h.List().SelectAllRows();
  EXPECT_EQ(h.pane->OpenSelected(), 0);
  EXPECT_EQ(h.pane->DeleteSelected(), 0);
  EXPECT_EQ(h.pane->RenameSelected(), 0);
  EXPECT_EQ(h.pane->DownloadSelected(), 0);
  EXPECT_EQ(h.pane->NewFolder(), 0);
  h.pane->GoUp();
  h.pane->RefreshList();
  EXPECT_TRUE(h.session.transferQueue.Entries().empty());
  EXPECT_TRUE(h.session.deleteQueue.IsEmpty());
}

TEST(RemotePane, TheContextMenuIsTheRemoteMenuWithUploadGrayed) {
  RemotePaneHarness h;
  std::unique_ptr<wxMenu> menu = h.pane->ContextMenu();
  std::vector<std::string> labels;
  for (wxMenuItem* item : menu->GetMenuItems())
    labels.push_back(item->IsSeparator() ? "-" : item->GetItemLabelText().utf8_string());
  EXPECT_EQ(labels, (std::vector<std::string>{"New folder", "Delete", "Refresh", "-", "Download",
                                              "Upload", "Cancels the current operation", "-",
                                              "Edit"}));
  EXPECT_FALSE(menu->IsEnabled(cmd::WxId(cmd::ID_REMOTE_UPLOAD)));
  EXPECT_TRUE(menu->IsEnabled(cmd::WxId(cmd::ID_REMOTE_DOWNLOAD)));
}

}  // namespace

namespace {

TEST(RemotePaneEntries, BackgroundQueueGetsTheSelectedRowsAndPathsTooLongAreRefused) {
  skifftest::ScriptedFtpServer server;
  MakeTree(server);
  server.AddFile("/pub/second.txt", "2");
  RemotePaneHarness h;
  ASSERT_TRUE(h.ConnectAndList(RemotePaneHarness::Site(server.Address(), "bob", "secret", "/pub")));
  std::vector<TransferEntry> background;
  h.pane->SetBackgroundQueue([&](const TransferEntry& e) { background.push_back(e); });
  h.Select({"readme.txt", "linux"});
  EXPECT_EQ(h.pane->QueueSelectedBackground(), 1);
  ASSERT_EQ(background.size(), 2u);
  EXPECT_EQ(FieldText(background[0].remoteName), "linux");
  EXPECT_EQ(background[0].isFolder, 1);
  EXPECT_EQ(FieldText(background[1].remoteName), "readme.txt");
  EXPECT_EQ(FieldText(background[1].remoteDir), "/pub");
  EXPECT_EQ(FieldText(background[1].localDir), h.local.Path() + "/");
  EXPECT_EQ(background[1].fileSize, 8);
  EXPECT_TRUE(h.session.transferQueue.Entries().empty());  // not the foreground queue

  // A local folder longer than an entry holds: refused with a line, never cut.
  const std::string deep = "/" + std::string(300, 'd') + "/";
  h.document.localFolder = deep;
  background.clear();
  h.problems.clear();
  h.Select({"readme.txt"});
  EXPECT_EQ(h.pane->DownloadSelected(), 1);
  EXPECT_EQ(h.pane->QueueSelectedBackground(), 1);
  EXPECT_EQ(h.pane->DownloadEntryRow(h.List().RowOfName("readme.txt")), 0);
  EXPECT_TRUE(background.empty());
  EXPECT_TRUE(h.session.transferQueue.Entries().empty());
  ASSERT_EQ(h.problems.size(), 3u);
  EXPECT_NE(h.problems[0].find("Not queued"), std::string::npos);
  // A deletion needs no local folder: it still goes.
  EXPECT_EQ(h.pane->DeleteSelected(), 1);
  EXPECT_TRUE(server.WaitForCommand("DELE readme.txt", 5000)) << h.LogText();
  EXPECT_TRUE(h.WaitForRow("readme.txt", false)) << h.LogText();
}

TEST(RemotePaneEntries, AQueueChangeAsksForANewListing) {
  skifftest::ScriptedFtpServer server;
  MakeTree(server);
  RemotePaneHarness h;
  ASSERT_TRUE(h.ConnectAndList(RemotePaneHarness::Site(server.Address(), "bob", "secret", "/pub")));
  const std::size_t lists = server.CountCommands("LIST");
  h.pane->Target()->Post(platform::MakeMessage(msg::WM_QUEUE_CHANGED));
  EXPECT_TRUE(uitest::PumpUntil([&] { return server.CountCommands("LIST") == lists + 1; }, 5000));
}

}  // namespace
