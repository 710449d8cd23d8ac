// Making entries and sorting names.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include "QueueTestSupport.h"
#include "sites/FixedText.h"
#include "transfer/MakeEntry.h"
#include "transfer/SortStringArray.h"

TEST(MakeEntry, FillsTheFieldsAPaneGivesAndZeroesTheRest) {
  SiteRecord site{};
  SetField(site.address, "ftp.example.org");
  SetField(site.user, "bob");
  site.serverType = SERVER_TYPE_UNIX;
  site.resumeSupported = 1;
  TransferEntry e = MakeTransferEntry(site, "/pub", "notes.txt", "/home/bob/", XFER_DOWNLOAD,
                                      false, "123456789012", "2024-05-06 07:08");
  EXPECT_EQ(std::memcmp(&e.site, &site, sizeof site), 0);
  EXPECT_EQ(FieldText(e.remoteDir), "/pub");
  EXPECT_EQ(FieldText(e.remoteName), "notes.txt");
  EXPECT_EQ(FieldText(e.localName), "notes.txt");
  EXPECT_EQ(FieldText(e.localDir), "/home/bob/");
  EXPECT_EQ(e.fileSize, 123456789012LL);
  EXPECT_EQ(FieldText(e.fileTime), "2024-05-06 07:08");
  EXPECT_EQ(e.site.resumeSupported, 1);
  EXPECT_EQ(e.resumeOffset, 0);
  EXPECT_EQ(e.reserved1, 0);
  EXPECT_EQ(e.reserved2, 0);
  EXPECT_EQ(e.state, ENTRY_PENDING);
  EXPECT_EQ(e.existsAction, ACTION_NONE);
  EXPECT_EQ(e.isFolder, 0);
  EXPECT_EQ(e.next, 0u);

  // Names too long for their fields are cut inside them.
  TransferEntry longName = MakeTransferEntry(site, std::string(400, 'd'), std::string(300, 'n'),
                                             "/", XFER_UPLOAD, true, "", std::string(80, 't'));
  EXPECT_EQ(FieldText(longName.remoteDir).size(), 259u);
  EXPECT_EQ(FieldText(longName.remoteName).size(), 259u);
  EXPECT_EQ(FieldText(longName.fileTime).size(), 55u);
  EXPECT_EQ(longName.isFolder, 1);
  EXPECT_EQ(longName.direction, XFER_UPLOAD);
}

TEST(MakeEntry, SizeTextIsReadAsADecimalNumber) {
  EXPECT_EQ(ParseSizeText("4096"), 4096);
  EXPECT_EQ(ParseSizeText("  42 KB"), 42);
  EXPECT_EQ(ParseSizeText(""), 0);
  EXPECT_EQ(ParseSizeText("<DIR>"), 0);
  EXPECT_EQ(ParseSizeText("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(ParseSizeText("99999999999999999999999"), INT64_MAX);
}

TEST(MakeEntry, UploadAndDeleteEntries) {
  TempFolder dir;
  ASSERT_TRUE(platform::CreateDirectory(dir.File("sub")));
  SiteRecord site{};
  std::string local = dir.Path() + "/";
  EXPECT_EQ(MakeUploadEntry(site, "/r", "sub", local, "", "").isFolder, 1);
  EXPECT_EQ(MakeUploadEntry(site, "/r", "nothing", local, "", "").isFolder, 0);
  EXPECT_EQ(MakeUploadEntry(site, "/r", "sub", local, "", "").direction, XFER_UPLOAD);
  TransferEntry del = MakeDeleteEntry(site, "/r", "old", "/tmp/", true);
  EXPECT_EQ(del.isFolder, 1);
  EXPECT_EQ(del.fileSize, 0);
  EXPECT_EQ(del.direction, 0);
  EXPECT_EQ(del.fileTime[0], '\0');
  EXPECT_EQ(FieldText(del.remoteName), "old");
}

namespace {
std::vector<std::string> Sorted(std::vector<std::string> in) {
  CSortStringArray a;
  for (auto& s : in) a.Add(s);
  a.Sort();
  return a.Items();
}
}  // namespace

TEST(SortStringArray, AscendingWithoutCaseAndEqualNamesKeepTheirOrder) {
  EXPECT_EQ(Sorted({"b", "A", "a"}), (std::vector<std::string>{"A", "a", "b"}));
  EXPECT_EQ(Sorted({"b", "a", "A"}), (std::vector<std::string>{"a", "A", "b"}));
  EXPECT_EQ(Sorted({"README", "readme", "ReadMe", "abc"}),
            (std::vector<std::string>{"abc", "README", "readme", "ReadMe"}));
  EXPECT_EQ(Sorted({"ab", "a", "B"}), (std::vector<std::string>{"a", "ab", "B"}));
  // Letters fold to lower case, so '_' sorts before them.
  EXPECT_EQ(Sorted({"Zed", "_x", "apple"}), (std::vector<std::string>{"_x", "apple", "Zed"}));
  EXPECT_EQ(Sorted({}), std::vector<std::string>{});
  EXPECT_EQ(Sorted({"only"}), std::vector<std::string>{"only"});
}

TEST(SortStringArray, MultiByteNamesFoldInTheUsersLocale) {
  std::string saved = std::setlocale(LC_CTYPE, nullptr);
  if (!std::setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no UTF-8 locale";
  std::vector<std::string> got = Sorted({"\xC3\xA9t\xC3\xA9", "Zulu", "\xC3\x89T\xC3\x89", "alpha"});
  std::setlocale(LC_CTYPE, saved.c_str());
  // "été" and "ÉTÉ" compare equal and keep their order, behind the ASCII names.
  EXPECT_EQ(got, (std::vector<std::string>{"alpha", "Zulu", "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"}));
  // Bytes that form no character in the locale still sort, as themselves.
  EXPECT_EQ(Sorted({"\xFF", "\x80", "a"}), (std::vector<std::string>{"a", "\x80", "\xFF"}));
}
