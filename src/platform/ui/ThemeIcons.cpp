#include "platform/ui/ThemeIcons.h"

#include <wx/artprov.h>

namespace platform {
namespace {

wxBitmap Lookup(const std::string& name) {
  return wxArtProvider::GetBitmap(wxString::FromUTF8(name), wxART_LIST,
                                  wxSize(ThemeIcons::kSize, ThemeIcons::kSize));
}

// Something to show when the theme has none of the names.
wxBitmap Fallback() {
  for (const char* name : {"text-x-generic", "application-x-generic"}) {
    wxBitmap bitmap = Lookup(name);
    if (bitmap.IsOk()) return bitmap;
  }
  wxBitmap bitmap = wxArtProvider::GetBitmap(wxART_NORMAL_FILE, wxART_LIST,
                                             wxSize(ThemeIcons::kSize, ThemeIcons::kSize));
  if (bitmap.IsOk()) return bitmap;
  return wxBitmap(ThemeIcons::kSize, ThemeIcons::kSize);
}

wxBitmap Sized(wxBitmap bitmap) {
  if (bitmap.GetWidth() == ThemeIcons::kSize && bitmap.GetHeight() == ThemeIcons::kSize)
    return bitmap;
  return wxBitmap(bitmap.ConvertToImage().Rescale(ThemeIcons::kSize, ThemeIcons::kSize,
                                                  wxIMAGE_QUALITY_HIGH));
}

}  // namespace

ThemeIcons::ThemeIcons() : images_(kSize, kSize, true) {}

int ThemeIcons::IndexFor(const std::vector<std::string>& names) {
  std::string key;
  for (const std::string& name : names) key += name + '\n';
  auto known = byNames_.find(key);
  if (known != byNames_.end()) return known->second;
  wxBitmap bitmap;
  for (const std::string& name : names) {
    bitmap = Lookup(name);
    if (bitmap.IsOk()) break;
  }
  if (!bitmap.IsOk()) bitmap = Fallback();
  const int index = images_.Add(Sized(bitmap));
  byNames_.emplace(std::move(key), index);
  return index;
}

wxBitmap ThemeIcons::Bitmap(int index) const {
  if (index < 0 || index >= images_.GetImageCount()) return wxBitmap();
  return images_.GetBitmap(index);
}

}  // namespace platform
