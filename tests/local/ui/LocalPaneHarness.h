// A frame holding one local pane with a document, for the local pane's
// tests; the drive box's roots are "/" and a temporary "home".
#pragma once

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>

#include <string>
#include <vector>

#include "app/ui/TrawlixDoc.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "local/ui/DriverCombo.h"
#include "local/ui/LocalFileJob.h"
#include "support/RealServers.h"
#include "support/ui/UiTest.h"

class LocalPaneHarness {
 public:
  explicit LocalPaneHarness(const std::string& home, const std::string& start) {
    frame = new wxFrame(nullptr, wxID_ANY, "local pane", wxPoint(0, 0), wxSize(900, 650));
    pane = new CDirListView(frame, start, [home] {
      return std::vector<platform::LocalRoot>{{"/", "/", {"drive-harddisk"}},
                                             {home + "/", home, {"user-home"}}};
    });
    pane->SetDocument(&document);
    pane->SetStatusReporter([this](const std::string& text) { problems.push_back(text); });
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(pane, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->Show();
    frame->Raise();
    uitest::PumpUntil([&] { return frame->IsShownOnScreen(); }, 3000);
    pane->fileList->Bind(EVT_LOCAL_LISTED, [](wxCommandEvent& e) { e.Skip(); });
    WaitIdle();
  }
  ~LocalPaneHarness() {
    frame->Destroy();
    uitest::PumpFor(20);
  }

  // Waits until no read and no file operation runs.
  bool WaitIdle() {
    return uitest::PumpUntil(
        [&] { return !pane->fileList->Reading() && !pane->FileJob().Busy() &&
                     document.localFolder == pane->fileList->GetFolderPath(); },
        8000);
  }
  CDirListCtrl& List() { return *pane->fileList; }
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
  // Presses the left button on one row, moves in steps to another point
  // and, unless told to hold, releases it there.
  void DragRow(const std::string& from, const wxPoint& to, bool release = true) {
    wxUIActionSimulator sim;
    const wxPoint start = RowCentre(from);
    sim.MouseMove(start);
    uitest::PumpFor(40);
    sim.MouseDown();
    uitest::PumpFor(40);
    for (int step = 1; step <= 8; ++step) {
      sim.MouseMove(start + (to - start) * step / 8);
      uitest::PumpFor(30);
    }
    if (release) {
      sim.MouseUp();
      uitest::PumpFor(60);
    }
  }
  void FocusList() {
    List().SetFocus();
    uitest::PumpFor(50);
  }

  wxFrame* frame = nullptr;
  CDirListView* pane = nullptr;
  CTrawlixDoc document;
  std::vector<std::string> problems;
};
