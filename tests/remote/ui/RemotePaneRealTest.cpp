// The remote pane against pyftpdlib: double clicks download files and enter
// folders, Delete and New folder change the server and the list follows,
// and bad connections leave a line in the log and a usable pane.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "RemotePaneHarness.h"
#include "local/ui/InputFileNameDlg.h"
#include "sites/FixedText.h"
#include "support/LocalTree.h"
#include "support/ScriptedFtpServer.h"
#include "transfer/FileQueue.h"
#include "transfer/MakeEntry.h"
#include "transfer/ui/ModalDriver.h"

namespace {

class RemotePaneReal : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
    server_ = std::make_unique<skifftest::PyFtpdServer>();
    ASSERT_TRUE(server_->Ok()) << server_->Log();
  }
  SiteRecord Site(const std::string& password = "secret") {
    return RemotePaneHarness::Site(server_->Address(), server_->User(), password);
  }
  std::unique_ptr<skifftest::PyFtpdServer> server_;
};

// pyftpdlib is listed with MLSD: the rows read as a LIST line's would,
// names in UTF-8 with blanks shown as they are.
TEST_F(RemotePaneReal, MlsdRowsShowNameSizeTimeDateAndModeAsAListLineWould) {
  const std::string name = " caf\xc3\xa9  \xe2\x82\xac.txt";
  ASSERT_TRUE(server_->WriteFile(name, "12345"));
  ASSERT_TRUE(server_->MakeDir("sub"));
  const std::string path = server_->RootPath(name);
  ASSERT_EQ(std::system(("touch -m -d '2021-03-05 10:15:00 UTC' '" + path + "'").c_str()), 0);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  RemotePaneHarness h;
  ASSERT_TRUE(h.ConnectAndList(Site())) << h.LogText();
  ASSERT_TRUE(h.session.Features().mlsd);
  const long row = h.List().RowOfName(name);
  ASSERT_GE(row, 0) << h.LogText();
  const std::vector<std::string> cells = {"", "5", "", "2021", "Mar 05", "-rw-r-----"};
  EXPECT_EQ(h.List().CellText(row, 0), wxString::FromUTF8(name));
  for (long column = 1; column < 6; ++column)
    EXPECT_EQ(h.List().CellText(row, column).utf8_string(), cells[static_cast<std::size_t>(column)])
        << column;
  const long folder = h.List().RowOfName("sub");
  ASSERT_GE(folder, 0);
  EXPECT_EQ(h.List().CellText(folder, 2), "DIR");
  EXPECT_EQ(h.List().CellText(folder, 5).utf8_string().substr(0, 4), "drwx");
  EXPECT_EQ(h.RowNames().size(), 2u);
}

TEST_F(RemotePaneReal, DoubleClickDownloadsAFileWithItsBytesAndEntersAFolder) {
  std::string bytes(150000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 3);
  ASSERT_TRUE(server_->WriteFile("data.bin", bytes));
  ASSERT_TRUE(server_->WriteFile("docs/inner.txt", "inner"));
  RemotePaneHarness h;
  ASSERT_TRUE(h.ConnectAndList(Site())) << h.LogText();
  ASSERT_EQ(h.RowNames(), (std::vector<std::string>{"docs", "data.bin"}));

  // The entry a row makes: the session's site, directory and the local folder.
  const TransferEntry entry = h.pane->MakeRowEntry(h.List().RowOfName("data.bin"));
  const SiteRecord site = h.session.Site();
  EXPECT_EQ(std::memcmp(&entry.site, &site, sizeof site), 0);
  EXPECT_EQ(FieldText(entry.remoteDir), "/");
  EXPECT_EQ(FieldText(entry.remoteName), "data.bin");
  EXPECT_EQ(FieldText(entry.localDir), h.local.Path() + "/");
  EXPECT_EQ(entry.fileSize, 150000);
  EXPECT_EQ(entry.direction, XFER_DOWNLOAD);
  EXPECT_EQ(entry.isFolder, 0);

  const int shownBefore = h.queueShownCalls;
  h.DoubleClick("data.bin");
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.local.ReadFile("data.bin") == bytes && h.Idle(); },
                                20000))
      << h.LogText();
  EXPECT_EQ(h.queueShownCalls, shownBefore + 1);
  EXPECT_EQ(h.document.shownQueue, &h.session.transferQueue);

  h.DoubleClick("docs");
  ASSERT_TRUE(h.WaitForRow("inner.txt")) << h.LogText();
  EXPECT_EQ(h.session.CurrentDir(), "/docs");
  EXPECT_EQ(h.pane->pathBox->GetSelectedText(), "/docs");
}

TEST_F(RemotePaneReal, DeleteAndNewFolderChangeTheServerAndTheListFollows) {
  ASSERT_TRUE(server_->WriteFile("keep.txt", "k"));
  ASSERT_TRUE(server_->WriteFile("gone.txt", "g"));
  ASSERT_TRUE(server_->WriteFile("old/deep/file.txt", "f"));
  RemotePaneHarness h;
  ASSERT_TRUE(h.ConnectAndList(Site())) << h.LogText();

  h.Select({"gone.txt", "old"});
  h.Key(WXK_DELETE);
  ASSERT_TRUE(h.WaitForRow("gone.txt", false)) << h.LogText();
  ASSERT_TRUE(h.WaitForRow("old", false)) << h.LogText();
  EXPECT_FALSE(skifftest::Exists(server_->RootPath("gone.txt")));
  EXPECT_FALSE(skifftest::Exists(server_->RootPath("old")));
  EXPECT_TRUE(skifftest::Exists(server_->RootPath("keep.txt")));
  ASSERT_TRUE(uitest::PumpUntil([&] { return h.Idle(); }, 5000));

  std::vector<std::string> offered;
  {
    uitest::ModalDialogCloser closer([&](const uitest::ModalInfo& m) {
      auto* dialog = dynamic_cast<CInputFileNameDlg*>(m.dialog);
      if (!dialog) return wxID_CANCEL;
      offered.push_back(dialog->nameEdit->GetValue().utf8_string());
      dialog_test::Click(*dialog, wxID_OK);
      return wxID_NONE;
    });
    EXPECT_EQ(h.pane->NewFolder(), 1);
  }
  EXPECT_EQ(offered, (std::vector<std::string>{"New Folder"}));
  ASSERT_TRUE(h.WaitForRow("New Folder")) << h.LogText();
  EXPECT_TRUE(h.List().IsFolderRow(h.List().RowOfName("New Folder")));
  EXPECT_TRUE(skifftest::Exists(server_->RootPath("New Folder")));
}

TEST_F(RemotePaneReal, ARefusedLoginLeavesALineAndAnEnabledPaneAndNoPassword) {
  RemotePaneHarness h;
  h.pane->Connect(Site("wrong-Pa55word"));
  ASSERT_TRUE(uitest::PumpUntil([&] { return !h.session.HasWorker(); }, 30000)) << h.LogText();
  uitest::PumpFor(100);
  const std::string log = h.LogText();
  EXPECT_NE(log.find("Login error!"), std::string::npos) << log;
  EXPECT_EQ(log.find("wrong-Pa55word"), std::string::npos) << log;
  EXPECT_TRUE(h.pane->ControlsEnabled());
  EXPECT_EQ(h.List().GetItemCount(), 0);
}

TEST(RemotePaneBadInput, AnAddressWithSpacesLeavesALineAndKeepsTheQueue) {
  RemotePaneHarness h;
  SiteRecord site = RemotePaneHarness::Site("127.0.0.1 :21 x");
  // An entry left from an earlier run of this login.
  {
    CFileQueue earlier;
    earlier.SetFile(h.work.Path() + "/" + LoginQueueFileName(site));
    TransferEntry entry = MakeTransferEntry(site, "/pub", "keep.bin", h.local.Path() + "/",
                                            XFER_DOWNLOAD, false, "5", "");
    earlier.Add(entry);
  }
  h.pane->Connect(site);
  ASSERT_TRUE(uitest::PumpUntil([&] { return !h.session.HasWorker(); }, 30000)) << h.LogText();
  uitest::PumpFor(100);
  EXPECT_NE(h.LogText().find("Can't connect"), std::string::npos) << h.LogText();
  EXPECT_TRUE(h.pane->ControlsEnabled());
  ASSERT_EQ(h.session.transferQueue.Entries().size(), 1u);
  EXPECT_EQ(FieldText(h.session.transferQueue.Entries()[0].remoteName), "keep.bin");
}

}  // namespace
