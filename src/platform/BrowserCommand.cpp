#include "platform/BrowserCommand.h"

#include <algorithm>
#include <array>

namespace platform {
namespace {

constexpr std::array<std::string_view, 3> kPlaceholders = {"%1", "%u", "%U"};

// Position of the earliest of `forms`, or npos.
std::size_t FindFirst(std::string_view text, const std::array<std::string, 3>& forms) {
  std::size_t best = std::string_view::npos;
  for (const auto& form : forms) best = std::min(best, text.find(form));
  return best;
}

// Drops the desktop's other field codes and unescapes "%%".
std::string WithoutFieldCodes(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size()) {
      if (text[i + 1] == '%') out += '%';
      ++i;  // a field code other than the cut one: nothing to put in
      continue;
    }
    out += text[i];
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string BrowserCommandLine(std::string_view command, std::string_view address) {
  std::array<std::string, 3> quoted, bare;
  for (std::size_t i = 0; i < kPlaceholders.size(); ++i) {
    bare[i] = std::string(kPlaceholders[i]);
    quoted[i] = "\"" + bare[i] + "\"";
  }
  std::string_view kept = command;
  if (std::size_t q = FindFirst(command, quoted); q != std::string_view::npos)
    kept = command.substr(0, q);
  else if (std::size_t b = FindFirst(command, bare); b != std::string_view::npos)
    kept = command.substr(0, b);
  std::string line = WithoutFieldCodes(kept);
  line += ' ';
  line += address;
  return line;
}

std::string DesktopEntryExec(std::string_view text) {
  bool inEntry = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (!inEntry) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || Trim(line.substr(0, eq)) != "Exec") continue;
    return std::string(Trim(line.substr(eq + 1)));
  }
  return {};
}

}  // namespace platform
