// Drives the site dialogs from inside their modal loops: typing with real key
// presses, real clicks on controls, and a hook that runs once a dialog of a
// given class is showing modally (for a dialog opened by a click).
#pragma once

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

#include <cstring>
#include <functional>
#include <string>

#include "sites/SiteRecord.h"
#include "support/ui/UiTest.h"
#include "transfer/ui/ModalDriver.h"

namespace site_test {

// The dialog of class T showing modally now, or null.
template <class T>
T* ShowingModal() {
  for (wxWindow* w : wxTopLevelWindows) {
    auto* d = dynamic_cast<T*>(w);
    if (d && d->IsModal() && d->IsShownOnScreen()) return d;
  }
  return nullptr;
}

// Runs `act` as soon as a dialog of class T shows modally (checked from the
// event loop, so it works while a click handler's ShowModal blocks).
template <class T>
void WhenShown(std::function<void(T&)> act, int timeoutMs = 5000) {
  wxTheApp->CallAfter([act, timeoutMs] {
    T* dialog = nullptr;
    uitest::PumpUntil([&] { return (dialog = ShowingModal<T>()) != nullptr; }, timeoutMs);
    if (!dialog) {
      ADD_FAILURE() << "the expected dialog did not show";
      return;
    }
    uitest::PumpFor(30);
    act(*dialog);
  });
}

inline bool Focus(wxWindow* window) {
  window->GetParent()->Raise();
  window->SetFocus();
  return uitest::PumpUntil([&] { return wxWindow::FindFocus() == window; }, 2000);
}

// Types `text` (plain ASCII) into `edit` with real key presses.
inline void Type(wxTextCtrl* edit, const std::string& text) {
  ASSERT_TRUE(Focus(edit));
  edit->SetInsertionPointEnd();
  wxUIActionSimulator sim;
  sim.Text(text.c_str());
  uitest::PumpFor(100);
}

// A real mouse click in the middle of `window`.
inline void ClickWindow(wxWindow* window) {
  wxUIActionSimulator sim;
  sim.MouseMove(window->GetScreenRect().GetPosition() + window->GetSize() / 2);
  uitest::PumpFor(50);
  sim.MouseClick();
  uitest::PumpFor(100);
}

inline SiteRecord Site(const char* name, const char* address, const char* user = "",
                       const char* password = "", std::int32_t loginType = LOGIN_ACCOUNT) {
  SiteRecord r{};
  std::strcpy(r.siteName, name);
  std::strcpy(r.address, address);
  std::strcpy(r.user, user);
  std::strcpy(r.password, password);
  r.loginType = loginType;
  return r;
}

}  // namespace site_test
