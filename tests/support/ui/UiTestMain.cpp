// The main of every GUI test program: wx started without its own main loop,
// one active event loop for the helpers to pump, wx assertions turned into
// test failures, wx logging to standard error (wx's defaults would open modal
// boxes), and a watchdog that aborts a run that hangs.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "support/ui/UiTest.h"

namespace {

class UiTestApp final : public wxApp {
 public:
  bool OnInit() override { return true; }  // no window and no command line of its own
};

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
  ADD_FAILURE_AT(file.utf8_str().data(), line)
      << "wx assertion in " << func.utf8_str().data() << ": " << cond.utf8_str().data() << " "
      << msg.utf8_str().data();
}

// Aborts the program when it is still running after `seconds`.
class Watchdog {
 public:
  explicit Watchdog(int seconds)
      : thread_([this, seconds] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!done_.wait_for(lock, std::chrono::seconds(seconds), [this] { return finished_; })) {
            std::fprintf(stderr, "GUI test watchdog: still running after %d s, aborting\n",
                         seconds);
            std::fflush(stderr);
            std::abort();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    done_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;  // last member: starts after the others exist
};

int WatchdogSeconds() {
  wxString value;
  long seconds = 0;
  if (wxGetEnv("SKIFF_UITEST_TIMEOUT", &value) && value.ToLong(&seconds) && seconds > 0)
    return static_cast<int>(seconds);
  return 150;
}

bool OnlyListing(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return true;
  return false;
}

void DestroyLeftoverWindows() {
  for (int round = 0; round < 10 && !wxTopLevelWindows.empty(); ++round) {
    for (wxWindow* w : wxTopLevelWindows) w->Destroy();
    uitest::PumpFor(20);
  }
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (OnlyListing(argc, argv)) return RUN_ALL_TESTS();  // discovery needs no display

  Watchdog watchdog(WatchdogSeconds());
  // wx owns the application object from here and deletes it in wxEntryCleanup.
  wxApp::SetInstance(new UiTestApp);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "GUI tests: wx could not start (no display?)\n");
    return 1;
  }
  wxSetAssertHandler(FailOnAssert);
  std::unique_ptr<wxLog> stderrLog = std::make_unique<wxLogStderr>();
  wxLog* previousLog = wxLog::SetActiveTarget(stderrLog.get());

  int result = 1;
  if (wxTheApp->CallOnInit()) {
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(&loop);
    result = RUN_ALL_TESTS();
    DestroyLeftoverWindows();
    wxTheApp->OnExit();
  }
  wxLog::SetActiveTarget(previousLog);
  stderrLog.reset();
  wxEntryCleanup();
  return result;
}
