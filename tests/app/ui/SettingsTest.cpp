// Start-up settings: defaults written on the first start, the help page
// opened once, the first-run flag and the version in the title.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "app/ui/ProgramSettings.h"
#include "platform/ui/SettingsStore.h"

namespace {

struct Opened {
  std::vector<std::string> addresses;
  platform::WebAddressOpener Recorder() {
    return [this](const std::string& a) { addresses.push_back(a); };
  }
};

std::string Value(const skifftest::TempDir& dir, const char* name) {
  platform::SettingsStore store(dir.Path());
  return store.Read(kSettingsKey, name).value_or("<missing>");
}

TEST(StartupSettings, FirstStartWritesTheDefaultsAndOpensHelpOnce) {
  skifftest::TempDir dir;
  const std::string folder = dir.PathOf("config/skiffline");
  Opened opened;
  ProgramSettings s;
  {
    platform::SettingsStore store(folder);
    s = ReadProgramSettings(store, opened.Recorder());
  }
  EXPECT_EQ(opened.addresses, std::vector<std::string>{"http://www.skiffline.example/skiffline.html"});
  EXPECT_TRUE(s.firstRun);
  EXPECT_EQ(s.programVersion, "4.3.2");
  EXPECT_EQ(s.aboutTitle, "Vessa Skiffline Version 4.3.2");
  EXPECT_EQ(s.WindowTitle(), "Vessa Skiffline 4.3.2");

  platform::SettingsStore again(folder);
  EXPECT_EQ(again.Read(kSettingsKey, "Home page"), "http://www.skiffline.example/");
  EXPECT_EQ(again.Read(kSettingsKey, "Version"), "4.3.2");
  EXPECT_EQ(again.Read(kSettingsKey, "Help"), "http://www.skiffline.example/skiffline.html");
  EXPECT_EQ(again.Read(kSettingsKey, "Support"), "mailto:support@skiffline.example");
  EXPECT_EQ(again.Read(kSettingsKey, "IfFirstRun"), "1");
  EXPECT_EQ(again.Read(kSettingsKey, "Timeout"), "30");
  EXPECT_EQ(s.timeoutSeconds, 30);

  // The values sit in groups of the key path, readable by the owner only.
  const std::string file = folder + "/settings.ini";
  const std::string text = dir.ReadFile("config/skiffline/settings.ini");
  EXPECT_NE(text.find("[Software/Vessa\\ Skiffline/General]"), std::string::npos) << text;
  namespace fs = std::filesystem;
  EXPECT_EQ(fs::status(folder).permissions() & (fs::perms::group_all | fs::perms::others_all),
            fs::perms::none);
  EXPECT_EQ(fs::status(file).permissions() & (fs::perms::group_all | fs::perms::others_all),
            fs::perms::none);
}

TEST(StartupSettings, SecondStartOpensNothingAndRewritesNothing) {
  skifftest::TempDir dir;
  Opened first, second;
  {
    platform::SettingsStore store(dir.Path());
    ReadProgramSettings(store, first.Recorder());
  }
  {
    platform::SettingsStore store(dir.Path());
    store.Write(kSettingsKey, "Home page", "http://own.example/");
  }
  const std::string before = dir.ReadFile("settings.ini");
  platform::SettingsStore store(dir.Path());
  const ProgramSettings s = ReadProgramSettings(store, second.Recorder());
  EXPECT_TRUE(second.addresses.empty());
  EXPECT_FALSE(s.firstRun);
  EXPECT_EQ(s.homePage, "http://own.example/");
  EXPECT_EQ(dir.ReadFile("settings.ini"), before);
}

TEST(StartupSettings, TimeoutIsReadAsClampedSeconds) {
  EXPECT_EQ(TimeoutSecondsOf("45"), 45);
  EXPECT_EQ(TimeoutSecondsOf(" 120 "), 120);
  EXPECT_EQ(TimeoutSecondsOf("1"), kMinTimeoutSeconds);
  EXPECT_EQ(TimeoutSecondsOf("99999999999"), kMaxTimeoutSeconds);
  EXPECT_EQ(TimeoutSecondsOf("soon"), 30);
  EXPECT_EQ(TimeoutSecondsOf(""), 30);

  skifftest::TempDir dir;
  {
    platform::SettingsStore store(dir.Path());
    store.Write(kSettingsKey, "Timeout", "12");
  }
  platform::SettingsStore store(dir.Path());
  EXPECT_EQ(ReadProgramSettings(store, {}).timeoutSeconds, 12);
}

TEST(StartupSettings, OnlyAZeroWithBlanksAroundItCountsAsFirstRun) {
  struct Case {
    const char* stored;
    bool firstRun;
  };
  for (const Case c : {Case{" 0 ", true}, Case{"\t0", true}, Case{"0", true}, Case{"1", false},
                       Case{"", false}, Case{"00", false}, Case{"0 1", false}, Case{"no", false}}) {
    SCOPED_TRACE(std::string("IfFirstRun \"") + c.stored + "\"");
    skifftest::TempDir dir;
    {
      platform::SettingsStore store(dir.Path());
      store.Write(kSettingsKey, "IfFirstRun", c.stored);
    }
    Opened opened;
    platform::SettingsStore store(dir.Path());
    const ProgramSettings s = ReadProgramSettings(store, opened.Recorder());
    EXPECT_EQ(s.firstRun, c.firstRun);
    EXPECT_EQ(opened.addresses.size(), c.firstRun ? 1u : 0u);
    EXPECT_EQ(Value(dir, "IfFirstRun"), c.firstRun ? std::string("1") : std::string(c.stored));
  }
}

TEST(StartupSettings, AValueTooLongToReadIsReplacedByItsDefault) {
  skifftest::TempDir dir;
  {
    platform::SettingsStore store(dir.Path());
    store.Write(kSettingsKey, "Help", "http://h.example/" + std::string(250, 'x'));
    store.Write(kSettingsKey, "IfFirstRun", "1");
  }
  platform::SettingsStore store(dir.Path());
  const ProgramSettings s = ReadProgramSettings(store, {});
  EXPECT_EQ(s.helpAddress, "http://www.skiffline.example/skiffline.html");
  EXPECT_EQ(Value(dir, "Help"), "http://www.skiffline.example/skiffline.html");
}

TEST(StartupSettings, AChangedVersionReachesTheTitle) {
  skifftest::TempDir dir;
  {
    platform::SettingsStore store(dir.Path());
    store.Write(kSettingsKey, "Version", "4.4 beta ");
    store.Write(kSettingsKey, "IfFirstRun", "1");
  }
  platform::SettingsStore store(dir.Path());
  const ProgramSettings s = ReadProgramSettings(store, {});
  EXPECT_EQ(s.aboutTitle, "Vessa Skiffline Version 4.4 beta ");

  skifftest::TempDir program;
  FrameOptions options = TestFrameOptions(program);
  options.title = s.WindowTitle();
  options.programVersion = s.programVersion;
  CMainFrame* frame = new CMainFrame(options);
  EXPECT_EQ(frame->GetTitle().utf8_string(), "Vessa Skiffline 4.4 beta ");
  DestroyFrame(frame);
}

TEST(StartupSettings, FolderComesFromTheEnvironment) {
  {
    uitest::ScopedEnv own("SKIFFLINE_CONFIG_DIR", "/tmp/skiff-own");
    EXPECT_EQ(platform::SettingsStore::DefaultFolder(), "/tmp/skiff-own");
  }
  uitest::ScopedEnv none("SKIFFLINE_CONFIG_DIR", "");
  {
    uitest::ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/skiff-xdg");
    EXPECT_EQ(platform::SettingsStore::DefaultFolder(), "/tmp/skiff-xdg/skiffline");
  }
  uitest::ScopedEnv noXdg("XDG_CONFIG_HOME", "");
  uitest::ScopedEnv home("HOME", "/tmp/skiff-home");
  EXPECT_EQ(platform::SettingsStore::DefaultFolder(), "/tmp/skiff-home/.config/skiffline");
  EXPECT_EQ(platform::ConfigGroupPath("Software\\Vessa Skiffline\\General"),
            "/Software/Vessa Skiffline/General");
}

}  // namespace
