// Small icons from the desktop's icon theme, gathered in one image list that
// list and combo controls share. An icon is looked up once per list of icon
// names; names the theme lacks fall through to the next, then to a generic
// file icon.
#pragma once

#include <wx/bitmap.h>
#include <wx/imaglist.h>

#include <map>
#include <string>
#include <vector>

namespace platform {

class ThemeIcons {
 public:
  static constexpr int kSize = 16;

  ThemeIcons();
  ThemeIcons(const ThemeIcons&) = delete;
  ThemeIcons& operator=(const ThemeIcons&) = delete;

  // Index in ImageList() of the first of `names` the theme has.
  int IndexFor(const std::vector<std::string>& names);
  wxImageList& ImageList() { return images_; }
  wxBitmap Bitmap(int index) const;

 private:
  wxImageList images_;
  std::map<std::string, int> byNames_;
};

}  // namespace platform
