// Names of the logins' queue files: the names that have always been used stay
// as they are, every other login gets a name of its own that stays in the
// working folder, and no two logins meet in one file.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "QueueTestSupport.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"

namespace {

SiteRecord Login(const std::string& address, const std::string& user) {
  SiteRecord site{};
  SetField(site.address, address);
  SetField(site.user, user);
  return site;
}

std::string NameOf(const std::string& address, const std::string& user) {
  return LoginQueueFileName(Login(address, user));
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// One file name in the folder, room left for the temporary name beside it.
// An escaped name holds nothing Windows refuses either.
::testing::AssertionResult StaysInTheFolder(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 230)
    return ::testing::AssertionFailure() << "name of " << name.size() << " bytes: " << name;
  const std::string windowsToo = "\x7f<>\"|?*";
  for (unsigned char c : name)
    if (c < 0x20 || c == '/' || c == '\\' || c == ':' ||
        (EndsWith(name, ".TWQE") && windowsToo.find(static_cast<char>(c)) != std::string::npos))
      return ::testing::AssertionFailure() << "byte " << int(c) << " in " << name;
  return ::testing::AssertionSuccess();
}

std::string Repeat(const std::string& s, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += s;
  return out;
}

// Every name maps back to one joined address-and-user text.
class NameBook {
 public:
  ::testing::AssertionResult Add(const std::string& address, const std::string& user) {
    std::string name = NameOf(address, user);
    auto [it, fresh] = owner_.emplace(name, address + user);
    if (!fresh && it->second != address + user)
      return ::testing::AssertionFailure()
             << "\"" << it->second << "\" and \"" << address + user << "\" share " << name;
    return StaysInTheFolder(name);
  }

 private:
  std::map<std::string, std::string> owner_;
};

}  // namespace

TEST(LoginQueueFileName, NamesThatCouldAlwaysBeUsedStayAsTheyWere) {
  EXPECT_EQ(NameOf("192.168.1.20", "bob"), "192.168.1.20bob.TWQ");
  EXPECT_EQ(NameOf("ftp.example.org", ""), "ftp.example.org.TWQ");
  // Bytes that were always let through keep their place, '%' included.
  EXPECT_EQ(NameOf("host", "100%"), "host100%.TWQ");
  EXPECT_EQ(NameOf("host%3A21", ""), "host%3A21.TWQ");
  EXPECT_EQ(NameOf("h*st", "us?r \x7f\xe9"), "h*stus?r \x7f\xe9.TWQ");
  EXPECT_EQ(NameOf("..", ""), "...TWQ");
}

TEST(LoginQueueFileName, OtherLoginsGetEscapedNamesThatStayInTheFolder) {
  EXPECT_EQ(NameOf("host:2121", "bob"), "host%3A2121bob.TWQE");
  EXPECT_EQ(NameOf("10.0.0.1:21", "100%"), "10.0.0.1%3A21100%25.TWQE");
  EXPECT_EQ(NameOf("192.168.1.20", "/../../etc/passwd"),
            "192.168.1.20%2F..%2F..%2Fetc%2Fpasswd.TWQE");
  EXPECT_EQ(NameOf("C:\\Windows\\", ""), "C%3A%5CWindows%5C.TWQE");
  EXPECT_EQ(NameOf("a\r\n\x1b", "<>\"|?*"), "a%0D%0A%1B%3C%3E%22%7C%3F%2A.TWQE");
  // A device name of Windows before the first dot gets its first byte escaped.
  EXPECT_EQ(NameOf("con.x:1", ""), "%63on.x%3A1.TWQE");
  EXPECT_EQ(NameOf("COM1 .a/b", ""), "%43OM1 .a%2Fb.TWQE");
  // Hostile text full of escaped bytes is spelt in hex, well under the
  // length a file name may have.
  std::string name = NameOf(std::string(51, ':'), std::string(49, '/'));
  EXPECT_EQ(name, Repeat("3A", 51) + Repeat("2F", 49) + ".TWQE");
  EXPECT_TRUE(StaysInTheFolder(name));
  for (const std::string& hostile :
       {std::string("/"), std::string("\\"), std::string("../"), std::string(".."),
        std::string(51, '/'), std::string(50, '\x01'), std::string("\x7f:")})
    EXPECT_TRUE(StaysInTheFolder(NameOf(hostile, hostile))) << hostile;
}

TEST(LoginQueueFileName, NoTwoLoginsShareAFileUnlessTheirTextsJoinAlike) {
  NameBook book;
  // Every address of up to four bytes from bytes that meet at the edges of
  // the scheme: escapes, their hex digits, the dot and the extension's letters.
  const std::string alphabet = "%3A:/.E\x01";
  std::vector<std::string> texts = {""};
  for (std::size_t from = 0, length = 1; length <= 4; ++length) {
    std::size_t to = texts.size();
    for (std::size_t i = from; i < to; ++i)
      for (char c : alphabet) texts.push_back(texts[i] + c);
    from = to;
  }
  for (const std::string& t : texts) {
    ASSERT_TRUE(book.Add(t, "")) << t;
    ASSERT_TRUE(book.Add(t + ".TWQ", "")) << t;
    ASSERT_TRUE(book.Add(t + "TWQ", "E")) << t;
  }
  // Random logins of hostile bytes, long and short, in both fields.
  std::mt19937 random(2024);
  const std::string hostile = "%:/\\.aA3F\x1b\x7f*?<> \xc3\xa9";
  auto text = [&](std::size_t longest) {
    std::string out(std::uniform_int_distribution<std::size_t>(0, longest)(random), ' ');
    for (char& c : out)
      c = hostile[std::uniform_int_distribution<std::size_t>(0, hostile.size() - 1)(random)];
    return out;
  };
  for (int i = 0; i < 20000; ++i) {
    std::string address = text(51), user = text(49);
    ASSERT_TRUE(book.Add(address, user));
  }
}

TEST(LoginQueueFileName, AHostAndPortLoginKeepsItsQueueInItsOwnFile) {
  TempFolder dir;
  std::string name = NameOf("127.0.0.1:2121", "alice");
  std::string path = platform::JoinPath(dir.Path(), name);
  TransferEntry entry = Entry("kept.bin", XFER_DOWNLOAD, 7, "127.0.0.1:2121", "alice");
  {
    CFileQueue q;
    q.SetFile(path);
    q.Add(entry);
    q.Flush();
    EXPECT_EQ(q.FileBytesWritten(), sizeof(TransferEntry));
  }
  std::vector<platform::DirEntry> files;
  ASSERT_TRUE(platform::ListFolder(dir.Path(), files));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].name, name);
  EXPECT_EQ(ReadBytes(path), Bytes(entry));

  CFileQueue reloaded;
  reloaded.SetFile(path);
  ASSERT_EQ(reloaded.Size(), 1u);
  EXPECT_EQ(Bytes(reloaded.Entries()[0]), Bytes(entry));
  // The same host on another port is another login with another file.
  reloaded.SetFile(platform::JoinPath(dir.Path(), NameOf("127.0.0.1:2122", "alice")));
  EXPECT_TRUE(reloaded.IsEmpty());
}
