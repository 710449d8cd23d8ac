// "Input new file name": one edit field with OK (default) and Cancel. The
// caller sets `nameText`, shows the dialog and, after OK, reads `nameText`.
// On opening the whole text is selected so that typing replaces it.
#pragma once

#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <functional>
#include <string>

class CInputFileNameDlg : public wxDialog {
 public:
  static constexpr wxWindowID kNameEditId = 1025;

  explicit CInputFileNameDlg(wxWindow* parent, long extraStyle = 0);

  std::string nameText;  // UTF-8

  // Shown without a modal loop, the dialog reports its closing here
  // (wxID_OK or wxID_CANCEL) after hiding itself.
  void SetCloseHandler(std::function<void(int)> handler) { closeHandler_ = std::move(handler); }

  bool TransferDataToWindow() override;
  bool TransferDataFromWindow() override;

  wxTextCtrl* nameEdit = nullptr;  // child, owned by the dialog

 private:
  void Finish(int returnCode);

  std::function<void(int)> closeHandler_;
};
