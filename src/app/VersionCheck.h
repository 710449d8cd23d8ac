// The check at start-up for a newer version announced over HTTP.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/HttpFetch.h"

// Where the version file and the installer live. The update host sits under
// the reserved "invalid" domain, which never resolves and is refused before
// any name-server traffic, until a real server is set up.
inline constexpr const char* kVersionFileAddress = "http://update.skiffline.invalid/softinfo.ini";
inline constexpr const char* kDownloadPageAddress =
    "http://www.skiffline.example/download/skiffline-setup.exe";

inline constexpr const char* kVersionOfferCaption = "Information";
// Longest announced version that is offered; a longer one is taken as garbage.
inline constexpr std::size_t kMaxOfferedVersionLength = 200;

struct VersionCheckConfig {
  std::string versionFileAddress = kVersionFileAddress;
  std::string downloadPageAddress = kDownloadPageAddress;
  std::string productName;
  std::string programVersion;
  // Asks the user Yes (true) or No with a caption and a text.
  std::function<bool(const std::string& caption, const std::string& text)> askYesNo;
  // Opens a web address in the user's browser.
  std::function<void(const std::string& address)> openWebAddress;
  // Ends the check early when set from another thread: a fetch in progress
  // gives up and nothing is offered. Optional.
  std::shared_ptr<platform::HttpAbortSwitch> abortSwitch;
};

// The question put to the user when `version` is announced.
std::string VersionOfferText(const std::string& version);

// Fetches the version file and, when it announces a version other than
// programVersion (letter case aside), asks whether to download it and on Yes
// opens the download page. Every failure, and the abort switch, ends the
// check silently. Blocks while fetching and while the question is open;
// returns 1.
int RunVersionCheck(const VersionCheckConfig& config);
