#include "app/ui/VersionCheckThread.h"

#include <wx/app.h>
#include <wx/msgdlg.h>

VersionCheckThread::VersionCheckThread(VersionCheckConfig config,
                                       platform::WebAddressOpener openWebAddress, YesNoBox box) {
  if (!box) box = ShowOfferBox;
  if (!config.abortSwitch) config.abortSwitch = std::make_shared<platform::HttpAbortSwitch>();
  abort_ = config.abortSwitch;
  config.askYesNo = [this, box](const std::string& caption, const std::string& text) {
    // Copies: the queued box may run after the wait was released.
    return gate_.Run([box, caption, text] { return box(caption, text) ? 1 : 0; }, 0) == 1;
  };
  config.openWebAddress = [opener = std::move(openWebAddress)](const std::string& address) {
    if (opener && wxTheApp) wxTheApp->CallAfter([opener, address] { opener(address); });
  };
  thread_ = std::thread([config = std::move(config)] { RunVersionCheck(config); });
}

VersionCheckThread::~VersionCheckThread() {
  abort_->Set();
  gate_.Release();
  if (thread_.joinable()) thread_.join();
}

bool VersionCheckThread::ShowOfferBox(const std::string& caption, const std::string& text) {
  wxMessageDialog box(nullptr, wxString::FromUTF8(text), wxString::FromUTF8(caption),
                      wxYES_NO | wxICON_INFORMATION);
  return box.ShowModal() == wxID_YES;
}
