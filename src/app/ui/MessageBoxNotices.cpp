#include "app/ui/MessageBoxNotices.h"

#include <wx/app.h>
#include <wx/msgdlg.h>

namespace {

void ShowBox(const std::string& caption, const std::string& text) {
  wxMessageDialog box(nullptr, wxString::FromUTF8(text), wxString::FromUTF8(caption), wxOK);
  box.ShowModal();
}

}  // namespace

void CMessageBoxNotices::ShowNotice(const std::string& caption, const std::string& text) {
  gate_.Run(
      [caption, text] {
        ShowBox(caption, text);
        return 1;
      },
      0);
}

void CMessageBoxNotices::PostNotice(const std::string& caption, const std::string& text) {
  if (wxTheApp) wxTheApp->CallAfter([caption, text] { ShowBox(caption, text); });
}
