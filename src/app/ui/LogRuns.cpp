#include "app/ui/LogRuns.h"

#include <utility>

void CLogRuns::Add(std::string text, LogColour colour) {
  if (text.empty()) return;
  runs_.push_back({std::move(text), colour});
}

std::string CLogRuns::Text() const {
  std::string all;
  for (const LogRun& run : runs_) all += run.text;
  return all;
}

std::string LogDisplayText(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      shown += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      shown += '\n';  // a lone CR ends a line too
    }
  }
  return shown;
}
