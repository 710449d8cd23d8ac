// The optional skin library: SkinStart at start with the skin file, SkinRemove
// when the window closes, and nothing at all without the library.
#include <gtest/gtest.h>

#include <string>

#include "FrameTestSupport.h"
#include "app/ui/SkinLibrary.h"
#include "platform/Files.h"

namespace {

class SkinLibraryTest : public ::testing::Test {
 protected:
  SkinLibraryTest() : logEnv("SKIFF_APPFACE_LOG", logDir.PathOf("calls.log")) {}

  std::string Calls() const { return logDir.ReadFile("calls.log"); }

  // Starts the skin, opens a frame and closes it, as the program does.
  void RunProgramWith(CSkinLibrary& skin, const std::string& programFolder) {
    skin.Start(CSkinLibrary::SkinFilePath(programFolder));
    FrameOptions options = TestFrameOptions(program);
    options.skinRemove = [&skin] { skin.Remove(); };
    auto* frame = new CMainFrame(options);
    uitest::PumpFor(20);
    frame->Close();
    uitest::PumpFor(50);
  }

  skifftest::TempDir logDir;
  skifftest::TempDir program;
  uitest::ScopedEnv logEnv;
};

TEST_F(SkinLibraryTest, FileNameAndSkinPathFollowThePlatform) {
  EXPECT_EQ(CSkinLibrary::FileName(), "libAppFace.so");
  EXPECT_EQ(CSkinLibrary::SkinFilePath("/opt/skiffline/"), "/opt/skiffline/URF SKIN LIB/belv.urf");
}

TEST_F(SkinLibraryTest, StartAndRemoveAreCalledOnceEachWithThePlugIn) {
  const std::string folder = platform::ProgramDirectory();  // the plug-in sits beside the tests
  CSkinLibrary skin;
  ASSERT_TRUE(skin.Load(folder));
  EXPECT_EQ(skin.loaded, 1);
  for (std::size_t i = 0; i < CSkinLibrary::kEntryCount; ++i) EXPECT_TRUE(skin.HasEntry(i)) << i;
  RunProgramWith(skin, folder);
  EXPECT_EQ(Calls(), "SkinStart " + folder + "URF SKIN LIB/belv.urf\nSkinRemove\n");
  skin.Unload();
  EXPECT_EQ(skin.loaded, 0);
  EXPECT_EQ(skin.module, nullptr);
  EXPECT_FALSE(skin.HasEntry(0));
}

TEST_F(SkinLibraryTest, NoLibraryMeansNoCalls) {
  skifftest::TempDir empty;
  CSkinLibrary skin;
  EXPECT_FALSE(skin.Load(empty.Path()));
  EXPECT_EQ(skin.loaded, 0);
  RunProgramWith(skin, empty.Path() + "/");
  EXPECT_EQ(Calls(), "");
}

TEST_F(SkinLibraryTest, AnIncompleteLibraryKeepsTheEntriesBeforeTheFirstMissing) {
  CSkinLibrary skin;
  ASSERT_TRUE(skin.Load(SKIFF_PARTIAL_SKIN_DIR));
  EXPECT_EQ(skin.loaded, 0);
  EXPECT_TRUE(skin.HasEntry(0));  // SkinStart
  EXPECT_TRUE(skin.HasEntry(1));  // SkinStartW
  EXPECT_TRUE(skin.HasEntry(2));  // SkinRemove
  for (std::size_t i = 3; i < CSkinLibrary::kEntryCount; ++i) EXPECT_FALSE(skin.HasEntry(i)) << i;
  RunProgramWith(skin, platform::ProgramDirectory());
  EXPECT_EQ(Calls(), "partial SkinStart\npartial SkinRemove\n");
}

}  // namespace
