#include "platform/ui/SettingsStore.h"

#include <wx/filename.h>
#include <wx/utils.h>

#ifdef __WXMSW__
#include <wx/msw/regconf.h>
#else
#include <wx/fileconf.h>
#endif

#include "platform/Files.h"

namespace platform {

std::string ConfigGroupPath(const std::string& keyPath) {
  std::string path = "/";
  for (char c : keyPath) path += (c == '\\') ? '/' : c;
  return path;
}

std::string SettingsStore::DefaultFolder() {
  wxString value;
  if (wxGetEnv("SKIFFLINE_CONFIG_DIR", &value) && !value.empty())
    return std::string(value.utf8_str().data());
  if (wxGetEnv("XDG_CONFIG_HOME", &value) && !value.empty())
    return JoinPath(std::string(value.utf8_str().data()), "skiffline");
  return JoinPath(JoinPath(std::string(wxGetHomeDir().utf8_str().data()), ".config"),
                  "skiffline");
}

SettingsStore::SettingsStore() : SettingsStore(DefaultFolder()) {}

SettingsStore::SettingsStore(const std::string& folder) : folder_(folder) {
#ifdef __WXMSW__
  location_ = "HKEY_CURRENT_USER";
  config_ = std::make_unique<wxRegConfig>("", "", "", "", wxCONFIG_USE_LOCAL_FILE);
#else
  location_ = JoinPath(folder_, "settings.ini");
  auto file = std::make_unique<wxFileConfig>("", "", wxString::FromUTF8(location_), "",
                                             wxCONFIG_USE_LOCAL_FILE);
  file->SetUmask(0077);  // the file is readable by its owner only
  config_ = std::move(file);
#endif
  config_->SetExpandEnvVars(false);  // values are taken exactly as stored
}

SettingsStore::~SettingsStore() = default;

std::optional<std::string> SettingsStore::Read(const std::string& keyPath,
                                               const std::string& name) {
  config_->SetPath(wxString::FromUTF8(ConfigGroupPath(keyPath)));
  wxString value;
  const bool found = config_->Read(wxString::FromUTF8(name), &value);
  config_->SetPath("/");
  if (!found) return std::nullopt;
  std::string text(value.utf8_str().data());
  if (text.size() > kMaxValueLength) return std::nullopt;
  return text;
}

bool SettingsStore::Write(const std::string& keyPath, const std::string& name,
                          const std::string& text) {
#ifndef __WXMSW__
  if (!CreatePrivateDirectories(folder_)) return false;
#endif
  config_->SetPath(wxString::FromUTF8(ConfigGroupPath(keyPath)));
  const bool written = config_->Write(wxString::FromUTF8(name), wxString::FromUTF8(text));
  config_->SetPath("/");
  return written && config_->Flush();
}

}  // namespace platform
