#include "platform/ui/OpenWebAddress.h"

#include <wx/arrstr.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/tokenzr.h>
#include <wx/utils.h>

#include "platform/BrowserCommand.h"
#include "platform/Files.h"

namespace platform {
namespace {

std::string Utf8(const wxString& s) { return std::string(s.utf8_str().data()); }

// The folders that hold .desktop files, most personal first.
wxArrayString ApplicationFolders() {
  wxArrayString folders;
  wxString home, dirs;
  if (wxGetEnv("XDG_DATA_HOME", &home) && !home.empty())
    folders.Add(home + "/applications");
  else
    folders.Add(wxGetHomeDir() + "/.local/share/applications");
  if (!wxGetEnv("XDG_DATA_DIRS", &dirs) || dirs.empty()) dirs = "/usr/local/share:/usr/share";
  for (const wxString& dir : wxStringTokenize(dirs, ":")) folders.Add(dir + "/applications");
  return folders;
}

// The registered command line of the default web browser, or empty text.
std::string RegisteredBrowserCommand() {
  wxArrayString output, errors;
  wxLogNull quiet;
  if (wxExecute("xdg-mime query default x-scheme-handler/http", output, errors,
                wxEXEC_SYNC | wxEXEC_NODISABLE) != 0 ||
      output.empty())
    return {};
  const wxString desktopFile = output[0].Strip(wxString::both);
  if (desktopFile.empty() || desktopFile.Contains("/")) return {};
  for (const wxString& folder : ApplicationFolders()) {
    const std::string path = Utf8(folder + "/" + desktopFile);
    File file;
    if (!file.Open(path, OpenMode::ReadExisting)) continue;
    std::string text(64 * 1024, '\0');
    const long long n = file.Read(text.data(), text.size());
    if (n <= 0) continue;
    text.resize(static_cast<std::size_t>(n));
    return DesktopEntryExec(text);
  }
  return {};
}

}  // namespace

bool OpenWebAddress(const std::string& address) {
  {
    wxLogNull quiet;  // a failed launch is not reported
    if (wxLaunchDefaultBrowser(wxString::FromUTF8(address))) return true;
  }
  const std::string command = RegisteredBrowserCommand();
  if (command.empty()) return false;
  wxLogNull quiet;
  return wxExecute(wxString::FromUTF8(BrowserCommandLine(command, address)), wxEXEC_ASYNC) > 0;
}

WebAddressOpener DefaultWebAddressOpener() {
  return [](const std::string& address) { OpenWebAddress(address); };
}

}  // namespace platform
