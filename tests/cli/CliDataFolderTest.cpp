// skiffline-cli --site reads the site file from the user's data folder
// ($XDG_DATA_HOME/skiffline here), not from the folder it is started in, and
// says clearly when that folder can't be had.
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sites/SiteFile.h"
#include "support/RealServers.h"

namespace {

struct CliRun {
  int status = -1;
  std::string err;
};

// Runs the client in `cwd` with the data-folder variables replaced by `env`
// (NAME=value; the others unset); bounded by an alarm in the child.
CliRun RunCliWith(const std::vector<std::string>& env, const std::vector<std::string>& args,
               const std::string& cwd) {
  skifftest::TempDir io("skiff-cli-io-");
  const std::string errPath = io.PathOf("err");
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    for (const char* name : {"SKIFFLINE_DATA_DIR", "XDG_DATA_HOME"}) ::unsetenv(name);
    for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open("/dev/null", O_WRONLY);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::string program = SKIFF_BINARY_DIR "/skiffline-cli";
    std::vector<std::string> copy = args;
    std::vector<char*> argv{program.data()};
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::alarm(120);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  CliRun r;
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(errPath);
  std::ostringstream s;
  s << in.rdbuf();
  r.err = s.str();
  return r;
}

TEST(CliDataFolder, TheSiteFileIsReadFromXdgDataHome) {
  if (!skifftest::PyFtpdServer::Available()) GTEST_SKIP() << "pyftpdlib is not installed";
  skifftest::PyFtpdServer server("skiff", "secret");
  ASSERT_TRUE(server.Ok()) << server.Log();
  ASSERT_TRUE(server.WriteFile("top.txt", "top"));
  skifftest::TempDir xdg, work;
  ASSERT_TRUE(xdg.MakeDir("skiffline"));
  SiteList sites;
  sites.AppendSite(MakeSiteRecord("home", server.Address(), "skiff", "secret", "", "", LOGIN_ACCOUNT));
  ASSERT_EQ(SaveSiteFile(sites, xdg.PathOf("skiffline/SiteInfo.TWP")), 1);
  // A site file in the working folder is not the user's: it names no "home".
  SiteList other;
  other.AppendSite(MakeSiteRecord("elsewhere", "127.0.0.1:1", "", "", "", "", LOGIN_ANONYMOUS));
  ASSERT_EQ(SaveSiteFile(other, work.PathOf("SiteInfo.TWP")), 1);

  const std::vector<std::string> env{"XDG_DATA_HOME=" + xdg.Path()};
  CliRun r = RunCliWith(env, {"--site", "home", "-q", "get", "/top.txt", "."}, work.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(work.ReadFile("top.txt"), "top");

  r = RunCliWith(env, {"--site", "elsewhere", "-q", "ls", "/"}, work.Path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no site named elsewhere in " + xdg.PathOf("skiffline/SiteInfo.TWP")),
            std::string::npos)
      << r.err;
}

TEST(CliDataFolder, AMissingFolderIsMadeOwnerOnlyAndAnUnusableOneIsAnError) {
  skifftest::TempDir xdg, work;
  // No site file yet: the folder is made, and the error names the file.
  CliRun r = RunCliWith({"XDG_DATA_HOME=" + xdg.PathOf("new/data")},
                     {"--site", "home", "-q", "ls", "/"}, work.Path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("can't read " + xdg.PathOf("new/data/skiffline/SiteInfo.TWP")),
            std::string::npos)
      << r.err;
  struct stat st {};
  ASSERT_EQ(::stat(xdg.PathOf("new/data/skiffline").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  ASSERT_TRUE(xdg.WriteFile("taken", "a file, not a folder"));
  r = RunCliWith({"SKIFFLINE_DATA_DIR=" + xdg.PathOf("taken/skiffline")},
                 {"--site", "home", "-q", "ls", "/"}, work.Path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("skiffline-cli: can't create the data folder \"" +
                       xdg.PathOf("taken/skiffline") + "\""),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(std::filesystem::is_empty(work.Path()));  // nothing falls back to the working folder
}

}  // namespace
