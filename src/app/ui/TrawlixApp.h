// The application object: loads the optional skin library when it is built,
// starts the skin, reads the settings and handles the first run in OnInit,
// then creates the main window; the skin library is unloaded with the object.
#pragma once

#include <wx/app.h>
#include <wx/weakref.h>

#include <string>

#include "app/ui/ProgramSettings.h"
#include "app/ui/SkinLibrary.h"
#include "app/ui/WelcomeDlg.h"

class CMainFrame;

class CTrawlixApp : public wxApp {
 public:
  CTrawlixApp();

  bool OnInit() override;
  int OnExit() override;

  // The folder of the running program, ending in the separator.
  static std::string ProgramFolder();
  // Tells the user, in the log pane and on standard error, that the data
  // folder can't be used, and why.
  static void ReportNoDataFolder(CMainFrame& frame, const std::string& reason);

  CSkinLibrary skinLibrary;
  ProgramSettings settings;
  const std::string& productName() const { return settings.productName; }
  const std::string& programVersion() const { return settings.programVersion; }
  const std::string& helpAddress() const { return settings.helpAddress; }
  const std::string& aboutTitle() const { return settings.aboutTitle; }

  // The splash window, made hidden on first use: a wx window can only be
  // made once wx runs (OnInit), not with the application object. The
  // start-up does not show it; Splash().Start() would. It destroys itself
  // when it closes (the next call makes a new one), and OnExit destroys it
  // if it is still there.
  CWelcomeDlg& Splash();

 private:
  wxWeakRef<CWelcomeDlg> splash_;
};
