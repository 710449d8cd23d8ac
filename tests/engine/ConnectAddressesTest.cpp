// The control connect over several addresses: each one in turn until one
// greets, a status line for each that failed, and address forms with IPv6.
#include <gtest/gtest.h>

#include "support/ScriptedFtpServer.h"
#include "SessionTestHelpers.h"
#include "engine/FtpLib.h"

using namespace h4test;

namespace {

class AddressLib : public CFtpLib {
 public:
  using CFtpLib::ConnectAny;
};

TEST(ConnectAddresses, AnAddressThatFailsIsPassedOverForTheNextOne) {
  skifftest::ScriptedFtpServer server;
  AddressLib lib;
  Windows windows;
  windows.Attach(lib);
  // Nothing listens on ::1 at the server's port (or ::1 is missing here).
  std::vector<platform::Endpoint> addresses{platform::Ipv6Loopback(),
                                            platform::Endpoint{skifftest::kLoopback, 0}};
  platform::SocketHandle s = lib.ConnectAny(addresses, server.Port());
  ASSERT_NE(s, platform::kInvalidSocket) << lib.LastError();
  EXPECT_EQ(lib.controlSocket.load(), s);
  bool noted = false;
  for (auto& line : StatusLines(*windows.log)) noted = noted || line.rfind("Can't connect to ::1", 0) == 0;
  EXPECT_TRUE(noted);
  platform::CloseSocket(lib.controlSocket.exchange(platform::kInvalidSocket));

  // A server that greets with a refusal is not asked again elsewhere.
  server.QueueGreeting(skifftest::Script("421 Too many users."));
  std::vector<platform::Endpoint> twice{platform::Endpoint{skifftest::kLoopback, 0},
                                        platform::Endpoint{skifftest::kLoopback, 0}};
  EXPECT_EQ(lib.ConnectAny(twice, server.Port()), platform::kInvalidSocket);
  EXPECT_NE(lib.LastError().find("421"), std::string::npos) << lib.LastError();
  EXPECT_EQ(server.ConnectionCount(), 2);
}

TEST(ConnectAddresses, MalformedIpv6AddressesFailWithoutAnyConnection) {
  CFtpLib lib;
  for (const char* bad : {"2001:db8::1", "[2001:db8::1", "[host]:21", "[::1]:0", "[::1]x"}) {
    EXPECT_EQ(lib.ConnectServer(bad), platform::kInvalidSocket) << bad;
    EXPECT_NE(lib.LastError().find("[IPv6]"), std::string::npos) << bad << ": " << lib.LastError();
    EXPECT_EQ(lib.controlSocket.load(), platform::kInvalidSocket);
  }
}

}  // namespace
