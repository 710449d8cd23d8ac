// Helpers for the main window's tests: options that keep a frame inside a
// temporary data folder, away from the network, and a frame that is
// destroyed at the end of the test.
#pragma once

#include <wx/frame.h>

#include <optional>
#include <string>

#include "app/ui/MainFrame.h"
#include "support/RealServers.h"
#include "support/ui/UiTest.h"

inline FrameOptions TestFrameOptions(const skifftest::TempDir& programFolder) {
  FrameOptions options;
  options.dataFolder = programFolder.Path() + "/";
  options.startVersionCheck = false;
  options.showMaximized = false;
  options.localStartFolder = programFolder.Path();  // not the home folder
  options.openWebAddress = [](const std::string&) {};  // never a real browser
  return options;
}

// Destroys the frame (if still there) and lets wx delete it.
inline void DestroyFrame(CMainFrame*& frame) {
  if (frame) {
    delete frame;  // runs the destructor now: the current site is saved at once
    frame = nullptr;
  }
  uitest::PumpFor(10);
}
