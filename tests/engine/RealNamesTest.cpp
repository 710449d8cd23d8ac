// Names with blanks where a careless reader loses them (two inside, one in
// front, one at the end) against real servers: the listing shows them as
// sent, and each can be downloaded, renamed and deleted, alone or in a folder.
// A symbolic link is listed by its own name, without the " -> target" part
// (pyftpdlib's MLSD shows it as the file it points at).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "RealSessionHelpers.h"
#include "transfer/MakeEntry.h"

namespace {

using realtest::Kind;
using realtest::RealSessionTest;
namespace fs = std::filesystem;

const std::vector<std::string> kBlankNames = {"a  b.txt", " lead.txt", "trail.txt "};

// Each name's contents: different sizes and bytes, so that a mix-up shows.
std::map<std::string, std::string> BlankFiles() {
  std::map<std::string, std::string> files;
  unsigned seed = 21;
  for (const std::string& name : kBlankNames) {
    files[name] = h4test::PatternData(40000 + 1111 * seed, seed);
    ++seed;
  }
  return files;
}

const RemoteFileRecord* Find(const RemoteListing& records, const std::string& name) {
  for (const RemoteFileRecord& r : records)
    if (name == r.name) return &r;
  return nullptr;
}

std::string Names(const RemoteListing& records) {
  std::string out;
  for (const RemoteFileRecord& r : records) out += "[" + std::string(r.name) + "] ";
  return out;
}

class RealNamesTest : public RealSessionTest {};

TEST_P(RealNamesTest, BlankNamesAreListedDownloadedRenamedAndDeletedAsSent) {
  const auto files = BlankFiles();
  for (const auto& [name, data] : files) ASSERT_TRUE(server->WriteFile("blanks/" + name, data));
  session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);
  ASSERT_TRUE(Connect()) << server->Log();

  RemoteListing records;
  ASSERT_TRUE(ListFolder("blanks", records)) << QueueText();
  EXPECT_EQ(records.size(), files.size()) << Names(records);
  for (const auto& [name, data] : files) {
    const RemoteFileRecord* r = Find(records, name);
    ASSERT_NE(r, nullptr) << "[" << name << "] not in " << Names(records);
    EXPECT_EQ(r->isFolder, 0);
    EXPECT_EQ(RecordSize(*r), static_cast<std::int64_t>(data.size())) << "[" << name << "]";
  }

  std::vector<TransferEntry> downloads;
  for (const auto& [name, data] : files)
    downloads.push_back(Entry("blanks", name, local.Folder(), XFER_DOWNLOAD, false,
                              static_cast<std::int64_t>(data.size())));
  ASSERT_TRUE(Run([&] {
    for (auto& e : downloads) session.QueueTransfer(e);
  }, downloads.size()));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << QueueText();
  for (const auto& [name, data] : files)
    EXPECT_TRUE(h4test::ReadFile(local.Path(name)) == data) << "[" << name << "]";

  // Renamed in the folder the pane shows, each to another name of its kind.
  const std::map<std::string, std::string> renames = {
      {"a  b.txt", "c  d.txt"}, {" lead.txt", " lead2.txt"}, {"trail.txt ", "trail2.txt "}};
  ASSERT_EQ(session.CurrentDir(), RemoteDir("blanks"));
  ASSERT_TRUE(Run([&] {
    for (const auto& [from, to] : renames) session.RenameRemote(from.c_str(), to.c_str());
  }, 2 * renames.size()));
  for (const auto& [from, to] : renames) {
    EXPECT_FALSE(fs::exists(server->RootPath("blanks/" + from))) << "[" << from << "]";
    EXPECT_TRUE(server->ReadFile("blanks/" + to) == files.at(from)) << "[" << to << "]";
  }
  ASSERT_TRUE(ListFolder("blanks", records));
  for (const auto& [from, to] : renames)
    EXPECT_NE(Find(records, to), nullptr) << "[" << to << "] not in " << Names(records);

  std::vector<TransferEntry> deletions;
  for (const auto& [from, to] : renames)
    deletions.push_back(Entry("blanks", to, local.Folder(), XFER_DOWNLOAD, false));
  session.refusedDeletions = 0;
  ASSERT_TRUE(Run([&] {
    for (auto& e : deletions) session.QueueDelete(e);
  }, deletions.size()));
  EXPECT_EQ(session.refusedDeletions.load(), 0);
  ASSERT_TRUE(fs::is_directory(server->RootPath("blanks")));
  EXPECT_TRUE(fs::is_empty(server->RootPath("blanks")))
      << h5test::TreeBelow(server->RootPath("blanks")).size() << " items left";
}

TEST_P(RealNamesTest, FolderOfBlankNamesIsDownloadedAndDeletedWhole) {
  const auto files = BlankFiles();
  std::vector<std::string> expected;
  for (const auto& [name, data] : files) {
    ASSERT_TRUE(server->WriteFile("blanks/" + name, data));
    ASSERT_TRUE(server->WriteFile("blanks/in  side/" + name, data + name));
    expected.push_back(name);
    expected.push_back("in  side/" + name);
  }
  expected.push_back("in  side/");
  std::sort(expected.begin(), expected.end());
  session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);
  ASSERT_TRUE(Connect()) << server->Log();

  TransferEntry folder = Entry("", "blanks", local.Folder(), XFER_DOWNLOAD, true);
  ASSERT_TRUE(Run([&] { session.QueueTransfer(folder); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << QueueText();
  ASSERT_TRUE(fs::is_directory(local.Path("blanks"))) << QueueText();
  EXPECT_EQ(h5test::TreeBelow(local.Path("blanks")), expected);
  for (const auto& [name, data] : files) {
    EXPECT_TRUE(h4test::ReadFile(local.Path("blanks/" + name)) == data) << "[" << name << "]";
    EXPECT_TRUE(h4test::ReadFile(local.Path("blanks/in  side/" + name)) == data + name)
        << "[in  side/" << name << "]";
  }
  EXPECT_EQ(session.CurrentDir(), home);

  TransferEntry gone = Entry("", "blanks", local.Folder(), XFER_DOWNLOAD, true);
  session.refusedDeletions = 0;
  session.skippedNames = 0;
  ASSERT_TRUE(Run([&] { session.QueueDelete(gone); }));
  EXPECT_EQ(session.refusedDeletions.load(), 0);
  EXPECT_EQ(session.skippedNames.load(), 0);
  EXPECT_FALSE(fs::exists(server->RootPath("blanks")))
      << h5test::TreeBelow(server->RootPath("blanks")).size() << " items left";
  EXPECT_EQ(session.CurrentDir(), home);
  // The local copy is not touched by a remote deletion.
  EXPECT_EQ(h5test::TreeBelow(local.Path("blanks")), expected);
}

class RealLinkTest : public RealSessionTest {
 protected:
  void SetUp() override {
    RealSessionTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(server->WriteFile("links/a  b.txt", data));
    std::error_code ec;
    fs::create_symlink("a  b.txt", server->RootPath("links/ my  link "), ec);
    ASSERT_FALSE(ec) << ec.message();
    session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);
  }
  const std::string data = h4test::PatternData(5000, 41);
};

TEST_P(RealLinkTest, LinkWithBlanksIsListedByItsOwnName) {
  ASSERT_TRUE(Connect()) << server->Log();
  RemoteListing records;
  ASSERT_TRUE(ListFolder("links", records)) << QueueText();
  const RemoteFileRecord* link = Find(records, " my  link ");
  ASSERT_NE(link, nullptr) << Names(records);
  if (GetParam() == Kind::PyFtpd) {
    // Its MLSD describes what a link points at: a file of the target's size.
    EXPECT_EQ(link->isLink, 0);
    EXPECT_EQ(link->isFolder, 0);
    EXPECT_EQ(RecordSize(*link), static_cast<std::int64_t>(data.size()));
    return;
  }
  EXPECT_EQ(link->isLink, 1);
  EXPECT_EQ(link->isFolder, 0);
  EXPECT_EQ(link->linkTarget, "a  b.txt");
}

TEST_P(RealLinkTest, LinkIsDownloadedAsTheFileItPointsAt) {
  // A link's listed size is that of the path it holds (8 here), not of the
  // file it points at: queued from the listing, its size is left unknown.
  ASSERT_TRUE(Connect()) << server->Log();
  RemoteListing records;
  ASSERT_TRUE(ListFolder("links", records)) << QueueText();
  const RemoteFileRecord* link = Find(records, " my  link ");
  ASSERT_NE(link, nullptr) << Names(records);

  // Queued from the listing as the remote pane and skiffline-cli queue it.
  TransferEntry one = MakeTransferEntry(session.Site(), RemoteDir("links"), link->name,
                                        local.Folder(), XFER_DOWNLOAD, false, ListedSize(*link),
                                        link->timeText);
  ASSERT_TRUE(Run([&] { session.QueueTransfer(one); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << QueueText();
  EXPECT_TRUE(h4test::ReadFile(local.Path(" my  link ")) == data);
  // The folder part on its own: no failed entry left from the first.
  for (const TransferEntry& e : session.transferQueue.Entries()) session.transferQueue.Remove(e);

  TransferEntry folder = Entry("", "links", local.Folder(), XFER_DOWNLOAD, true);
  ASSERT_TRUE(Run([&] { session.QueueTransfer(folder); }));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << QueueText();
  EXPECT_TRUE(h4test::ReadFile(local.Path("links/ my  link ")) == data);
  EXPECT_TRUE(h4test::ReadFile(local.Path("links/a  b.txt")) == data);
  for (const std::string& line : h4test::StatusLines(*windows.log))
    EXPECT_EQ(line.find("Skipped"), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(Servers, RealLinkTest, ::testing::Values(Kind::PyFtpd, Kind::Vsftpd),
                         realtest::KindName);

INSTANTIATE_TEST_SUITE_P(Servers, RealNamesTest,
                         ::testing::Values(Kind::PyFtpd, Kind::Vsftpd), realtest::KindName);

}  // namespace
