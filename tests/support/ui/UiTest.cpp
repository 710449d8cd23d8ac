#include "support/ui/UiTest.h"

#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <set>

namespace uitest {

void PumpOnce() {
  if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
    for (int i = 0; i < 1000 && loop->Pending(); ++i) loop->Dispatch();
  }
  if (wxTheApp) {
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
  }
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    PumpOnce();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return done();
    wxMilliSleep(2);
  }
}

void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

namespace {

int GtkResponseFor(int wxId) {
  switch (wxId) {
    case wxID_OK: return GTK_RESPONSE_OK;
    case wxID_YES: return GTK_RESPONSE_YES;
    case wxID_NO: return GTK_RESPONSE_NO;
    case wxID_CLOSE: return GTK_RESPONSE_CLOSE;
    default: return GTK_RESPONSE_CANCEL;
  }
}

std::string Utf8(const wxString& s) { return std::string(s.utf8_str().data()); }

}  // namespace

struct ModalDialogCloser::Impl final : wxTimer {
  ModalAnswer answer;
  std::vector<ModalInfo> seen;

  void Notify() override { CloseModals(); }

  int CloseModals() {
    int closed = 0;
    std::set<void*> wxHandles;
    for (wxWindow* w : wxTopLevelWindows) {
      auto* dialog = dynamic_cast<wxDialog*>(w);
      if (!dialog) continue;
      wxHandles.insert(dialog->GetHandle());
      if (!dialog->IsModal()) continue;
      ModalInfo info{Utf8(dialog->GetTitle()), "", dialog};
      const int id = answer ? answer(info) : wxID_CANCEL;
      info.dialog = nullptr;
      seen.push_back(info);
      if (id != wxID_NONE) dialog->EndModal(id);
      ++closed;
    }
    // Native boxes (wxMessageDialog, file choosers) run GTK's own dialog loop.
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next) {
      auto* window = GTK_WINDOW(item->data);
      if (wxHandles.count(window) || !GTK_IS_DIALOG(window)) continue;
      if (!gtk_widget_get_visible(GTK_WIDGET(window)) || !gtk_window_get_modal(window)) continue;
      ModalInfo info;
      if (const char* title = gtk_window_get_title(window)) info.title = title;
      if (GTK_IS_MESSAGE_DIALOG(window)) {
        gchar* text = nullptr;
        g_object_get(window, "text", &text, nullptr);
        if (text) info.text = text;
        g_free(text);
      }
      const int id = answer ? answer(info) : wxID_CANCEL;
      seen.push_back(info);
      gtk_dialog_response(GTK_DIALOG(window), GtkResponseFor(id));
      ++closed;
    }
    g_list_free(windows);
    return closed;
  }
};

ModalDialogCloser::ModalDialogCloser(ModalAnswer answer) : impl_(std::make_unique<Impl>()) {
  impl_->answer = std::move(answer);
  impl_->Start(20);
}

ModalDialogCloser::~ModalDialogCloser() { impl_->Stop(); }

std::vector<ModalInfo> ModalDialogCloser::Seen() const { return impl_->seen; }

int ModalDialogCloser::CloseNow() { return impl_->CloseModals(); }

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
  wxString old;
  hadOld_ = wxGetEnv(name_, &old);
  old_ = Utf8(old);
  wxSetEnv(name_, wxString::FromUTF8(value));
}

ScopedEnv::~ScopedEnv() {
  if (hadOld_)
    wxSetEnv(name_, wxString::FromUTF8(old_));
  else
    wxUnsetEnv(name_);
}

}  // namespace uitest
