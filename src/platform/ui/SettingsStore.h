// The program's settings under a registry-style key path such as
// "Software\Vessa Skiffline\General": the registry of the current user on
// Windows (wxRegConfig); elsewhere a wxFileConfig file, settings.ini, in the
// settings folder, with every "\" of the key path taken as a group level.
// The folder is $SKIFFLINE_CONFIG_DIR if set (tests), else
// $XDG_CONFIG_HOME/skiffline, else ~/.config/skiffline; it is created with
// owner-only rights when the first value is written.
#pragma once

#include <wx/confbase.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace platform {

class SettingsStore {
 public:
  // Values longer than this can't be read (as a 260-byte registry buffer).
  static constexpr std::size_t kMaxValueLength = 259;

  SettingsStore();                                  // the default folder
  explicit SettingsStore(const std::string& folder);  // a given folder
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  static std::string DefaultFolder();

  // The value, or nothing when it is missing, too long or can't be read.
  std::optional<std::string> Read(const std::string& keyPath, const std::string& name);
  // Writes the value at once; false when it can't be stored.
  bool Write(const std::string& keyPath, const std::string& name, const std::string& text);

  // Where the values live (the file, or the registry key's description).
  std::string Location() const { return location_; }

 private:
  std::string folder_;
  std::string location_;
  std::unique_ptr<wxConfigBase> config_;
};

// "Software\A\B" as a config path: "/Software/A/B".
std::string ConfigGroupPath(const std::string& keyPath);

}  // namespace platform
