// "Target file already exists": shows the existing target's path and asks
// Overwrite, Resume, Rename or Skip, with "Apply all" for the rest of the run.
// The action buttons read the tick and text back into `applyAll` and
// `targetText`; Skip, Escape and the close box answer Skip and leave
// `applyAll` as it was. There is no default button and Enter does nothing.
#pragma once

#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <cstdint>
#include <functional>
#include <string>

class CSelectActionDlg : public wxDialog {
 public:
  static constexpr wxWindowID kOverwriteId = 1030;
  static constexpr wxWindowID kResumeId = 1031;
  static constexpr wxWindowID kRenameId = 1032;
  static constexpr wxWindowID kApplyAllId = 1033;
  static constexpr wxWindowID kTargetTextId = 1034;

  explicit CSelectActionDlg(wxWindow* parent, long extraStyle = 0);

  std::int32_t applyAll = 0;
  std::string targetText;  // UTF-8
  std::int32_t result = 0; // ACTION_* of the button that closed it
  // The tick as left when a button (Skip included) closed the dialog; 0
  // after Escape or the close box.
  std::int32_t applyToRest = 0;

  // Shown without a modal loop, the dialog reports its closing here (the
  // `result`) after hiding itself.
  void SetCloseHandler(std::function<void(int)> handler) { closeHandler_ = std::move(handler); }

  bool TransferDataToWindow() override;
  bool TransferDataFromWindow() override;

  wxTextCtrl* targetBox = nullptr;  // children, owned by the dialog
  wxCheckBox* applyAllBox = nullptr;

 private:
  void OnAction(wxCommandEvent& event);
  void OnSkip(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void Finish(std::int32_t code);

  std::function<void(int)> closeHandler_;
};
