// The main window: its cells, the resize rule, the bars, the current-site
// file, the progress messages, command routing and closing.
#include <gtest/gtest.h>
#include <wx/menu.h>

#include <cstring>
#include <string>
#include <thread>

#include "FrameTestSupport.h"
#include "support/ScriptedFtpServer.h"
#include "app/ui/CommandTable.h"
#include "app/ui/ImageStatusBar.h"
#include "app/ui/MyInfoView.h"
#include "local/ui/DirListView.h"
#include "platform/MessageIds.h"
#include "remote/ui/FtpDirView.h"
#include "res/CommandIds.h"
#include "transfer/ui/DownloadFileView.h"

namespace {

class MainFrameTest : public ::testing::Test {
 protected:
  void TearDown() override { DestroyFrame(frame); }

  CMainFrame* Open() {
    frame = new CMainFrame(TestFrameOptions(program));
    frame->SetSize(1000, 700);
    uitest::PumpFor(50);
    return frame;
  }

  skifftest::TempDir program;
  CMainFrame* frame = nullptr;
};

// Pumps until the panes follow the resize rule for the current client size.
bool PanesAtTheirProportions(CMainFrame& f) {
  return uitest::PumpUntil([&] {
    const wxSize c = f.GetClientSize();
    return f.outerSplitter->GetSize() == c &&
           f.topSplitter->GetSize().y == (2 * c.y) / 3 &&
           f.localView->GetSize().x == c.x / 2 && f.queueView->GetSize().x == c.x / 2;
  });
}

TEST_F(MainFrameTest, FourCellsHoldThePanesOfTheRightClasses) {
  Open();
  ASSERT_TRUE(frame->outerSplitter->IsSplit());
  EXPECT_EQ(frame->outerSplitter->GetSplitMode(), wxSPLIT_HORIZONTAL);
  EXPECT_EQ(frame->outerSplitter->GetWindow1(), frame->topSplitter);
  EXPECT_EQ(frame->outerSplitter->GetWindow2(), frame->bottomSplitter);
  EXPECT_EQ(frame->topSplitter->GetSplitMode(), wxSPLIT_VERTICAL);
  EXPECT_NE(dynamic_cast<CDirListView*>(frame->topSplitter->GetWindow1()), nullptr);
  EXPECT_NE(dynamic_cast<CFtpDirView*>(frame->topSplitter->GetWindow2()), nullptr);
  EXPECT_NE(dynamic_cast<CDownloadFileView*>(frame->bottomSplitter->GetWindow1()), nullptr);
  EXPECT_NE(dynamic_cast<CMyInfoView*>(frame->bottomSplitter->GetWindow2()), nullptr);
  EXPECT_EQ(frame->topSplitter->GetWindow1()->GetName(), "CDirListView");
  EXPECT_EQ(frame->topSplitter->GetWindow2()->GetName(), "CFtpDirView");
  EXPECT_EQ(frame->bottomSplitter->GetWindow1()->GetName(), "CDownloadFileView");
  EXPECT_EQ(frame->panesReady, 1);
  EXPECT_EQ(frame->ActivePane(), frame->localView);
  EXPECT_EQ(frame->Document().shownQueue, &frame->foregroundSession.transferQueue);
}

TEST_F(MainFrameTest, ResizeAfterADraggedSashRestoresThirdsAndHalves) {
  Open();
  EXPECT_TRUE(PanesAtTheirProportions(*frame));
  // The user drags the sashes far from their places.
  frame->outerSplitter->SetSashPosition(120);
  frame->topSplitter->SetSashPosition(700);
  frame->bottomSplitter->SetSashPosition(80);
  EXPECT_TRUE(uitest::PumpUntil([&] { return frame->topSplitter->GetSize().y == 120; }))
      << frame->topSplitter->GetSize().y << " sash " << frame->outerSplitter->GetSashPosition();
  frame->SetSize(900, 640);
  EXPECT_TRUE(PanesAtTheirProportions(*frame))
      << "client " << frame->GetClientSize().x << "x" << frame->GetClientSize().y << ", top "
      << frame->topSplitter->GetSize().y << ", local " << frame->localView->GetSize().x
      << ", queue " << frame->queueView->GetSize().x;
  // Every pane keeps at least the minimum size on a tiny frame.
  EXPECT_EQ(frame->outerSplitter->GetMinimumPaneSize(), 10);
  EXPECT_EQ(frame->topSplitter->GetMinimumPaneSize(), 10);
  EXPECT_EQ(frame->bottomSplitter->GetMinimumPaneSize(), 10);
}

TEST_F(MainFrameTest, ToolbarHasThirteenButtonsAndThreeSeparatorsWithTheirTexts) {
  Open();
  wxToolBar* bar = frame->toolBar;
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->GetToolsCount(), 16u);
  const std::vector<int> expected = {32774, 32771, 32775, 32776, 0,     32796, 32797, 32795,
                                     0,     32793, 32790, 0,     32802, 32798, 32799, 57664};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const wxToolBarToolBase* tool = bar->GetToolByPos(static_cast<int>(i));
    SCOPED_TRACE("entry " + std::to_string(i));
    if (expected[i] == 0) {
      EXPECT_TRUE(tool->IsSeparator());
      continue;
    }
    EXPECT_EQ(tool->GetId(), cmd::WxId(expected[i]));
    EXPECT_EQ(tool->GetShortHelp().utf8_string(), CommandTextFor(expected[i]).tooltip);
    EXPECT_EQ(tool->GetLongHelp().utf8_string(), CommandTextFor(expected[i]).prompt);
  }
  EXPECT_EQ(bar->GetToolShortHelp(cmd::WxId(32775)), "QuickConnect");
  EXPECT_EQ(bar->GetToolLongHelp(cmd::WxId(32775)), "Reconnect");
  EXPECT_EQ(bar->GetToolShortHelp(cmd::WxId(32774)), "Select Server");
}

TEST_F(MainFrameTest, MenusCarryEveryCommandOfTheTable) {
  Open();
  wxMenuBar* menus = frame->GetMenuBar();
  ASSERT_NE(menus, nullptr);
  for (int id : {32774, 32771, 32775, 32776, 32795, 32794, 32796, 32797, 32803, 32789, 32790,
                 32791, 32792, 32793, 32802, 32787, 32798, 32799, 32804, 32805, 32809, 32808,
                 57664}) {
    SCOPED_TRACE(id);
    EXPECT_NE(menus->FindItem(cmd::WxId(id)), nullptr);
  }
  EXPECT_EQ(menus->GetMenuCount(), 7u);
  EXPECT_EQ(menus->GetMenuLabelText(0), "Connect");
  EXPECT_EQ(menus->GetMenuLabelText(6), "Help");
  EXPECT_EQ(menus->FindItem(cmd::WxId(32804))->GetHelp(), "Start Background transmission/nStart");
  EXPECT_EQ(menus->FindItem(cmd::WxId(32793))->GetItemLabelText(),
            "Cancels the current operation");
}

TEST_F(MainFrameTest, StatusBarHasTheFourPanesAndShowsReady) {
  Open();
  ASSERT_NE(frame->statusBar, nullptr);
  EXPECT_EQ(frame->GetStatusBar(), frame->statusBar);
  EXPECT_EQ(frame->statusBar->GetFieldsCount(), 4);
  EXPECT_EQ(frame->statusBar->GetStatusText(0), "Ready");
  EXPECT_EQ(frame->statusBar->speedText()->GetLabel(), "0 k/s");
}

TEST_F(MainFrameTest, ProgressMessagesFromAWorkerReachTheStatusBar) {
  Open();
  auto target = frame->FrameTarget();
  EXPECT_EQ(frame->foregroundSession.progressWindow.Get(), target);
  std::thread worker([target] {
    target->Post(platform::TextMessage(msg::WM_SESSION_PROGRESS_TEXT, "Receiving a.txt"));
    for (int i = 0; i <= 42; ++i)
      target->Post(platform::MakeMessage(msg::WM_SESSION_PROGRESS, i, 1536 * 10));
  });
  worker.join();
  CImageStatusBar* bar = frame->statusBar;
  EXPECT_TRUE(uitest::PumpUntil([&] { return bar->progressBar()->GetValue() == 42; }));
  EXPECT_EQ(bar->speedText()->GetLabel(), "15 k/s");
  EXPECT_EQ(bar->statusText()->GetLabel(), "Receiving a.txt");
  EXPECT_EQ(bar->GetStatusText(0), "Ready");  // the message pane is another field
}

TEST_F(MainFrameTest, TheTimeoutSettingBoundsTheSessionsWaits) {
  FrameOptions options = TestFrameOptions(program);
  options.timeoutSeconds = 7;
  frame = new CMainFrame(std::move(options));
  EXPECT_EQ(frame->foregroundSession.inactivityTimeoutMs.load(), 7000);
}

TEST_F(MainFrameTest, LogLinesOfTheSessionGoToTheLogView) {
  Open();
  EXPECT_EQ(frame->foregroundSession.logWindow.Get(), frame->LogTarget());
  EXPECT_NE(frame->foregroundSession.questions, nullptr);
  std::thread worker([t = frame->LogTarget()] {
    t->Post(platform::TextMessage(msg::WM_SESSION_REPLY_LINE, "  220 Ready\r\n"));
    t->Post(platform::TextMessage(msg::WM_SESSION_COMMAND_LINE, "COMMAND >   USER bob\r\n"));
  });
  worker.join();
  CColorEdit* log = frame->infoView->logEdit;
  EXPECT_TRUE(uitest::PumpUntil([&] { return log->Runs().Runs().size() == 2; }));
  EXPECT_NE(log->GetValue().Find("USER bob"), wxNOT_FOUND);
}

TEST_F(MainFrameTest, SelectAllGoesToTheActivePaneFirst) {
  Open();
  int localCalls = 0, remoteCalls = 0;
  frame->localView->Bind(wxEVT_MENU, [&](wxCommandEvent&) { ++localCalls; },
                         cmd::WxId(cmd::ID_SELECT_ALL));
  frame->remoteView->Bind(wxEVT_MENU, [&](wxCommandEvent&) { ++remoteCalls; },
                          cmd::WxId(cmd::ID_SELECT_ALL));
  auto send = [&] {
    wxCommandEvent event(wxEVT_MENU, cmd::WxId(cmd::ID_SELECT_ALL));
    event.SetEventObject(frame);
    frame->GetEventHandler()->ProcessEvent(event);
  };
  send();
  EXPECT_EQ(localCalls, 1);
  EXPECT_EQ(remoteCalls, 0);
  frame->ActivatePane(frame->remoteView);
  send();
  EXPECT_EQ(localCalls, 1);
  EXPECT_EQ(remoteCalls, 1);
  // The log pane takes no commands: they reach the frame, which ignores this one.
  frame->ActivatePane(frame->infoView);
  send();
  EXPECT_EQ(localCalls + remoteCalls, 2);
}

TEST_F(MainFrameTest, FirstStartWithoutSiteFileWritesAZeroRecordAtTheEnd) {
  Open();
  for (char c : std::string(reinterpret_cast<const char*>(&frame->currentSite), 948))
    ASSERT_EQ(c, '\0');
  EXPECT_FALSE(frame->foregroundSession.HasWorker());  // no connection attempt
  DestroyFrame(frame);
  const std::string saved = program.ReadFile("TWDefault.TWQ");
  EXPECT_EQ(saved, std::string(948, '\0'));
}

TEST_F(MainFrameTest, ShortSiteFileCountsAsNone) {
  program.WriteFile("TWDefault.TWQ", std::string(947, 'x'));
  Open();
  EXPECT_EQ(frame->currentSite.siteName[0], '\0');
  EXPECT_FALSE(frame->foregroundSession.HasWorker());
  DestroyFrame(frame);
  EXPECT_EQ(program.ReadFile("TWDefault.TWQ"), std::string(948, '\0'));
}

TEST_F(MainFrameTest, LongerSiteFileGivesItsFirstRecord) {
  SiteRecord site{};
  std::strcpy(site.siteName, "Saved site");  // no address: no start-up connect
  std::strcpy(site.user, "alice");
  site.loginType = LOGIN_ANONYMOUS;
  std::string bytes(reinterpret_cast<const char*>(&site), sizeof site);
  program.WriteFile("TWDefault.TWQ", bytes + "Z");
  Open();
  EXPECT_STREQ(frame->currentSite.siteName, "Saved site");
  EXPECT_STREQ(frame->currentSite.user, "alice");
  EXPECT_EQ(frame->currentSite.loginType, LOGIN_ANONYMOUS);
  DestroyFrame(frame);
  EXPECT_EQ(program.ReadFile("TWDefault.TWQ"), bytes);
}

TEST_F(MainFrameTest, ClosingStopsTheSessionAndRemovesTheSkinOnce) {
  int removed = 0;
  FrameOptions options = TestFrameOptions(program);
  options.skinRemove = [&] { ++removed; };
  frame = new CMainFrame(options);
  uitest::PumpFor(20);
  wxWindow* const window = frame;
  EXPECT_TRUE(frame->Close());
  frame = nullptr;  // the close destroys it
  EXPECT_TRUE(uitest::PumpUntil([&] {
    return std::find(wxTopLevelWindows.begin(), wxTopLevelWindows.end(), window) ==
           wxTopLevelWindows.end();
  }));
  EXPECT_EQ(removed, 1);
  EXPECT_EQ(program.ReadFile("TWDefault.TWQ").size(), 948u);
}

TEST_F(MainFrameTest, ReconnectWithoutACurrentSiteDoesNothing) {
  Open();
  wxCommandEvent reconnect(wxEVT_MENU, cmd::WxId(cmd::ID_RECONNECT));
  frame->GetEventHandler()->ProcessEvent(reconnect);
  EXPECT_FALSE(frame->foregroundSession.HasWorker());
}

TEST_F(MainFrameTest, F6AndShiftF6MoveThroughThePanes) {
  Open();
  auto move = [&](int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    frame->GetEventHandler()->ProcessEvent(event);
    return frame->ActivePane();
  };
  EXPECT_EQ(move(cmd::ID_NEXT_PANE), frame->remoteView);
  EXPECT_EQ(move(cmd::ID_NEXT_PANE), frame->queueView);
  EXPECT_EQ(move(cmd::ID_NEXT_PANE), frame->infoView);
  EXPECT_EQ(move(cmd::ID_NEXT_PANE), frame->localView);
  EXPECT_EQ(move(cmd::ID_PREV_PANE), frame->infoView);
}

TEST_F(MainFrameTest, WindowTitleComesFromTheOptions) {
  Open();
  EXPECT_EQ(frame->GetTitle(), "Vessa Skiffline 4.3.2");
}

}  // namespace

namespace {

// The site used last is connected at start-up: login, then a listing, with
// every line in the log pane; Disconnect then stops the session.
TEST(MainFrameStartUp, ConnectsToTheSiteUsedLast) {
  skifftest::TempDir program;
  skifftest::TempDir work;  // the login's queue file goes to the data folder
  uitest::ScopedEnv data("SKIFFLINE_DATA_DIR", work.Path());
  const wxString oldWorkingDir = wxGetCwd();
  ASSERT_TRUE(wxSetWorkingDirectory(work.Path()));
  skifftest::ScriptedFtpServer server;
  server.AddFile("/pub/readme.txt", "hello\n");
  SiteRecord site{};
  std::strcpy(site.siteName, "Local test");
  std::strcpy(site.address, server.Address().c_str());
  std::strcpy(site.user, "bob");
  std::strcpy(site.password, "secret");
  program.WriteFile("TWDefault.TWQ", std::string(reinterpret_cast<const char*>(&site), sizeof site));

  CMainFrame* frame = new CMainFrame(TestFrameOptions(program));
  EXPECT_STREQ(frame->currentSite.address, server.Address().c_str());
  EXPECT_TRUE(server.WaitForCommand("PASS secret", 10000));
  EXPECT_TRUE(server.WaitForCommand("LIST", 10000));
  CColorEdit* log = frame->infoView->logEdit;
  EXPECT_TRUE(uitest::PumpUntil(
      [&] { return log->GetValue().Find("USER bob") != wxNOT_FOUND && frame->foregroundSession.IsLoggedIn(); },
      10000))
      << log->GetValue().utf8_string();
  EXPECT_EQ(frame->foregroundSession.transferQueue.QueueFile(), work.PathOf(LoginQueueFileName(site)));

  wxCommandEvent disconnect(wxEVT_MENU, cmd::WxId(cmd::ID_DISCONNECT));
  frame->GetEventHandler()->ProcessEvent(disconnect);
  EXPECT_FALSE(frame->foregroundSession.IsLoggedIn());
  EXPECT_STREQ(frame->currentSite.address, server.Address().c_str());  // kept for Reconnect
  DestroyFrame(frame);
  EXPECT_EQ(program.ReadFile("TWDefault.TWQ").size(), sizeof site);
  wxSetWorkingDirectory(oldWorkingDir);
}

}  // namespace
