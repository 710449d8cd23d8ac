// A window holding one local list, as the local pane holds it, for the local
// list's tests: counts the listings and context-menu reports it gets, records
// the operations the list asks for, and runs them for real when told to.
#pragma once

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>

#include <string>
#include <vector>

#include "local/ui/DirListCtrl.h"
#include "support/ui/UiTest.h"

struct AskedOperation {
  LocalFileOperation operation;
  std::vector<std::string> sources;
  std::vector<std::string> targets;
};

class LocalListHarness {
 public:
  LocalListHarness() {
    frame = new wxFrame(nullptr, wxID_ANY, "local list", wxPoint(0, 0), wxSize(800, 600));
    owner = new wxPanel(frame);
    list = new CDirListCtrl(owner, owner);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(list, 1, wxEXPAND);
    owner->SetSizer(sizer);
    owner->Bind(EVT_LOCAL_LISTED, [this](wxCommandEvent&) { ++listed; });
    owner->Bind(EVT_LOCAL_CONTEXT_MENU, [this](wxCommandEvent&) {
      ++menus;
      selectionAtMenu = list->SelectedRows();
    });
    list->SetOperationRunner([this](LocalFileOperation op, std::vector<std::string> sources,
                                    std::vector<std::string> targets, std::function<void(int)> done) {
      asked.push_back({op, sources, targets});
      done(1);
    });
    list->SetOpener([this](const std::string& path) { opened.push_back(path); });
    list->SetProblemReporter([this](const std::string& text) { problems.push_back(text); });
    frame->Show();
    frame->Raise();
    uitest::PumpUntil([&] { return frame->IsShownOnScreen(); }, 3000);
  }
  ~LocalListHarness() {
    frame->Destroy();
    uitest::PumpFor(20);
  }

  // Lists `folder` and waits for the listing to arrive.
  bool Show(const std::string& folder) {
    const int before = listed;
    list->ShowFolder(folder);
    return WaitListed(before);
  }
  bool WaitListed(int before) {
    return uitest::PumpUntil([&] { return listed > before && !list->Reading(); }, 5000);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list->RowCount(); ++i) names.push_back(list->Row(long(i))->name);
    return names;
  }
  void Select(const std::vector<std::string>& names) {
    for (long i = 0; i < list->GetItemCount(); ++i) list->SetItemState(i, 0, wxLIST_STATE_SELECTED);
    for (const std::string& name : names) {
      const long row = list->RowOfName(name);
      ASSERT_GE(row, 0) << name;
      list->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                         wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    }
  }
  bool FocusRows() {
    list->RowsWindow()->SetFocus();
    return uitest::PumpUntil([&] {
      wxWindow* focus = wxWindow::FindFocus();
      return focus == list->RowsWindow() || focus == list;
    }, 2000);
  }
  // A real key press in the list.
  void Press(int key) {
    wxUIActionSimulator sim;
    sim.Char(key);
    uitest::PumpFor(80);
  }
  // The middle of a row, on the screen.
  wxPoint RowCentre(long row) {
    wxRect rect;
    list->GetItemRect(row, rect);
    return list->ClientToScreen(rect.GetPosition() + wxPoint(30, rect.height / 2));
  }

  wxFrame* frame = nullptr;
  wxPanel* owner = nullptr;
  CDirListCtrl* list = nullptr;
  int listed = 0;
  int menus = 0;
  std::vector<long> selectionAtMenu;
  std::vector<AskedOperation> asked;
  std::vector<std::string> opened;
  std::vector<std::string> problems;
};
