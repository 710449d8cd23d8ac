// The program's single top-level window and composition root: the four panes
// in nested splitters, the menu, toolbar, accelerators and status bar, the
// foreground session with its windows, the current site kept in
// "TWDefault.TWQ" in the data folder, the start-up connect and the version
// check.
//
// Child windows (splitters, panes, toolbar, status bar) are created with
// `new` and owned by their wx parent, as wx wants; the members below only
// point at them.
#pragma once

#include <wx/frame.h>
#include <wx/splitter.h>
#include <wx/toolbar.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/VersionCheck.h"
#include "app/ui/TrawlixDoc.h"
#include "app/ui/VersionCheckThread.h"
#include "engine/FtpObject.h"
#include "platform/ui/OpenWebAddress.h"
#include "platform/ui/WindowTarget.h"
#include "sites/SiteRecord.h"

class CImageStatusBar;
class CMyInfoView;
class CDirListView;
class CFtpDirView;
class CDownloadFileView;
class CTransmitFileDlg;
class CGeniusDlg;
class CGuiQuestions;
class CMessageBoxNotices;
class CPaneClickTracker;

struct FrameOptions {
  std::string title = "Vessa Skiffline 4.3.2";
  // The user's data folder ("TWDefault.TWQ", "BkTransmit.TWQ"), ending in
  // the separator; empty when it can't be used: those files are then not kept.
  std::string dataFolder;
  std::string productName = "Vessa Skiffline";
  std::string programVersion = "4.3.2";
  std::string aboutTitle = "Vessa Skiffline Version 4.3.2";  // the about box's caption
  platform::WebAddressOpener openWebAddress;
  std::function<void()> skinRemove;  // called once when the window closes
  bool startVersionCheck = true;
  std::string versionFileAddress = kVersionFileAddress;
  std::string downloadPageAddress = kDownloadPageAddress;
  VersionCheckThread::YesNoBox offerBox;  // default: the wx message box
  bool showMaximized = true;
  // The sessions' inactivity limit (the "Timeout" setting).
  int timeoutSeconds = 30;
  // The local pane's first folder; empty: the user's home folder.
  std::string localStartFolder;
};

class CMainFrame : public wxFrame {
 public:
  static constexpr int kMinimumPaneSize = 10;

  explicit CMainFrame(FrameOptions options);
  ~CMainFrame() override;

  void ConnectToSite(const SiteRecord& record);
  void LoadCurrentSite();
  void SaveCurrentSite();
  std::string CurrentSitePath() const;  // empty without a data folder

  // The resize rule: rows at two thirds and one third of the client height,
  // both rows' columns at half the client width.
  void LayoutPanes();

  // The pane commands go to first (the last one clicked into).
  wxWindow* ActivePane() const { return activePane_; }
  void ActivatePane(wxWindow* pane);
  const std::shared_ptr<platform::WindowTarget>& FrameTarget() const { return frameTarget_; }
  const std::shared_ptr<platform::WindowTarget>& LogTarget() const { return logTarget_; }
  CTrawlixDoc& Document() { return document_; }
  const FrameOptions& Options() const { return options_; }

  // --- members, in order ---
  wxSplitterWindow* outerSplitter = nullptr;   // 2 rows
  wxSplitterWindow* topSplitter = nullptr;     // outer row 0, 2 columns
  wxSplitterWindow* bottomSplitter = nullptr;  // outer row 1, 2 columns
  std::int32_t panesReady = 0;
  CImageStatusBar* statusBar = nullptr;
  wxToolBar* toolBar = nullptr;
  CMyInfoView* infoView = nullptr;
  CDirListView* localView = nullptr;
  CFtpDirView* remoteView = nullptr;
  CDownloadFileView* queueView = nullptr;
  SiteRecord currentSite{};
  CFtpObject foregroundSession;
  // The background transmission window: modeless, hidden at start; a child
  // of the frame, destroyed with it (MainFrameQueues.cpp).
  CTransmitFileDlg* backgroundDialog = nullptr;
  // The drop window, owned by the background window (MainFrameShell.cpp).
  CGeniusDlg* dropWindow = nullptr;

  // --- the transfer lists (MainFrameQueues.cpp) ---
  // The queue view takes the document's shownQueue (a pane queued entries).
  void ShowDocumentQueue();
  // Adds an entry to the background queue (the panes' background hook).
  void QueueInBackground(const TransferEntry& entry);
  // Shows the background window if it is hidden, hides it if it is shown.
  void ToggleBackgroundWindow();
  // The Window menu's check mark follows the background window.
  void SyncBackgroundCheck();
  // Makes `window` (a floating drop window) take rows dragged from either
  // file pane: `dropped` runs on each drop, then the rows join the
  // background queue (MainFrameDrops.cpp).
  void AddDropWindow(wxWindow* window, std::function<void()> dropped);

 protected:
  bool TryBefore(wxEvent& event) override;

 private:
  void CreatePanes();
  void WireSession();
  void CreateBars();
  void StartUpConnect();
  void ShowFrame();
  void ConnectSession(const SiteRecord& record);
  void BindCommands();
  void OnFrameMessage(platform::Message& message);
  void OnSize(wxSizeEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnChildFocus(wxChildFocusEvent& event);
  // The pane that holds `window`, or null.
  wxWindow* PaneOf(wxWindow* window) const;
  void MoveToPane(int step);
  // The Connect menu's site dialogs (MainFrameSites.cpp).
  void OnSiteManager();
  void OnQuickConnect();
  // MainFrameRemote.cpp: the remote pane's wiring, the connect flows and the
  // Remote commands.
  void WireRemotePane();
  void BindRemoteCommands();
  // MainFrameQueues.cpp: the queue view, the background window and their commands.
  void CreateBackgroundWindow();
  void WireQueues();
  void BindQueueCommands();
  void DestroyBackgroundWindow();
  // MainFrameShell.cpp: the icons, the drop window and the about box.
  void CreateShellWindows();
  void AddDropWindowTargets();
  void DestroyShellWindows();
  void ShowAbout();
  // MainFrameDrops.cpp: which windows take rows dragged from either file pane.
  void AddDropTargets();

  FrameOptions options_;
  CTrawlixDoc document_;
  wxWindow* activePane_ = nullptr;
  bool routing_ = false;
  bool closed_ = false;
  std::shared_ptr<platform::WindowTarget> frameTarget_;
  std::shared_ptr<platform::WindowTarget> logTarget_;
  std::shared_ptr<CGuiQuestions> questions_;
  std::shared_ptr<CMessageBoxNotices> notices_;
  std::unique_ptr<CPaneClickTracker> clickTracker_;  // a click activates its pane
  std::unique_ptr<VersionCheckThread> versionCheck_;  // last: joined first
};
