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
};

// Installs the sink for the whole process (null restores the default, which
// writes the notice to standard error).
void SetNoticeSink(std::shared_ptr<NoticeSink> sink);
void ShowNotice(const std::string& caption, const std::string& text);

}  // namespace platform
