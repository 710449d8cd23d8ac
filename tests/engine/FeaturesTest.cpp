// What a server offers (FEAT): the reply read into features, and what the
// session does with them against the scripted server: a refused FEAT keeps
// LIST, a huge FEAT reply is read whole and judged by its first lines, and a
// server that lists MLST but does not know MLSD still gets listed. A name in
// Latin-1 bytes travels as those bytes whatever UTF8 said.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SessionTestHelpers.h"
#include "engine/FtpObject.h"
#include "cli/PrintableText.h"
#include "engine/ServerFeatures.h"
#include "remote/ServerText.h"
#include "support/ScriptedFtpServer.h"

using namespace h4test;
using skifftest::Script;
using skifftest::ScriptedFtpServer;

namespace {

TEST(ServerFeatures, RepliesOfRealServersAreRead) {
  struct Case {
    const char* title;
    const char* reply;
    bool mlsd, utf8, epsv, restStream, size, mdtm;
    std::vector<std::string> facts;
  } cases[] = {
      {"pyftpdlib",
       "211-Features supported:\r\n EPRT\r\n EPSV\r\n MDTM\r\n MFMT\r\n"
       " MLST type*;perm*;size*;modify*;unique*;unix.mode;unix.uid;unix.gid;\r\n"
       " REST STREAM\r\n SIZE\r\n TVFS\r\n UTF8\r\n211 End FEAT.\r\n",
       true, true, true, true, true, true,
       {"type", "perm", "size", "modify", "unique", "unix.mode", "unix.uid", "unix.gid"}},
      {"vsftpd",
       "211-Features:\r\n EPRT\r\n EPSV\r\n MDTM\r\n PASV\r\n REST STREAM\r\n SIZE\r\n TVFS\r\n"
       "211 End\r\n",
       false, false, true, true, true, true, {}},
      {"no indent, lower case, LF only",
       "211-Extensions:\nmlst Type*;Size*;\nutf8\nrest\n211 end\n",
       true, true, false, false, false, false, {"Type", "Size"}},
      {"a single line", "211 No features.\r\n", false, false, false, false, false, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const ServerFeatures f = ParseFeatures(c.reply);
    EXPECT_TRUE(f.listed);
    EXPECT_EQ(f.mlsd, c.mlsd);
    EXPECT_EQ(f.utf8, c.utf8);
    EXPECT_EQ(f.epsv, c.epsv);
    EXPECT_EQ(f.restStream, c.restStream);
    EXPECT_EQ(f.size, c.size);
    EXPECT_EQ(f.mdtm, c.mdtm);
    std::vector<std::string> facts;
    for (const auto& fact : f.mlstFacts) facts.push_back(fact.name);
    EXPECT_EQ(facts, c.facts);
  }
}

TEST(ServerFeatures, FactsToAskForOnlyWhenTheModeIsOfferedButNotSent) {
  EXPECT_EQ(MlstFactsToAsk(ParseFeatures(
                "211-F\r\n MLST type*;perm*;size*;modify*;unix.mode;unix.uid;\r\n211 E\r\n")),
            "type;size;modify;unix.mode;");
  EXPECT_EQ(MlstFactsToAsk(ParseFeatures("211-F\r\n MLST type*;size*;UNIX.mode*;\r\n211 E\r\n")),
            "");
  EXPECT_EQ(MlstFactsToAsk(ParseFeatures("211-F\r\n MLST type*;size*;modify*;\r\n211 E\r\n")), "");
  EXPECT_EQ(MlstFactsToAsk(ServerFeatures{}), "");
}

// A reply of `lines` feature lines, with `early` first and `late` last.
std::string LongFeatReply(int lines, const std::string& early, const std::string& late) {
  std::string reply = "211-Features:\r\n " + early + "\r\n";
  for (int i = 0; i < lines - 2; ++i) reply += " X-FEATURE-" + std::to_string(i) + " " +
                                               std::string(static_cast<std::size_t>(i % 90), 'p') + "\r\n";
  reply += " " + late + "\r\n211 End";
  return reply;
}

TEST(ServerFeatures, LinesBeyondTheLimitAreIgnored) {
  const ServerFeatures f = ParseFeatures(LongFeatReply(1000, "UTF8", "MLST type*;"));
  EXPECT_TRUE(f.utf8);
  EXPECT_FALSE(f.mlsd);
  std::string facts = " MLST";
  for (int i = 0; i < 200; ++i) facts += " f" + std::to_string(i) + "*;";
  const ServerFeatures many = ParseFeatures("211-F\r\n" + facts + "\r\n" + std::string(5000, 'x') +
                                            "\r\n211 E\r\n");
  EXPECT_TRUE(many.mlsd);
  EXPECT_LE(many.mlstFacts.size(), kMaxMlstFacts);
}

class FeatureSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    windows.Attach(session);
    server.AddFile("/pub/a.txt", "hello");
  }
  bool Connect() {
    session.SetSite(MakeSite(server.Address(), "user", "secret", "/pub"));
    session.Start();
    return WaitForStatus(*windows.log, "Fininsh initialization, waiting for orders");
  }
  // Lists the folder as the remote pane asks for it; the names listed.
  std::vector<std::string> List() {
    windows.view->Clear();
    session.RefreshList();
    std::vector<std::string> names;
    if (!WaitForMessage(*windows.view, msg::WM_SESSION_LISTING)) return {"(no listing)"};
    windows.view->Inspect([&](std::vector<platform::Message>& all) {
      for (auto& m : all)
        if (m.id == msg::WM_SESSION_LISTING)
          if (RemoteListing* records = m.payload.As<RemoteListing>())
            for (const RemoteFileRecord& r : *records) names.push_back(r.name);
    });
    return names;
  }
  std::size_t Count(const std::string& verb) { return server.CountCommands(verb); }

  ScriptedFtpServer server;
  Windows windows;
  CFtpObject session;
};

TEST_F(FeatureSessionTest, RefusedFeatKeepsTheListingWithList) {
  server.SetReply("FEAT", Script("500 Unknown command."));
  ASSERT_TRUE(Connect());
  EXPECT_FALSE(session.Features().listed);
  EXPECT_EQ(List(), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(Count("LIST"), 1u);
  EXPECT_EQ(Count("MLSD"), 0u);
  EXPECT_EQ(Count("OPTS"), 0u);
}

TEST_F(FeatureSessionTest, AThousandLineFeatIsLoggedAndJudgedByItsFirstLines) {
  server.SetReply("FEAT", Script(LongFeatReply(1000, "UTF8", "MLST type*;size*;")));
  ASSERT_TRUE(Connect());
  const ServerFeatures f = session.Features();
  EXPECT_TRUE(f.utf8);
  EXPECT_FALSE(f.mlsd);
  // OPTS UTF8 ON is refused by this server; that does not matter.
  EXPECT_EQ(Count("OPTS"), 1u);
  EXPECT_TRUE(server.WaitForCommand("OPTS UTF8 ON", 2000));
  EXPECT_EQ(List(), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(Count("LIST"), 1u);
  std::size_t logged = 0;
  for (const std::string& text : windows.log->Texts(msg::WM_SESSION_REPLY_LINE))
    if (text.find("X-FEATURE-") != std::string::npos) ++logged;
  EXPECT_EQ(logged, 998u);
}

TEST_F(FeatureSessionTest, MlstListedButMlsdUnknownFallsBackToList) {
  server.SetReply("FEAT", Script("211-Features:\r\n MLST type*;size*;modify*;\r\n211 End"));
  ASSERT_TRUE(Connect());
  EXPECT_TRUE(session.Features().mlsd);
  EXPECT_EQ(List(), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(Count("MLSD"), 1u);
  EXPECT_EQ(Count("LIST"), 1u);
  EXPECT_EQ(CountOf(StatusLines(*windows.log), "MLSD is not understood; listing with LIST"), 1u);
  // The next listing goes straight to LIST.
  EXPECT_EQ(List(), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(Count("MLSD"), 1u);
  EXPECT_EQ(Count("LIST"), 2u);
}

TEST_F(FeatureSessionTest, Latin1NameIsShownAsLatin1AndSentAsItsBytes) {
  const std::string latin1 = "caf\xe9 \xe0.txt";
  server.AddFile("/pub/" + latin1, "latin one");
  server.SetReply("FEAT", Script("211-Features:\r\n UTF8\r\n SIZE\r\n211 End"));
  ASSERT_TRUE(Connect());
  EXPECT_TRUE(server.WaitForCommand("OPTS UTF8 ON", 2000));
  std::vector<std::string> names = List();
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names, (std::vector<std::string>{"a.txt", latin1}));
  // The pane and the command-line client show "café à.txt".
  EXPECT_EQ(ServerTextToUtf8(latin1), "caf\xc3\xa9 \xc3\xa0.txt");
  EXPECT_EQ(PrintableText(latin1), "caf\xc3\xa9 \xc3\xa0.txt");

  TempDir local;
  TransferEntry entry = MakeEntry(session.Site(), latin1, local.Folder(), XFER_DOWNLOAD, 9);
  SetText(entry.remoteDir, "/pub");
  session.QueueTransfer(entry);
  ASSERT_TRUE(WaitUntil([&] { return session.transferQueue.Size() == 0; }));
  EXPECT_EQ(ReadFile(local.Path(latin1)), "latin one");
  bool sentAsBytes = false;
  for (const auto& c : server.Commands()) sentAsBytes |= c.raw == "RETR " + latin1 + "\r\n";
  EXPECT_TRUE(sentAsBytes);
}

}  // namespace
