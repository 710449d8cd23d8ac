// The remote list on its own: order, columns, names that aren't UTF-8, and
// the notifications its keys, double click and right button send.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>

#include <cstring>
#include <memory>

#include "remote/ui/FtpDirList.h"
#include "remote/ui/HistroyCombo.h"
#include "support/ui/UiTest.h"

namespace {

RemoteFileRecord Record(const std::string& name, bool folder, const char* size = "10") {
  RemoteFileRecord r{};
  r.name = name;
  std::strcpy(r.sizeText, size);
  std::strcpy(r.dateText, "Mar 5");
  std::strcpy(r.timeText, "10:15");
  std::strcpy(r.attributes, folder ? "drwxr-xr-x" : "-rw-r--r--");
  r.isFolder = folder ? 1 : 0;
  return r;
}

class ListFrame {
 public:
  ListFrame() {
    frame = new wxFrame(nullptr, wxID_ANY, "remote list", wxPoint(0, 0), wxSize(800, 500));
    list = new CFtpDirList(frame, frame);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(list, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->Show();
    uitest::PumpUntil([&] { return frame->IsShownOnScreen(); }, 3000);
    frame->Bind(EVT_REMOTE_KEY, [this](wxCommandEvent& e) { keys.push_back(e.GetInt()); });
    frame->Bind(EVT_REMOTE_OPEN, [this](wxCommandEvent&) { ++opens; });
    frame->Bind(EVT_REMOTE_CONTEXT_MENU, [this](wxCommandEvent&) { ++menus; });
  }
  ~ListFrame() {
    frame->Destroy();
    uitest::PumpFor(20);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list->RowCount(); ++i) names.push_back(list->Row(static_cast<long>(i))->name);
    return names;
  }
  wxPoint RowCentre(long row) {
    wxRect rect;
    list->GetItemRect(row, rect);
    return list->ClientToScreen(rect.GetPosition() + wxPoint(40, rect.height / 2));
  }

  wxFrame* frame;
  CFtpDirList* list;
  std::vector<int> keys;
  int opens = 0, menus = 0;
};

TEST(FtpDirList, FoldersFirstThenFilesEachWithoutRegardToCase) {
  ListFrame f;
  auto listing = std::make_shared<RemoteListing>(RemoteListing{
      Record("z", false), Record("b", true), Record("Y", false), Record("A", true),
      Record("c", true)});
  f.list->FillList(listing);
  EXPECT_EQ(f.Names(), (std::vector<std::string>{"A", "b", "c", "Y", "z"}));
  EXPECT_EQ(f.list->GetItemCount(), 5);
  EXPECT_EQ(f.list->GetColumnCount(), 6);
  const char* headings[] = {"File", "Size", "Type", "Time", "Date", "Attribute"};
  for (int c = 0; c < 6; ++c) {
    wxListItem column;
    column.SetMask(wxLIST_MASK_TEXT);
    f.list->GetColumn(c, column);
    EXPECT_EQ(column.GetText(), headings[c]);
  }
  EXPECT_EQ(f.list->CellText(0, 2), "DIR");
  EXPECT_EQ(f.list->CellText(3, 2), "");
  EXPECT_EQ(f.list->CellText(3, 0), "Y");
  EXPECT_EQ(f.list->CellText(3, 1), "10");
  EXPECT_EQ(f.list->CellText(3, 3), "10:15");
  EXPECT_EQ(f.list->CellText(3, 4), "Mar 5");
  EXPECT_EQ(f.list->CellText(3, 5), "-rw-r--r--");
  EXPECT_TRUE(f.list->RowIcon(0).IsOk());
  EXPECT_TRUE(f.list->RowIcon(4).IsOk());
  // The list shares the listing; an empty one, or none, gives no rows.
  EXPECT_EQ(f.list->Listing().get(), listing.get());
  f.list->ClearRows();
  EXPECT_EQ(f.list->GetItemCount(), 0);
  EXPECT_EQ(f.list->Row(0), nullptr);
}

TEST(FtpDirList, NamesThatAreNotUtf8ShowAsLatin1AndKeepTheirBytes) {
  ListFrame f;
  const std::string latin1 = "caf\xe9.txt";
  auto listing = std::make_shared<RemoteListing>(RemoteListing{Record(latin1, false)});
  f.list->FillList(listing);
  EXPECT_EQ(f.list->CellText(0, 0), wxString::FromUTF8("caf\xc3\xa9.txt"));
  EXPECT_EQ(f.list->Row(0)->name, latin1);
  EXPECT_EQ(f.list->RowOfName(latin1), 0);
}

TEST(FtpDirList, KeysDoubleClickAndRightButtonNotifyTheOwner) {
  ListFrame f;
  f.list->FillList(std::make_shared<RemoteListing>(
      RemoteListing{Record("one", true), Record("two.txt", false)}));
  f.list->SetItemState(1, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                       wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
  f.list->RowsWindow()->SetFocus();
  ASSERT_TRUE(uitest::PumpUntil([&] {
    wxWindow* focus = wxWindow::FindFocus();
    return focus == f.list->RowsWindow() || focus == f.list;
  }, 2000));
  wxUIActionSimulator sim;
  for (int key : std::initializer_list<int>{WXK_BACK, WXK_RETURN, WXK_DELETE, WXK_F2, WXK_F5, 'x'}) {
    sim.Char(key);
    uitest::PumpFor(40);
  }
  ASSERT_TRUE(uitest::PumpUntil([&] { return f.keys.size() >= 5; }, 2000)) << f.keys.size();
  EXPECT_EQ(f.keys, (std::vector<int>{8, 13, 46, 113, 116}));
  EXPECT_EQ(f.opens, 0);  // Enter is a key, not a double click

  sim.MouseMove(f.RowCentre(0));
  uitest::PumpFor(40);
  sim.MouseDblClick();
  EXPECT_TRUE(uitest::PumpUntil([&] { return f.opens == 1; }, 2000));
  sim.MouseClick(wxMOUSE_BTN_RIGHT);
  EXPECT_TRUE(uitest::PumpUntil([&] { return f.menus == 1; }, 2000));
  // Ctrl+A's select-all.
  f.list->SelectAllRows();
  EXPECT_EQ(f.list->SelectedRows(), (std::vector<long>{0, 1}));
}

TEST(HistroyCombo, NewestOnTopSelectionByPathAndOneTrailingSlashTrimmed) {
  wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "box", wxPoint(0, 0), wxSize(400, 100));
  auto* box = new CHistroyCombo(frame);
  frame->Show();
  EXPECT_EQ(box->GetId(), 4608);
  EXPECT_EQ(box->GetSelectedText(), "");
  box->AddPathOnTop("/pub");
  box->AddPathOnTop("/pub/linux/");
  box->AddPathOnTop("/od\xff");
  EXPECT_EQ(box->Paths(), (std::vector<std::string>{"/od\xff", "/pub/linux", "/pub"}));
  EXPECT_EQ(box->GetString(0), wxString::FromUTF8("/od\xc3\xbf"));
  EXPECT_EQ(box->SelectPath("/pub/"), 1);
  EXPECT_EQ(box->GetSelectedText(), "/pub");
  EXPECT_EQ(box->SelectPath("/elsewhere"), 0);
  EXPECT_EQ(box->GetSelectedText(), "/pub");  // unchanged
  EXPECT_EQ(box->SelectPath("/od\xff"), 1);
  EXPECT_EQ(box->GetSelectedText(), "/od\xff");  // the bytes, not the shown text
  box->RemoveAllPaths();
  EXPECT_EQ(box->GetCount(), 0u);
  EXPECT_EQ(box->GetSelectedText(), "");
  frame->Destroy();
  uitest::PumpFor(20);
}

}  // namespace
