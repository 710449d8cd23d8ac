// Which site addresses the site dialog lets through: what the session's
// connect can read (host or host:port with a port from 1 to 65535).
#include <gtest/gtest.h>

#include "sites/SiteAddress.h"

TEST(SiteAddress, HostsAndPortsTheSessionCanReadPass) {
  for (const char* ok : {"", "ftp.example.org", "127.0.0.1", "127.0.0.1:21", "h:1", "h:65535",
                         "h:00021"})
    EXPECT_EQ(SiteAddressProblem(ok), "") << ok;
}

TEST(SiteAddress, SpacesControlCharactersAndBadPortsAreExplained) {
  EXPECT_NE(SiteAddressProblem("ftp example.org").find("spaces"), std::string::npos);
  EXPECT_NE(SiteAddressProblem(" host").find("spaces"), std::string::npos);
  EXPECT_NE(SiteAddressProblem("host\n").find("control"), std::string::npos);
  for (const char* bad : {"h:0", "h:65536", "h:70000", "h:", "h:21a", "h:123456", "h:2:1", "::1"})
    EXPECT_NE(SiteAddressProblem(bad), "") << bad;
  EXPECT_NE(SiteAddressProblem(":21").find("host name"), std::string::npos);
}

TEST(SiteAddress, BracketedIpv6AddressesPassAndUnbracketedOrBrokenOnesAreExplained) {
  for (const char* ok : {"[2001:db8::1]", "[2001:db8::1]:2121", "[::1]:21", "[::ffff:127.0.0.1]"})
    EXPECT_EQ(SiteAddressProblem(ok), "") << ok;
  EXPECT_NE(SiteAddressProblem("2001:db8::1").find("brackets"), std::string::npos);
  EXPECT_NE(SiteAddressProblem("[2001:db8::1").find("never closed"), std::string::npos);
  EXPECT_NE(SiteAddressProblem("[]:21").find("IPv6"), std::string::npos);
  EXPECT_NE(SiteAddressProblem("[host.example]:21").find("IPv6"), std::string::npos);
  EXPECT_NE(SiteAddressProblem("[::1]x").find("\"]\""), std::string::npos);
  for (const char* bad : {"[::1]:0", "[::1]:", "[::1]:65536"})
    EXPECT_NE(SiteAddressProblem(bad).find("1 to 65535"), std::string::npos) << bad;
}
