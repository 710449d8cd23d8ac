// The settings read at start-up, with their defaults, and the first run.
#pragma once

#include <string>

#include "platform/ui/OpenWebAddress.h"
#include "platform/ui/SettingsStore.h"

inline constexpr const char* kProductName = "Vessa Skiffline";
inline constexpr const char* kSettingsKey = "Software\\Vessa Skiffline\\General";

inline constexpr const char* kHomePageValue = "Home page";
inline constexpr const char* kVersionValue = "Version";
inline constexpr const char* kHelpValue = "Help";
inline constexpr const char* kSupportValue = "Support";
inline constexpr const char* kFirstRunValue = "IfFirstRun";
// Seconds any wait on a server may go without a byte before it fails.
inline constexpr const char* kTimeoutValue = "Timeout";

inline constexpr const char* kDefaultHomePage = "http://www.skiffline.example/";
inline constexpr const char* kDefaultVersion = "4.3.2";
inline constexpr const char* kDefaultHelp = "http://www.skiffline.example/skiffline.html";
inline constexpr const char* kDefaultSupport = "mailto:support@skiffline.example";
inline constexpr const char* kDefaultFirstRun = "0";
inline constexpr const char* kDefaultTimeout = "30";
inline constexpr int kMinTimeoutSeconds = 5;
inline constexpr int kMaxTimeoutSeconds = 3600;

// Program-wide values, set before the main window exists and never changed.
struct ProgramSettings {
  std::string productName = kProductName;
  std::string homePage;
  std::string programVersion;
  std::string helpAddress;
  std::string support;
  std::string aboutTitle;  // productName + " Version " + programVersion
  bool firstRun = false;   // this start showed the help page
  int timeoutSeconds = 30; // the inactivity limit of the sessions

  // productName, a space and programVersion: the main window's title.
  std::string WindowTitle() const { return productName + " " + programVersion; }
};

// Reads a value; a missing or unreadable one is replaced by `fallback`,
// which is written back at once.
std::string ReadSettingOrDefault(platform::SettingsStore& store, const std::string& name,
                                 const std::string& fallback);

// The "Timeout" text as seconds: a decimal number clamped to 5..3600; 30
// when it is not a number.
int TimeoutSecondsOf(const std::string& text);

// Whether "IfFirstRun" text means a first run: "0" once blanks around it are stripped.
bool IsFirstRunText(const std::string& text);

// Reads the four values, creates "IfFirstRun" if missing, composes the about
// title, and on a first run writes "1" and opens the help page.
ProgramSettings ReadProgramSettings(platform::SettingsStore& store,
                                    const platform::WebAddressOpener& openWebAddress);
