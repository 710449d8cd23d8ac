#include "platform/Notice.h"

#include <cstdio>
#include <mutex>

namespace platform {
namespace {
std::mutex sinkMutex;
std::shared_ptr<NoticeSink> currentSink;
}  // namespace

void SetNoticeSink(std::shared_ptr<NoticeSink> sink) {
  std::lock_guard<std::mutex> lock(sinkMutex);
  currentSink = std::move(sink);
}

static std::shared_ptr<NoticeSink> CurrentSink() {
  std::lock_guard<std::mutex> lock(sinkMutex);
  return currentSink;
}

void ShowNotice(const std::string& caption, const std::string& text) {
  if (std::shared_ptr<NoticeSink> sink = CurrentSink())
    sink->ShowNotice(caption, text);
  else
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

void PostNotice(const std::string& caption, const std::string& text) {
  if (std::shared_ptr<NoticeSink> sink = CurrentSink())
    sink->PostNotice(caption, text);
  else
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace platform
