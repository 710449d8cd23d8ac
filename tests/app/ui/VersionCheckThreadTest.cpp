// The frame's version check: the offer is shown on the UI thread, Yes opens
// the download page, and a frame closed while the check waits for the user or
// for a silent server doesn't wait with it.
#include <gtest/gtest.h>
#include <wx/thread.h>
#include <wx/utils.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "LoopbackHttpServer.h"
#include "app/ui/VersionCheckThread.h"

namespace {

// Waits without pumping, so the UI thread can't be what ends the wait.
bool WaitWithoutPumping(const std::function<bool()>& done, int timeoutMs = 10000) {
  for (int waited = 0; !done(); waited += 5) {
    if (waited >= timeoutMs) return false;
    wxMilliSleep(5);
  }
  return true;
}

class VersionCheckThreadTest : public ::testing::Test {
 protected:
  void TearDown() override { DestroyFrame(frame); }

  FrameOptions CheckingOptions(const LoopbackHttpServer& server) {
    FrameOptions options = TestFrameOptions(program);
    options.startVersionCheck = true;
    options.versionFileAddress = server.Url("/softinfo.ini");
    options.downloadPageAddress = "http://127.0.0.1:9/setup.exe";
    options.openWebAddress = [this](const std::string& a) {
      opened.push_back(a);
      openedOnUiThread = openedOnUiThread && wxIsMainThread();
    };
    return options;
  }

  skifftest::TempDir program;
  CMainFrame* frame = nullptr;
  std::vector<std::string> opened;
  bool openedOnUiThread = true;
};

TEST_F(VersionCheckThreadTest, OfferIsShownOnTheUiThreadAndYesOpensTheDownloadPage) {
  LoopbackHttpServer server({ReplyWithLength("Other=1.0; Vessa Skiffline = 4.4 ;")});
  uitest::ModalDialogCloser closer([](const uitest::ModalInfo&) { return wxID_YES; });
  frame = new CMainFrame(CheckingOptions(server));
  ASSERT_TRUE(uitest::PumpUntil([&] { return !opened.empty(); }, 20000));
  ASSERT_EQ(closer.Seen().size(), 1u);
  EXPECT_EQ(closer.Seen()[0].title, "Information");
  EXPECT_EQ(closer.Seen()[0].text,
            "This product has the newest version 4.4,download it right now?");
  EXPECT_EQ(opened, std::vector<std::string>{"http://127.0.0.1:9/setup.exe"});
  EXPECT_TRUE(openedOnUiThread);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(HeaderValue(server.Requests()[0], "User-Agent"), "CodeguruBrowser1.0");
}

TEST_F(VersionCheckThreadTest, NoOpensNothing) {
  LoopbackHttpServer server({ReplyWithLength("Vessa Skiffline=5.0")});
  uitest::ModalDialogCloser closer([](const uitest::ModalInfo&) { return wxID_NO; });
  frame = new CMainFrame(CheckingOptions(server));
  ASSERT_TRUE(uitest::PumpUntil([&] { return !closer.Seen().empty(); }, 20000));
  DestroyFrame(frame);  // joins the check
  uitest::PumpFor(30);
  EXPECT_TRUE(opened.empty());
}

TEST_F(VersionCheckThreadTest, ClosingWhileTheOfferWaitsReleasesTheThread) {
  LoopbackHttpServer server({ReplyWithLength("Vessa Skiffline=5.0")});
  bool shown = false;
  FrameOptions options = CheckingOptions(server);
  options.offerBox = [&](const std::string&, const std::string&) {
    shown = true;
    return true;
  };
  frame = new CMainFrame(options);
  // Without pumping, the offer can only wait for the UI thread.
  for (int i = 0; i < 2000 && server.Requests().empty(); ++i) wxMilliSleep(5);
  ASSERT_FALSE(server.Requests().empty());
  wxMilliSleep(100);
  DestroyFrame(frame);  // must not wait for an answer
  uitest::PumpFor(50);
  EXPECT_FALSE(shown) << "a dropped offer was still shown";
  EXPECT_TRUE(opened.empty());
}

TEST_F(VersionCheckThreadTest, DestroyingTheCheckEndsAFetchTheServerHolds) {
  LoopbackHttpServer server({NeverAnswer()});
  VersionCheckConfig config;
  config.versionFileAddress = server.Url("/softinfo.ini");
  config.productName = "Vessa Skiffline";
  config.programVersion = "4.3.2";
  auto abortSwitch = std::make_shared<platform::HttpAbortSwitch>();
  config.abortSwitch = abortSwitch;
  bool shown = false;
  auto check = std::make_unique<VersionCheckThread>(
      config, [](const std::string&) {},
      [&](const std::string&, const std::string&) { return shown = true; });
  ASSERT_TRUE(WaitWithoutPumping([&] { return !server.Requests().empty(); }));
  check.reset();  // sets the switch and joins
  EXPECT_FALSE(server.GaveUpHolding()) << "the check waited until the server let go";
  EXPECT_TRUE(abortSwitch->EndedAFetch());
  EXPECT_TRUE(WaitWithoutPumping([&] { return server.ClientLeftHeldConnection(); }));
  uitest::PumpFor(30);
  EXPECT_FALSE(shown);
}

TEST_F(VersionCheckThreadTest, ClosingTheFrameDoesNotWaitForASilentServer) {
  LoopbackHttpServer server({NeverAnswer()});
  frame = new CMainFrame(CheckingOptions(server));
  ASSERT_TRUE(WaitWithoutPumping([&] { return !server.Requests().empty(); }));
  DestroyFrame(frame);
  EXPECT_FALSE(server.GaveUpHolding()) << "closing waited until the server let go";
  EXPECT_TRUE(WaitWithoutPumping([&] { return server.ClientLeftHeldConnection(); }));
  EXPECT_TRUE(opened.empty());
}

}  // namespace
