#include "app/ui/TrawlixApp.h"

#include <cstdio>

#include "app/ui/MainFrame.h"
#include "app/ui/MyInfoView.h"
#include "platform/DataFolder.h"
#include "platform/Files.h"
#include "platform/ui/OpenWebAddress.h"
#include "platform/ui/SettingsStore.h"

void CTrawlixApp::ReportNoDataFolder(CMainFrame& frame, const std::string& reason) {
  // Sites, queues and the last site then live in memory only; nothing is
  // written to the working folder instead.
  const std::string text =
      "No data folder: " + reason + "; sites, queues and the last site are not saved.";
  std::fprintf(stderr, "skiffline: %s\n", text.c_str());
  if (frame.infoView) frame.infoView->AppendLine(text);
}

std::string CTrawlixApp::ProgramFolder() { return platform::ProgramDirectory(); }

CTrawlixApp::CTrawlixApp() { skinLibrary.Load(ProgramFolder()); }

bool CTrawlixApp::OnInit() {
  // The framework's own command-line processing (no options of our own).
  if (!wxApp::OnInit()) return false;
  SetAppName("skiffline");
  SetAppDisplayName(kProductName);

  skinLibrary.Start(CSkinLibrary::SkinFilePath(ProgramFolder()));

  platform::SettingsStore store;
  settings = ReadProgramSettings(store, platform::DefaultWebAddressOpener());

  FrameOptions options;
  options.title = settings.WindowTitle();
  const platform::DataFolderResult data = platform::DataFolder();
  options.dataFolder = data.path;
  options.productName = settings.productName;
  options.programVersion = settings.programVersion;
  options.aboutTitle = settings.aboutTitle;
  options.openWebAddress = platform::DefaultWebAddressOpener();
  options.timeoutSeconds = settings.timeoutSeconds;
  options.skinRemove = [this] { skinLibrary.Remove(); };
  // The frame belongs to wx from here: it deletes itself when closed.
  auto* frame = new CMainFrame(std::move(options));
  SetTopWindow(frame);
  frame->SetTitle(wxString::FromUTF8(settings.WindowTitle()));
  if (!data) ReportNoDataFolder(*frame, data.error);
  return true;
}

CWelcomeDlg& CTrawlixApp::Splash() {
  if (!splash_) splash_ = new CWelcomeDlg();  // a top-level window: wx owns it
  return *splash_;
}

int CTrawlixApp::OnExit() {
  if (splash_) splash_->Destroy();
  return wxApp::OnExit();
}
