// Listings and single-file transfers against the scripted server, driven on
// the test thread: REST, RETR / STOR / APPE, resume, progress, cancel and the
// data connection's checks.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "support/ScriptedFtpServer.h"
#include "SessionTestHelpers.h"
#include "engine/FtpFunction.h"

using namespace h4test;
using skifftest::DataOptions;
using skifftest::Script;
using skifftest::ScriptedFtpServer;

namespace {

class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    windows.Attach(client);
    site = MakeSite(server.Address());
    site.resumeSupported = 1;
    client.site = site;
    client.site.serverType = SERVER_TYPE_UNIX;  // as SYST would have set it
    platform::SocketHandle s = client.ConnectServer(server.Address().c_str());
    ASSERT_NE(s, platform::kInvalidSocket);
    ASSERT_EQ(client.Login(s, "user", "secret"), 1);
    client.loggedIn = 1;
    server.ClearRecords();
  }
  void TearDown() override {
    client.loggedIn = 0;
    platform::CloseSocket(client.controlSocket.exchange(platform::kInvalidSocket));
  }

  TransferEntry Download(const std::string& name, std::int64_t size) {
    return MakeEntry(site, name, dir.Folder(), XFER_DOWNLOAD, size);
  }
  TransferEntry Upload(const std::string& name) {
    return MakeEntry(site, name, dir.Folder(), XFER_UPLOAD);
  }
  // The command lines of the transfer, PORT's argument left out.
  std::vector<std::string> Lines() {
    std::vector<std::string> out;
    for (auto& l : server.CommandLines()) out.push_back(l.rfind("PORT ", 0) == 0 ? "PORT" : l);
    return out;
  }
  std::vector<platform::Message> Progress(std::uint32_t id) {
    std::vector<platform::Message> out;
    windows.progress->Inspect([&](std::vector<platform::Message>& all) {
      for (auto& m : all)
        if (m.id == id) out.push_back(platform::MakeMessage(m.id, m.wParam, m.lParam,
                                                            platform::Payload::Of(m.Text())));
    });
    return out;
  }
  bool Logged(const std::string& text) {
    for (auto& l : LogLines(*windows.log))
      if (l == text) return true;
    return false;
  }

  ScriptedFtpServer server;
  Windows windows;
  TempDir dir;
  SiteRecord site{};
  CFtpFunction client;
};

TEST_F(TransferTest, DownloadSendsTypePortRestZeroRetrAndLeavesTheQueue) {
  std::string data = PatternData(3 * 1024 * 1024 + 17);
  server.AddFile("/data.bin", data);
  TransferEntry entry = Download("data.bin", static_cast<std::int64_t>(data.size()));
  client.transferQueue.Add(entry);
  ASSERT_EQ(client.TransferFile(entry), 1);

  EXPECT_EQ(ReadFile(dir.Path("data.bin")), data);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TYPE I", "PORT", "REST 0", "RETR data.bin"}));
  EXPECT_EQ(client.transferQueue.Contains(entry), 0);
  auto texts = windows.progress->Texts(msg::WM_SESSION_PROGRESS_TEXT);
  EXPECT_EQ(texts, std::vector<std::string>{"data.bin"});
  auto progress = Progress(msg::WM_SESSION_PROGRESS);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().wParam, 100);
  EXPECT_GT(progress.back().lParam, 0);
  for (auto& p : progress) EXPECT_LE(p.wParam, 100);
  EXPECT_TRUE(Logged("                        226 Transfer complete.\r\n"));
}

TEST_F(TransferTest, NoRestToAServerWithoutResume) {
  server.AddFile("/a.txt", "abc");
  TransferEntry entry = Download("a.txt", 3);
  entry.site.resumeSupported = 0;
  ASSERT_EQ(client.TransferFile(entry), 1);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TYPE I", "PORT", "RETR a.txt"}));
  EXPECT_EQ(ReadFile(dir.Path("a.txt")), "abc");
}

TEST_F(TransferTest, ResumedDownloadSendsTheLocalSizeAndContinuesAfter350) {
  std::string data = PatternData(200000);
  server.AddFile("/big.bin", data);
  WriteFile(dir.Path("big.bin"), data.substr(0, 70001));
  TransferEntry entry = Download("big.bin", static_cast<std::int64_t>(data.size()));
  entry.existsAction = ACTION_RESUME;
  entry.resumeOffset = 70001;
  ASSERT_EQ(client.TransferFile(entry), 1);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TYPE I", "PORT", "REST 70001", "RETR big.bin"}));
  EXPECT_EQ(ReadFile(dir.Path("big.bin")), data);
  auto transfers = server.Transfers();
  ASSERT_EQ(transfers.size(), 1u);
  EXPECT_EQ(transfers[0].bytes, data.size() - 70001);
}

TEST_F(TransferTest, ResumeAnsweredOtherwiseRewritesTheWholeFile) {
  std::string data = PatternData(3000, 3);
  server.AddFile("/r.bin", data);
  server.SetReply("REST", Script("502 REST not implemented."));
  WriteFile(dir.Path("r.bin"), std::string(5000, 'x'));  // longer than the remote file
  TransferEntry entry = Download("r.bin", 3000);
  entry.existsAction = ACTION_RESUME;
  entry.resumeOffset = 5000;
  ASSERT_EQ(client.TransferFile(entry), 1);
  EXPECT_EQ(ReadFile(dir.Path("r.bin")), data);
}

TEST_F(TransferTest, UploadUsesStorAndResumedUploadAppendsTheRest) {
  std::string data = PatternData(1500000, 5);
  WriteFile(dir.Path("up.bin"), data);
  TransferEntry entry = Upload("up.bin");
  ASSERT_EQ(client.TransferFile(entry), 1);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TYPE I", "PORT", "REST 0", "STOR up.bin"}));
  EXPECT_EQ(server.Received("up.bin"), data);
  EXPECT_EQ(Progress(msg::WM_SESSION_PROGRESS).back().wParam, 100);

  server.ClearRecords();
  entry.existsAction = ACTION_RESUME;
  entry.resumeOffset = 1000000;
  ASSERT_EQ(client.TransferFile(entry), 1);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TYPE I", "PORT", "APPE up.bin"}));
  EXPECT_EQ(server.Received("up.bin"), data.substr(1000000));
  EXPECT_EQ(ReadFile(dir.Path("up.bin")), data);  // the source stays untouched
}

TEST_F(TransferTest, UploadThatTheServerCutsOffFailsAndKeepsTheEntry) {
  WriteFile(dir.Path("up.bin"), PatternData(8 * 1024 * 1024, 7));
  DataOptions opt;
  opt.closeAfterBytes = 100000;
  server.QueueDataOptions(opt);
  TransferEntry entry = Upload("up.bin");
  client.transferQueue.Add(entry);
  // Sending into the closed connection is an error, not a fatal signal.
  EXPECT_EQ(client.TransferFile(entry), 0);
  EXPECT_EQ(client.transferQueue.Contains(entry), 1);
  EXPECT_EQ(server.Received("up.bin").size(), 100000u);
  EXPECT_EQ(platform::FileSize(dir.Path("up.bin")), 8 * 1024 * 1024);
}

TEST_F(TransferTest, EmptyFileReportsNoProgressAndUnknownSizeReportsFullPercent) {
  server.AddFile("/empty", "");
  ASSERT_EQ(client.TransferFile(Download("empty", 0)), 1);
  EXPECT_TRUE(Progress(msg::WM_SESSION_PROGRESS).empty());
  EXPECT_TRUE(platform::PathExists(dir.Path("empty")));
  EXPECT_EQ(platform::FileSize(dir.Path("empty")), 0);

  server.AddFile("/unknown", PatternData(100000));
  ASSERT_EQ(client.TransferFile(Download("unknown", 0)), 1);
  auto progress = Progress(msg::WM_SESSION_PROGRESS);
  ASSERT_FALSE(progress.empty());
  for (auto& p : progress) EXPECT_EQ(p.wParam, 100);
}

TEST_F(TransferTest, RefusedCommandsFailAndKeepTheEntry) {
  server.AddFile("/f", "data");
  TransferEntry entry = Download("f", 4);
  client.transferQueue.Add(entry);

  server.QueueReply("PORT", Script("500 Illegal PORT command."));
  EXPECT_EQ(client.TransferFile(entry), 0);
  server.QueueReply("RETR", Script("550 Failed to open file."));
  EXPECT_EQ(client.TransferFile(entry), 0);
  server.QueueReply("TYPE", Script("421 Timeout."));
  EXPECT_EQ(client.TransferFile(entry), 0);
  EXPECT_EQ(client.transferQueue.Contains(entry), 1);
  EXPECT_EQ(server.Transfers().size(), 0u);
}

TEST_F(TransferTest, RefusedDownloadKeepsTheOldFileAndMakesNoNewOne) {
  // An overwrite whose RETR the server refuses must not destroy the old copy.
  WriteFile(dir.Path("keep.txt"), "precious");
  TransferEntry existing = Download("keep.txt", 4);
  existing.existsAction = ACTION_OVERWRITE;
  server.QueueReply("RETR", Script("550 Failed to open file."));
  EXPECT_EQ(client.TransferFile(existing), 0);
  EXPECT_EQ(ReadFile(dir.Path("keep.txt")), "precious");

  // A failed start leaves no empty file that a later run would take for an
  // existing target.
  server.QueueReply("RETR", Script("550 Failed to open file."));
  EXPECT_EQ(client.TransferFile(Download("missing.txt", 4)), 0);
  EXPECT_FALSE(platform::PathExists(dir.Path("missing.txt")));

  // Once the data comes, an overwrite replaces the whole old content.
  server.AddFile("/keep.txt", "new");
  existing.fileSize = 3;
  EXPECT_EQ(client.TransferFile(existing), 1);
  EXPECT_EQ(ReadFile(dir.Path("keep.txt")), "new");
}

TEST_F(TransferTest, DownloadCutShortFailsWhereTheListedSizeIsKnown) {
  server.AddFile("/cut.bin", PatternData(100000));
  DataOptions opt;
  opt.closeAfterBytes = 40000;
  server.QueueDataOptions(opt);
  EXPECT_EQ(client.TransferFile(Download("cut.bin", 100000)), 0);
  EXPECT_EQ(platform::FileSize(dir.Path("cut.bin")), 40000);
  EXPECT_EQ(client.LastError(), "the local file has 40000 bytes, the listing said 100000");

  // Without a listed size the server's word decides.
  server.QueueDataOptions(opt);
  EXPECT_EQ(client.TransferFile(Download("cut.bin", 0)), 1);
  EXPECT_EQ(platform::FileSize(dir.Path("cut.bin")), 40000);
}

TEST_F(TransferTest, FailedFinalReplyFailsTheTransfer) {
  server.AddFile("/x.bin", "xyz");
  DataOptions opt;
  opt.final = Script("451 Local error in processing.");
  server.QueueDataOptions(opt);
  EXPECT_EQ(client.TransferFile(Download("x.bin", 3)), 0);
}

TEST_F(TransferTest, NameThatLeavesTheFolderIsRefused) {
  server.AddFile("/evil", "owned");
  TempDir outer;
  TransferEntry entry = Download("evil", 5);
  SetText(entry.localDir, outer.Folder() + "inner/");
  platform::CreateDirectory(outer.Path("inner"));
  SetText(entry.localName, "../escaped");
  EXPECT_EQ(client.TransferFile(entry), 0);
  EXPECT_FALSE(platform::PathExists(outer.Path("escaped")));
  EXPECT_EQ(server.CommandLines().size(), 0u);
}

TEST_F(TransferTest, CancelInTheMiddleLeavesThePartialFileAndLogsAbor) {
  std::string data = PatternData(4 * 1024 * 1024, 9);
  server.AddFile("/slow.bin", data);
  DataOptions slow;
  slow.chunkSize = 8192;
  slow.chunkDelayMs = 10;  // about five seconds for the whole file
  server.QueueDataOptions(slow);
  TransferEntry entry = Download("slow.bin", static_cast<std::int64_t>(data.size()));
  client.transferQueue.Add(entry);

  auto running = std::async(std::launch::async, [&] { return client.TransferFile(entry); });
  ASSERT_TRUE(WaitForMessage(*windows.progress, msg::WM_SESSION_PROGRESS));
  client.Cancel();
  ASSERT_EQ(running.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(running.get(), 0);
  EXPECT_EQ(client.transferQueue.Contains(entry), 1);

  std::string partial = ReadFile(dir.Path("slow.bin"));
  EXPECT_GT(partial.size(), 0u);
  EXPECT_LT(partial.size(), data.size());
  EXPECT_EQ(partial, data.substr(0, partial.size()));
  ASSERT_TRUE(server.WaitForCommand("ABOR", kWaitMs));
  ASSERT_TRUE(WaitUntil([&] { return Logged("COMMAND >   ABOR\r\n"); }));

  // The control connection is still in step: the next listing works.
  server.AddFile("/after.txt", "1");
  ASSERT_EQ(client.ListDirectory(0), 1);
  bool found = false;
  for (auto& r : client.listing) found |= std::string(r.name) == "after.txt";
  EXPECT_TRUE(found);
}

TEST_F(TransferTest, StopClearsProceedYetTheCancelStillSendsAbor) {
  // The Stop command of a transmission clears proceed, then cancels the
  // running transfer: the abort must still reach the server.
  std::string data = PatternData(4 * 1024 * 1024, 5);
  server.AddFile("/stop.bin", data);
  DataOptions slow;
  slow.chunkSize = 8192;
  slow.chunkDelayMs = 10;
  server.QueueDataOptions(slow);
  TransferEntry entry = Download("stop.bin", static_cast<std::int64_t>(data.size()));
  auto running = std::async(std::launch::async, [&] { return client.TransferFile(entry); });
  ASSERT_TRUE(WaitForMessage(*windows.progress, msg::WM_SESSION_PROGRESS));
  client.SetProceed(0);
  client.Cancel();
  ASSERT_EQ(running.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(running.get(), 0);
  EXPECT_TRUE(server.WaitForCommand("ABOR", kWaitMs));
  client.SetProceed(1);
}

TEST_F(TransferTest, LateReplyAfterAFailedDataConnectionIsNotTakenForTheNextOne) {
  server.AddFile("/late.bin", "x");
  server.AddFile("/next.txt", "1");
  client.dataConnectTimeoutMs = 300;
  DataOptions late;
  late.connectDelayMs = 700;  // after the client gave up waiting
  server.QueueDataOptions(late);
  EXPECT_EQ(client.TransferFile(Download("late.bin", 1)), 0);

  // The failed RETR's late reply is read with it, so the listing's commands
  // get their own replies.
  client.dataConnectTimeoutMs = kDataConnectTimeoutMs;
  windows.log->Clear();
  ASSERT_EQ(client.ListDirectory(0), 1);
  auto lines = LogLines(*windows.log);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "COMMAND >   TYPE A\r\n");
  EXPECT_EQ(lines[1].rfind("                        200", 0), 0u) << lines[1];
  bool found = false;
  for (auto& r : client.listing) found |= std::string(r.name) == "next.txt";
  EXPECT_TRUE(found);
}

TEST_F(TransferTest, DataConnectionFromAnotherAddressIsRefused) {
  server.AddFile("/d.bin", "payload");
  client.dataConnectTimeoutMs = 1500;
  DataOptions foreign;
  foreign.sourceAddress = skifftest::kLoopback2;
  server.QueueDataOptions(foreign);
  EXPECT_EQ(client.TransferFile(Download("d.bin", 7)), 0);
  EXPECT_TRUE(WaitForStatus(*windows.log, "Refused data connection from 127.0.0.2"));
  EXPECT_FALSE(platform::PathExists(dir.Path("d.bin")) &&
               platform::FileSize(dir.Path("d.bin")) > 0);

  // A stray connection first, then the server's own: the transfer works.
  DataOptions stray;
  stray.strayConnectsFrom = {skifftest::kLoopback2};
  server.QueueDataOptions(stray);
  EXPECT_EQ(client.TransferFile(Download("d.bin", 7)), 1);
  EXPECT_EQ(ReadFile(dir.Path("d.bin")), "payload");
}

TEST_F(TransferTest, ServerThatNeverConnectsBackFailsAfterTheBound) {
  server.AddFile("/n.bin", "x");
  client.dataConnectTimeoutMs = 300;
  DataOptions never;
  never.neverConnect = true;
  server.QueueDataOptions(never);
  auto running = std::async(std::launch::async, [&] { return client.TransferFile(Download("n.bin", 1)); });
  ASSERT_EQ(running.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(running.get(), 0);
  client.dataConnectTimeoutMs = 300;
  server.QueueDataOptions(never);
  EXPECT_EQ(client.ListDirectory(0), 0);
}

TEST_F(TransferTest, ConnectionOpenedAtPortWith125Works) {
  std::string data = PatternData(50000);
  server.AddFile("/p.bin", data);
  DataOptions early;
  early.connectAtPort = true;
  server.QueueDataOptions(early);
  ASSERT_EQ(client.TransferFile(Download("p.bin", 50000)), 1);
  EXPECT_EQ(ReadFile(dir.Path("p.bin")), data);
}

TEST_F(TransferTest, ListingArrivesInPiecesCountsUpAndEndsBlank) {
  std::string text;
  for (int i = 0; i < 3000; ++i)
    text += "-rw-r--r--   1 user  group " + std::to_string(1000 + i) +
            " Jan 10 12:00 name" + std::to_string(i) + "\r\n";
  server.SetListing("/", text);
  DataOptions pieces;
  pieces.chunkSize = 4000;
  pieces.chunkDelayMs = 1;
  server.QueueDataOptions(pieces);
  ASSERT_EQ(client.ListDirectory(0), 1);
  ASSERT_EQ(client.listing.size(), 3000u);
  EXPECT_EQ(client.listing[0].name, "name0");
  EXPECT_STREQ(client.listing[2999].sizeText, "3999");

  auto texts = windows.progress->Texts(msg::WM_SESSION_PROGRESS_TEXT);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[texts.size() - 3], "Receive number of bytes: " + std::to_string(text.size()));
  EXPECT_EQ(texts[texts.size() - 2], " ");
  EXPECT_EQ(texts.back(), " ");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TYPE A", "PORT", "LIST"}));
  auto status = StatusLines(*windows.log);
  EXPECT_EQ(CountOf(status, "Receive file directory list....."), 1u);
  EXPECT_EQ(CountOf(status, "Successful transfers"), 1u);
}

TEST_F(TransferTest, ZeroByteInAListingCutsTheRestOfItsLine) {
  std::string text = "-rw-r--r--   1 u g 1 Jan 10 12:00 good1\r\n";
  text += std::string("-rw-r--r--   1 u g 2 Jan 10 12:00 ba\0d\r\n", 40);
  text += "-rw-r--r--   1 u g 3 Jan 10 12:00 good2\r\n";
  server.SetListing("/", text);
  ASSERT_EQ(client.ListDirectory(0), 1);
  ASSERT_EQ(client.listing.size(), 3u);
  EXPECT_EQ(client.listing[0].name, "good1");
  EXPECT_EQ(client.listing[1].name, "ba");
  EXPECT_EQ(client.listing[2].name, "good2");
}

TEST(TransferRate, BytesPerSecondSinceTheStart) {
  EXPECT_EQ(CFtpFunction::TransferRate(1000, 1000, 500), 0);
  EXPECT_EQ(CFtpFunction::TransferRate(2000, 1000, 500), 0);
  EXPECT_EQ(CFtpFunction::TransferRate(1000, 1500, 1000), 2000);
  EXPECT_EQ(CFtpFunction::TransferRate(0, 1000, 1500000000), 1500000000);
  // Loopback speeds beyond the 32-bit range saturate instead of turning negative.
  EXPECT_EQ(CFtpFunction::TransferRate(0, 1, 3LL * 1024 * 1024 * 1024), 2147483647);
  EXPECT_EQ(CFtpFunction::TransferRate(0, 1, 9000000000000000000LL), 2147483647);
}

}  // namespace
