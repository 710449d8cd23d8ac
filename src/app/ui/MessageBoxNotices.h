// The core's "error" boxes as wx message boxes with an OK button. A worker's
// notice is shown on the user-interface thread while the worker waits, as a
// message box would hold it; Release() lets every waiting worker go on.
#pragma once

#include <string>

#include "platform/Notice.h"
#include "platform/ui/UiCall.h"

class CMessageBoxNotices final : public platform::NoticeSink {
 public:
  void ShowNotice(const std::string& caption, const std::string& text) override;
  // Queues the box on the user-interface thread and returns at once.
  void PostNotice(const std::string& caption, const std::string& text) override;
  void Release() { gate_.Release(); }

 private:
  platform::UiCallGate gate_;
};
