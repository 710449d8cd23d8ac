#include "app/ui/AboutDlg.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "app/ui/Pictures.h"

CAboutDlg::CAboutDlg(wxWindow* parent, const std::string& title, const std::string& name,
                     const std::string& version)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(title), wxDefaultPosition,
               wxSize(kWidth, kHeight), wxDEFAULT_DIALOG_STYLE) {
  SetIcons(pictures::ProgramIcons());
  new wxStaticBitmap(this, wxID_ANY, pictures::ProgramIcon(64), wxPoint(24, 20), wxSize(64, 64));
  // Explicit sizes: GTK wraps a label at the width it was made with.
  auto* heading = new wxStaticText(this, wxID_ANY, "", wxPoint(108, 26), wxSize(kWidth - 128, 28));
  wxFont bold = heading->GetFont();
  bold.SetPointSize(bold.GetPointSize() + 3);
  bold.MakeBold();
  heading->SetFont(bold);
  heading->SetLabel(wxString::FromUTF8(name));
  new wxStaticText(this, wxID_ANY, wxString::FromUTF8("Version " + version), wxPoint(108, 58),
                   wxSize(kWidth - 128, 20));
  const int width = kWidth - 2 * 24;
  auto* notice = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(NoticeText(name)),
                                  wxPoint(24, 100), wxSize(width, 110));
  notice->Wrap(width);

  auto* ok = new wxButton(this, kOkId, "OK", wxPoint(150, 220), wxSize(60, 21));
  ok->SetDefault();
  SetAffirmativeId(kOkId);
  SetEscapeId(kOkId);
  ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_OK); });

  SetSize(kWidth, kHeight);
  CentreOnParent();
}

std::string CAboutDlg::NoticeText(const std::string& name) {
  return "An FTP client for the desktop: two file panes, a transfer queue and "
         "background transfers.\n\n"
         "Copyright \u00a9 2026 the Skiffline developers\n" +
         name + " comes with ABSOLUTELY NO WARRANTY, to the extent permitted by law.";
}
