// IPv4 and IPv6 endpoints: parsing and printing, lookups that give every
// address, and the bounded connect that a stop or a cancel ends.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <future>

#include "platform/Socket.h"

using namespace platform;

namespace {

// A listener on `at` (port 0: any); its endpoint is written back.
Socket Listen(Endpoint& at, int backlog = 4) {
  Socket s(CreateTcpSocketFor(at));
  if (!s.Valid() || !BindTo(s.Get(), at) || !ListenOn(s.Get(), backlog) ||
      !LocalEndpoint(s.Get(), at))
    return Socket();
  return s;
}

bool Ipv6Usable() {
  Endpoint at = Ipv6Loopback();
  return Listen(at).Valid();
}

TEST(Endpoint, NumericAddressesOfBothFamiliesReadAndPrint) {
  Endpoint e;
  ASSERT_TRUE(ParseNumericAddress("127.0.0.1", e));
  EXPECT_FALSE(e.v6);
  EXPECT_EQ(e.address, 0x7F000001u);
  EXPECT_EQ(FormatAddress(e), "127.0.0.1");
  ASSERT_TRUE(ParseNumericAddress("2001:DB8:0:0::1", e));
  EXPECT_TRUE(e.v6);
  EXPECT_EQ(FormatAddress(e), "2001:db8::1");
  EXPECT_TRUE(e.SameAddress(Endpoint(e)));
  EXPECT_FALSE(e.SameAddress(Ipv6Loopback()));
  EXPECT_EQ(FormatAddress(Ipv6Loopback()), "::1");
  for (const char* bad : {"", "localhost", "[::1]", "1.2.3", "2001:db8::1::2", "::1%"})
    EXPECT_FALSE(ParseNumericAddress(bad, e)) << bad;
  // An IPv4 and an IPv6 endpoint never count as the same address.
  Endpoint v4{0, 0};
  Endpoint v6 = Ipv6Loopback();
  v6.address6[15] = 0;
  EXPECT_FALSE(v4.SameAddress(v6));
}

TEST(Endpoint, ResolveHostAllGivesNumericTextAsItIsAndLocalNames) {
  std::vector<Endpoint> found;
  ASSERT_TRUE(ResolveHostAll("::1", found));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].v6);
  ASSERT_TRUE(ResolveHostAll("localhost", found));
  EXPECT_FALSE(found.empty());
  EXPECT_FALSE(ResolveHostAll("no-such-host.invalid", found));
  EXPECT_FALSE(ResolveHostAllUntil("localhost", found, [] { return true; }, 10000));
  EXPECT_EQ(LastSocketError(), ECANCELED);
}

TEST(Endpoint, ConnectWithinConnectsOrFailsAtOnceOrEndsOnAbandonAndTimeOut) {
  Endpoint at{0x7F000001, 0};
  Socket listener = Listen(at);
  ASSERT_TRUE(listener.Valid());
  Socket c(CreateTcpSocket());
  ASSERT_TRUE(ConnectWithin(c.Get(), at, 5000, nullptr));
  Endpoint peer;
  ASSERT_TRUE(PeerEndpoint(c.Get(), peer));
  EXPECT_EQ(peer.port, at.port);

  // A closed port refuses at once.
  Endpoint closed = at;
  listener.Reset();
  Socket refused(CreateTcpSocket());
  EXPECT_FALSE(ConnectWithin(refused.Get(), closed, 5000, nullptr));
  EXPECT_EQ(LastSocketError(), ECONNREFUSED);

  // A listener whose queue is full never answers: the limit or the abandon ends the wait.
  Endpoint full{0x7F000001, 0};
  Socket busy = Listen(full, 0);
  ASSERT_TRUE(busy.Valid());
  Socket filler(CreateTcpSocket());
  ConnectWithin(filler.Get(), full, 500, nullptr);
  Socket late(CreateTcpSocket());
  EXPECT_FALSE(ConnectWithin(late.Get(), full, 200, nullptr));
  EXPECT_EQ(LastSocketError(), ETIMEDOUT);
  std::atomic<bool> stop{false};
  Socket stopped(CreateTcpSocket());
  auto waiting = std::async(std::launch::async, [&] {
    return ConnectWithin(stopped.Get(), full, 0, [&] { return stop.load(); });
  });
  stop = true;
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_FALSE(waiting.get());
}

TEST(Endpoint, Ipv6LoopbackListensConnectsAndNamesBothEnds) {
  if (!Ipv6Usable()) GTEST_SKIP() << "::1 can't be bound on this machine (no IPv6)";
  Endpoint at = Ipv6Loopback();
  Socket listener = Listen(at);
  ASSERT_TRUE(listener.Valid());
  Socket c(CreateTcpSocketFor(at));
  ASSERT_TRUE(ConnectWithin(c.Get(), at, 5000, nullptr));
  Endpoint from;
  Socket accepted(AcceptFrom(listener.Get(), &from));
  ASSERT_TRUE(accepted.Valid());
  EXPECT_TRUE(from.v6);
  EXPECT_TRUE(from.SameAddress(Ipv6Loopback()));
  Endpoint local;
  ASSERT_TRUE(LocalEndpoint(c.Get(), local));
  EXPECT_EQ(FormatAddress(local), "::1");

  // A second handle keeps the connection when the first is closed.
  Socket copy(DuplicateSocket(accepted.Get()));
  ASSERT_TRUE(copy.Valid());
  accepted.Reset();
  ASSERT_EQ(SendBytes(copy.Get(), "x", 1), 1);
  char b = 0;
  ASSERT_EQ(WaitReadable(c.Get(), 5000), 1);
  EXPECT_EQ(ReceiveBytes(c.Get(), &b, 1), 1);
  EXPECT_EQ(b, 'x');
}

}  // namespace
