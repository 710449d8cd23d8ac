#include "app/ui/ProgramSettings.h"

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
}  // namespace

std::string ReadSettingOrDefault(platform::SettingsStore& store, const std::string& name,
                                 const std::string& fallback) {
  if (auto value = store.Read(kSettingsKey, name)) return *value;
  store.Write(kSettingsKey, name, fallback);  // a failed write is not reported
  return fallback;
}

int TimeoutSecondsOf(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  long value = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 9; ++i, ++digits)
    value = value * 10 + (text[i] - '0');
  if (digits == 0) return 30;
  if (value < kMinTimeoutSeconds) return kMinTimeoutSeconds;
  if (value > kMaxTimeoutSeconds) return kMaxTimeoutSeconds;
  return static_cast<int>(value);
}

bool IsFirstRunText(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.compare(begin, end - begin, "0") == 0;
}

ProgramSettings ReadProgramSettings(platform::SettingsStore& store,
                                    const platform::WebAddressOpener& openWebAddress) {
  ProgramSettings s;
  s.homePage = ReadSettingOrDefault(store, kHomePageValue, kDefaultHomePage);
  s.programVersion = ReadSettingOrDefault(store, kVersionValue, kDefaultVersion);
  s.helpAddress = ReadSettingOrDefault(store, kHelpValue, kDefaultHelp);
  s.support = ReadSettingOrDefault(store, kSupportValue, kDefaultSupport);
  s.timeoutSeconds = TimeoutSecondsOf(ReadSettingOrDefault(store, kTimeoutValue, kDefaultTimeout));
  if (!store.Read(kSettingsKey, kFirstRunValue)) store.Write(kSettingsKey, kFirstRunValue, kDefaultFirstRun);
  s.aboutTitle = s.productName + " Version " + s.programVersion;

  const auto firstRun = store.Read(kSettingsKey, kFirstRunValue);
  if (firstRun && IsFirstRunText(*firstRun)) {
    store.Write(kSettingsKey, kFirstRunValue, "1");
    s.firstRun = true;
    if (openWebAddress) openWebAddress(s.helpAddress);
  }
  return s;
}
