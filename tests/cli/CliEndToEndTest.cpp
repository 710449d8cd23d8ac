// skiffline-cli as a program against a real pyftpdlib: exit status, error
// lines, folder trees both ways, listings, deletions and the site file; and
// against a hostile scripted server, whose text must not steer the terminal.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sites/SiteFile.h"
#include "support/RealServers.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedFtpServer.h"

namespace {

namespace fs = std::filesystem;

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the client with `args` in `cwd`, standard input empty; bounded wait.
CliResult RunCli(const std::vector<std::string>& args, const std::string& cwd = "") {
  skifftest::TempDir io("skiff-cli-io-");
  std::string outPath = io.PathOf("out"), errPath = io.PathOf("err");
  pid_t pid = ::fork();
  if (pid == 0) {
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv;
    std::string program = SKIFF_BINARY_DIR "/skiffline-cli";
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::alarm(120);  // a hang ends the child, never the test run
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  CliResult r;
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = Slurp(outPath);
  r.err = Slurp(errPath);
  return r;
}

std::size_t LineCount(const std::string& s) {
  std::size_t n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> out;
  for (auto& e : fs::recursive_directory_iterator(root))
    out.push_back(fs::relative(e.path(), root).string() + (e.is_directory() ? "/" : ""));
  std::sort(out.begin(), out.end());
  return out;
}

class CliEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
    server = std::make_unique<skifftest::PyFtpdServer>("skiff", "secret");
    ASSERT_TRUE(server->Ok()) << server->Log();
    ASSERT_TRUE(server->WriteFile("tree/a.txt", "alpha"));
    ASSERT_TRUE(server->WriteFile("tree/zero.txt", ""));
    ASSERT_TRUE(server->WriteFile("tree/sub/b.txt", "bravo"));
    ASSERT_TRUE(server->MakeDir("tree/sub/empty"));
    ASSERT_TRUE(server->WriteFile("top.txt", "top"));
  }
  std::string Url(const std::string& path, const std::string& login = "skiff:secret") {
    return "ftp://" + login + "@" + server->Address() + path;
  }
  std::unique_ptr<skifftest::PyFtpdServer> server;
  skifftest::TempDir local{"skiff-cli-local-"};
};

TEST_F(CliEndToEnd, GetOfAFolderTreeAndOfAFile) {
  CliResult r = RunCli({"get", Url("/tree"), local.Path(), "--quiet"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  EXPECT_EQ(Tree(local.Path()), (std::vector<std::string>{"tree/", "tree/a.txt", "tree/sub/",
                                                          "tree/sub/b.txt", "tree/sub/empty/",
                                                          "tree/zero.txt"}));
  EXPECT_EQ(local.ReadFile("tree/sub/b.txt"), "bravo");

  r = RunCli({"-q", "get", Url("/tree/a.txt"), local.PathOf("tree/sub")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("tree/sub/a.txt"), "alpha");
  // Without LOCALDIR the current folder takes it.
  r = RunCli({"get", Url("/top.txt")}, local.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("top.txt"), "top");
  EXPECT_NE(r.err.find("COMMAND >   RETR top.txt"), std::string::npos);  // the log pane's lines
}

TEST_F(CliEndToEnd, PutOfAFolderTreeAndOfAFile) {
  ASSERT_TRUE(local.WriteFile("up/x.txt", "xray"));
  ASSERT_TRUE(local.WriteFile("up/empty.txt", ""));
  ASSERT_TRUE(local.WriteFile("up/in/y.txt", "yankee"));
  ASSERT_TRUE(local.MakeDir("up/in/hollow"));
  ASSERT_TRUE(server->MakeDir("dest"));
  CliResult r = RunCli({"-q", "put", local.PathOf("up"), Url("/dest/")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Tree(server->RootPath("dest")),
            (std::vector<std::string>{"up/", "up/empty.txt", "up/in/", "up/in/hollow/",
                                      "up/in/y.txt", "up/x.txt"}));
  EXPECT_EQ(server->ReadFile("dest/up/in/y.txt"), "yankee");
  r = RunCli({"-q", "put", local.PathOf("up/x.txt"), Url("/dest")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(server->ReadFile("dest/x.txt"), "xray");
}

TEST_F(CliEndToEnd, LsPrintsOneEntryALine) {
  CliResult r = RunCli({"-q", "ls", Url("/tree")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::vector<std::string> got;
  for (std::string l; std::getline(lines, l);) got.push_back(l);
  ASSERT_EQ(got.size(), 3u) << r.out;
  // In the server's order, which MLSD does not sort: by name here.
  std::sort(got.begin(), got.end(), [](const std::string& a, const std::string& b) {
    return a.substr(a.rfind(' ') + 1) < b.substr(b.rfind(' ') + 1);
  });
  // attributes, size, date, time, name
  EXPECT_EQ(got[0].rfind("-rw", 0), 0u) << got[0];
  EXPECT_NE(got[0].find(" 5 "), std::string::npos) << got[0];
  EXPECT_EQ(got[0].substr(got[0].size() - 6), " a.txt");
  EXPECT_EQ(got[1].rfind("d", 0), 0u) << got[1];
  EXPECT_EQ(got[1].substr(got[1].size() - 4), " sub");
  r = RunCli({"-q", "ls", Url("/tree/a.txt")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(LineCount(r.out), 1u);
  EXPECT_NE(r.out.find("a.txt"), std::string::npos);
}

TEST_F(CliEndToEnd, RmAndMkdir) {
  CliResult r = RunCli({"-q", "rm", Url("/tree")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(server->RootPath("tree")));
  EXPECT_TRUE(fs::exists(server->RootPath("top.txt")));
  r = RunCli({"-q", "rm", Url("/top.txt")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(server->RootPath("top.txt")));
  r = RunCli({"-q", "mkdir", Url("/made")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_directory(server->RootPath("made")));
  r = RunCli({"-q", "mkdir", Url("/made")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(LineCount(r.err), 1u) << r.err;
  r = RunCli({"-q", "rm", Url("/nothing")});
  EXPECT_EQ(r.status, 1);
}

TEST_F(CliEndToEnd, FailuresGiveStatusOneAndOneLine) {
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  std::vector<Case> cases = {
      {{"-q", "get", Url("/missing"), local.Path()}, "no such remote path"},
      {{"-q", "ls", Url("/missing/")}, "no such remote path"},
      {{"-q", "ls", Url("/", "skiff:wrong")}, "login refused"},
      {{"-q", "ls", "ftp://no-such-host.invalid/"}, "unknown host"},
      {{"-q", "get", Url("/top.txt"), local.PathOf("absent")}, "no such local folder"},
  };
  for (auto& c : cases) {
    CliResult r = RunCli(c.args);
    EXPECT_EQ(r.status, 1) << c.args[2];
    EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

TEST_F(CliEndToEnd, UsageErrorsGiveStatusTwo) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{}, {"fetch", "x"}, {"ls"}, {"ls", "http://h/"},
                                             {"get", Url("/a"), "b", "c"}, {"ls", "--exists", "x", Url("/")}})
    EXPECT_EQ(RunCli(args).status, 2);
  EXPECT_EQ(RunCli({"--help"}).status, 0);
}

TEST_F(CliEndToEnd, ExistingTargetsFollowTheExistsOption) {
  ASSERT_TRUE(local.WriteFile("top.txt", "mine"));
  CliResult r = RunCli({"-q", "get", Url("/top.txt"), local.Path()});  // no terminal: skip
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("top.txt"), "mine");
  r = RunCli({"-q", "--exists", "overwrite", "get", Url("/top.txt"), local.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("top.txt"), "top");
  ASSERT_TRUE(local.WriteFile("top.txt", "t"));
  r = RunCli({"-q", "--exists", "resume", "get", Url("/top.txt"), local.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("top.txt"), "top");
}

TEST_F(CliEndToEnd, SiteFileLogin) {
  skifftest::ScopedEnv data("SKIFFLINE_DATA_DIR", local.Path());  // the client's data folder
  SiteList sites;
  sites.AppendSite(MakeSiteRecord("home", server->Address(), "skiff", "secret", "", "", LOGIN_ACCOUNT));
  ASSERT_EQ(SaveSiteFile(sites, local.PathOf(kSiteFileName)), 1);
  CliResult r = RunCli({"--site", "home", "-q", "get", "/top.txt", "."}, local.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("top.txt"), "top");
  r = RunCli({"--site", "away", "-q", "ls", "/"}, local.Path());
  EXPECT_EQ(r.status, 1);
}

// The hostile server's texts are ASCII but for their control bytes (C0, DEL
// and a raw C1): what reaches the terminal is printable ASCII and line ends.
::testing::AssertionResult Inert(const std::string& printed) {
  for (std::size_t i = 0; i < printed.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(printed[i]);
    if ((c < 0x20 && c != '\n') || c >= 0x7f)
      return ::testing::AssertionFailure() << "byte " << int(c) << " at " << i << " of:\n"
                                           << printed;
  }
  return ::testing::AssertionSuccess();
}

TEST(CliHostileServer, ServerTextIsPrintedWithItsControlBytesMadeVisible) {
  skifftest::ScriptedFtpServer server;
  server.SetGreeting("220 \x1b]0;owned\x07Welcome\x1b[2J");
  server.AddDir("/pub");
  server.SetListing("/pub", "-rw-r--r--    1 ftp      ftp             5 Jan 10 12:00 evil\x1b[31mred\r\n"
                            "-rw-r--r--    1 ftp      ftp             7 Jan 10 12:00 csi\x9b" "2J\r\n");
  server.SetReply("MKD", "550 \x1b[2JNo\rway");
  std::string url = "ftp://" + server.Address();

  CliResult r = RunCli({"ls", url + "/pub/"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Inert(r.out));
  EXPECT_TRUE(Inert(r.err));
  EXPECT_NE(r.err.find("220 \\x1b]0;owned\\x07Welcome\\x1b[2J"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find(" evil\\x1b[31mred\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" csi\\x9b2J\n"), std::string::npos) << r.out;

  r = RunCli({"-q", "mkdir", url + "/made"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Inert(r.err));
  EXPECT_NE(r.err.find("550 \\x1b[2JNo\\x0dway"), std::string::npos) << r.err;
}

}  // namespace

namespace {

TEST_F(CliEndToEnd, RelativePathsOfASiteAreTakenFromTheLoginFolder) {
  skifftest::ScopedEnv data("SKIFFLINE_DATA_DIR", local.Path());  // the client's data folder
  SiteList sites;
  sites.AppendSite(MakeSiteRecord("home", server->Address(), "skiff", "secret", "", "", LOGIN_ACCOUNT));
  ASSERT_EQ(SaveSiteFile(sites, local.PathOf(kSiteFileName)), 1);
  CliResult r = RunCli({"--site", "home", "-q", "get", "tree/a.txt", "."}, local.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("a.txt"), "alpha");

  local.WriteFile("rel.txt", "relative");
  r = RunCli({"--site", "home", "-q", "put", local.PathOf("rel.txt"), "tree/sub"}, local.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(server->ReadFile("tree/sub/rel.txt"), "relative");

  r = RunCli({"--site", "home", "-q", "rm", "tree/sub/rel.txt"}, local.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(server->RootPath("tree/sub/rel.txt")));
}

// Which data connection the client opens: passive by default, --active and
// --passive override, and with --site the site's own flag.
struct ModeCase {
  const char* name;
  std::vector<std::string> options;
  int siteFlags;  // -1: an ftp:// URL, else --site with this reserved word
  const char* expectedVerb;
};

class CliDataMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(CliDataMode, PicksPassiveOrActiveAsAsked) {
  const ModeCase& c = GetParam();
  skifftest::ScriptedFtpServer server;
  server.SetPassive(skifftest::PassiveOptions{true, true});
  server.AddFile("/pub/a.txt", "alpha");
  skifftest::TempDir local;
  skifftest::ScopedEnv data("SKIFFLINE_DATA_DIR", local.Path());  // the client's data folder
  std::vector<std::string> args = c.options;
  if (c.siteFlags < 0) {
    args.insert(args.end(), {"-q", "get", "ftp://" + server.Address() + "/pub/a.txt", "."});
  } else {
    SiteRecord site = MakeSiteRecord("s", server.Address(), "u", "p", "", "", LOGIN_ACCOUNT);
    site.reserved = c.siteFlags;
    SiteList sites;
    sites.AppendSite(site);
    ASSERT_EQ(SaveSiteFile(sites, local.PathOf(kSiteFileName)), 1);
    args.insert(args.end(), {"--site", "s", "-q", "get", "/pub/a.txt", "."});
  }
  CliResult r = RunCli(args, local.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("a.txt"), "alpha");
  const std::string other = std::string(c.expectedVerb) == "EPSV" ? "PORT" : "EPSV";
  EXPECT_GT(server.CountCommands(c.expectedVerb), 0u);
  EXPECT_EQ(server.CountCommands(other), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliDataMode,
    ::testing::Values(ModeCase{"UrlIsPassive", {}, -1, "EPSV"},
                      ModeCase{"UrlActive", {"--active"}, -1, "PORT"},
                      ModeCase{"PassiveSite", {}, SITE_FLAG_PASSIVE, "EPSV"},
                      ModeCase{"OldActiveSite", {}, 0, "PORT"},
                      ModeCase{"ActiveSiteForcedPassive", {"--passive"}, 0, "EPSV"},
                      ModeCase{"PassiveSiteForcedActive", {"--active"}, SITE_FLAG_PASSIVE, "PORT"}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

TEST(CliIpv6, AnIpv6UrlDownloadsFromAServerOnTheIpv6Loopback) {
  if (!skifftest::Ipv6LoopbackUsable()) GTEST_SKIP() << "::1 can't be bound here (no IPv6)";
  if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
  skifftest::PyFtpdServer server(skifftest::Family::V6);
  ASSERT_TRUE(server.Ok()) << server.Log();
  ASSERT_TRUE(server.WriteFile("six.txt", "over ::1"));
  skifftest::TempDir local;
  const std::string url = "ftp://skiff:secret@[::1]:" + std::to_string(server.Port()) + "/six.txt";
  CliResult r = RunCli({"get", url, local.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("six.txt"), "over ::1");
  EXPECT_NE(r.err.find("EPSV"), std::string::npos) << r.err;
  ASSERT_TRUE(local.MakeDir("again"));
  r = RunCli({"-q", "--active", "get", url, local.PathOf("again")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("again/six.txt"), "over ::1");
}

TEST(CliUnlistedFile, AFileTheListingDoesNotShowIsStillFetched) {
  skifftest::ScriptedFtpServer server;
  server.AddFile("/drop/secret.txt", "hidden");
  // A drop folder: entering it and fetching by name work, listing does not.
  server.SetReply("LIST", "550 Listing not allowed.");
  skifftest::TempDir local;
  const std::string url = "ftp://" + server.Address();
  CliResult r = RunCli({"-q", "get", url + "/drop/secret.txt", local.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(local.ReadFile("secret.txt"), "hidden");
  EXPECT_EQ(server.Lines("RETR"), std::vector<std::string>{"RETR secret.txt"});

  // A name that is not there either is still "no such remote path", and no
  // empty local file is left behind.
  r = RunCli({"-q", "get", url + "/drop/absent.txt", local.Path()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no such remote path"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(local.PathOf("absent.txt")));
}

}  // namespace
