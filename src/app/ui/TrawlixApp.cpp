#include "app/ui/TrawlixApp.h"

#include "app/ui/MainFrame.h"
#include "platform/Files.h"
#include "platform/ui/OpenWebAddress.h"
#include "platform/ui/SettingsStore.h"

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
  options.programFolder = ProgramFolder();
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
