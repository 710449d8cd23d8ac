// The transfer queue view: the foreground queue. For now an empty panel that holds the main window's cell.
#pragma once

#include <wx/panel.h>

class CDownloadFileView : public wxPanel {
 public:
  explicit CDownloadFileView(wxWindow* parent, wxWindowID id = wxID_ANY)
      : wxPanel(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_SUNKEN,
                "CDownloadFileView") {}
};
