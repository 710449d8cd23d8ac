// Servers whose SYST answer does not match their listing layout: a UNIX
// system word with MS-DOS style lines, and Windows_NT with "ls -l" lines.
// The session reads each line by its own shape, lists right and downloads.
#include <gtest/gtest.h>

#include "QueueRunTestHelpers.h"

namespace {

using h4test::ReadFile;
using h4test::TempDir;
using h5test::LoggedInSession;

struct Expected {
  std::string name;
  bool folder;
  std::int64_t size;  // files only
};

RemoteListing ListingOf(LoggedInSession& s, const std::string& dir) {
  RemoteListing out;
  if (!s.Run([&] { s.session.ChangeDir(dir.c_str()); }, 2)) return out;
  s.windows.view->Clear();
  if (!s.Run([&] { s.session.RefreshList(); })) return out;
  s.windows.view->Inspect([&](std::vector<platform::Message>& all) {
    for (auto& m : all)
      if (m.id == msg::WM_SESSION_LISTING)
        if (RemoteListing* records = m.payload.As<RemoteListing>()) out = *records;
  });
  return out;
}

void ExpectListing(const RemoteListing& records, const std::vector<Expected>& expected) {
  ASSERT_EQ(records.size(), expected.size());
  for (const Expected& e : expected) {
    const RemoteFileRecord* found = nullptr;
    for (const RemoteFileRecord& r : records)
      if (e.name == r.name) found = &r;
    ASSERT_NE(found, nullptr) << "[" << e.name << "]";
    EXPECT_EQ(found->isFolder, e.folder ? 1 : 0) << "[" << e.name << "]";
    if (!e.folder) {
      EXPECT_EQ(RecordSize(*found), e.size) << "[" << e.name << "]";
    }
  }
}

class MixedLayout : public ::testing::TestWithParam<bool> {
 protected:
  // true: SYST says UNIX, the listing is MS-DOS style; false: the reverse.
  bool DosListing() const { return GetParam(); }

  void SetUp() override {
    if (DosListing()) {
      server.SetListingStyle(skifftest::ListingStyle::Dos);
      server.SetReply("SYST", "215 UNIX Type: L8");
    } else {
      server.SetReply("SYST", "215 Windows_NT");
    }
    server.AddDir("/pub/My  Folder");
    server.AddFile("/pub/My  Folder/inner.bin", inner);
    server.AddFile("/pub/a  b.txt", blanks);
    server.AddFile("/pub/report.txt", report);
    server.AddFile("/pub/trail.txt ", "trailing");
  }

  skifftest::ScriptedFtpServer server;
  TempDir local;
  const std::string inner = h4test::PatternData(3000, 3);
  const std::string blanks = h4test::PatternData(1234, 4);
  const std::string report = h4test::PatternData(98765, 5);
};

TEST_P(MixedLayout, ListsByTheLinesShapeAndDownloads) {
  LoggedInSession s(server);
  s.session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);
  ASSERT_TRUE(s.Connect());
  EXPECT_EQ(s.session.Site().serverType,
            DosListing() ? SERVER_TYPE_UNIX : SERVER_TYPE_WINDOWS_NT);

  RemoteListing records = ListingOf(s, "/pub");
  ExpectListing(records, {{"My  Folder", true, 0},
                          {"a  b.txt", false, 1234},
                          {"report.txt", false, 98765},
                          {"trail.txt ", false, 8}});

  TransferEntry file = s.Entry("/pub", "a  b.txt", local.Folder(), XFER_DOWNLOAD, false, 1234);
  TransferEntry folder = s.Entry("/pub", "My  Folder", local.Folder(), XFER_DOWNLOAD, true);
  ASSERT_TRUE(s.Run([&] {
    s.session.QueueTransfer(file);
    s.session.QueueTransfer(folder);
  }, 2));
  EXPECT_EQ(s.session.transferQueue.Size(), 0u);
  EXPECT_TRUE(ReadFile(local.Path("a  b.txt")) == blanks);
  // The folder's own listing goes through the same reader.
  EXPECT_EQ(h5test::TreeBelow(local.Path("My  Folder")), std::vector<std::string>{"inner.bin"});
  EXPECT_TRUE(ReadFile(local.Path("My  Folder/inner.bin")) == inner);
}

TEST_P(MixedLayout, UploadTargetCheckReadsTheListingToo) {
  // The target-exists check of an upload lists the remote folder: the
  // existing file is found there whatever the layout, and resumed from its
  // listed size.
  h4test::WriteFile(local.Path("report.txt"), report + "more");
  LoggedInSession s(server);
  s.session.questions = std::make_shared<CFixedAnswers>(ACTION_RESUME);
  ASSERT_TRUE(s.Connect());
  TransferEntry up = s.Entry("/pub", "report.txt", local.Folder(), XFER_UPLOAD, false);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(up); }));
  EXPECT_EQ(s.session.transferQueue.Size(), 0u);
  EXPECT_EQ(server.CountCommands("APPE report.txt"), 1u);
  EXPECT_TRUE(server.FileContents("/pub/report.txt").value_or("") == report + "more");
}

INSTANTIATE_TEST_SUITE_P(Syst, MixedLayout, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("UnixWordDosLines")
                                             : std::string("WindowsWordUnixLines");
                         });

}  // namespace
