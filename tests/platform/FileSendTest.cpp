// Sending a file straight to a socket: from the file's position to its end,
// a closed peer as an error rather than a fatal signal, and files the
// system can't send directly reported as such.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <string>

#include "platform/FileSend.h"
#include "support/RealServers.h"

using namespace platform;
using skifftest::TempDir;

namespace {

// A connected pair of loopback TCP sockets.
struct Connection {
  Connection() {
    Socket listener(CreateTcpSocket());
    Endpoint any{0x7F000001, 0}, bound;
    EXPECT_TRUE(BindTo(listener.Get(), any) && ListenOn(listener.Get(), 1) &&
                LocalEndpoint(listener.Get(), bound));
    sender = Socket(CreateTcpSocket());
    EXPECT_TRUE(ConnectTo(sender.Get(), bound));
    receiver = Socket(AcceptFrom(listener.Get(), nullptr));
    EXPECT_TRUE(receiver.Valid());
  }
  std::string ReceiveAll() {
    std::string out;
    char buf[65536];
    while (WaitReadable(receiver.Get(), 10000) == 1) {
      long n = ReceiveBytes(receiver.Get(), buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
  }
  Socket sender;
  Socket receiver;
};

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(i * 131 + i / 977);
  return s;
}

}  // namespace

TEST(SendFromFile, SendsFromTheCurrentPositionToTheEnd) {
  TempDir dir;
  const std::string content = Pattern(3 * 1024 * 1024 + 123);
  ASSERT_TRUE(dir.WriteFile("f.bin", content));
  File file;
  ASSERT_TRUE(file.Open(dir.PathOf("f.bin"), OpenMode::ReadExisting));
  ASSERT_TRUE(file.Seek(1000));  // a resumed upload starts inside the file

  Connection c;
  std::size_t sent = 0;
  FileSendResult r;
  while ((r = SendFromFile(c.sender.Get(), file, 256 * 1024)).status == FileSendResult::Sent)
    sent += r.bytes;
  EXPECT_EQ(r.status, FileSendResult::EndOfFile);
  EXPECT_EQ(sent, content.size() - 1000);
  EXPECT_EQ(file.Position(), static_cast<std::int64_t>(content.size()));
  c.sender.Reset();
  EXPECT_EQ(c.ReceiveAll(), content.substr(1000));
}

TEST(SendFromFile, ClosedPeerIsASendFailureAndLeavesNoSignalBehind) {
  TempDir dir;
  ASSERT_TRUE(dir.WriteFile("f.bin", Pattern(1024 * 1024)));
  File file;
  ASSERT_TRUE(file.Open(dir.PathOf("f.bin"), OpenMode::ReadExisting));
  Connection c;
  c.receiver.Reset();

  // The default action of SIGPIPE would end this test program.
  FileSendResult r;
  int calls = 0;
  do {
    r = SendFromFile(c.sender.Get(), file, 1024 * 1024);
    if (r.status == FileSendResult::EndOfFile && file.Seek(0)) r.status = FileSendResult::Sent;
  } while (r.status == FileSendResult::Sent && ++calls < 1000);
  EXPECT_EQ(r.status, FileSendResult::SendFailed);
  sigset_t pending;
  sigpending(&pending);
  EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
  sigset_t mask;
  pthread_sigmask(SIG_SETMASK, nullptr, &mask);
  EXPECT_EQ(sigismember(&mask, SIGPIPE), 0) << "the thread's signal mask is restored";
}

TEST(SendFromFile, AFileTheSystemCantSendIsReportedForTheCopyingPath) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.PathOf("pipe").c_str(), 0600), 0);
  File fifo;
  ASSERT_TRUE(fifo.Open(dir.PathOf("pipe"), OpenMode::ReadWriteExisting));
  Connection c;
  EXPECT_EQ(SendFromFile(c.sender.Get(), fifo, 4096).status, FileSendResult::Unsupported);
}
