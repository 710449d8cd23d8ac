#include "app/ui/MessageBoxNotices.h"

#include <wx/msgdlg.h>

void CMessageBoxNotices::ShowNotice(const std::string& caption, const std::string& text) {
  gate_.Run(
      [caption, text] {
        wxMessageDialog box(nullptr, wxString::FromUTF8(text), wxString::FromUTF8(caption),
                            wxOK);
        box.ShowModal();
        return 1;
      },
      0);
}
