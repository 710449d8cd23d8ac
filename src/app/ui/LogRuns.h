// What the message log shows, as runs of text with their colour, kept beside
// the text control because the control can't be asked reliably for the
// colour of its text (GTK reads back the default style). No wx here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A colour in the platform's layout: red in the lowest byte, then green,
// then blue, top byte 0.
using LogColour = std::uint32_t;

constexpr LogColour LogRgb(unsigned red, unsigned green, unsigned blue) {
  return static_cast<LogColour>((red & 0xFFu) | (green & 0xFFu) << 8 | (blue & 0xFFu) << 16);
}
constexpr unsigned LogRed(LogColour c) { return c & 0xFFu; }
constexpr unsigned LogGreen(LogColour c) { return c >> 8 & 0xFFu; }
constexpr unsigned LogBlue(LogColour c) { return c >> 16 & 0xFFu; }

// The colours of the three kinds of line.
inline constexpr LogColour kReplyColour = LogRgb(100, 100, 10);    // olive
inline constexpr LogColour kCommandColour = LogRgb(100, 200, 100); // green
inline constexpr LogColour kStatusColour = LogRgb(20, 20, 250);    // blue

struct LogRun {
  std::string text;  // as displayed (UTF-8, "\n" line ends)
  LogColour colour = 0;
  friend bool operator==(const LogRun&, const LogRun&) = default;
};

class CLogRuns {
 public:
  // Appends one run; an empty text adds nothing.
  void Add(std::string text, LogColour colour);
  const std::vector<LogRun>& Runs() const { return runs_; }
  // Characters shown so far (as the control counts them).
  std::size_t Length() const { return length_; }
  void AddLength(std::size_t characters) { length_ += characters; }
  // All runs joined: the text the control holds.
  std::string Text() const;

 private:
  std::vector<LogRun> runs_;
  std::size_t length_ = 0;
};

// The display form of a line: "\r\n" (and a lone "\r") become "\n".
std::string LogDisplayText(const std::string& text);
