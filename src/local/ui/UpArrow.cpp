#include "local/ui/UpArrow.h"

#include <wx/dcmemory.h>
#include <wx/graphics.h>

#include <memory>

wxBitmap UpArrowBitmap(bool enabled) {
  constexpr int kSize = 16;
  wxImage image(kSize, kSize);
  image.InitAlpha();
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) image.SetAlpha(x, y, 0);
  wxBitmap bitmap(image);
  {
    wxMemoryDC dc(bitmap);
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (gc) {
      const wxColour ink = enabled ? wxColour(40, 80, 150) : wxColour(160, 160, 160);
      gc->SetPen(wxPen(ink, 1));
      gc->SetBrush(wxBrush(ink));
      wxGraphicsPath path = gc->CreatePath();
      path.MoveToPoint(8, 1);    // tip
      path.AddLineToPoint(15, 8);
      path.AddLineToPoint(10.5, 8);
      path.AddLineToPoint(10.5, 15);
      path.AddLineToPoint(5.5, 15);
      path.AddLineToPoint(5.5, 8);
      path.AddLineToPoint(1, 8);
      path.CloseSubpath();
      gc->FillPath(path);
    }
  }
  return bitmap;
}
