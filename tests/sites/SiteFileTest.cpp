#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "support/FileBytes.h"
#include "platform/Files.h"
#include "platform/Notice.h"
#include "sites/FixedText.h"
#include "sites/SiteFile.h"
#include "sites/SiteList.h"

namespace fs = std::filesystem;

namespace {

using skifftest::ReadBytes;
using skifftest::WriteBytes;

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("skiff_sites_" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

class RecordingSink : public platform::NoticeSink {
 public:
  void ShowNotice(const std::string& caption, const std::string& text) override {
    notices.push_back(caption + "|" + text);
  }
  std::vector<std::string> notices;
};


SiteRecord Site(const std::string& name, const std::string& address = "ftp.example.org") {
  return MakeSiteRecord(name, address, "bob", "pw", "/pub", "/home/bob/", LOGIN_ACCOUNT);
}

std::vector<unsigned char> Bytes(const SiteRecord& r) {
  std::vector<unsigned char> out(sizeof r);
  std::memcpy(out.data(), &r, sizeof r);
  return out;
}

std::vector<std::string> Names(const SiteList& list) {
  std::vector<std::string> out;
  for (const auto& n : list.Nodes()) out.push_back(FieldText(n.record.siteName));
  return out;
}

class SiteListTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetNoticeSink(sink); }
  void TearDown() override { platform::SetNoticeSink(nullptr); }
  std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
  TempDir dir;
};

}  // namespace

TEST_F(SiteListTest, RecordSurvivesSaveAndLoadByteForByte) {
  // Every byte set, run-time words and the bytes behind terminators included.
  SiteRecord a;
  auto* p = reinterpret_cast<unsigned char*>(&a);
  for (std::size_t i = 0; i < sizeof a; ++i) p[i] = static_cast<unsigned char>(i * 7 + 1);
  a.siteName[10] = '\0';
  a.serverType = SERVER_TYPE_WINDOWS_NT;
  a.reserved = 0x12345678;
  a.resumeSupported = 1;
  SiteRecord b = Site("second");
  b.serverType = -3;
  SiteList list;
  list.AppendSite(a);
  list.AppendSite(b);
  std::string path = dir.File("SiteInfo.TWP");
  ASSERT_EQ(SaveSiteFile(list, path), 1);
  std::vector<unsigned char> expected = Bytes(a);
  auto bb = Bytes(b);
  expected.insert(expected.end(), bb.begin(), bb.end());
  EXPECT_EQ(ReadBytes(path), expected);

  SiteList loaded;
  ASSERT_EQ(LoadSiteFile(loaded, path), 1);
  ASSERT_EQ(loaded.Count(), 2u);
  EXPECT_EQ(Bytes(loaded.Nodes()[0].record), Bytes(a));
  EXPECT_EQ(Bytes(loaded.Nodes()[1].record), Bytes(b));
  EXPECT_EQ(loaded.Nodes()[1].index, 1);
}

TEST_F(SiteListTest, PartialTrailingRecordIsDroppedAndNotWrittenBack) {
  std::string path = dir.File("SiteInfo.TWP");
  std::vector<unsigned char> bytes = Bytes(Site("one"));
  auto two = Bytes(Site("two"));
  bytes.insert(bytes.end(), two.begin(), two.end());
  bytes.insert(bytes.end(), 100, 0xAB);
  WriteBytes(path, bytes);
  SiteList list;
  ASSERT_EQ(LoadSiteFile(list, path), 1);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"one", "two"}));
  ASSERT_EQ(SaveSiteFile(list, path), 1);
  bytes.resize(2 * sizeof(SiteRecord));
  EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(SiteListTest, EmptyAndMissingFilesGiveAnEmptyListAndEmptyListSavesEmptyFile) {
  SiteList list;
  EXPECT_EQ(LoadSiteFile(list, dir.File("missing.TWP")), 0);
  EXPECT_TRUE(list.IsEmpty());
  std::string path = dir.File("SiteInfo.TWP");
  WriteBytes(path, {});
  EXPECT_EQ(LoadSiteFile(list, path), 1);
  EXPECT_TRUE(list.IsEmpty());
  // A file shorter than one record holds no site.
  WriteBytes(path, std::vector<unsigned char>(947, 'x'));
  EXPECT_EQ(LoadSiteFile(list, path), 1);
  EXPECT_TRUE(list.IsEmpty());

  std::string fresh = dir.File("fresh.TWP");
  ASSERT_EQ(SaveSiteFile(list, fresh), 1);
  EXPECT_TRUE(platform::PathExists(fresh));
  EXPECT_EQ(platform::FileSize(fresh), 0);
  EXPECT_TRUE(sink->notices.empty());
}

TEST_F(SiteListTest, FailedLoadLeavesTheListAsItWas) {
  SiteList list;
  list.AppendSite(Site("kept"));
  EXPECT_EQ(LoadSiteFile(list, dir.File("missing.TWP")), 0);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"kept"}));
}

TEST_F(SiteListTest, IndexOperationsFindByPositionAndReportMissingItems) {
  SiteList list;
  list.AppendSite(Site("a"));
  list.AppendSite(Site("b"));
  list.AppendSite(Site("c"));
  SiteRecord out{};
  ASSERT_EQ(list.GetSiteAt(1, out), 1);
  EXPECT_EQ(FieldText(out.siteName), "b");
  ASSERT_EQ(list.ReplaceSiteAt(1, Site("B")), 1);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "B", "c"}));
  ASSERT_EQ(list.RemoveSiteAt(0), 1);  // the head
  EXPECT_EQ(Names(list), (std::vector<std::string>{"B", "c"}));
  EXPECT_EQ(list.Nodes()[0].index, 0);
  EXPECT_EQ(list.Nodes()[1].index, 1);
  EXPECT_TRUE(sink->notices.empty());

  // The index one past the last site names the (implicit) tail: no match.
  SiteRecord untouched = Site("untouched");
  SiteRecord probe = untouched;
  EXPECT_EQ(list.GetSiteAt(2, probe), 0);
  EXPECT_EQ(Bytes(probe), Bytes(untouched));
  EXPECT_EQ(list.ReplaceSiteAt(-1, Site("x")), 0);
  EXPECT_EQ(list.RemoveSiteAt(5), 0);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"B", "c"}));
  EXPECT_EQ(sink->notices,
            (std::vector<std::string>{"Vessa Skiffline|Can't find this item !",
                                      "Vessa Skiffline|Can't find this item !",
                                      "Vessa Skiffline|Can't find this item ! Can't del !"}));

  list.FreeSiteList();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.RemoveSiteAt(0), 0);
}

TEST_F(SiteListTest, SitesWithTheSameNameAreBothKeptAndRemovedOneAtATime) {
  SiteList list;
  list.AppendSite(Site("same", "first.example"));
  list.AppendSite(Site("same", "second.example"));
  std::string path = dir.File("SiteInfo.TWP");
  ASSERT_EQ(SaveSiteFile(list, path), 1);
  SiteList loaded;
  ASSERT_EQ(LoadSiteFile(loaded, path), 1);
  ASSERT_EQ(loaded.Count(), 2u);
  ASSERT_EQ(loaded.RemoveSiteAt(1), 1);
  ASSERT_EQ(loaded.Count(), 1u);
  EXPECT_EQ(FieldText(loaded.Nodes()[0].record.address), "first.example");
}

TEST_F(SiteListTest, LongestUserAndPasswordStayInsideTheirFields) {
  std::string user(49, 'u'), password(49, 'p');
  SiteRecord r = MakeSiteRecord("s", "host", user, password, "/", "/tmp/", LOGIN_ACCOUNT);
  // Longer texts are cut to the field's width less one.
  SiteRecord longer = MakeSiteRecord(std::string(300, 'n'), std::string(80, 'h'),
                                     std::string(60, 'U'), std::string(60, 'P'), "/", "/", 0);
  EXPECT_EQ(FieldText(longer.siteName).size(), 259u);
  EXPECT_EQ(FieldText(longer.address).size(), 51u);
  EXPECT_EQ(FieldText(longer.user).size(), 49u);
  EXPECT_EQ(FieldText(longer.password), std::string(49, 'P'));
  EXPECT_EQ(longer.remoteInitPath[0], '/');

  SiteList list;
  list.AppendSite(r);
  std::string path = dir.File("SiteInfo.TWP");
  ASSERT_EQ(SaveSiteFile(list, path), 1);
  SiteList loaded;
  ASSERT_EQ(LoadSiteFile(loaded, path), 1);
  const SiteRecord& back = loaded.Nodes().at(0).record;
  EXPECT_EQ(FieldText(back.user), user);
  EXPECT_EQ(FieldText(back.password), password);
  EXPECT_EQ(back.user[49], '\0');
  EXPECT_EQ(back.password[49], '\0');
  EXPECT_EQ(FieldText(back.remoteInitPath), "/");
}

TEST_F(SiteListTest, FailedSaveLeavesTheOldFileWhole) {
  std::string path = dir.File("SiteInfo.TWP");
  SiteList list;
  list.AppendSite(Site("old"));
  ASSERT_EQ(SaveSiteFile(list, path), 1);
  std::vector<unsigned char> before = ReadBytes(path);

  // The temporary file's place is taken by a folder: the save can't be made,
  // even by root.
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  ASSERT_TRUE(platform::CreateDirectory(temp));
  list.AppendSite(Site("new"));
  EXPECT_EQ(SaveSiteFile(list, path), 0);
  EXPECT_EQ(ReadBytes(path), before);
  ::rmdir(temp.c_str());

  // A target inside a missing folder fails without creating anything.
  EXPECT_EQ(SaveSiteFile(list, dir.File("no/such/SiteInfo.TWP")), 0);
  EXPECT_FALSE(platform::PathExists(dir.File("no")));

  ASSERT_EQ(SaveSiteFile(list, path), 1);
  EXPECT_EQ(platform::FileSize(path), static_cast<std::int64_t>(2 * sizeof(SiteRecord)));
}

TEST_F(SiteListTest, SiteFileIsReadableAndWritableByItsOwnerOnly) {
  std::string path = dir.File("SiteInfo.TWP");
  // Even an earlier file open to everybody is replaced by a private one.
  WriteBytes(path, {});
  ::chmod(path.c_str(), 0666);
  SiteList list;
  list.AppendSite(Site("secret"));
  ASSERT_EQ(SaveSiteFile(list, path), 1);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}
