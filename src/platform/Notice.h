// Message boxes with an OK button, as the core raises them. The core shows no
// windows: it hands the text to the installed sink (the GUI's message box,
// a terminal line, or a recorder in tests).
#pragma once

#include <memory>
#include <string>

namespace platform {

class NoticeSink {
 public:
  virtual ~NoticeSink() = default;
  virtual void ShowNotice(const std::string& caption, const std::string& text) = 0;
  // Shows the notice without waiting for it to be closed (a worker thread
  // must never wait for the user). The default shows it as ShowNotice does.
  virtual void PostNotice(const std::string& caption, const std::string& text) {
    ShowNotice(caption, text);
  }
};

// Installs the sink for the whole process (null restores the default, which
// writes the notice to standard error).
void SetNoticeSink(std::shared_ptr<NoticeSink> sink);
void ShowNotice(const std::string& caption, const std::string& text);
// As ShowNotice, but returns at once; for worker threads.
void PostNotice(const std::string& caption, const std::string& text);

}  // namespace platform
