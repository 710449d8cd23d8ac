#include <gtest/gtest.h>

#include <cerrno>

#include "platform/Socket.h"

using namespace platform;

// Only names that can exist reach the resolver; tests rely on this to check
// "unknown host" paths without sending lookups off the machine.
TEST(ResolveHost, DottedAndLocalNamesResolveReservedAndMalformedNamesFailAtOnce) {
  std::uint32_t a = 0;
  ASSERT_TRUE(ResolveHost("127.0.0.1", a));
  EXPECT_EQ(a, 0x7F000001u);
  ASSERT_TRUE(ResolveHost("localhost", a));
  EXPECT_EQ(a >> 24, 127u);
  for (const char* bad : {"", "no-such-host.invalid", "x.INVALID.", "invalid", "bad host",
                          "a..b", ".lead", "semi;colon", "ftp://host"}) {
    EXPECT_FALSE(IsLookupName(bad)) << bad;
    EXPECT_FALSE(ResolveHost(bad, a)) << bad;
  }
  EXPECT_TRUE(IsLookupName("ftp.example.org"));
  EXPECT_TRUE(IsLookupName("my_host-1"));
}

// The lookup a session makes can be walked away from: a stop never waits for
// a name server.
TEST(ResolveHostUntil, AnswersLikeResolveHostAndGivesUpWhenAbandoned) {
  std::uint32_t a = 0;
  ASSERT_TRUE(ResolveHostUntil("localhost", a, [] { return false; }, 10000));
  EXPECT_EQ(a >> 24, 127u);
  EXPECT_FALSE(ResolveHostUntil("no-such-host.invalid", a, [] { return false; }, 10000));

  a = 0;
  EXPECT_FALSE(ResolveHostUntil("localhost", a, [] { return true; }, 10000));
  EXPECT_EQ(LastSocketError(), ECANCELED);
  EXPECT_EQ(a, 0u);
}
