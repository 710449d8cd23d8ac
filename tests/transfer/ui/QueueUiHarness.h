// Helpers for the transfer-list window tests: sites and entries, the queue
// file as read back, a foreground session logged in to a real or scripted
// server, and a top-level window holding the window under test.
#pragma once

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/FtpObject.h"
#include "platform/MessageIds.h"
#include "platform/MessageTarget.h"
#include "platform/ui/WindowTarget.h"
#include "sites/FixedText.h"
#include "support/RealServers.h"
#include "support/ui/UiTest.h"
#include "transfer/FileQueue.h"
#include "transfer/MakeEntry.h"
#include "transfer/QueueFile.h"
#include "transfer/ui/JobListCtrl.h"

namespace queue_ui {

inline constexpr int kWaitMs = 20000;

inline SiteRecord Site(const std::string& address, const std::string& user = "",
                       const std::string& password = "") {
  SiteRecord site{};
  SetField(site.siteName, "test site");
  SetField(site.address, address);
  SetField(site.user, user);
  SetField(site.password, password);
  site.loginType = user.empty() ? LOGIN_ANONYMOUS : LOGIN_ACCOUNT;
  return site;
}

inline TransferEntry Entry(const SiteRecord& site, const std::string& remoteDir,
                           const std::string& name, const std::string& localDir,
                           std::int64_t size = 0, std::int32_t state = ENTRY_PENDING,
                           std::int32_t direction = XFER_DOWNLOAD) {
  TransferEntry e = MakeTransferEntry(site, remoteDir, name, localDir, direction, false,
                                      std::to_string(size), "2026-12-08 10:00");
  e.state = state;
  return e;
}

// The queue's file as it is once every change so far is written.
inline std::vector<TransferEntry> FileEntries(CFileQueue& queue) {
  queue.Flush();
  std::vector<TransferEntry> out;
  ReadQueueFile(queue.QueueFile(), [&](const TransferEntry& e) { out.push_back(e); });
  return out;
}

inline std::vector<std::string> Names(const std::vector<TransferEntry>& entries) {
  std::vector<std::string> names;
  for (const TransferEntry& e : entries) names.push_back(FieldText(e.remoteName));
  return names;
}

// Remote names with states, "name:state", in list order.
inline std::vector<std::string> NameStates(const std::vector<TransferEntry>& entries) {
  std::vector<std::string> out;
  for (const TransferEntry& e : entries)
    out.push_back(FieldText(e.remoteName) + ":" + std::to_string(e.state));
  return out;
}

inline std::vector<std::string> ListNames(const CJobListCtrl& list) {
  std::vector<std::string> names;
  for (long i = 0; i < static_cast<long>(list.RowCount()); ++i)
    names.push_back(FieldText(list.Row(i)->remoteName));
  return names;
}

inline std::int32_t StateIn(CFileQueue& queue, const std::string& name) {
  for (const TransferEntry& e : queue.Entries())
    if (FieldText(e.remoteName) == name) return e.state;
  return -1;  // not queued
}

// The command lines a session logged, without their prefix.
inline std::vector<std::string> Commands(platform::RecordingTarget& log, const std::string& verb) {
  std::vector<std::string> out;
  for (const std::string& t : log.Texts(msg::WM_SESSION_COMMAND_LINE)) {
    std::size_t at = t.find(verb + " ");
    if (at == std::string::npos) at = t.find(verb + "\r");
    if (at == std::string::npos) continue;
    std::string body = t.substr(at);
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();
    out.push_back(body);
  }
  return out;
}

// A foreground session with recording windows, logged in to `site`.
struct Session {
  std::shared_ptr<platform::RecordingTarget> log = std::make_shared<platform::RecordingTarget>();
  std::shared_ptr<platform::RecordingTarget> view = std::make_shared<platform::RecordingTarget>();
  CFtpObject session;
  Session() {
    session.logWindow = log;
    session.viewWindow = view;
  }
  ~Session() { session.Stop(); }
  bool LogIn(const SiteRecord& site) {
    session.SetSite(site);
    session.Start();
    return uitest::PumpUntil(
        [&] { return session.IsLoggedIn() && !session.CurrentDir().empty(); }, kWaitMs);
  }
};

// A top-level window that holds one child window filling it.
struct Host {
  wxFrame* frame = nullptr;
  Host() {
    frame = new wxFrame(nullptr, wxID_ANY, "queue test", wxPoint(0, 0), wxSize(900, 500));
  }
  void Fill(wxWindow* child) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(child, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->Show();
    frame->Raise();
    frame->Layout();
    uitest::PumpUntil([&] { return frame->IsShownOnScreen(); }, 3000);
    uitest::PumpFor(50);
  }
  ~Host() {
    frame->Destroy();
    uitest::PumpFor(20);
  }
};

// Gives `list`'s rows the focus (as a click would) and waits until they have it.
inline bool FocusRows(CJobListCtrl& list) {
  list.RowsWindow()->SetFocus();
  return uitest::PumpUntil(
      [&] {
        wxWindow* f = wxWindow::FindFocus();
        return f == list.RowsWindow() || f == &list;
      },
      3000);
}

inline void SelectNames(CJobListCtrl& list, const std::vector<std::string>& names) {
  list.SelectNone();
  for (const std::string& n : names) {
    const long row = list.RowOfName(n.c_str());
    if (row >= 0) list.SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  }
}

// The centre of a row on the screen.
inline wxPoint RowCentre(CJobListCtrl& list, long row) {
  wxRect rect;
  list.GetItemRect(row, rect);
  return list.ClientToScreen(rect.GetPosition() + wxPoint(30, rect.height / 2));
}

}  // namespace queue_ui
