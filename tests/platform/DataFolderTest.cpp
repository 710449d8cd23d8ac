// The per-user data folder: which environment variable wins, that a new
// folder (and its missing parents) is made owner-only, that an existing one
// is left as it is, and that a folder that can't be had is a clear error and
// never the working folder.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/DataFolder.h"
#include "sites/SiteFile.h"
#include "support/RealServers.h"
#include "support/ScopedEnv.h"
#include "transfer/FileQueue.h"

namespace {

using skifftest::ScopedEnv;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

class DataFolderTest : public ::testing::Test {
 protected:
  skifftest::TempDir dir;
  // Every case starts from a clean slate of the three variables.
  ScopedEnv own{"SKIFFLINE_DATA_DIR", ""};
  ScopedEnv xdg{"XDG_DATA_HOME", ""};
  ScopedEnv home{"HOME", dir.PathOf("home")};
};

TEST_F(DataFolderTest, XdgDataHomeIsUsedAndTheFolderIsMadeOwnerOnly) {
  ScopedEnv set("XDG_DATA_HOME", dir.PathOf("xdg/data"));  // parents missing too
  const platform::DataFolderResult data = platform::DataFolder();
  ASSERT_TRUE(data) << data.error;
  EXPECT_EQ(data.path, dir.PathOf("xdg/data/skiffline/"));
  EXPECT_TRUE(data.error.empty());
  EXPECT_EQ(ModeOf(dir.PathOf("xdg/data/skiffline")), 0700u);
  EXPECT_EQ(ModeOf(dir.PathOf("xdg/data")), 0700u);

  // The files the program keeps are named inside it.
  EXPECT_EQ(DefaultSiteFilePath(), dir.PathOf("xdg/data/skiffline/SiteInfo.TWP"));
  SiteRecord site = MakeSiteRecord("s", "192.168.1.20", "bob", "", "", "", LOGIN_ACCOUNT);
  EXPECT_EQ(LoginQueueFilePath(site), dir.PathOf("xdg/data/skiffline/192.168.1.20bob.TWQ"));
  EXPECT_EQ(platform::DataFilePath(kBackgroundQueueFile),
            dir.PathOf("xdg/data/skiffline/BkTransmit.TWQ"));
}

TEST_F(DataFolderTest, WithoutXdgDataHomeTheHomeFolderIsUsed) {
  ASSERT_TRUE(dir.MakeDir("home"));
  ScopedEnv relative("XDG_DATA_HOME", "relative/data");  // not absolute: ignored
  const platform::DataFolderResult data = platform::DataFolder();
  ASSERT_TRUE(data) << data.error;
  EXPECT_EQ(data.path, dir.PathOf("home/.local/share/skiffline/"));
  EXPECT_EQ(ModeOf(dir.PathOf("home/.local/share/skiffline")), 0700u);
  EXPECT_EQ(platform::DataFolderLocation().path, data.path);
}

TEST_F(DataFolderTest, SkifflineDataDirWinsAndAnExistingFolderIsLeftAsItIs) {
  ScopedEnv set("XDG_DATA_HOME", dir.PathOf("xdg"));
  ASSERT_TRUE(dir.MakeDir("mine"));
  ASSERT_EQ(::chmod(dir.PathOf("mine").c_str(), 0755), 0);
  ScopedEnv mine("SKIFFLINE_DATA_DIR", dir.PathOf("mine"));
  const platform::DataFolderResult data = platform::DataFolder();
  ASSERT_TRUE(data) << data.error;
  EXPECT_EQ(data.path, dir.PathOf("mine/"));
  EXPECT_EQ(ModeOf(dir.PathOf("mine")), 0755u);  // the user's choice stays
  EXPECT_EQ(ModeOf(dir.PathOf("xdg")), 0u);      // nothing made where it wasn't asked
}

TEST_F(DataFolderTest, AFolderThatCantBeHadIsAClearErrorAndNoPath) {
  ASSERT_TRUE(dir.WriteFile("plain-file", "x"));
  {
    ScopedEnv set("SKIFFLINE_DATA_DIR", dir.PathOf("plain-file/data"));
    const platform::DataFolderResult data = platform::DataFolder();
    EXPECT_FALSE(data);
    EXPECT_TRUE(data.path.empty());
    EXPECT_NE(data.error.find(dir.PathOf("plain-file/data")), std::string::npos) << data.error;
    EXPECT_NE(data.error.find("Not a directory"), std::string::npos) << data.error;
    // No file of the program falls back to the working folder.
    EXPECT_EQ(DefaultSiteFilePath(), "");
    EXPECT_EQ(LoginQueueFilePath(EmptySiteRecord()), "");
    EXPECT_EQ(platform::DataFilePath("", kCurrentSiteFile), "");
  }
  {
    ScopedEnv set("SKIFFLINE_DATA_DIR", "data/here");
    const platform::DataFolderResult data = platform::DataFolder();
    EXPECT_FALSE(data);
    EXPECT_NE(data.error.find("absolute"), std::string::npos) << data.error;
  }
  if (::geteuid() != 0) {  // root may write anywhere
    ASSERT_TRUE(dir.MakeDir("locked"));
    ASSERT_EQ(::chmod(dir.PathOf("locked").c_str(), 0500), 0);
    ScopedEnv set("XDG_DATA_HOME", dir.PathOf("locked"));
    const platform::DataFolderResult data = platform::DataFolder();
    EXPECT_FALSE(data);
    EXPECT_NE(data.error.find("Permission denied"), std::string::npos) << data.error;
    ::chmod(dir.PathOf("locked").c_str(), 0700);
  }
}

}  // namespace
