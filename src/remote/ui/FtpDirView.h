// The remote pane: the current remote directory. For now an empty panel that holds the main window's cell.
#pragma once

#include <wx/panel.h>

class CFtpDirView : public wxPanel {
 public:
  explicit CFtpDirView(wxWindow* parent, wxWindowID id = wxID_ANY)
      : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_SUNKEN,
                "CFtpDirView") {}
};
