// The version check's worker thread. RunVersionCheck runs on a thread that
// the object owns; the Yes/No question is shown on the user-interface thread
// (the worker waits for the answer), and on Yes the download page is opened
// there too. Destruction sets the check's abort switch (a fetch in progress
// gives up at once), answers an open question No, then joins the thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/VersionCheck.h"
#include "platform/ui/OpenWebAddress.h"
#include "platform/ui/UiCall.h"

class VersionCheckThread {
 public:
  // Shows the offer on the UI thread and returns true for Yes.
  using YesNoBox = std::function<bool(const std::string& caption, const std::string& text)>;

  // Starts the check at once. `config`'s askYesNo and openWebAddress are
  // replaced by the UI-thread versions of `box` (default: a wx message box
  // with Yes and No and the information icon) and `openWebAddress`. The
  // check watches `config`'s abort switch, or a new one when it has none.
  VersionCheckThread(VersionCheckConfig config, platform::WebAddressOpener openWebAddress,
                     YesNoBox box = {});
  ~VersionCheckThread();
  VersionCheckThread(const VersionCheckThread&) = delete;
  VersionCheckThread& operator=(const VersionCheckThread&) = delete;

  // The wx message box of the offer, without an owner window.
  static bool ShowOfferBox(const std::string& caption, const std::string& text);

 private:
  platform::UiCallGate gate_;
  std::shared_ptr<platform::HttpAbortSwitch> abort_;
  std::thread thread_;  // last: starts once the gate exists
};
