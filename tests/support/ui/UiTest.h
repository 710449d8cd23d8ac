// Helpers for GUI tests (#include "support/ui/UiTest.h"). The shared test main (UiTestMain.cpp) starts wx with
// an active event loop, makes every wx assertion fail the running test, sends
// wx log output to standard error, and aborts the whole program when it runs
// longer than its watchdog allows (SKIFF_UITEST_TIMEOUT seconds, default 150),
// so that a stuck modal dialog fails the run instead of hanging it.
//
//   TEST(MyDialog, OkReturnsText) {
//     uitest::ModalDialogCloser closer([](const uitest::ModalInfo& m) {
//       return wxID_OK;                      // how to end each modal dialog
//     });
//     int r = dialog.ShowModal();            // closed by `closer`
//     EXPECT_EQ(closer.Seen().size(), 1u);
//   }
//   EXPECT_TRUE(uitest::PumpUntil([&] { return window.IsShown(); }));
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class wxDialog;

namespace uitest {

// Handles everything that is waiting once: toolkit events, queued wx events
// (CallAfter, QueueEvent) and idle work (delayed window deletion).
void PumpOnce();
// Pumps until `done` holds or `timeoutMs` passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Pumps for about `ms` milliseconds.
void PumpFor(int ms);

// One modal dialog as the closer found it.
struct ModalInfo {
  std::string title;
  std::string text;            // a message box's text; empty for other dialogs
  wxDialog* dialog = nullptr;  // the wx dialog, null for a native message box
};

// The id to end a dialog with: wxID_OK, wxID_CANCEL, wxID_YES, wxID_NO...;
// wxID_NONE when the answer has closed the dialog itself (by a click).
using ModalAnswer = std::function<int(const ModalInfo&)>;

// While it lives, looks every 20 ms for a modal dialog (wx dialogs and the
// toolkit's native message boxes) and ends it with the answer's id (default:
// wxID_CANCEL). Works while a ShowModal call blocks the test. Must be made
// and destroyed on the UI thread.
class ModalDialogCloser {
 public:
  explicit ModalDialogCloser(ModalAnswer answer = {});
  ~ModalDialogCloser();
  ModalDialogCloser(const ModalDialogCloser&) = delete;
  ModalDialogCloser& operator=(const ModalDialogCloser&) = delete;

  // Title and text of every dialog closed so far (dialog pointers cleared).
  std::vector<ModalInfo> Seen() const;
  // Ends the modal dialogs showing now; returns how many.
  int CloseNow();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool hadOld_ = false;
};

}  // namespace uitest
