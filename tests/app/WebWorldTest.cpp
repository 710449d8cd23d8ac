// CWebWorld: which replies give a body, how much of it, and the look-up of
// name=value items.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "LoopbackHttpServer.h"
#include "app/WebWorld.h"
#include "platform/Socket.h"

namespace {

// Keeps test traffic on the loopback interface whatever the environment says.
void DropProxySettings() {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                           "ALL_PROXY"}) {
    unsetenv(name);
  }
}

class WebWorldFetch : public ::testing::Test {
 protected:
  void SetUp() override { DropProxySettings(); }
};

TEST_F(WebWorldFetch, TakesABodyWithContentLengthAndKeepsIt) {
  LoopbackHttpServer server({ReplyWithLength("Vessa Skiffline=4.4;")});
  CWebWorld web;
  EXPECT_EQ(web.Fetch(server.Url("/softinfo.ini")), "Vessa Skiffline=4.4;");
  EXPECT_EQ(web.LastContent(), "Vessa Skiffline=4.4;");
  EXPECT_EQ(web.LookUp("Vessa Skiffline"), "4.4");
}

TEST_F(WebWorldFetch, ChunkedReplyWithoutContentLengthGivesNothing) {
  LoopbackHttpServer server({ChunkedReply("Vessa Skiffline=4.4;")});
  CWebWorld web;
  EXPECT_EQ(web.Fetch(server.Url("/softinfo.ini")), "");
  EXPECT_EQ(web.LookUp("Vessa Skiffline"), "");
}

TEST_F(WebWorldFetch, CutsALongBodyAt4095Bytes) {
  const std::string body = "Vessa Skiffline=4.4;" + std::string(6000, 'x');
  LoopbackHttpServer server({ReplyWithLength(body)});
  CWebWorld web;
  EXPECT_EQ(web.Fetch(server.Url("/softinfo.ini")), body.substr(0, kWebWorldMaxBody));
}

TEST_F(WebWorldFetch, StopsAtTheFirstZeroByte) {
  LoopbackHttpServer server({ReplyWithLength(std::string("Vessa Skiffline=4.4\0;x=1", 24))});
  CWebWorld web;
  EXPECT_EQ(web.Fetch(server.Url("/softinfo.ini")), "Vessa Skiffline=4.4");
}

TEST_F(WebWorldFetch, ErrorPageWithContentLengthIsTakenLikeAnyBody) {
  LoopbackHttpServer server({ReplyWithLength("<html>Not Found</html>", "404 Not Found")});
  CWebWorld web;
  EXPECT_EQ(web.Fetch(server.Url("/softinfo.ini")), "<html>Not Found</html>");
}

TEST_F(WebWorldFetch, ContentLengthOfTheFinalReplyCountsAfterARedirect) {
  // The first server redirects to the second, whose reply is chunked: the
  // redirect's own Content-Length must not make a body of it.
  LoopbackHttpServer target({ChunkedReply("Vessa Skiffline=4.4;")});
  LoopbackHttpServer redirect({"HTTP/1.1 302 Found\r\nLocation: " + target.Url("/softinfo.ini") +
                               "\r\nContent-Length: 5\r\nConnection: close\r\n\r\nMoved"});
  CWebWorld web;
  EXPECT_EQ(web.Fetch(redirect.Url("/softinfo.ini")), "");
  ASSERT_EQ(target.Requests().size(), 1u);
}

TEST_F(WebWorldFetch, RefusedConnectionGivesNothing) {
  // A socket bound but not listening: connections to its port are refused.
  platform::Socket closed(platform::CreateTcpSocket());
  platform::Endpoint local{0x7F000001, 0};
  ASSERT_TRUE(platform::BindTo(closed.Get(), local));
  ASSERT_TRUE(platform::LocalEndpoint(closed.Get(), local));
  CWebWorld web;
  EXPECT_EQ(web.Fetch("http://127.0.0.1:" + std::to_string(local.port) + "/softinfo.ini"), "");
}

TEST_F(WebWorldFetch, UrlsOtherThanHttpGiveNothing) {
  CWebWorld web;
  EXPECT_EQ(web.Fetch("file:///etc/hostname"), "");
  EXPECT_EQ(web.Fetch("not a url"), "");
}

struct LookUpCase {
  std::string content;
  std::string value;
};

TEST(LookUpItem, FollowsTheItemGrammar) {
  const std::vector<LookUpCase> cases = {
      {"Vessa Skiffline=4.4", "4.4"},
      {"Other Product=1.0; ;  vessa skiffline  =  4.4  ;;", "4.4"},
      {" \r\n\tVESSA SKIFFLINE\t=\t4.4\r\n", "4.4"},
      {"Vessa Skiffline=4.4=beta;", "4.4"},
      {"Vessa Skiffline==4.4", ""},
      {"Vessa Skiffline=", ""},
      {"Other=1;Another=2", ""},
      {"Vessa Skiffline2=9;Vessa=8", ""},
      {"", ""},
      {";;;", ""},
      // An item without "=" is skipped; the first item with the name counts.
      {"Vessa Skiffline;Vessa Skiffline=4.5", "4.5"},
      {"Vessa Skiffline=;Vessa Skiffline=4.5", ""},
      {"Vessa Skiffline=4.4;Vessa Skiffline=4.5", "4.4"},
      {"=4.4;Vessa Skiffline=4.6", "4.6"},
  };
  for (const LookUpCase& c : cases) {
    EXPECT_EQ(LookUpItem(c.content, "Vessa Skiffline"), c.value) << '"' << c.content << '"';
  }
}

}  // namespace
