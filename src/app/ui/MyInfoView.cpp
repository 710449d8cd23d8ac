#include "app/ui/MyInfoView.h"

#include <wx/sizer.h>

#include "platform/MessageIds.h"

CMyInfoView::CMyInfoView(wxWindow* parent, wxWindowID id) : wxPanel(parent, id) {
  logEdit = new CColorEdit(this);
  // The control always covers the whole pane, also after every resize.
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(logEdit, 1, wxEXPAND);
  SetSizer(sizer);
}

int CMyInfoView::AppendLine(const std::string& text) {
  return logEdit->AppendColored(text);
}

bool CMyInfoView::HandleMessage(platform::Message& message) {
  LogColour colour = 0;
  switch (message.id) {
    case msg::WM_SESSION_REPLY_LINE: colour = kReplyColour; break;
    case msg::WM_SESSION_COMMAND_LINE: colour = kCommandColour; break;
    case msg::WM_SESSION_STATUS_LINE: colour = kStatusColour; break;
    default: return false;
  }
  logEdit->SetLineColor(colour);
  AppendLine(message.Text());
  message.payload = platform::Payload{};  // the text is ours now: free it
  return true;
}
