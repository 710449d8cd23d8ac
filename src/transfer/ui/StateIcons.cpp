#include "transfer/ui/StateIcons.h"

#include <wx/brush.h>
#include <wx/graphics.h>
#include <wx/pen.h>
#include <wx/image.h>

#include <algorithm>
#include <memory>

#include "transfer/TransferEntry.h"

wxColour StateIconColour(std::int32_t state) {
  switch (state) {
    case ENTRY_PENDING: return wxColour(0x1f, 0x5f, 0xbf);  // blue
    case ENTRY_STOPPED: return wxColour(0x80, 0x80, 0x80);  // grey
    case ENTRY_RUNNING: return wxColour(0x1a, 0x9a, 0x2a);  // green
    default: return wxColour(0xd0, 0x20, 0x20);             // red: failed
  }
}

wxBitmap DrawStateIcon(std::int32_t state, int size) {
  wxImage image(size, size);
  image.InitAlpha();
  unsigned char* alpha = image.GetAlpha();
  for (int i = 0; i < size * size; ++i) alpha[i] = 0;
  {
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
    if (gc) {
      const wxColour colour = StateIconColour(state);
      const double s = size;
      gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
      gc->SetBrush(wxBrush(colour));
      gc->SetPen(wxPen(colour, 1));
      wxGraphicsPath path = gc->CreatePath();
      switch (state) {
        case ENTRY_PENDING:  // an arrow pointing up
          path.MoveToPoint(s * 0.5, s * 0.08);
          path.AddLineToPoint(s * 0.92, s * 0.5);
          path.AddLineToPoint(s * 0.65, s * 0.5);
          path.AddLineToPoint(s * 0.65, s * 0.92);
          path.AddLineToPoint(s * 0.35, s * 0.92);
          path.AddLineToPoint(s * 0.35, s * 0.5);
          path.AddLineToPoint(s * 0.08, s * 0.5);
          path.CloseSubpath();
          gc->FillPath(path);
          break;
        case ENTRY_STOPPED:  // a filled square
          gc->DrawRectangle(s * 0.19, s * 0.19, s * 0.62, s * 0.62);
          break;
        case ENTRY_RUNNING:  // an arrow pointing right
          path.MoveToPoint(s * 0.92, s * 0.5);
          path.AddLineToPoint(s * 0.5, s * 0.92);
          path.AddLineToPoint(s * 0.5, s * 0.65);
          path.AddLineToPoint(s * 0.08, s * 0.65);
          path.AddLineToPoint(s * 0.08, s * 0.35);
          path.AddLineToPoint(s * 0.5, s * 0.35);
          path.AddLineToPoint(s * 0.5, s * 0.08);
          path.CloseSubpath();
          gc->FillPath(path);
          break;
        default: {  // a cross
          gc->SetPen(wxPen(colour, std::max(2, size / 6)));
          path.MoveToPoint(s * 0.2, s * 0.2);
          path.AddLineToPoint(s * 0.8, s * 0.8);
          path.MoveToPoint(s * 0.8, s * 0.2);
          path.AddLineToPoint(s * 0.2, s * 0.8);
          gc->StrokePath(path);
          break;
        }
      }
    }
  }  // the context writes back into the image here
  return wxBitmap(image);
}
