// Listings from real servers by what they offer: pyftpdlib lists MLST and
// UTF8 in FEAT and is listed with MLSD, vsftpd offers neither and is listed
// with LIST. Either way names with blanks, a leading blank and UTF-8 are
// listed and shown alike, and fetched alone or in a folder byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "RealSessionHelpers.h"

namespace {

using realtest::Kind;
using realtest::RealSessionTest;
namespace fs = std::filesystem;

const std::string kUtf8Name = "caf\xc3\xa9 \xe2\x82\xac.txt";
const std::string kFolder = "d\xc3\xafr  x";

const RemoteFileRecord* Find(const RemoteListing& records, const std::string& name) {
  for (const RemoteFileRecord& r : records)
    if (name == r.name) return &r;
  return nullptr;
}

std::string Names(const RemoteListing& records) {
  std::string out;
  for (const RemoteFileRecord& r : records) out += "[" + r.name + "] ";
  return out;
}

bool Sent(const std::vector<std::string>& commands, const std::string& verb) {
  return std::any_of(commands.begin(), commands.end(),
                     [&](const std::string& c) { return c.rfind(verb, 0) == 0; });
}

class RealMlsdTest : public RealSessionTest {
 protected:
  void SetUp() override {
    RealSessionTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    unsigned seed = 3;
    for (const std::string& name : {std::string("a  b.txt"), std::string(" lead.txt"), kUtf8Name}) {
      files["names/" + name] = h4test::PatternData(3000 + 777 * seed, seed);
      ++seed;
    }
    files["names/" + kFolder + "/ inner \xc3\xa9.txt"] = h4test::PatternData(5000, 9);
    files["names/" + kFolder + "/sub/z.bin"] = h4test::PatternData(70000, 10);
    for (const auto& [path, data] : files) ASSERT_TRUE(server->WriteFile(path, data));
    // A known date and mode for one file, as both listing commands show them.
    const std::string dated = server->RootPath("names/a  b.txt");
    ASSERT_EQ(std::system(("touch -m -d '2021-03-05 10:15:00 UTC' '" + dated + "'").c_str()), 0);
    fs::permissions(dated, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    session.questions = std::make_shared<CFixedAnswers>(ACTION_OVERWRITE);
  }
  std::map<std::string, std::string> files;
};

TEST_P(RealMlsdTest, NamesAreListedShownAndFetchedAsSent) {
  ASSERT_TRUE(Connect()) << server->Log();
  const bool mlsd = GetParam() == Kind::PyFtpd;
  const ServerFeatures features = session.Features();
  EXPECT_EQ(features.mlsd, mlsd);
  EXPECT_EQ(features.utf8, mlsd);

  RemoteListing records;
  ASSERT_TRUE(ListFolder("names", records)) << QueueText();
  const std::vector<std::string> sent = realtest::SentCommands(*windows.log);
  EXPECT_EQ(Sent(sent, "MLSD"), mlsd);
  EXPECT_EQ(Sent(sent, "LIST"), !mlsd);
  EXPECT_EQ(Sent(sent, "OPTS UTF8 ON"), mlsd);

  // Only the entries themselves: never the folder or its parent.
  EXPECT_EQ(records.size(), 4u) << Names(records);
  for (const auto& [path, data] : files) {
    if (path.find('/', 6) != std::string::npos) continue;  // inside the folder
    const RemoteFileRecord* r = Find(records, path.substr(6));
    ASSERT_NE(r, nullptr) << "[" << path << "] not in " << Names(records);
    EXPECT_EQ(r->isFolder, 0);
    EXPECT_EQ(RecordSize(*r), static_cast<std::int64_t>(data.size())) << r->name;
  }
  const RemoteFileRecord* dated = Find(records, "a  b.txt");
  ASSERT_NE(dated, nullptr);
  EXPECT_STREQ(dated->dateText, "Mar 05");
  EXPECT_STREQ(dated->timeText, "2021");
  EXPECT_STREQ(dated->attributes, "-rw-r-----");
  const RemoteFileRecord* folder = Find(records, kFolder);
  ASSERT_NE(folder, nullptr) << Names(records);
  EXPECT_EQ(folder->isFolder, 1);
  EXPECT_EQ(folder->attributes[0], 'd');
  EXPECT_EQ(std::string(folder->timeText).size(), 5u) << folder->timeText;  // "HH:MM"

  // Each file alone, then the folder as a whole tree.
  std::vector<TransferEntry> downloads;
  for (const RemoteFileRecord& r : records)
    if (!r.isFolder) downloads.push_back(Entry("names", r.name, local.Folder(), XFER_DOWNLOAD,
                                               false, RecordSize(r)));
  downloads.push_back(Entry("names", kFolder, local.Folder(), XFER_DOWNLOAD, true));
  ASSERT_TRUE(Run([&] {
    for (auto& e : downloads) session.QueueTransfer(e);
  }, downloads.size()));
  EXPECT_EQ(session.transferQueue.Size(), 0u) << QueueText();
  for (const auto& [path, data] : files)
    EXPECT_TRUE(h4test::ReadFile(local.Path(path.substr(6))) == data) << "[" << path << "]";
  EXPECT_EQ(h5test::TreeBelow(local.Path(kFolder)),
            (std::vector<std::string>{" inner \xc3\xa9.txt", "sub/", "sub/z.bin"}));

  // The folder deleted whole, from its listings.
  session.refusedDeletions = 0;
  session.skippedNames = 0;
  TransferEntry gone = Entry("names", kFolder, local.Folder(), XFER_DOWNLOAD, true);
  ASSERT_TRUE(Run([&] { session.QueueDelete(gone); }));
  EXPECT_EQ(session.refusedDeletions.load(), 0);
  EXPECT_EQ(session.skippedNames.load(), 0);
  EXPECT_FALSE(fs::exists(server->RootPath("names/" + kFolder)));
}

INSTANTIATE_TEST_SUITE_P(Servers, RealMlsdTest, ::testing::Values(Kind::PyFtpd, Kind::Vsftpd),
                         realtest::KindName);

}  // namespace
