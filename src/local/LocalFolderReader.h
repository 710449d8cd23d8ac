// Reads local folders off the UI thread. Each read runs on a thread of its
// own and posts WM_LOCAL_FOLDER_READ with its number (wParam) and the
// LocalListing (payload) to the target. Nobody waits for a read: one that
// hangs on a dead mount holds only its own thread, and a window that goes
// away first simply detaches its target.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/MessageTarget.h"

class LocalFolderReader {
 public:
  explicit LocalFolderReader(std::shared_ptr<platform::MessageTarget> target)
      : target_(std::move(target)) {}

  // Starts reading `folder`; returns the read's number. Only the newest
  // read's result is current: compare with Current().
  std::uint64_t Read(const std::string& folder);
  std::uint64_t Current() const { return current_; }

 private:
  std::shared_ptr<platform::MessageTarget> target_;
  std::uint64_t current_ = 0;
};
