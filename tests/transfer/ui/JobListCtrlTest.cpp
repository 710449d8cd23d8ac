// The job list: its columns and row texts, a picture per state, both row
// orders, the Delete key and the right button reported to the owner,
// selection kept across a rebuild, ReadRow as the queue identifies entries,
// and thousands of rows.
#include <gtest/gtest.h>
#include <wx/panel.h>

#include "QueueUiHarness.h"
#include "transfer/ui/StateIcons.h"

namespace {

using namespace queue_ui;

struct ListHost {
  Host host;
  wxPanel* owner = nullptr;
  CJobListCtrl* list = nullptr;
  int keys = 0, menus = 0, lastKey = 0;
  std::vector<long> selectionAtMenu;
  explicit ListHost(CJobListCtrl::Order order = CJobListCtrl::Order::kQueue) {
    owner = new wxPanel(host.frame);
    list = new CJobListCtrl(owner, 5120, order, owner);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(list, 1, wxEXPAND);
    owner->SetSizer(sizer);
    owner->Bind(EVT_JOBLIST_KEY, [this](wxCommandEvent& e) {
      ++keys;
      lastKey = e.GetInt();
    });
    owner->Bind(EVT_JOBLIST_MENU, [this](wxCommandEvent&) {
      ++menus;
      selectionAtMenu = list->SelectedRows();
    });
    host.Fill(owner);
  }
};

const SiteRecord kSite = Site("192.0.2.7:2121", "alice", "pw");

std::vector<TransferEntry> Abc() {
  return {Entry(kSite, "/pub", "A", "/tmp/in/", 1),
          Entry(kSite, "/pub", "B", "/tmp/in/", 2),
          Entry(kSite, "/pub", "C", "/tmp/in/", 3)};
}

TEST(JobListCtrl, EightColumnsAndTheTextsOfARow) {
  ListHost h;
  h.host.frame->SetClientSize(400, 300);  // narrower than the columns
  uitest::PumpFor(50);
  ASSERT_EQ(h.list->GetColumnCount(), 8);
  const char* headings[] = {"File", "Size", "File type", "Transfer Type",
                            "Server", "Remote Path", "Local Path", "User"};
  const int widths[] = {50, 50, 80, 80, 60, 80, 80, 50};
  for (int c = 0; c < 8; ++c) {
    wxListItem column;
    column.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_WIDTH | wxLIST_MASK_FORMAT);
    ASSERT_TRUE(h.list->GetColumn(c, column));
    EXPECT_EQ(column.GetText(), headings[c]);
    // The table's width at least, and the heading whole in this font.
    EXPECT_EQ(h.list->GetColumnWidth(c), h.list->StartWidth(c));
    EXPECT_GE(h.list->StartWidth(c), widths[c]);
    EXPECT_GT(h.list->StartWidth(c), h.list->GetTextExtent(headings[c]).x);
    EXPECT_EQ(column.GetAlign(), wxLIST_FORMAT_LEFT);
  }
  EXPECT_GT(h.list->StartWidth(1), h.list->GetTextExtent("1234567890").x);  // sizes show whole
  // A wider list gives the room to the name and the two paths.
  int sum = 0;
  for (int c = 0; c < 8; ++c) sum += h.list->StartWidth(c);
  h.host.frame->SetClientSize(sum + 20 + 480, 300);
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.list->GetColumnWidth(0) > h.list->StartWidth(0); }, 3000));
  EXPECT_EQ(h.list->GetColumnWidth(0), h.list->StartWidth(0) + 240);
  EXPECT_EQ(h.list->GetColumnWidth(5), h.list->StartWidth(5) + 120);
  EXPECT_EQ(h.list->GetColumnWidth(6), h.list->StartWidth(6) + 120);
  EXPECT_EQ(h.list->GetColumnWidth(1), h.list->StartWidth(1));

  TransferEntry file = Entry(kSite, "/pub/docs", "report.pdf", "/home/me/", -5);
  TransferEntry folder = Entry(kSite, "/", "album", "/home/me/", 0, ENTRY_PENDING, XFER_UPLOAD);
  folder.isFolder = 1;
  folder.direction = 7;  // any non-zero direction reads as upload
  h.list->SetEntries({file, folder});
  const std::vector<wxString> fileTexts = {"report.pdf", "-5", "File", "Download",
                                           "192.0.2.7:2121", "/pub/docs", "/home/me/", "alice"};
  for (int c = 0; c < 8; ++c) EXPECT_EQ(h.list->CellText(0, c), fileTexts[c]) << c;
  EXPECT_EQ(h.list->CellText(1, 2), "Folder");
  EXPECT_EQ(h.list->CellText(1, 3), "Upload");
  // Bytes that are not UTF-8 still show, one per replacement character.
  TransferEntry odd = Entry(kSite, "/", "caf\xe9", "/x/", 1);
  h.list->SetEntries({odd});
  EXPECT_EQ(h.list->CellText(0, 0), wxString::FromUTF8("caf\xef\xbf\xbd"));
}

TEST(JobListCtrl, EachStateHasAPictureOfItsOwn) {
  ListHost h;
  std::vector<TransferEntry> rows;
  for (std::int32_t s : {ENTRY_PENDING, ENTRY_FAILED, ENTRY_STOPPED, ENTRY_RUNNING, 9})
    rows.push_back(Entry(kSite, "/", "s" + std::to_string(s), "/x/", s, s));
  h.list->SetEntries(rows);
  EXPECT_EQ(h.list->RowImage(0), ENTRY_PENDING);
  EXPECT_EQ(h.list->RowImage(1), ENTRY_FAILED);
  EXPECT_EQ(h.list->RowImage(2), ENTRY_STOPPED);
  EXPECT_EQ(h.list->RowImage(3), ENTRY_RUNNING);
  EXPECT_EQ(h.list->RowImage(4), ENTRY_FAILED);  // an unknown state shows as failed

  std::vector<wxImage> pictures;
  for (std::int32_t s = 0; s < 4; ++s) {
    wxImage image = h.list->StateIcon(s).ConvertToImage();
    ASSERT_EQ(image.GetWidth(), 16);
    // Drawn in the state's colour, on a clear background.
    const wxColour colour = StateIconColour(s);
    int inColour = 0, clear = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        if (image.HasAlpha() && image.GetAlpha(x, y) == 0) {
          ++clear;
        } else if (std::abs(image.GetRed(x, y) - colour.Red()) < 40 &&
                   std::abs(image.GetGreen(x, y) - colour.Green()) < 40 &&
                   std::abs(image.GetBlue(x, y) - colour.Blue()) < 40) {
          ++inColour;
        }
      }
    EXPECT_GT(inColour, 20) << "state " << s;
    EXPECT_GT(clear, 40) << "state " << s;
    pictures.push_back(image);
  }
  // The up arrow and the right arrow differ in shape, not only in colour.
  int differ = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if ((pictures[0].GetAlpha(x, y) > 128) != (pictures[3].GetAlpha(x, y) > 128)) ++differ;
  EXPECT_GT(differ, 20);
}

TEST(JobListCtrl, QueueOrderAndNewestOnTop) {
  ListHost queueOrder;
  queueOrder.list->SetEntries(Abc());
  EXPECT_EQ(ListNames(*queueOrder.list), (std::vector<std::string>{"A", "B", "C"}));
  ListHost newestFirst(CJobListCtrl::Order::kNewestFirst);
  newestFirst.list->SetEntries(Abc());
  EXPECT_EQ(ListNames(*newestFirst.list), (std::vector<std::string>{"C", "B", "A"}));
  // AddRow puts a row where it is told.
  newestFirst.list->AddRow(Entry(kSite, "/", "D", "/x/"), 0);
  newestFirst.list->AddRow(Entry(kSite, "/", "E", "/x/"), 99);
  EXPECT_EQ(ListNames(*newestFirst.list), (std::vector<std::string>{"D", "C", "B", "A", "E"}));
}

TEST(JobListCtrl, DeleteKeyAndRightButtonReachTheOwner) {
  ListHost h;
  h.list->SetEntries(Abc());
  ASSERT_TRUE(FocusRows(*h.list));
  wxUIActionSimulator sim;
  sim.Char('x');  // other keys are not reported
  sim.Char(WXK_DELETE);
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.keys == 1; }, 3000));
  EXPECT_EQ(h.lastKey, WXK_DELETE);

  // The right button selects the row under it as usual, and the owner hears
  // of it after that.
  sim.MouseMove(RowCentre(*h.list, 1));
  uitest::PumpFor(50);
  sim.MouseClick(wxMOUSE_BTN_RIGHT);
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.menus == 1; }, 3000));
  EXPECT_EQ(h.selectionAtMenu, (std::vector<long>{1}));
  uitest::PumpFor(50);
  EXPECT_EQ(h.keys, 1);
}

TEST(JobListCtrl, SelectionFollowsItsEntriesAcrossARebuild) {
  ListHost h;
  h.list->SetEntries(Abc());
  SelectNames(*h.list, {"B", "C"});
  // A rebuild where A has gone, B changed state and D came.
  std::vector<TransferEntry> next = Abc();
  next.erase(next.begin());
  next[0].state = ENTRY_RUNNING;
  next.push_back(Entry(kSite, "/pub", "D", "/tmp/in/", 4));
  h.list->SetEntries(next);
  EXPECT_EQ(h.list->SelectedRows(), (std::vector<long>{0, 1}));
  EXPECT_EQ(h.list->RowImage(0), ENTRY_RUNNING);
  // An entry of another size is another entry: not selected.
  next[1].fileSize = 33;
  h.list->SetEntries(next);
  EXPECT_EQ(h.list->SelectedRows(), (std::vector<long>{0}));
  h.list->SelectAll();
  EXPECT_EQ(h.list->SelectedRows().size(), 3u);
  h.list->SetEntries({});
  EXPECT_TRUE(h.list->SelectedRows().empty());
  EXPECT_EQ(h.list->GetItemCount(), 0);
}

TEST(JobListCtrl, ReadRowGivesTheEntryAsTheQueueKnowsIt) {
  ListHost h;
  TransferEntry e = Entry(kSite, "/pub", "data.bin", "/tmp/in/", 1234567890123LL, ENTRY_STOPPED);
  e.resumeOffset = 99;
  e.direction = XFER_UPLOAD;
  h.list->SetEntries({e});
  TransferEntry read;
  ASSERT_TRUE(h.list->ReadRow(0, read));
  EXPECT_TRUE(Matches(read, e));
  EXPECT_EQ(read.state, ENTRY_STOPPED);
  EXPECT_EQ(FieldText(read.localDir), "/tmp/in/");
  EXPECT_EQ(read.fileSize, 1234567890123LL);
  // Only the identity, the state and the local folder are carried.
  EXPECT_EQ(read.resumeOffset, 0);
  EXPECT_EQ(read.direction, 0);
  EXPECT_EQ(FieldText(read.site.password), "");
  EXPECT_EQ(FieldText(read.localName), "");

  EXPECT_FALSE(h.list->ReadRow(1, read));
  EXPECT_EQ(read.state, ENTRY_FAILED);
  EXPECT_EQ(FieldText(read.remoteName), "");
}

TEST(JobListCtrl, FiveThousandRowsAreShownAndSelectedWhole) {
  ListHost h(CJobListCtrl::Order::kNewestFirst);
  std::vector<TransferEntry> many;
  for (int i = 0; i < 5000; ++i)
    many.push_back(Entry(kSite, "/big", "f" + std::to_string(i), "/tmp/in/", i, i % 4));
  h.list->SetEntries(many);
  EXPECT_EQ(h.list->GetItemCount(), 5000);
  EXPECT_EQ(h.list->CellText(0, 0), "f4999");
  EXPECT_EQ(h.list->CellText(4999, 0), "f0");
  h.list->SelectAll();
  EXPECT_EQ(h.list->SelectedRows().size(), 5000u);
  h.list->EnsureVisible(4999);
  h.list->Update();
  many.resize(4000);
  h.list->SetEntries(many);  // the selection follows the 4,000 that stay
  EXPECT_EQ(h.list->SelectedRows().size(), 4000u);
}

}  // namespace
