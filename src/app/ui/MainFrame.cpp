#include "app/ui/MainFrame.h"

#include <wx/display.h>
#include <wx/msgdlg.h>

#include "app/ui/CommandTable.h"
#include "app/ui/ImageStatusBar.h"
#include "app/ui/MessageBoxNotices.h"
#include "app/ui/MyInfoView.h"
#include "app/ui/PaneClickTracker.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "platform/DataFolder.h"
#include "platform/Files.h"
#include "platform/MessageIds.h"
#include "platform/ui/TextBytes.h"
#include "remote/ui/FtpDirView.h"
#include "res/CommandIds.h"
#include "transfer/FileQueue.h"
#include "transfer/ui/DownloadFileView.h"
#include "transfer/ui/GuiQuestions.h"

CMainFrame::CMainFrame(FrameOptions options)
    : wxFrame(nullptr, wxID_ANY, wxString::FromUTF8(options.title)),
      options_(std::move(options)) {
  LoadCurrentSite();
  frameTarget_ = platform::WindowTarget::Create(
      this, [this](platform::Message& m) { OnFrameMessage(m); });

  CreatePanes();
  WireSession();
  StartUpConnect();
  CreateBars();
  BindCommands();
  SetAcceleratorTable(BuildAccelerators());
  clickTracker_ = std::make_unique<CPaneClickTracker>([this](wxWindow* w) {
    if (wxWindow* pane = PaneOf(w)) activePane_ = pane;
  });
  ShowFrame();

  if (options_.startVersionCheck) {
    VersionCheckConfig config;
    config.versionFileAddress = options_.versionFileAddress;
    config.downloadPageAddress = options_.downloadPageAddress;
    config.productName = options_.productName;
    config.programVersion = options_.programVersion;
    versionCheck_ = std::make_unique<VersionCheckThread>(std::move(config),
                                                         options_.openWebAddress,
                                                         options_.offerBox);
  }
}

CMainFrame::~CMainFrame() {
  clickTracker_.reset();
  // No post reaches a half-destroyed window, and no worker waits on a box.
  frameTarget_->Detach();
  if (logTarget_) logTarget_->Detach();
  questions_->Shutdown();
  platform::SetNoticeSink(nullptr);
  notices_->Release();
  SaveCurrentSite();
  DestroyShellWindows();
  DestroyBackgroundWindow();
  foregroundSession.Stop();
  versionCheck_.reset();  // answers an open offer No and joins the thread
}

std::string CMainFrame::CurrentSitePath() const {
  return platform::DataFilePath(options_.dataFolder, kCurrentSiteFile);
}

void CMainFrame::LoadCurrentSite() { currentSite = LoadCurrentSiteFile(CurrentSitePath()); }

void CMainFrame::SaveCurrentSite() {
  if (!options_.dataFolder.empty()) SaveCurrentSiteFile(CurrentSitePath(), currentSite);
}

void CMainFrame::CreatePanes() {
  const wxSize client = GetClientSize();
  const int w = client.x, h = client.y;
  const long splitterStyle = wxSP_3D | wxSP_LIVE_UPDATE;
  CreateBackgroundWindow();
  CreateShellWindows();
  outerSplitter = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, client, splitterStyle);
  topSplitter = new wxSplitterWindow(outerSplitter, wxID_ANY, wxDefaultPosition,
                                     wxSize(w, (2 * h) / 3), splitterStyle);
  bottomSplitter = new wxSplitterWindow(outerSplitter, wxID_ANY, wxDefaultPosition,
                                        wxSize(w, h / 3), splitterStyle);
  for (wxSplitterWindow* s : {outerSplitter, topSplitter, bottomSplitter})
    s->SetMinimumPaneSize(kMinimumPaneSize);

  queueView = new CDownloadFileView(bottomSplitter);
  infoView = new CMyInfoView(bottomSplitter);
  localView = new CDirListView(topSplitter, options_.localStartFolder);
  remoteView = new CFtpDirView(topSplitter);
  // A fixed minimum keeps wx from taking a pane's current size as the least
  // it may have, which would stop the sashes from moving.
  const wxSize minimum(kMinimumPaneSize, kMinimumPaneSize);
  for (wxWindow* pane : std::initializer_list<wxWindow*>{topSplitter, bottomSplitter, queueView,
                                                         infoView, localView, remoteView})
    pane->SetMinSize(minimum);
  bottomSplitter->SplitVertically(queueView, infoView, w / 2);
  topSplitter->SplitVertically(localView, remoteView, w / 2);
  outerSplitter->SplitHorizontally(topSplitter, bottomSplitter, (2 * h) / 3);

  panesReady = 1;
  activePane_ = localView;
  AddDropWindowTargets();
}

void CMainFrame::WireSession() {
  logTarget_ = platform::WindowTarget::Create(
      infoView, [view = infoView](platform::Message& m) { view->HandleMessage(m); });
  // Every window and limit of the session is set before any worker starts.
  foregroundSession.logWindow = logTarget_;
  foregroundSession.progressWindow = frameTarget_;
  foregroundSession.inactivityTimeoutMs = options_.timeoutSeconds * 1000;
  questions_ = std::make_shared<CGuiQuestions>();
  foregroundSession.questions = questions_;
  notices_ = std::make_shared<CMessageBoxNotices>();
  platform::SetNoticeSink(notices_);
  document_.shownQueue = &foregroundSession.transferQueue;

  localView->SetSession(&foregroundSession);
  localView->SetDocument(&document_);
  localView->SetStatusReporter([target = logTarget_](const std::string& text) {
    target->Post(platform::TextMessage(msg::WM_SESSION_STATUS_LINE, text));
  });
  document_.SetLocalFolder(localView->fileList->GetFolderPath());
  WireRemotePane();
  WireQueues();
}

void CMainFrame::CreateBars() {
  SetMenuBar(BuildMainMenuBar());
  toolBar = CreateToolBar(wxTB_FLAT | wxTB_HORIZONTAL | wxTB_DOCKABLE);
  FillToolBar(*toolBar);
  statusBar = new CImageStatusBar(this);
  SetStatusBar(statusBar);
  SetStatusBarPane(0);
  wxFrame::SetStatusText("Ready", 0);
  statusBar->LayoutFields(GetSize().x);
}

void CMainFrame::ShowFrame() {
  if (options_.showMaximized) {
    // Without a window manager a maximise request is ignored; filling the
    // display first gives the same picture.
    const int display = wxDisplay::GetFromWindow(this);
    SetSize(wxDisplay(display == wxNOT_FOUND ? 0u : static_cast<unsigned>(display))
                .GetClientArea());
    Maximize(true);
  }
  Show(true);
  Update();
}

void CMainFrame::LayoutPanes() {
  if (panesReady != 1) return;
  const wxSize client = GetClientSize();
  const int w = client.x, h = client.y;
  outerSplitter->SetSize(client);
  outerSplitter->SetSashPosition((2 * h) / 3);
  topSplitter->SetSashPosition(w / 2);
  bottomSplitter->SetSashPosition(w / 2);
}

void CMainFrame::OnSize(wxSizeEvent& event) {
  event.Skip();
  LayoutPanes();
  if (statusBar) statusBar->LayoutFields(GetSize().x);
}

void CMainFrame::OnFrameMessage(platform::Message& message) {
  if (!statusBar) return;
  if (message.id == msg::WM_SESSION_PROGRESS_TEXT) {
    statusBar->SetStatusText(platform::TextFromBytes(message.Text()));
  } else if (message.id == msg::WM_SESSION_PROGRESS) {
    statusBar->SetProgress(static_cast<int>(message.wParam));
    statusBar->SetSpeed(static_cast<std::int64_t>(message.lParam));
  }
}

void CMainFrame::OnClose(wxCloseEvent& event) {
  if (!closed_) {
    closed_ = true;
    foregroundSession.Stop();
    if (options_.skinRemove) options_.skinRemove();
  }
  event.Skip();  // the default close destroys the window
}

void CMainFrame::ActivatePane(wxWindow* pane) {
  if (pane == localView || pane == remoteView || pane == queueView || pane == infoView)
    activePane_ = pane;
}

wxWindow* CMainFrame::PaneOf(wxWindow* window) const {
  for (wxWindow* w = window; w && w != this; w = w->GetParent()) {
    if (w == localView || w == remoteView || w == queueView || w == infoView) return w;
  }
  return nullptr;
}

void CMainFrame::OnChildFocus(wxChildFocusEvent& event) {
  if (wxWindow* pane = PaneOf(event.GetWindow())) activePane_ = pane;
  event.Skip();
}

void CMainFrame::MoveToPane(int step) {
  wxWindow* order[] = {localView, remoteView, queueView, infoView};
  int at = 0;
  for (int i = 0; i < 4; ++i)
    if (order[i] == activePane_) at = i;
  wxWindow* next = order[(at + step + 4) % 4];
  activePane_ = next;
  if (next == infoView && infoView->logEdit)
    infoView->logEdit->SetFocus();
  else
    next->SetFocus();
}

bool CMainFrame::TryBefore(wxEvent& event) {
  // Commands go to the active pane first, then to the frame.
  if (event.GetEventType() == wxEVT_MENU && activePane_ && !routing_) {
    routing_ = true;
    const bool taken = activePane_->ProcessWindowEventLocally(event);
    routing_ = false;
    if (taken) return true;
  }
  return wxFrame::TryBefore(event);
}

void CMainFrame::BindCommands() {
  Bind(wxEVT_SIZE, &CMainFrame::OnSize, this);
  Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
  Bind(wxEVT_CHILD_FOCUS, &CMainFrame::OnChildFocus, this);

  const auto on = [this](int id, std::function<void()> action) {
    Bind(wxEVT_MENU, [action = std::move(action)](wxCommandEvent&) { action(); }, cmd::WxId(id));
  };
  BindRemoteCommands();
  BindQueueCommands();
  on(cmd::ID_SITE_MANAGER, [this] { OnSiteManager(); });
  on(cmd::ID_QUICK_CONNECT, [this] { OnQuickConnect(); });
  on(cmd::ID_LOCAL_DELETE, [this] { localView->fileList->DeleteSelected(); });
  on(cmd::ID_LOCAL_REFRESH, [this] { localView->RefreshFolder(); });
  on(cmd::ID_LOCAL_UPLOAD, [this] { localView->UploadSelected(); });
  on(cmd::ID_REMOTE_UPLOAD, [this] { localView->UploadSelected(); });
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { MoveToPane(1); }, cmd::ID_NEXT_PANE);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { MoveToPane(-1); }, cmd::ID_PREV_PANE);
  on(cmd::ID_APP_ABOUT, [this] { ShowAbout(); });
}
