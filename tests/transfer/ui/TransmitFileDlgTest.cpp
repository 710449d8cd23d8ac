// The background transmission window with real servers: the entry queued
// last on top, entries of two logins sent login by login, a refused login
// left failed, Stop all then Start, a Start while a run goes on, closing
// the window while it sends, Escape and Delete. The queue file is read back
// after each change.
#include <gtest/gtest.h>
#include <wx/stattext.h>

#include "QueueUiHarness.h"
#include "app/ui/ProgressStatusCtrl.h"
#include "res/CommandIds.h"
#include "support/ScriptedFtpServer.h"
#include "transfer/ui/TransmitFileDlg.h"

namespace {

using namespace queue_ui;

struct DialogHost {
  Host host;
  skifftest::TempDir work;
  // Stands in for the foreground session whose windows the sender uses.
  CFtpObject foreground;
  std::shared_ptr<platform::RecordingTarget> log = std::make_shared<platform::RecordingTarget>();
  CTransmitFileDlg* dialog = nullptr;
  DialogHost() {
    foreground.logWindow = log;
    host.Fill(new wxPanel(host.frame));
    dialog = new CTransmitFileDlg(host.frame, work.PathOf("BkTransmit.TWQ"));
    dialog->SetSessionSource(&foreground);
    dialog->Show();
    uitest::PumpUntil([&] { return dialog->IsShownOnScreen(); }, 3000);
  }
  ~DialogHost() {
    delete dialog;  // ends a run that is still going
    uitest::PumpFor(10);
  }
  CFileQueue& Queue() { return dialog->Queue(); }
  CJobListCtrl& List() { return *dialog->jobList; }
  std::string Local() const { return work.Path() + "/"; }
  void Command(int id) {
    wxCommandEvent event(wxEVT_MENU, cmd::WxId(id));
    dialog->GetEventHandler()->ProcessEvent(event);
  }
  bool ListShows(std::size_t rows) {
    return uitest::PumpUntil([&] { return List().RowCount() == rows && !dialog->Throttle().Pending(); },
                             kWaitMs);
  }
  bool RunEnds() {
    return uitest::PumpUntil([&] { return !dialog->IsSending(); }, kWaitMs);
  }
};

std::string Bytes(std::size_t n) { return std::string(n, 'z'); }

TEST(TransmitFileDlg, TheEntryQueuedLastIsOnTop) {
  DialogHost h;
  const SiteRecord site = Site("127.0.0.1:1", "u", "p");
  for (const char* name : {"A", "B", "C"}) h.dialog->AddEntry(Entry(site, "/", name, h.Local(), 1));
  ASSERT_TRUE(h.ListShows(3));
  EXPECT_EQ(ListNames(h.List()), (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(Names(FileEntries(h.Queue())), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(h.dialog->GetTitle(), "Background transmission queue");
  EXPECT_EQ(h.List().GetId(), 5376);
  // The list leaves the progress strip its 20 pixels at the bottom.
  const wxSize client = h.dialog->GetClientSize();
  EXPECT_EQ(h.List().GetSize().y, client.y - 20);
  EXPECT_EQ(h.dialog->progressStrip->GetPosition().y, client.y - 20);

  // A queue file left from before comes back in a new window.
  h.Queue().Flush();
  CTransmitFileDlg again(h.host.frame, h.work.PathOf("BkTransmit.TWQ"));
  EXPECT_EQ(ListNames(*again.jobList), (std::vector<std::string>{"C", "B", "A"}));

  // Delete removes the selected entries.
  SelectNames(h.List(), {"B"});
  ASSERT_TRUE(FocusRows(h.List()));
  wxUIActionSimulator().Char(WXK_DELETE);
  ASSERT_TRUE(h.ListShows(2));
  EXPECT_EQ(Names(FileEntries(h.Queue())), (std::vector<std::string>{"A", "C"}));
}

TEST(TransmitFileDlg, EntriesOfTwoLoginsAreSentLoginByLogin) {
  if (!skifftest::PyFtpdServer::Available() || !skifftest::VsftpdServer::Available())
    GTEST_SKIP() << "pyftpdlib or vsftpd is not installed";
  skifftest::PyFtpdServer py;
  skifftest::VsftpdServer vs;
  ASSERT_TRUE(py.Ok()) << py.Log();
  ASSERT_TRUE(vs.Ok()) << vs.Log();
  ASSERT_TRUE(py.WriteFile("file1", "one"));
  ASSERT_TRUE(vs.WriteFile("file2", "two"));
  ASSERT_TRUE(py.WriteFile("file3", "three"));
  DialogHost h;
  const SiteRecord l1 = Site(py.Address(), py.User(), py.Password());
  const SiteRecord l2 = Site(vs.Address());
  h.dialog->AddEntry(Entry(l1, "/", "file1", h.Local(), 3));
  h.dialog->AddEntry(Entry(l2, vs.Root(), "file2", h.Local(), 3));
  h.dialog->AddEntry(Entry(l1, "/", "file3", h.Local(), 5));
  ASSERT_TRUE(h.ListShows(3));

  h.Command(cmd::ID_BACKGROUND_SELECT_ALL);
  EXPECT_EQ(h.List().SelectedRows().size(), 3u);
  h.Command(cmd::ID_BACKGROUND_START);
  ASSERT_TRUE(h.RunEnds());
  EXPECT_EQ(h.work.ReadFile("file1"), "one");
  EXPECT_EQ(h.work.ReadFile("file2"), "two");
  EXPECT_EQ(h.work.ReadFile("file3"), "three");
  EXPECT_EQ(Commands(*h.log, "RETR"),
            (std::vector<std::string>{"RETR file1", "RETR file3", "RETR file2"}));
  EXPECT_EQ(Commands(*h.log, "USER").size(), 2u);
  EXPECT_EQ(Commands(*h.log, "QUIT").size(), 2u);
  EXPECT_TRUE(h.Queue().Entries().empty());
  EXPECT_TRUE(FileEntries(h.Queue()).empty());
  ASSERT_TRUE(h.ListShows(0));
}

TEST(TransmitFileDlg, ARefusedLoginIsLeftFailedAndTheOthersGo) {
  if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
  skifftest::PyFtpdServer py;
  ASSERT_TRUE(py.Ok()) << py.Log();
  ASSERT_TRUE(py.WriteFile("good.txt", "good"));
  DialogHost h;
  h.dialog->AddEntry(Entry(Site(py.Address(), py.User(), "wrong"), "/", "refused.txt", h.Local(), 1));
  h.dialog->AddEntry(Entry(Site(py.Address(), py.User(), py.Password()), "/", "good.txt",
                           h.Local(), 4));
  ASSERT_TRUE(h.ListShows(2));
  h.dialog->BackgroundStart();  // nothing selected: the pending entries go
  ASSERT_TRUE(h.RunEnds());
  EXPECT_EQ(h.work.ReadFile("good.txt"), "good");
  EXPECT_EQ(NameStates(h.Queue().Entries()), (std::vector<std::string>{"refused.txt:1"}));
  EXPECT_EQ(NameStates(FileEntries(h.Queue())), (std::vector<std::string>{"refused.txt:1"}));
  ASSERT_TRUE(h.ListShows(1));
  EXPECT_EQ(h.List().RowImage(0), ENTRY_FAILED);
}

TEST(TransmitFileDlg, StopAllThenStartWithAllSelected) {
  if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
  skifftest::PyFtpdServer py;
  ASSERT_TRUE(py.Ok()) << py.Log();
  DialogHost h;
  const SiteRecord site = Site(py.Address(), py.User(), py.Password());
  for (const char* name : {"x1", "x2", "x3"}) {
    ASSERT_TRUE(py.WriteFile(name, name));
    h.dialog->AddEntry(Entry(site, "/", name, h.Local(), 2));
  }
  ASSERT_TRUE(h.ListShows(3));
  h.Command(cmd::ID_BACKGROUND_STOP_ALL);  // nothing runs
  EXPECT_EQ(NameStates(FileEntries(h.Queue())),
            (std::vector<std::string>{"x1:2", "x2:2", "x3:2"}));
  for (long row = 0; row < 3; ++row) EXPECT_EQ(h.List().RowImage(row), ENTRY_STOPPED);

  // Start with nothing selected takes none of them.
  h.List().SelectNone();
  h.Command(cmd::ID_BACKGROUND_START);
  ASSERT_TRUE(h.RunEnds());
  EXPECT_EQ(h.Queue().Size(), 3u);

  h.Command(cmd::ID_BACKGROUND_SELECT_ALL);
  h.Command(cmd::ID_BACKGROUND_START);
  ASSERT_TRUE(h.RunEnds());
  EXPECT_EQ(h.work.ReadFile("x1"), "x1");
  EXPECT_EQ(h.work.ReadFile("x3"), "x3");
  EXPECT_TRUE(FileEntries(h.Queue()).empty());
}

TEST(TransmitFileDlg, ClosingTheWindowWhileItSendsKeepsSending) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/big.bin", Bytes(200 * 1024));
  skifftest::DataOptions slow;
  slow.chunkSize = 4096;
  slow.chunkDelayMs = 20;
  server.SetDataOptions(slow);
  DialogHost h;
  const SiteRecord site = Site(server.Address(), "u", "p");
  h.dialog->AddEntry(Entry(site, "/", "kept.txt", h.Local(), 1, ENTRY_STOPPED));
  h.dialog->AddEntry(Entry(site, "/", "big.bin", h.Local(), 200 * 1024));
  h.dialog->BackgroundStart();
  ASSERT_TRUE(uitest::PumpUntil([&] { return StateIn(h.Queue(), "big.bin") == ENTRY_RUNNING; },
                                kWaitMs));
  // The strip names the file being sent.
  ASSERT_TRUE(uitest::PumpUntil(
      [&] { return h.dialog->progressStrip->statusText()->GetLabel().Contains("big.bin"); },
      kWaitMs));

  EXPECT_FALSE(h.dialog->Close());  // the close box: refused, the window hides
  uitest::PumpFor(20);
  EXPECT_FALSE(h.dialog->IsShown());
  EXPECT_TRUE(h.dialog->IsSending());
  ASSERT_TRUE(h.RunEnds());
  EXPECT_EQ(h.work.ReadFile("big.bin").size(), 200u * 1024);
  // Reopened, it shows the queue as it is now.
  h.dialog->Show();
  ASSERT_TRUE(h.ListShows(1));
  EXPECT_EQ(ListNames(h.List()), (std::vector<std::string>{"kept.txt"}));
  EXPECT_EQ(NameStates(FileEntries(h.Queue())), (std::vector<std::string>{"kept.txt:2"}));

  // Escape hides it too.
  uitest::PumpUntil([&] { return h.dialog->IsShownOnScreen(); }, 3000);
  ASSERT_TRUE(FocusRows(h.List()));
  wxUIActionSimulator().Char(WXK_ESCAPE);
  EXPECT_TRUE(uitest::PumpUntil([&] { return !h.dialog->IsShown(); }, 3000));
}

TEST(TransmitFileDlg, AStartWhileARunGoesOnAddsToThatRun) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/big.bin", Bytes(200 * 1024));
  server.AddFile("/late.txt", "late");
  skifftest::DataOptions slow;
  slow.chunkSize = 4096;
  slow.chunkDelayMs = 20;
  server.SetDataOptions(slow);
  DialogHost h;
  const SiteRecord site = Site(server.Address(), "u", "p");
  h.dialog->AddEntry(Entry(site, "/", "late.txt", h.Local(), 4, ENTRY_STOPPED));
  h.dialog->AddEntry(Entry(site, "/", "big.bin", h.Local(), 200 * 1024));
  h.dialog->BackgroundStart();
  ASSERT_TRUE(uitest::PumpUntil([&] { return StateIn(h.Queue(), "big.bin") == ENTRY_RUNNING; },
                                kWaitMs));
  ASSERT_TRUE(h.ListShows(2));
  SelectNames(h.List(), {"late.txt"});
  h.dialog->BackgroundStart();
  EXPECT_EQ(StateIn(h.Queue(), "late.txt"), ENTRY_PENDING);
  ASSERT_TRUE(h.RunEnds());
  EXPECT_EQ(h.work.ReadFile("late.txt"), "late");
  EXPECT_EQ(server.ConnectionCount(), 1);  // one login served both
  EXPECT_TRUE(FileEntries(h.Queue()).empty());
}

TEST(TransmitFileDlg, StopSelectedCutsTheRunningTransferShort) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/big.bin", Bytes(400 * 1024));
  server.AddFile("/next.txt", "next");
  skifftest::DataOptions slow;
  slow.chunkSize = 4096;
  slow.chunkDelayMs = 25;
  server.SetDataOptions(slow);
  DialogHost h;
  const SiteRecord site = Site(server.Address(), "u", "p");
  h.dialog->AddEntry(Entry(site, "/", "big.bin", h.Local(), 400 * 1024));
  h.dialog->AddEntry(Entry(site, "/", "next.txt", h.Local(), 4));
  h.dialog->BackgroundStart();
  ASSERT_TRUE(uitest::PumpUntil([&] { return StateIn(h.Queue(), "big.bin") == ENTRY_RUNNING; },
                                kWaitMs));
  h.dialog->Rebuild();
  SelectNames(h.List(), {"big.bin"});
  h.Command(cmd::ID_BACKGROUND_STOP_SELECTED);
  ASSERT_TRUE(h.RunEnds());
  EXPECT_LT(h.work.ReadFile("big.bin").size(), 400u * 1024);
  // The stopped entry stays, stopped, to be started again; the other entry
  // of the login is still sent.
  EXPECT_EQ(h.work.ReadFile("next.txt"), "next");
  EXPECT_EQ(NameStates(FileEntries(h.Queue())), (std::vector<std::string>{"big.bin:2"}));
  ASSERT_TRUE(h.ListShows(1));
  EXPECT_EQ(h.List().RowImage(0), ENTRY_STOPPED);
}

TEST(TransmitFileDlg, StopSelectedOfAWaitingEntryLeavesTheRunningOneAlone) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/big.bin", Bytes(160 * 1024));
  server.AddFile("/wait.txt", "wait");
  skifftest::DataOptions slow;
  slow.chunkSize = 4096;
  slow.chunkDelayMs = 20;
  server.SetDataOptions(slow);
  DialogHost h;
  const SiteRecord site = Site(server.Address(), "u", "p");
  h.dialog->AddEntry(Entry(site, "/", "big.bin", h.Local(), 160 * 1024));
  h.dialog->AddEntry(Entry(site, "/", "wait.txt", h.Local(), 4));
  h.dialog->BackgroundStart();
  ASSERT_TRUE(uitest::PumpUntil([&] { return StateIn(h.Queue(), "big.bin") == ENTRY_RUNNING; },
                                kWaitMs));
  h.dialog->Rebuild();
  SelectNames(h.List(), {"wait.txt"});
  h.Command(cmd::ID_BACKGROUND_STOP_SELECTED);
  EXPECT_EQ(StateIn(h.Queue(), "wait.txt"), ENTRY_STOPPED);
  ASSERT_TRUE(h.RunEnds());
  EXPECT_EQ(h.work.ReadFile("big.bin").size(), 160u * 1024);
  EXPECT_EQ(h.work.ReadFile("wait.txt"), "");
  EXPECT_EQ(server.CountCommands("ABOR"), 0u);
  EXPECT_EQ(NameStates(FileEntries(h.Queue())), (std::vector<std::string>{"wait.txt:2"}));
}

TEST(TransmitFileDlg, ABurstOfEntriesGoesInOverSeveralTurns) {
  DialogHost h;
  const SiteRecord site = Site("127.0.0.1:1", "u", "p");
  for (int i = 0; i < 3000; ++i)
    h.dialog->AddEntry(Entry(site, "/", "f" + std::to_string(i), h.Local(), i));
  EXPECT_EQ(h.dialog->PendingAdds(), 3000u);  // nothing done inside the pane's loop
  // Stop all while they go in: they all arrive stopped.
  uitest::PumpFor(5);
  h.Command(cmd::ID_BACKGROUND_STOP_ALL);
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.dialog->PendingAdds() == 0; }, kWaitMs));
  ASSERT_TRUE(h.ListShows(3000));
  EXPECT_EQ(ListNames(h.List()).front(), "f2999");
  const std::vector<TransferEntry> saved = FileEntries(h.Queue());
  ASSERT_EQ(saved.size(), 3000u);
  for (const TransferEntry& e : saved) ASSERT_EQ(e.state, ENTRY_STOPPED) << e.remoteName;
  EXPECT_LT(h.dialog->Throttle().Rebuilds() * 20, 3000u);
}

TEST(TransmitFileDlg, AStartWhileEntriesGoInWaitsForThemAll) {
  skifftest::ScriptedFtpServer server;
  DialogHost h;
  const SiteRecord site = Site(server.Address(), "u", "p");
  for (int i = 0; i < 40; ++i) {
    const std::string name = "n" + std::to_string(i);
    server.AddFile("/" + name, name);
    h.dialog->AddEntry(Entry(site, "/", name, h.Local(), static_cast<std::int64_t>(name.size())));
  }
  h.dialog->BackgroundStart();
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.dialog->IsSending(); }, kWaitMs));
  ASSERT_TRUE(h.RunEnds());
  EXPECT_EQ(h.work.ReadFile("n0"), "n0");
  EXPECT_EQ(h.work.ReadFile("n39"), "n39");
  EXPECT_EQ(server.ConnectionCount(), 1);
  EXPECT_TRUE(FileEntries(h.Queue()).empty());

  // Entries still going in when the window goes reach the queue file.
  {
    CTransmitFileDlg* other = new CTransmitFileDlg(h.host.frame, h.work.PathOf("other.TWQ"));
    other->AddEntry(Entry(site, "/", "late", h.Local(), 1));
    delete other;
  }
  std::vector<std::string> names;
  ReadQueueFile(h.work.PathOf("other.TWQ"), [&](const TransferEntry& e) { names.push_back(FieldText(e.remoteName)); });
  EXPECT_EQ(names, (std::vector<std::string>{"late"}));
}

}  // namespace
