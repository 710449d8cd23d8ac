// The message log pane: a panel filled by one CColorEdit, which receives the
// sessions' reply, command and status lines and shows each kind in its colour.
#pragma once

#include <wx/panel.h>

#include <string>

#include "app/ui/ColorEdit.h"
#include "platform/Message.h"

class CMyInfoView : public wxPanel {
 public:
  explicit CMyInfoView(wxWindow* parent, wxWindowID id = wxID_ANY);

  // Appends a line as it stands in the current line colour. Returns 1.
  int AppendLine(const std::string& text);

  // Takes a posted message: the three line messages are appended in their
  // colour and their text freed; returns false (and leaves the message alone)
  // for any other id.
  bool HandleMessage(platform::Message& message);
  void OnSessionMessage(platform::Message& message) { HandleMessage(message); }

  CColorEdit* logEdit = nullptr;  // child window, owned by the panel
};
