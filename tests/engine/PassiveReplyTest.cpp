// The readers of PASV and EPSV replies and the writers of PORT and EPRT.
#include <gtest/gtest.h>

#include "engine/PassiveReply.h"

using namespace passive_reply;

namespace {

struct PasvCase {
  const char* reply;
  bool ok;
  std::uint32_t address;
  std::uint16_t port;
  const char* problem;  // part of the reason when !ok
};

TEST(PassiveReply, PasvRepliesGiveTheirPortOrAReason) {
  const PasvCase cases[] = {
      {"227 Entering Passive Mode (127,0,0,1,195,80).", true, 0x7F000001, 50000, ""},
      {"227 Entering Passive Mode (10,1,2,3,0,21)\r\n", true, 0x0A010203, 21, ""},
      {"227 =192,168,1,5,4,1", true, 0xC0A80105, 1025, ""},
      {"227 Passive 2024 (1,2,3,4,0,1)", true, 0x01020304, 1, ""},
      {"227 Entering Passive Mode.", false, 0, 0, "no address and port"},
      {"227 Entering Passive Mode (127,0,0,1,4).", false, 0, 0, "no address and port"},
      {"227 Entering Passive Mode (127,0,0,1,256,1).", false, 0, 0, "over 255"},
      {"227 Entering Passive Mode (300,0,0,1,4,1).", false, 0, 0, "over 255"},
      {"227 Entering Passive Mode (127,0,0,1,99999999999999999999,1).", false, 0, 0, "over 255"},
      {"227 Entering Passive Mode (127,0,0,1,0,0).", false, 0, 0, "port 0"},
      {"227 x\r\n(1,2,3,4,5,6)", false, 0, 0, "no address and port"},  // first line only
      {"", false, 0, 0, "no address and port"},
      {"22", false, 0, 0, "no address and port"},
  };
  for (const PasvCase& c : cases) {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    std::string problem;
    EXPECT_EQ(ParsePasv(c.reply, address, port, problem), c.ok) << c.reply;
    if (c.ok) {
      EXPECT_EQ(address, c.address) << c.reply;
      EXPECT_EQ(port, c.port) << c.reply;
      EXPECT_EQ(problem, "") << c.reply;
    } else {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << c.reply << " -> " << problem;
    }
  }
}

TEST(PassiveReply, EpsvRepliesNeedTheThreeDelimitersAndAPort) {
  const std::pair<const char*, int> cases[] = {
      {"229 Entering Extended Passive Mode (|||50000|)", 50000},
      {"229 Extended (!!!2121!)\r\n", 2121},
      {"229 (|||1|)", 1},
      {"229 (|||65535|)", 65535},
      {"229 (|||65536|)", -1},
      {"229 (|||0|)", -1},
      {"229 (|||99999999999999999999|)", -1},
      {"229 Entering Extended Passive Mode (|1|127.0.0.1|21|)", -1},
      {"229 Entering Extended Passive Mode", -1},
      {"229 (|||50000)", -1},
      {"229 (|||50000|", -1},
      {"229 (|||", -1},
      {"229 (111501)", -1},
      {"229 ( |||50000|)", -1},
      {"", -1},
  };
  for (const auto& [reply, expected] : cases) {
    std::uint16_t port = 0;
    std::string problem;
    bool ok = ParseEpsv(reply, port, problem);
    EXPECT_EQ(ok, expected > 0) << reply;
    if (ok) {
      EXPECT_EQ(port, expected) << reply;
    } else {
      EXPECT_FALSE(problem.empty()) << reply;
    }
  }
}

TEST(PassiveReply, PortForIpv4AndEprtForEitherFamily) {
  platform::Endpoint v4{0xC0A80105, 50000};
  EXPECT_EQ(PortCommand(v4), "PORT 192,168,1,5,195,80\r\n");
  EXPECT_EQ(EprtCommand(v4), "EPRT |1|192.168.1.5|50000|\r\n");
  platform::Endpoint v6;
  ASSERT_TRUE(platform::ParseNumericAddress("2001:db8::1", v6));
  v6.port = 2121;
  EXPECT_EQ(EprtCommand(v6), "EPRT |2|2001:db8::1|2121|\r\n");
}

}  // namespace
