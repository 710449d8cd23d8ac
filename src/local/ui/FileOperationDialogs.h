// The local file operations' own questions and their failure report: wx
// dialogs (not the toolkit's message boxes) so that they look the same
// everywhere and can be driven as wxDialog. Names are shown through
// DisplayText; the bytes an operation uses are never changed.
#pragma once

#include <wx/dialog.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/LocalFileOps.h"
#include "transfer/FileOperationUi.h"

class wxStaticText;
class wxTextCtrl;

// The question before deleting for good, with the first names listed.
wxString DeleteQuestionText(std::size_t count, const std::vector<std::string>& firstNames);
// The question before replacing `target`, naming it and its folder.
wxString ReplaceQuestionText(const std::string& target);

// A Yes / No question. No is the default button and has the focus; Escape
// and the close box answer No. ShowModal returns wxID_YES or wxID_NO.
class CFileQuestionDlg : public wxDialog {
 public:
  CFileQuestionDlg(wxWindow* parent, const wxString& caption, const wxString& message);
  wxString Message() const { return message_; }

 private:
  void Answer(int id);

  wxString message_;
};

// "Confirm Delete": asked once before `count` items are deleted for good.
class CConfirmDeleteDlg : public CFileQuestionDlg {
 public:
  CConfirmDeleteDlg(wxWindow* parent, std::size_t count, const std::vector<std::string>& firstNames)
      : CFileQuestionDlg(parent, "Confirm Delete", DeleteQuestionText(count, firstNames)) {}
};

// "Confirm Replace": `target` exists already.
class CConfirmReplaceDlg : public CFileQuestionDlg {
 public:
  CConfirmReplaceDlg(wxWindow* parent, const std::string& target)
      : CFileQuestionDlg(parent, "Confirm Replace", ReplaceQuestionText(target)) {}
};

// "Error": every item an operation could not handle, with the system's text,
// in a scrollable read-only list; OK (or Escape) closes it.
class CFileFailuresDlg : public wxDialog {
 public:
  CFileFailuresDlg(wxWindow* parent, LocalFileOperation operation,
                   const std::vector<platform::FileOpFailure>& failures);

  wxString Heading() const;
  wxString ListText() const;

 private:
  wxStaticText* heading_ = nullptr;
  wxTextCtrl* list_ = nullptr;
};
