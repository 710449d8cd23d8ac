// A frame holding one remote pane wired to a foreground session the way the
// main window wires it: the pane is the session's view window, the session's
// log lines are recorded, downloads go to a temporary local folder.
#pragma once

#include <gtest/gtest.h>
#include <wx/filefn.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/ui/TrawlixDoc.h"
#include "engine/FtpObject.h"
#include "platform/MessageIds.h"
#include "platform/MessageTarget.h"
#include "platform/ui/WindowTarget.h"
#include "remote/ui/FtpDirList.h"
#include "remote/ui/FtpDirView.h"
#include "remote/ui/HistroyCombo.h"
#include "support/RealServers.h"
#include "support/ui/UiTest.h"

// Makes `folder` the working folder and the data folder for its life (the
// login's queue file goes there), then restores the old ones.
class ScopedWorkingFolder {
 public:
  explicit ScopedWorkingFolder(const std::string& folder)
      : old_(wxGetCwd()), data_("SKIFFLINE_DATA_DIR", folder) {
    wxSetWorkingDirectory(folder);
  }
  ~ScopedWorkingFolder() { wxSetWorkingDirectory(old_); }
  ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
  ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

 private:
  wxString old_;
  uitest::ScopedEnv data_;
};

class RemotePaneHarness {
 public:
  RemotePaneHarness() {
    frame = new wxFrame(nullptr, wxID_ANY, "remote pane", wxPoint(0, 0), wxSize(900, 650));
    pane = new CFtpDirView(frame);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(pane, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->Show();
    frame->Raise();
    uitest::PumpUntil([&] { return frame->IsShownOnScreen(); }, 3000);
    document.SetLocalFolder(local.Path() + "/");
    session.logWindow = log;
    session.viewWindow = pane->Target();
    session.inactivityTimeoutMs = 5000;
    session.dataConnectTimeoutMs = 5000;
    pane->SetSession(&session);
    pane->SetDocument(&document);
    pane->SetStatusReporter([this](const std::string& text) { problems.push_back(text); });
    pane->SetQueueShown([this] { ++queueShownCalls; });
  }
  ~RemotePaneHarness() {
    session.Stop();
    frame->Destroy();
    uitest::PumpFor(20);
  }

  static SiteRecord Site(const std::string& address, const std::string& user = "skiff",
                         const std::string& password = "secret", const std::string& initPath = "") {
    SiteRecord site{};
    std::strcpy(site.siteName, "pane test");
    std::snprintf(site.address, sizeof site.address, "%s", address.c_str());
    std::snprintf(site.user, sizeof site.user, "%s", user.c_str());
    std::snprintf(site.password, sizeof site.password, "%s", password.c_str());
    std::snprintf(site.remoteInitPath, sizeof site.remoteInitPath, "%s", initPath.c_str());
    return site;
  }

  // Connects and waits for the first listing to be shown.
  bool ConnectAndList(const SiteRecord& site) {
    pane->Connect(site);
    return uitest::PumpUntil(
        [&] { return session.IsLoggedIn() && pane->History().Count() > 0 && Idle(); }, 15000);
  }
  bool Idle() { return pane->ControlsEnabled() && session.transferQueue.Entries().empty(); }
  // Waits until the list shows `name` (or no longer shows it).
  bool WaitForRow(const std::string& name, bool shown = true, int timeoutMs = 10000) {
    return uitest::PumpUntil([&] { return (List().RowOfName(name) >= 0) == shown; }, timeoutMs);
  }

  CFtpDirList& List() { return *pane->fileList; }
  std::vector<std::string> RowNames() {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < List().RowCount(); ++i)
      names.push_back(List().Row(static_cast<long>(i))->name);
    return names;
  }
  void Select(const std::vector<std::string>& names) {
    for (long i = 0; i < List().GetItemCount(); ++i) List().SetItemState(i, 0, wxLIST_STATE_SELECTED);
    for (const std::string& name : names) {
      const long row = List().RowOfName(name);
      ASSERT_GE(row, 0) << name;
      List().SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                          wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    }
  }
  wxPoint RowCentre(const std::string& name) {
    wxRect rect;
    List().GetItemRect(List().RowOfName(name), rect);
    return List().ClientToScreen(rect.GetPosition() + wxPoint(40, rect.height / 2));
  }
  void FocusList() {
    List().RowsWindow()->SetFocus();
    uitest::PumpUntil([&] {
      wxWindow* focus = wxWindow::FindFocus();
      return focus == List().RowsWindow() || focus == &List();
    }, 2000);
  }
  void Key(int keyCode) {
    FocusList();
    wxUIActionSimulator sim;
    sim.Char(keyCode);
    uitest::PumpFor(80);
  }
  void DoubleClick(const std::string& name) {
    wxUIActionSimulator sim;
    sim.MouseMove(RowCentre(name));
    uitest::PumpFor(40);
    sim.MouseDblClick();
    uitest::PumpFor(80);
  }
  std::string LogText() {
    std::string all;
    for (const std::string& line : log->Texts(msg::WM_SESSION_STATUS_LINE)) all += line;
    for (const std::string& line : log->Texts(msg::WM_SESSION_REPLY_LINE)) all += line;
    for (const std::string& line : log->Texts(msg::WM_SESSION_COMMAND_LINE)) all += line;
    for (const std::string& line : problems) all += line + "\n";
    return all;
  }

  skifftest::TempDir local, work;
  ScopedWorkingFolder workingFolder{work.Path()};  // outlives the session
  wxFrame* frame = nullptr;
  CFtpDirView* pane = nullptr;
  CTrawlixDoc document;
  CFtpObject session;
  std::shared_ptr<platform::RecordingTarget> log = std::make_shared<platform::RecordingTarget>();
  std::vector<std::string> problems;
  int queueShownCalls = 0;
};
