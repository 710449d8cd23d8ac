// After a data connection failed, the command's late final reply (425, 426)
// is read with that command, or the command is aborted when none comes, so
// that every later command is paired with its own reply.
#include <gtest/gtest.h>

#include "QueueRunTestHelpers.h"

namespace {

using h4test::kWaitMs;
using h4test::LogLines;
using h4test::TempDir;
using h5test::LoggedInSession;

// The log line that follows the echo of `command` (the first reply line it got).
std::string ReplyAfter(platform::RecordingTarget& log, const std::string& command) {
  std::vector<std::string> lines = LogLines(log);
  const std::string echo = "COMMAND >   " + command + "\r\n";
  for (std::size_t i = 0; i + 1 < lines.size(); ++i)
    if (lines[i] == echo) return lines[i + 1];
  return "(no reply logged after " + command + ")";
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The session works on: CWD /x lands there, and MKD gets its own 257.
void ExpectPairedCommands(LoggedInSession& s, skifftest::ScriptedFtpServer& server) {
  ASSERT_TRUE(s.Run([&] { s.session.ChangeDir("/x"); }, 2));
  EXPECT_EQ(s.session.CurrentDir(), "/x");
  ASSERT_TRUE(s.Run([&] { s.session.MakeDir("made"); }));
  EXPECT_TRUE(server.IsDir("/x/made"));
  std::string reply = ReplyAfter(*s.windows.log, "MKD made");
  EXPECT_TRUE(Contains(reply, "257 \"/x/made\" created")) << reply;
}

TEST(ReplyPairing, AListingWhoseDataConnectionCameTooLateTakesItsLateReply) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/x");
  skifftest::DataOptions late;
  late.connectDelayMs = 1500;  // after the client has given up waiting
  server.QueueDataOptions(late);
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  s.session.dataConnectTimeoutMs = 300;

  ASSERT_TRUE(s.Run([&] { s.session.RefreshList(); }));
  EXPECT_EQ(h4test::CountOf(h4test::StatusLines(*s.windows.log), "Successful transfers"), 0u);
  ASSERT_TRUE(server.WaitForTransfers(1, kWaitMs));
  EXPECT_FALSE(server.Transfers()[0].connected);  // the late connection was refused
  s.session.dataConnectTimeoutMs = kDataConnectTimeoutMs;
  ExpectPairedCommands(s, server);
  EXPECT_EQ(server.CountCommands("ABOR"), 0u);  // the reply came: nothing to abort
}

TEST(ReplyPairing, ADownloadWhoseDataConnectionCameTooLateTakesItsLateReply) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/x");
  server.AddFile("/late.bin", "late");
  skifftest::DataOptions late;
  late.connectDelayMs = 2000;
  server.QueueDataOptions(late);
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  s.session.dataConnectTimeoutMs = 300;

  TransferEntry e = s.Entry("/", "late.bin", local.Folder(), XFER_DOWNLOAD, false, 4);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));
  EXPECT_EQ(s.session.transferQueue.Size(), 1u);  // failed, kept
  // It was the download whose data connection came too late.
  ASSERT_TRUE(server.WaitForTransfers(1, kWaitMs));
  EXPECT_EQ(server.Transfers()[0].verb, "RETR");
  EXPECT_FALSE(server.Transfers()[0].connected);
  s.session.dataConnectTimeoutMs = kDataConnectTimeoutMs;
  ExpectPairedCommands(s, server);
}

TEST(ReplyPairing, AListingWithoutAnyFinalReplyIsAbortedAndTheNextCommandPairs) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/x");
  skifftest::DataOptions never;
  never.neverConnect = true;  // a 150, then neither a connection nor a reply
  server.QueueDataOptions(never);
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  s.session.dataConnectTimeoutMs = 300;
  s.session.lateReplyTimeoutMs = 300;

  ASSERT_TRUE(s.Run([&] { s.session.RefreshList(); }));
  EXPECT_TRUE(server.WaitForCommand("ABOR", kWaitMs));
  std::string reply = ReplyAfter(*s.windows.log, "ABOR");
  EXPECT_TRUE(Contains(reply, "225")) << reply;
  s.session.dataConnectTimeoutMs = kDataConnectTimeoutMs;
  ExpectPairedCommands(s, server);
}

}  // namespace

namespace {

TEST(ReplyPairing, AFinalReplyThatComesAfterTheLimitDoesNotAnswerTheNextCommand) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/x");
  server.AddFile("/slowend.bin", "data");
  skifftest::DataOptions slowEnd;
  // The data arrives, but the 226 only after the client's limit has run out.
  slowEnd.final = skifftest::Script().Pause(1500).Send("226 Transfer complete.");
  server.QueueDataOptions(slowEnd);
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  s.session.inactivityTimeoutMs = 400;
  TransferEntry e = s.Entry("/", "slowend.bin", local.Folder(), XFER_DOWNLOAD, false, 4);
  ASSERT_TRUE(s.Run([&] { s.session.QueueTransfer(e); }));
  EXPECT_EQ(h5test::StateOf(s.session, e), ENTRY_FAILED);
  s.session.inactivityTimeoutMs = kInactivityTimeoutMs;
  ExpectPairedCommands(s, server);
}

TEST(ReplyPairing, AnAbortWhoseReplyComesLateMakesTheNextCommandResynchronise) {
  skifftest::ScriptedFtpServer server;
  server.AddDir("/x");
  server.AddFile("/slow.bin", h4test::PatternData(1024 * 1024));
  skifftest::DataOptions slow;
  slow.chunkSize = 4096;
  slow.chunkDelayMs = 20;
  slow.failed = skifftest::Script();  // the broken transfer itself says nothing
  slow.abortReply = skifftest::Script().Pause(1200).Send("226 Abort successful.");
  server.QueueDataOptions(slow);
  TempDir local;
  LoggedInSession s(server);
  ASSERT_TRUE(s.Connect());
  s.session.lateReplyTimeoutMs = 300;  // the cancel gives up before the reply
  TransferEntry e = s.Entry("/", "slow.bin", local.Folder(), XFER_DOWNLOAD, false, 1024 * 1024);
  s.session.QueueTransfer(e);
  ASSERT_TRUE(h4test::WaitForMessage(*s.windows.progress, msg::WM_SESSION_PROGRESS));
  s.session.Cancel();
  ASSERT_TRUE(h4test::WaitUntil([&] { return h5test::StateOf(s.session, e) == ENTRY_FAILED; }));
  ASSERT_TRUE(h4test::WaitUntil([&] { return !s.session.CancelInFlight(); }));
  s.session.lateReplyTimeoutMs = kLateReplyTimeoutMs;
  ExpectPairedCommands(s, server);
}

}  // namespace
