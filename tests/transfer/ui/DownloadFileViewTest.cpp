// The transfer queue view with a real foreground session: Delete with a
// running entry among the selected ones, Start with and without a
// selection, Stop, a server that disappears mid-transfer, the context menu,
// select-all, and a burst of queue changes costing few rebuilds. The queue
// file is read back after each change.
#include <gtest/gtest.h>

#include <thread>

#include "QueueUiHarness.h"
#include "res/CommandIds.h"
#include "support/ScriptedFtpServer.h"
#include "transfer/ui/DownloadFileView.h"

namespace {

using namespace queue_ui;

struct ViewHost {
  Host host;
  skifftest::TempDir work;  // the queue file and the downloads
  Session s;
  CDownloadFileView* view = nullptr;
  ViewHost() {
    view = new CDownloadFileView(host.frame);
    host.Fill(view);
    s.session.transferQueue.SetFile(work.PathOf("login.TWQ"));
    view->SetSession(&s.session);
    s.session.queueWindow = view->Target();
    view->ShowQueue(&s.session.transferQueue);
  }
  CFileQueue& Queue() { return s.session.transferQueue; }
  CJobListCtrl& List() { return *view->jobList; }
  std::string Local() const { return work.Path() + "/"; }
  void Command(int id) {
    wxCommandEvent event(wxEVT_MENU, cmd::WxId(id));
    view->GetEventHandler()->ProcessEvent(event);
  }
  // Waits until the list shows `state` for `name`.
  bool ShowsState(const std::string& name, std::int32_t state) {
    return uitest::PumpUntil(
        [&] {
          const long row = List().RowOfName(name.c_str());
          return row >= 0 && List().RowImage(row) == state;
        },
        kWaitMs);
  }
};

std::string Bytes(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

// Sends files slowly enough that a test sees them running.
void SlowTransfers(skifftest::ScriptedFtpServer& server) {
  skifftest::DataOptions slow;
  slow.chunkSize = 4096;
  slow.chunkDelayMs = 25;
  server.SetDataOptions(slow);
}

TEST(DownloadFileView, DeleteOfThreeRowsWithOneRunningLetsThatTransferFinish) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/big.bin", Bytes(160 * 1024));  // about a second
  SlowTransfers(server);
  ViewHost h;
  const SiteRecord site = Site(server.Address(), "u", "p");
  ASSERT_TRUE(h.s.LogIn(site));
  h.Queue().Add(Entry(site, "/", "stopped.txt", h.Local(), 1, ENTRY_STOPPED));
  h.Queue().Add(Entry(site, "/", "failed.txt", h.Local(), 2, ENTRY_FAILED));
  TransferEntry big = Entry(site, "/", "big.bin", h.Local(), 160 * 1024);
  ASSERT_EQ(h.s.session.QueueTransfer(big), 1);
  ASSERT_TRUE(h.ShowsState("big.bin", ENTRY_RUNNING));
  EXPECT_EQ(ListNames(h.List()), (std::vector<std::string>{"stopped.txt", "failed.txt", "big.bin"}));

  h.List().SelectAll();
  ASSERT_TRUE(FocusRows(h.List()));
  wxUIActionSimulator().Char(WXK_DELETE);
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.Queue().Entries().empty(); }, kWaitMs));
  EXPECT_TRUE(FileEntries(h.Queue()).empty());
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.List().RowCount() == 0; }, kWaitMs));

  // The running transfer was not stopped: the whole file arrives.
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.work.ReadFile("big.bin").size() == 160 * 1024; },
                                kWaitMs));
  EXPECT_EQ(server.CountCommands("ABOR"), 0u);
  uitest::PumpFor(200);
  EXPECT_TRUE(h.Queue().Entries().empty());
  EXPECT_EQ(h.List().RowCount(), 0u);
}

TEST(DownloadFileView, StartWithoutASelectionRunsOnlyThePendingEntries) {
  if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
  skifftest::PyFtpdServer server;
  ASSERT_TRUE(server.Ok()) << server.Log();
  ASSERT_TRUE(server.WriteFile("pending.txt", "P"));
  ASSERT_TRUE(server.WriteFile("failed.txt", "FF"));
  ASSERT_TRUE(server.WriteFile("stopped.txt", "SSS"));
  ViewHost h;
  ASSERT_TRUE(h.s.LogIn(Site(server.Address(), server.User(), server.Password())));
  const SiteRecord site = h.s.session.Site();
  const std::string dir = h.s.session.CurrentDir();
  h.Queue().Add(Entry(site, dir, "failed.txt", h.Local(), 2, ENTRY_FAILED));
  h.Queue().Add(Entry(site, dir, "pending.txt", h.Local(), 1, ENTRY_PENDING));
  h.Queue().Add(Entry(site, dir, "stopped.txt", h.Local(), 3, ENTRY_STOPPED));
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.List().RowCount() == 3; }, kWaitMs));
  EXPECT_EQ(NameStates(FileEntries(h.Queue())),
            (std::vector<std::string>{"failed.txt:1", "pending.txt:0", "stopped.txt:2"}));

  h.List().SelectNone();
  h.Command(cmd::ID_FOREGROUND_START);
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.work.ReadFile("pending.txt") == "P"; }, kWaitMs));
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.Queue().Size() == 2; }, kWaitMs));
  EXPECT_EQ(NameStates(h.Queue().Entries()),
            (std::vector<std::string>{"failed.txt:1", "stopped.txt:2"}));
  EXPECT_EQ(NameStates(FileEntries(h.Queue())),
            (std::vector<std::string>{"failed.txt:1", "stopped.txt:2"}));
  EXPECT_EQ(h.work.ReadFile("failed.txt"), "");
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.List().RowCount() == 2; }, kWaitMs));

  // Selected, the failed and the stopped entry are taken again.
  SelectNames(h.List(), {"failed.txt", "stopped.txt"});
  h.Command(cmd::ID_FOREGROUND_START);
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.Queue().Entries().empty(); }, kWaitMs));
  EXPECT_EQ(h.work.ReadFile("failed.txt"), "FF");
  EXPECT_EQ(h.work.ReadFile("stopped.txt"), "SSS");
  EXPECT_TRUE(FileEntries(h.Queue()).empty());
}

TEST(DownloadFileView, StopMarksTheRunningEntryStoppedAndKeepsIt) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/slow.bin", Bytes(400 * 1024));
  SlowTransfers(server);
  ViewHost h;
  const SiteRecord site = Site(server.Address(), "u", "p");
  ASSERT_TRUE(h.s.LogIn(site));
  TransferEntry slow = Entry(site, "/", "slow.bin", h.Local(), 400 * 1024);
  ASSERT_EQ(h.s.session.QueueTransfer(slow), 1);
  ASSERT_TRUE(h.ShowsState("slow.bin", ENTRY_RUNNING));

  SelectNames(h.List(), {"slow.bin"});
  h.Command(cmd::ID_FOREGROUND_STOP);
  EXPECT_EQ(StateIn(h.Queue(), "slow.bin"), ENTRY_STOPPED);
  // The transfer is cut short, and the entry stays stopped after the run.
  ASSERT_TRUE(uitest::PumpUntil([&] { return server.CountCommands("ABOR") >= 1; }, kWaitMs));
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.s.session.CancelInFlight() == false; }, kWaitMs));
  uitest::PumpFor(300);
  EXPECT_EQ(StateIn(h.Queue(), "slow.bin"), ENTRY_STOPPED);
  EXPECT_EQ(NameStates(FileEntries(h.Queue())), (std::vector<std::string>{"slow.bin:2"}));
  EXPECT_TRUE(h.ShowsState("slow.bin", ENTRY_STOPPED));
  EXPECT_LT(h.work.ReadFile("slow.bin").size(), 400u * 1024);
}

TEST(DownloadFileView, AServerThatDisappearsMidTransferLeavesItsEntriesFailed) {
  auto server = std::make_unique<skifftest::ScriptedFtpServer>();
  server->AddFile("/one.bin", Bytes(400 * 1024));
  server->AddFile("/two.bin", "two");
  SlowTransfers(*server);
  ViewHost h;
  const SiteRecord site = Site(server->Address(), "u", "p");
  ASSERT_TRUE(h.s.LogIn(site));
  h.Queue().Add(Entry(site, "/", "one.bin", h.Local(), 400 * 1024));
  h.Queue().Add(Entry(site, "/", "two.bin", h.Local(), 3));
  h.Command(cmd::ID_FOREGROUND_START);
  ASSERT_TRUE(h.ShowsState("one.bin", ENTRY_RUNNING));

  server.reset();  // every connection goes at once
  ASSERT_TRUE(uitest::PumpUntil(
      [&] {
        return StateIn(h.Queue(), "one.bin") == ENTRY_FAILED &&
               StateIn(h.Queue(), "two.bin") != ENTRY_RUNNING;
      },
      kWaitMs));
  uitest::PumpFor(300);
  // Nothing is lost: both entries are still queued and in the file.
  EXPECT_EQ(Names(h.Queue().Entries()), (std::vector<std::string>{"one.bin", "two.bin"}));
  EXPECT_EQ(Names(FileEntries(h.Queue())), (std::vector<std::string>{"one.bin", "two.bin"}));
  EXPECT_TRUE(h.ShowsState("one.bin", ENTRY_FAILED));
}

TEST(DownloadFileView, ContextMenuAndSelectAll) {
  ViewHost h;
  const SiteRecord site = Site("127.0.0.1:1", "u", "p");
  for (const char* name : {"a", "b", "c"}) h.Queue().Add(Entry(site, "/", name, h.Local(), 1));
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.List().RowCount() == 3; }, kWaitMs));
  std::vector<std::vector<int>> shown;
  h.view->SetMenuShower([&](wxMenu& menu) {
    std::vector<int> ids;
    for (wxMenuItem* item : menu.GetMenuItems()) ids.push_back(cmd::CommandOfWxId(item->GetId()));
    shown.push_back(ids);
  });
  ASSERT_TRUE(FocusRows(h.List()));
  wxUIActionSimulator sim;
  sim.MouseMove(RowCentre(h.List(), 2));
  uitest::PumpFor(50);
  sim.MouseClick(wxMOUSE_BTN_RIGHT);
  ASSERT_TRUE(uitest::PumpUntil([&] { return shown.size() == 1; }, 3000));
  EXPECT_EQ(shown[0], (std::vector<int>{cmd::ID_FOREGROUND_START, cmd::ID_FOREGROUND_STOP}));

  h.Command(cmd::ID_SELECT_ALL);
  EXPECT_EQ(h.List().SelectedRows().size(), 3u);
  // Without a session, Stop only marks the rows.
  h.view->SetSession(nullptr);
  h.Command(cmd::ID_FOREGROUND_STOP);
  EXPECT_EQ(NameStates(FileEntries(h.Queue())),
            (std::vector<std::string>{"a:2", "b:2", "c:2"}));
  // Delete of rows whose entries have gone meanwhile changes nothing else.
  h.Queue().Clear();
  h.view->RemoveSelected();
  EXPECT_EQ(h.List().RowCount(), 0u);
}

TEST(DownloadFileView, ABurstOfChangesCostsFewRebuilds) {
  ViewHost h;
  const SiteRecord site = Site("127.0.0.1:1", "u", "p");
  const std::size_t before = h.view->Throttle().Rebuilds();
  std::thread worker([&] {
    for (int i = 0; i < 3000; ++i)
      h.Queue().Add(Entry(site, "/", "f" + std::to_string(i), h.Local(), i));
    for (int i = 0; i < 3000; i += 3)
      h.Queue().SetState(ENTRY_RUNNING, Entry(site, "/", "f" + std::to_string(i), h.Local(), i));
  });
  while (worker.joinable()) {
    uitest::PumpFor(5);
    if (h.Queue().Size() == 3000 && StateIn(h.Queue(), "f2997") == ENTRY_RUNNING) worker.join();
  }
  ASSERT_TRUE(uitest::PumpUntil(
      [&] {
        return h.List().RowCount() == 3000 && h.List().RowImage(2997) == ENTRY_RUNNING &&
               !h.view->Throttle().Pending();
      },
      kWaitMs));
  const std::size_t rebuilds = h.view->Throttle().Rebuilds() - before;
  EXPECT_GE(h.view->Throttle().Notices(), 4000u);
  EXPECT_LT(rebuilds * 20, h.view->Throttle().Notices()) << rebuilds << " rebuilds";
  EXPECT_EQ(FileEntries(h.Queue()).size(), 3000u);

  // Commands on every row make their changes over a few turns; the last
  // of them finds the queue as the one before left it.
  h.view->SetSession(nullptr);
  h.Command(cmd::ID_SELECT_ALL);
  h.Command(cmd::ID_FOREGROUND_STOP);
  ASSERT_TRUE(uitest::PumpUntil([&] { return !h.view->Work().Busy(); }, kWaitMs));
  for (const TransferEntry& e : FileEntries(h.Queue())) ASSERT_EQ(e.state, ENTRY_STOPPED);
  h.Command(cmd::ID_SELECT_ALL);
  h.view->RemoveSelected();
  h.view->RemoveSelected();  // the same rows again: nothing more to remove
  ASSERT_TRUE(uitest::PumpUntil([&] { return !h.view->Work().Busy(); }, kWaitMs));
  EXPECT_TRUE(FileEntries(h.Queue()).empty());
  EXPECT_EQ(h.List().RowCount(), 0u);
}

}  // namespace
