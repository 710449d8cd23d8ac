#include "app/ui/Pictures.h"

#include <wx/image.h>
#include <wx/mstream.h>


#include "app/ui/PictureData.h"

namespace pictures {

const std::vector<int>& IconSizes() {
  static const std::vector<int> sizes = {16, 32, 48, 64, 128, 256};
  return sizes;
}

wxBitmap Named(const std::string& name) {
  for (std::size_t i = 0; i < kEmbeddedCount; ++i) {
    const EmbeddedPng& png = kEmbedded[i];
    if (name != png.name) continue;
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    wxMemoryInputStream stream(png.bytes, png.size);
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_PNG)) return wxBitmap();
    return wxBitmap(image);
  }
  return wxBitmap();
}

wxBitmap ProgramIcon(int size) { return Named("skiffline-" + std::to_string(size)); }

wxIconBundle ProgramIcons() {
  wxIconBundle bundle;
  for (int size : IconSizes()) {
    const wxBitmap bitmap = ProgramIcon(size);
    if (!bitmap.IsOk()) continue;
    wxIcon icon;
    icon.CopyFromBitmap(bitmap);
    bundle.AddIcon(icon);
  }
  return bundle;
}

wxBitmap DropWindowPicture() { return Named("drop-window"); }

wxBitmap SplashPicture() { return Named("splash"); }

}  // namespace pictures
