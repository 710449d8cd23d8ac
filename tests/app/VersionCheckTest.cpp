// The version check against a loopback server: what is offered, what is
// not, what the server sees, and what Yes and No do.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "LoopbackHttpServer.h"
#include "app/VersionCheck.h"
#include "platform/Socket.h"

namespace {

constexpr const char* kProduct = "Vessa Skiffline";
constexpr const char* kStoredVersion = "4.3.2";

// The path part of the version file's address.
std::string VersionFilePath() {
  const std::string address = kVersionFileAddress;
  return address.substr(address.find('/', address.find("//") + 2));
}

class VersionCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
  }

  // Runs the check against `url`; the user answers `answer`.
  void Run(const std::string& url, bool answer = false) {
    VersionCheckConfig config;
    config.versionFileAddress = url;
    config.productName = kProduct;
    config.programVersion = programVersion;
    config.askYesNo = [&](const std::string& caption, const std::string& text) {
      questions.push_back({caption, text});
      return answer;
    };
    config.openWebAddress = [&](const std::string& address) { opened.push_back(address); };
    EXPECT_EQ(RunVersionCheck(config), 1);
  }

  // Serves `reply` once and runs the check against it.
  void RunAgainst(const std::string& reply, bool answer = false) {
    LoopbackHttpServer server({reply});
    Run(server.Url(VersionFilePath()), answer);
  }

  // The version offered, if a question was asked.
  std::optional<std::string> Offered() const {
    if (questions.empty()) return std::nullopt;
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].caption, "Information");
    const std::string prefix = "This product has the newest version ";
    const std::string suffix = ",download it right now?";
    const std::string& text = questions[0].text;
    EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
    EXPECT_GE(text.size(), prefix.size() + suffix.size());
    EXPECT_EQ(text.substr(text.size() - suffix.size()), suffix) << text;
    return text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
  }

  struct Question {
    std::string caption;
    std::string text;
  };
  std::string programVersion = kStoredVersion;
  std::vector<Question> questions;
  std::vector<std::string> opened;
};

struct BodyCase {
  const char* title;
  std::string body;
  std::optional<std::string> offered;
};

TEST_F(VersionCheck, OffersOnlyAnotherAnnouncedVersion) {
  const std::vector<BodyCase> cases = {
      {"one item without a semicolon", "Vessa Skiffline=4.4", "4.4"},
      {"lower case with blanks between other items",
       "Other Tool=9.9;; ;  vessa skiffline  =  4.4  ; ;", "4.4"},
      {"exactly the stored version", "Vessa Skiffline=4.3.2;", std::nullopt},
      {"the stored version in other letter case", "Vessa Skiffline= 4.3.2 ;", std::nullopt},
      {"an empty value", "Vessa Skiffline=;", std::nullopt},
      {"only other products", "Other Tool=4.4;Another=5", std::nullopt},
      {"a second equals sign", "Vessa Skiffline=4.4=beta", "4.4"},
      {"a lower version", "Vessa Skiffline=4.3.1", "4.3.1"},
      {"the same number written otherwise", "Vessa Skiffline=4.3.02", "4.3.02"},
      {"the name without equals sign, then with it", "Vessa Skiffline;Vessa Skiffline=4.4",
       "4.4"},
      {"only the name", "Vessa Skiffline", std::nullopt},
      {"only white space", " \r\n\t ", std::nullopt},
      {"a version of 200 characters", "Vessa Skiffline=" + std::string(200, '7'),
       std::string(200, '7')},
      {"a version of 201 characters", "Vessa Skiffline=" + std::string(201, '7'), std::nullopt},
  };
  for (const BodyCase& c : cases) {
    SCOPED_TRACE(c.title);
    questions.clear();
    RunAgainst(ReplyWithLength(c.body));
    EXPECT_EQ(Offered(), c.offered);
    EXPECT_TRUE(opened.empty());
  }
}

TEST_F(VersionCheck, StoredVersionIsComparedWithoutLetterCase) {
  programVersion = "4.4-RC";
  RunAgainst(ReplyWithLength("Vessa Skiffline=4.4-rc"));
  EXPECT_EQ(Offered(), std::nullopt);
}

TEST_F(VersionCheck, NotFoundPageWithoutContentLengthShowsNothing) {
  RunAgainst(ChunkedReply("<html><body>404 Not Found Vessa Skiffline=4.4</body></html>",
                          "404 Not Found"));
  EXPECT_TRUE(questions.empty());
}

TEST_F(VersionCheck, ChunkedVersionFileShowsNothing) {
  RunAgainst(ChunkedReply("Vessa Skiffline=4.4"));
  EXPECT_TRUE(questions.empty());
}

TEST_F(VersionCheck, UnreachableServerEndsSilently) {
  platform::Socket closed(platform::CreateTcpSocket());
  platform::Endpoint local{0x7F000001, 0};
  ASSERT_TRUE(platform::BindTo(closed.Get(), local));
  ASSERT_TRUE(platform::LocalEndpoint(closed.Get(), local));
  Run("http://127.0.0.1:" + std::to_string(local.port) + VersionFilePath());
  EXPECT_TRUE(questions.empty());
  EXPECT_TRUE(opened.empty());
}

TEST_F(VersionCheck, YesOpensTheDownloadPage) {
  RunAgainst(ReplyWithLength("Vessa Skiffline=4.4;"), true);
  EXPECT_EQ(Offered(), "4.4");
  EXPECT_EQ(opened, std::vector<std::string>{kDownloadPageAddress});
}

TEST_F(VersionCheck, NoOpensNothing) {
  RunAgainst(ReplyWithLength("Vessa Skiffline=4.4;"), false);
  EXPECT_EQ(Offered(), "4.4");
  EXPECT_TRUE(opened.empty());
}

TEST_F(VersionCheck, AsksTheVersionFileWithTheBrowsersUserAgent) {
  LoopbackHttpServer server({ReplyWithLength("Vessa Skiffline=4.3.2")});
  Run(server.Url(VersionFilePath()));
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "GET /softinfo.ini HTTP/1.1");
  EXPECT_EQ(HeaderValue(requests[0], "User-Agent"), "CodeguruBrowser1.0");
}

}  // namespace
