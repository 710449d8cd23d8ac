// Where the progress bar, the status text and the speed text of a status
// strip go for a given width, and how a speed is written. Plain arithmetic,
// shared by the main frame's status bar and the background window's strip.
#pragma once

#include <cstdint>
#include <string>

namespace status_layout {

// (left, top, right, bottom) in the strip's own pixels; all zero hides a field.
struct FieldRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  friend bool operator==(const FieldRect&, const FieldRect&) = default;
};

struct StatusFields {
  FieldRect progress;
  FieldRect status;
  FieldRect speed;
};

// Widths of this size or less hide all three fields.
inline constexpr int kHideWidth = 200;

// The main frame's status bar (fields measured from the right edge).
StatusFields MainBarFields(int width);
// The background transmission window's strip.
StatusFields DialogStripFields(int width);

// Bytes per second as whole kilobytes: "0 k/s", "1 k/s", "10240 k/s".
// A negative value counts as 0.
std::string SpeedText(std::int64_t bytesPerSecond);

}  // namespace status_layout
