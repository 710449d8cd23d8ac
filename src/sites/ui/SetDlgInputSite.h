// "Site info": edits one site record. The caller fills `site` (or leaves it
// all zero), sets `connectMode` for a quick connect (the OK button then reads
// "Connect"), shows the dialog modally and, after OK, reads `site`.
//
// Each edit field refuses input beyond its limit, counted in characters and
// in the bytes its record field can hold, so no text is ever cut on the way
// into the record. A field the user left as it was keeps its bytes exactly.
// OK refuses an address the session could never connect to, with a message.
// "Passive mode" shows and sets bit 0 of the record's flags (SetPassive); it
// starts ticked for a new (all-zero) record and for a quick connect.
#pragma once

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "sites/SiteRecord.h"

class CSetDlgInputSite : public wxDialog {
 public:
  enum : wxWindowID {
    kSiteNameId = 1101,
    kAddressId,
    kUserId,
    kPasswordId,
    kRemotePathId,
    kLocalPathId,
    kAccountId,
    kAnonymousId,
    kPassiveId,
  };
  // Input limits in characters, in the order of the fields above.
  static constexpr std::array<int, 6> kInputLimits{50, 50, 49, 49, 259, 259};

  explicit CSetDlgInputSite(wxWindow* parent);

  SiteRecord site{};
  std::int32_t connectMode = 0;

  bool TransferDataToWindow() override;
  bool TransferDataFromWindow() override;

  // Children, owned by the dialog.
  wxTextCtrl* siteNameEdit = nullptr;
  wxTextCtrl* addressEdit = nullptr;
  wxTextCtrl* userEdit = nullptr;
  wxTextCtrl* passwordEdit = nullptr;  // masked
  wxTextCtrl* remotePathEdit = nullptr;
  wxTextCtrl* localPathEdit = nullptr;
  wxRadioButton* accountRadio = nullptr;
  wxRadioButton* anonymousRadio = nullptr;
  wxCheckBox* passiveCheck = nullptr;
  wxButton* okButton = nullptr;

 private:
  struct Field {
    wxTextCtrl* edit = nullptr;
    std::size_t offset = 0;  // of the text field in SiteRecord
    std::size_t width = 0;   // bytes, terminator included
    int limit = 0;           // characters
    const char* name = "";   // for messages
    wxString shown;          // the text as the dialog opened
    wxString lastGood;       // the last text within the limits
    std::size_t shownBytes = 0;
  };

  char* Bytes(const Field& field) { return reinterpret_cast<char*>(&site) + field.offset; }
  bool Fits(const Field& field, const wxString& text) const;
  void OnFieldText(Field& field);
  void Refuse(wxWindow* focus, const wxString& text);

  std::array<Field, 6> fields_;
};
