#include "app/StatusFieldLayout.h"

namespace status_layout {

StatusFields MainBarFields(int width) {
  if (width <= kHideWidth) return {};
  const int w = width;
  return {{w - 400, 0, w - 200, 18}, {w - 750, 1, w - 420, 16}, {w - 190, 1, w - 120, 18}};
}

StatusFields DialogStripFields(int width) {
  if (width <= kHideWidth) return {};
  const int w = width;
  return {{w - 300, 3, w - 200, 18}, {w - 650, 3, w - 320, 16}, {w - 190, 3, w - 120, 18}};
}

std::string SpeedText(std::int64_t bytesPerSecond) {
  const std::int64_t kilobytes = bytesPerSecond > 0 ? bytesPerSecond / 1024 : 0;
  return std::to_string(kilobytes) + " k/s";
}

}  // namespace status_layout
