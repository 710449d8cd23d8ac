// Drives a dialog while its modal loop runs: `act` runs inside the loop once
// the dialog is shown; a dialog still open after `limitMs` is ended with
// wxID_ABORT (and the test fails), so a stuck dialog never hangs the run.
#pragma once

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <functional>

#include "support/ui/UiTest.h"

namespace dialog_test {

inline int ShowModalDriven(wxDialog& dialog, std::function<void(wxDialog&)> act,
                           int limitMs = 10000) {
  wxTimer limit;
  limit.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (dialog.IsModal()) dialog.EndModal(wxID_ABORT);
  });
  limit.StartOnce(limitMs);
  wxTheApp->CallAfter([&dialog, act] {
    uitest::PumpUntil([&] { return dialog.IsShownOnScreen(); }, 3000);
    act(dialog);
  });
  const int code = dialog.ShowModal();
  limit.Stop();
  EXPECT_NE(code, wxID_ABORT) << "the dialog was still open at the time limit";
  return code;
}

// Clicks a button the way the toolkit reports a click.
inline void Click(wxWindow& dialog, wxWindowID id) {
  auto* button = dynamic_cast<wxButton*>(dialog.FindWindow(id));
  ASSERT_NE(button, nullptr) << id;
  wxCommandEvent click(wxEVT_BUTTON, id);
  click.SetEventObject(button);
  button->Command(click);
}

// A real key press through the display server, to the window with the focus.
inline void PressKey(int keyCode) {
  wxUIActionSimulator sim;
  sim.Char(keyCode);
  uitest::PumpFor(50);
}

}  // namespace dialog_test
