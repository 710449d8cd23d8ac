// Drag and drop across the main window, logged in to pyftpdlib, with real
// mouse drags: local rows onto the remote list and the background list,
// remote rows onto a local folder row, the queue list, the background list
// and a floating drop window, drags that must do nothing, and files dropped
// from the desktop onto either list.
#include <gtest/gtest.h>
#include <wx/filefn.h>
#include <wx/frame.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <cstring>

#include "FrameTestSupport.h"
#include "app/ui/ColorEdit.h"
#include "app/ui/MyInfoView.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "platform/ui/FileDropTarget.h"
#include "platform/ui/ListRows.h"
#include "platform/ui/RowDrag.h"
#include "remote/ui/FtpDirDrag.h"
#include "remote/ui/FtpDirList.h"
#include "remote/ui/FtpDirView.h"
#include "res/CommandIds.h"
#include "sites/FixedText.h"
#include "support/LocalTree.h"
#include "transfer/FileQueue.h"
#include "transfer/ui/DownloadFileView.h"
#include "transfer/ui/JobListCtrl.h"
#include "transfer/ui/TransmitFileDlg.h"

namespace {

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string Pattern(std::size_t size, int seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + seed + i / 997) & 0xff);
  return bytes;
}

class DragDropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
    oldWorkingDir_ = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(work_.Path()));  // the queue files go there
    server_ = std::make_unique<skifftest::PyFtpdServer>();
    ASSERT_TRUE(server_->Ok()) << server_->Log();
  }
  void TearDown() override {
    if (frame_) Drag().Cancel();
    DestroyFrame(frame_);
    server_.reset();
    if (!oldWorkingDir_.empty()) wxSetWorkingDirectory(oldWorkingDir_);
  }

  // The window on the local folder, logged in, the remote list showing
  // `remoteDir` ("" for the server's root).
  void OpenLoggedIn(const std::string& remoteDir = "") {
    FrameOptions options = TestFrameOptions(program_);
    options.localStartFolder = local_.Path();
    frame_ = new CMainFrame(options);
    frame_->SetSize(0, 0, 800, 700);
    // The background window beside the main window, not over it.
    frame_->backgroundDialog->Move(810, 40);
    SiteRecord site{};
    SetField(site.siteName, "drag test");
    SetField(site.address, server_->Address());
    SetField(site.user, server_->User());
    SetField(site.password, server_->Password());
    SetField(site.remoteInitPath, remoteDir);
    frame_->ConnectToSite(site);
    ASSERT_TRUE(uitest::PumpUntil(
        [&] {
          return frame_->foregroundSession.IsLoggedIn() && Remote().ControlsEnabled() &&
                 Remote().History().Count() > 0;
        },
        20000))
        << Log();
    ASSERT_TRUE(uitest::PumpUntil([&] { return !Local().Reading(); }, 5000));
    uitest::PumpFor(100);
  }

  CDirListCtrl& Local() { return *frame_->localView->fileList; }
  CFtpDirList& RemoteList() { return *frame_->remoteView->fileList; }
  CFtpDirView& Remote() { return *frame_->remoteView; }
  CRowDrag& Drag() { return Remote().Drag().Rows(); }
  CRowDrag& LocalDrag() { return frame_->localView->Drag(); }
  CTransmitFileDlg& Background() { return *frame_->backgroundDialog; }
  CFileQueue& Foreground() { return frame_->foregroundSession.transferQueue; }
  std::string Log() { return frame_ ? frame_->infoView->logEdit->GetValue().utf8_string() : ""; }

  static void SelectIn(wxListCtrl& list, const std::vector<long>& rows) {
    for (long i = 0; i < list.GetItemCount(); ++i) list.SetItemState(i, 0, wxLIST_STATE_SELECTED);
    for (long row : rows) {
      ASSERT_GE(row, 0);
      list.SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                        wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    }
  }
  void SelectLocal(const std::vector<std::string>& names) {
    std::vector<long> rows;
    for (const std::string& name : names) rows.push_back(Local().RowOfName(name));
    SelectIn(Local(), rows);
  }
  void SelectRemote(const std::vector<std::string>& names) {
    std::vector<long> rows;
    for (const std::string& name : names) rows.push_back(RemoteList().RowOfName(name));
    SelectIn(RemoteList(), rows);
  }
  static wxPoint RowCentre(wxListCtrl& list, long row) {
    wxRect rect;
    list.GetItemRect(row, rect);
    return list.ClientToScreen(rect.GetPosition() + wxPoint(40, rect.height / 2));
  }
  // A point on the list's rows window below its last row.
  static wxPoint BelowRows(wxListCtrl& list) {
    const wxRect rows = platform::ListRowsWindow(list)->GetScreenRect();
    return wxPoint(rows.x + rows.width / 3, rows.y + rows.height - 12);
  }

  // Presses the left button at `from`, moves there in steps and, unless
  // told to hold, releases it at `to`.
  void DragMouse(const wxPoint& from, const wxPoint& to, bool release = true) {
    wxUIActionSimulator sim;
    sim.MouseMove(from);
    uitest::PumpFor(40);
    sim.MouseDown();
    uitest::PumpFor(40);
    // A few pixels first, as a hand does: the list starts a drag only after
    // some moves within its rows.
    for (int nudge = 1; nudge <= 3; ++nudge) {
      sim.MouseMove(from + wxPoint(0, nudge * 2));
      uitest::PumpFor(30);
    }
    for (int step = 1; step <= 12; ++step) {
      sim.MouseMove(from + (to - from) * step / 12);
      uitest::PumpFor(30);
    }
    if (release) Release();
  }
  void Release() {
    wxUIActionSimulator().MouseUp();
    uitest::PumpFor(80);
  }
  void ShowBackground() {
    wxCommandEvent command(wxEVT_MENU, cmd::WxId(cmd::ID_BACKGROUND_LIST));
    frame_->GetEventHandler()->ProcessEvent(command);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Background().IsShownOnScreen(); }, 3000));
    Background().Move(810, 40);
    uitest::PumpFor(100);
  }
  // The remote list shows `name` and the session is idle.
  bool RemoteShows(const std::string& name) {
    return uitest::PumpUntil(
        [&] { return RemoteList().RowOfName(name) >= 0 && Remote().ControlsEnabled(); }, 10000);
  }
  bool LocalShows(const std::string& name) {
    return uitest::PumpUntil([&] { return !Local().Reading() && Local().RowOfName(name) >= 0; }, 10000);
  }

  skifftest::TempDir program_, work_, local_;
  std::unique_ptr<skifftest::PyFtpdServer> server_;
  CMainFrame* frame_ = nullptr;
  wxString oldWorkingDir_;
};

TEST_F(DragDropTest, LocalFilesDraggedOntoTheRemoteListGoToItsDirectoryByteForByte) {
  ASSERT_TRUE(server_->MakeDir("incoming"));
  ASSERT_TRUE(server_->WriteFile("incoming/old.txt", "old"));
  const std::string one = Pattern(70000, 1), two = Pattern(3, 2), three = "third\r\n";
  ASSERT_TRUE(local_.WriteFile("one.bin", one));
  ASSERT_TRUE(local_.WriteFile("two.bin", two));
  ASSERT_TRUE(local_.WriteFile("three.txt", three));
  ASSERT_TRUE(local_.WriteFile("left.txt", "not dragged"));
  OpenLoggedIn("/incoming");
  ASSERT_TRUE(RemoteShows("old.txt"));
  ASSERT_EQ(frame_->foregroundSession.CurrentDir(), "/incoming");

  SelectLocal({"one.bin", "two.bin", "three.txt"});
  DragMouse(RowCentre(Local(), Local().RowOfName("two.bin")), RowCentre(RemoteList(), 0), false);
  EXPECT_TRUE(LocalDrag().Dragging());
  EXPECT_TRUE(LocalDrag().DropAllowed());
  Release();
  ASSERT_TRUE(uitest::PumpUntil(
      [&] {
        return server_->ReadFile("incoming/one.bin") == one && server_->ReadFile("incoming/two.bin") == two &&
               server_->ReadFile("incoming/three.txt") == three && Foreground().Entries().empty();
      },
      20000))
      << Log();
  EXPECT_FALSE(LocalDrag().Dragging());
  // One upload per dragged row, each into the session's directory.
  EXPECT_EQ(Count(Log(), "STOR "), 3u) << Log();
  EXPECT_EQ(server_->ReadFile("incoming/left.txt"), "");
  EXPECT_EQ(frame_->Document().shownQueue, &Foreground());
}

TEST_F(DragDropTest, RemoteRowsGoIntoALocalFolderRowOrTheLocalFolderThroughTheQueueList) {
  const std::string big = Pattern(300000, 3), small = "small\n";
  ASSERT_TRUE(server_->WriteFile("big.bin", big));
  ASSERT_TRUE(server_->WriteFile("small.txt", small));
  ASSERT_TRUE(server_->WriteFile("queued.txt", "through the queue list"));
  ASSERT_TRUE(local_.MakeDir("inbox"));
  ASSERT_TRUE(local_.WriteFile("file.txt", "local"));
  OpenLoggedIn();
  ASSERT_TRUE(RemoteShows("small.txt"));
  ASSERT_TRUE(LocalShows("inbox"));

  // Held over the folder row: it is marked and a drop would be taken.
  SelectRemote({"big.bin", "small.txt"});
  DragMouse(RowCentre(RemoteList(), RemoteList().RowOfName("small.txt")),
            RowCentre(Local(), Local().RowOfName("inbox")), false);
  EXPECT_TRUE(Drag().Dragging());
  EXPECT_NE(Drag().Picture(), nullptr);
  EXPECT_TRUE(Drag().DropAllowed());
  EXPECT_EQ(Local().DropRow(), Local().RowOfName("inbox"));
  Release();
  EXPECT_FALSE(Drag().Dragging());
  EXPECT_EQ(Local().DropRow(), -1);
  ASSERT_TRUE(uitest::PumpUntil(
      [&] {
        return local_.ReadFile("inbox/big.bin") == big && local_.ReadFile("inbox/small.txt") == small &&
               Foreground().Entries().empty();
      },
      20000))
      << Log();
  EXPECT_FALSE(skifftest::Exists(local_.PathOf("big.bin")));
  EXPECT_EQ(local_.ReadFile("file.txt"), "local");
  ASSERT_TRUE(uitest::PumpUntil([&] { return Remote().ControlsEnabled(); }, 10000));

  // Onto the queue list: into the local pane's folder.
  SelectRemote({"queued.txt"});
  DragMouse(RowCentre(RemoteList(), RemoteList().RowOfName("queued.txt")),
            BelowRows(*frame_->queueView->jobList), false);
  EXPECT_TRUE(Drag().DropAllowed());
  Release();
  ASSERT_TRUE(uitest::PumpUntil([&] { return local_.ReadFile("queued.txt") == "through the queue list"; }, 20000))
      << Log();
  EXPECT_EQ(frame_->Document().shownQueue, &Foreground());
}

TEST_F(DragDropTest, RowsDroppedOnTheBackgroundListAreQueuedThereAndSentOnStart) {
  ASSERT_TRUE(server_->WriteFile("fetch1.txt", "fetched one"));
  ASSERT_TRUE(server_->WriteFile("fetch2.bin", Pattern(40000, 4)));
  ASSERT_TRUE(local_.WriteFile("send.txt", "sent in the background"));
  OpenLoggedIn();
  ASSERT_TRUE(RemoteShows("fetch2.bin"));
  ASSERT_TRUE(LocalShows("send.txt"));
  ShowBackground();

  // Remote rows: two background downloads into the local folder.
  SelectRemote({"fetch1.txt", "fetch2.bin"});
  DragMouse(RowCentre(RemoteList(), RemoteList().RowOfName("fetch1.txt")), BelowRows(*Background().jobList), false);
  EXPECT_TRUE(Drag().Dragging()) << "the drag ended on its way to the background window";
  EXPECT_TRUE(Drag().DropAllowed());
  Release();
  ASSERT_TRUE(uitest::PumpUntil([&] { return Background().Queue().Size() == 2; }, 5000));
  for (const TransferEntry& entry : Background().Queue().Entries()) {
    EXPECT_EQ(entry.direction, XFER_DOWNLOAD);
    EXPECT_EQ(FieldText(entry.localDir), local_.Path() + "/");
  }

  // A local row: a background upload (the main window's other drag, out
  // to the other top-level window).
  SelectLocal({"send.txt"});
  DragMouse(RowCentre(Local(), Local().RowOfName("send.txt")), BelowRows(*Background().jobList), false);
  EXPECT_TRUE(LocalDrag().Dragging()) << "the drag ended on its way to the background window";
  EXPECT_TRUE(LocalDrag().DropAllowed());
  Release();
  ASSERT_TRUE(uitest::PumpUntil([&] { return Background().Queue().Size() == 3; }, 5000));
  EXPECT_TRUE(Foreground().Entries().empty());
  EXPECT_EQ(local_.ReadFile("fetch1.txt"), "");  // nothing sent before Start

  wxCommandEvent selectAll(wxEVT_MENU, cmd::WxId(cmd::ID_BACKGROUND_SELECT_ALL));
  frame_->GetEventHandler()->ProcessEvent(selectAll);
  wxCommandEvent start(wxEVT_MENU, cmd::WxId(cmd::ID_BACKGROUND_START));
  frame_->GetEventHandler()->ProcessEvent(start);
  ASSERT_TRUE(uitest::PumpUntil(
      [&] {
        return local_.ReadFile("fetch1.txt") == "fetched one" && local_.ReadFile("fetch2.bin") == Pattern(40000, 4) &&
               server_->ReadFile("send.txt") == "sent in the background";
      },
      30000))
      << Log();
  ASSERT_TRUE(uitest::PumpUntil([&] { return !Background().IsSending(); }, 20000));
  EXPECT_TRUE(Background().Queue().Entries().empty());
}

TEST_F(DragDropTest, RemoteDragsOverTheirOwnListOrEndedByEscapeDoNothing) {
  ASSERT_TRUE(server_->WriteFile("a.txt", "a"));
  ASSERT_TRUE(server_->WriteFile("b.txt", "b"));
  ASSERT_TRUE(server_->MakeDir("sub"));
  ASSERT_TRUE(local_.MakeDir("inbox"));
  OpenLoggedIn();
  ASSERT_TRUE(RemoteShows("b.txt"));
  ASSERT_TRUE(LocalShows("inbox"));
  const auto before = skifftest::Snapshot(local_.Path());

  // Over the remote list itself, even on a folder row: refused.
  SelectRemote({"a.txt"});
  DragMouse(RowCentre(RemoteList(), RemoteList().RowOfName("a.txt")),
            RowCentre(RemoteList(), RemoteList().RowOfName("sub")), false);
  EXPECT_TRUE(Drag().Dragging());
  EXPECT_FALSE(Drag().DropAllowed());
  Release();
  EXPECT_FALSE(Drag().Dragging());

  // Escape over a local folder row ends the drag; the release does nothing.
  SelectRemote({"b.txt"});
  DragMouse(RowCentre(RemoteList(), RemoteList().RowOfName("b.txt")),
            RowCentre(Local(), Local().RowOfName("inbox")), false);
  EXPECT_TRUE(Drag().DropAllowed());
  wxUIActionSimulator().Char(WXK_ESCAPE);
  ASSERT_TRUE(uitest::PumpUntil([&] { return !Drag().Dragging(); }, 3000));
  EXPECT_EQ(Local().DropRow(), -1);
  Release();
  uitest::PumpFor(300);
  EXPECT_TRUE(Foreground().Entries().empty());
  EXPECT_EQ(Count(Log(), "RETR "), 0u) << Log();
  EXPECT_EQ(skifftest::Snapshot(local_.Path()), before);
  EXPECT_EQ(Background().Queue().Size(), 0u);
}

TEST_F(DragDropTest, AFloatingDropWindowTakesRowsOfBothPanesForTheBackground) {
  ASSERT_TRUE(server_->WriteFile("remote.txt", "r"));
  ASSERT_TRUE(local_.WriteFile("local.txt", "l"));
  OpenLoggedIn();
  ASSERT_TRUE(RemoteShows("remote.txt"));
  ASSERT_TRUE(LocalShows("local.txt"));
  // A stand-in for the drop window: a small top-level window of its own.
  auto* dropWindow = new wxFrame(nullptr, wxID_ANY, "drop", wxPoint(900, 500), wxSize(120, 90),
                                 wxFRAME_NO_TASKBAR | wxBORDER_SIMPLE);
  dropWindow->Show();
  ASSERT_TRUE(uitest::PumpUntil([&] { return dropWindow->IsShownOnScreen(); }, 3000));
  int played = 0;
  frame_->AddDropWindow(dropWindow, [&] { ++played; });
  const wxPoint inside = dropWindow->GetScreenRect().GetPosition() + wxPoint(60, 45);

  SelectRemote({"remote.txt"});
  DragMouse(RowCentre(RemoteList(), RemoteList().RowOfName("remote.txt")), inside, false);
  EXPECT_TRUE(Drag().DropAllowed());
  Release();
  EXPECT_EQ(played, 1);
  SelectLocal({"local.txt"});
  DragMouse(RowCentre(Local(), Local().RowOfName("local.txt")), inside, false);
  EXPECT_TRUE(LocalDrag().DropAllowed());
  Release();
  EXPECT_EQ(played, 2);
  ASSERT_TRUE(uitest::PumpUntil([&] { return Background().Queue().Size() == 2; }, 5000));
  std::vector<std::int32_t> directions;
  for (const TransferEntry& entry : Background().Queue().Entries()) directions.push_back(entry.direction);
  std::sort(directions.begin(), directions.end());
  EXPECT_EQ(directions, (std::vector<std::int32_t>{XFER_DOWNLOAD, XFER_UPLOAD}));
  dropWindow->Destroy();
  uitest::PumpFor(50);
  // A destroyed window takes nothing any more.
  SelectLocal({"local.txt"});
  DragMouse(RowCentre(Local(), Local().RowOfName("local.txt")), inside, false);
  EXPECT_FALSE(LocalDrag().DropAllowed());
  Release();
  EXPECT_EQ(played, 2);
}

TEST_F(DragDropTest, FilesFromTheDesktopAreUploadedOrCopiedWithTheReplaceQuestion) {
  ASSERT_TRUE(server_->MakeDir("folder"));
  ASSERT_TRUE(server_->WriteFile("here.txt", "x"));
  skifftest::TempDir desktop;
  const std::string photo = Pattern(90000, 5);
  ASSERT_TRUE(desktop.WriteFile("photo.jpg", photo));
  ASSERT_TRUE(desktop.WriteFile("notes.txt", "new notes"));
  ASSERT_TRUE(desktop.WriteFile("album/track.txt", "track"));
  ASSERT_TRUE(local_.WriteFile("notes.txt", "old notes"));
  OpenLoggedIn();
  ASSERT_TRUE(RemoteShows("folder"));
  ASSERT_TRUE(LocalShows("notes.txt"));

  wxWindow* remoteRows = platform::ListRowsWindow(RemoteList());
  CFileDropTarget* remoteDrop = CFileDropTarget::Of(RemoteList());
  ASSERT_NE(remoteDrop, nullptr);
  // Below the rows: into the current directory, a folder with all it holds.
  wxArrayString names;
  names.Add(wxString::FromUTF8(desktop.PathOf("photo.jpg")));
  names.Add(wxString::FromUTF8(desktop.PathOf("album")));
  wxPoint at = remoteRows->ScreenToClient(BelowRows(RemoteList()));
  EXPECT_TRUE(remoteDrop->OnDropFiles(at.x, at.y, names));
  ASSERT_TRUE(uitest::PumpUntil(
      [&] { return server_->ReadFile("photo.jpg") == photo && server_->ReadFile("album/track.txt") == "track"; },
      20000))
      << Log();
  ASSERT_TRUE(uitest::PumpUntil([&] { return Remote().ControlsEnabled() && Foreground().Entries().empty(); }, 10000));
  ASSERT_TRUE(RemoteShows("folder"));
  // Onto a folder row: into that folder.
  wxArrayString notes;
  notes.Add(wxString::FromUTF8(desktop.PathOf("notes.txt")));
  at = remoteRows->ScreenToClient(RowCentre(RemoteList(), RemoteList().RowOfName("folder")));
  EXPECT_TRUE(remoteDrop->OnDropFiles(at.x, at.y, notes));
  ASSERT_TRUE(uitest::PumpUntil([&] { return server_->ReadFile("folder/notes.txt") == "new notes"; }, 20000))
      << Log();
  EXPECT_EQ(server_->ReadFile("notes.txt"), "");

  // Onto the local list: copied into its folder; the name that exists asks first.
  CFileDropTarget* localDrop = CFileDropTarget::Of(Local());
  ASSERT_NE(localDrop, nullptr);
  std::vector<std::string> asked;
  {
    uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
      asked.push_back(m.title);
      return wxID_YES;
    });
    wxArrayString both;
    both.Add(wxString::FromUTF8(desktop.PathOf("notes.txt")));
    both.Add(wxString::FromUTF8(desktop.PathOf("photo.jpg")));
    at = platform::ListRowsWindow(Local())->ScreenToClient(BelowRows(Local()));
    EXPECT_TRUE(localDrop->OnDropFiles(at.x, at.y, both));
    ASSERT_TRUE(uitest::PumpUntil(
        [&] { return local_.ReadFile("notes.txt") == "new notes" && local_.ReadFile("photo.jpg") == photo; }, 10000));
    ASSERT_TRUE(LocalShows("photo.jpg"));
  }
  EXPECT_EQ(asked, (std::vector<std::string>{"Confirm Replace"}));
  EXPECT_EQ(desktop.ReadFile("notes.txt"), "new notes");  // the sources stay
  EXPECT_EQ(desktop.ReadFile("photo.jpg"), photo);
}

TEST(DragDropLoggedOut, FilesDroppedOnTheRemoteListOfALoggedOutWindowDoNothing) {
  skifftest::TempDir program, desktop;
  ASSERT_TRUE(desktop.WriteFile("file.txt", "x"));
  CMainFrame* frame = new CMainFrame(TestFrameOptions(program));
  CFileDropTarget* drop = CFileDropTarget::Of(*frame->remoteView->fileList);
  ASSERT_NE(drop, nullptr);
  EXPECT_EQ(drop->OnDragOver(5, 5, wxDragCopy), wxDragNone);
  wxArrayString names;
  names.Add(wxString::FromUTF8(desktop.PathOf("file.txt")));
  EXPECT_FALSE(drop->OnDropFiles(5, 5, names));
  EXPECT_TRUE(frame->foregroundSession.transferQueue.Entries().empty());
  DestroyFrame(frame);
}

}  // namespace
