// A main window without a data folder: it keeps the last site and the
// background queue in memory only, writes nothing into the working folder,
// and the log pane says why.
#include <gtest/gtest.h>
#include <wx/filefn.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "FrameTestSupport.h"
#include "app/ui/ColorEdit.h"
#include "app/ui/MyInfoView.h"
#include "app/ui/TrawlixApp.h"
#include "platform/DataFolder.h"
#include "transfer/FileQueue.h"
#include "transfer/ui/TransmitFileDlg.h"

namespace {

TEST(FrameDataFolder, WithoutOneNothingIsWrittenAndTheLogSaysWhy) {
  skifftest::TempDir program, work;
  ASSERT_TRUE(work.WriteFile("taken", "a file where the folder should be"));
  uitest::ScopedEnv data("SKIFFLINE_DATA_DIR", work.PathOf("taken/skiffline"));
  const platform::DataFolderResult folder = platform::DataFolder();
  ASSERT_FALSE(folder);
  const wxString oldWorkingDir = wxGetCwd();
  ASSERT_TRUE(wxSetWorkingDirectory(program.Path()));

  FrameOptions options = TestFrameOptions(program);
  options.dataFolder = folder.path;
  CMainFrame* frame = new CMainFrame(options);
  CTrawlixApp::ReportNoDataFolder(*frame, folder.error);
  const std::string log = frame->infoView->logEdit->GetValue().utf8_string();
  EXPECT_NE(log.find("No data folder: can't create the data folder \"" +
                     work.PathOf("taken/skiffline") + "\""),
            std::string::npos)
      << log;
  EXPECT_EQ(frame->CurrentSitePath(), "");
  EXPECT_EQ(frame->backgroundDialog->Queue().QueueFile(), "");
  EXPECT_EQ(LoginQueueFilePath(frame->currentSite), "");

  std::strcpy(frame->currentSite.address, "127.0.0.1");
  DestroyFrame(frame);
  wxSetWorkingDirectory(oldWorkingDir);
  EXPECT_TRUE(std::filesystem::is_empty(program.Path()));  // no "TWDefault.TWQ" here
}

}  // namespace
