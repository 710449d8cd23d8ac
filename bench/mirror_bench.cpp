// Mirror of a tree of 2,000 small files in 20 folders: `skiffline-cli get`
// against `lftp mirror` (active mode), in the same run, against a vsftpd the
// bench starts on a free loopback port with a private configuration. Prints
// each program's best wall time of a few rounds and the ratio (goal: at most
// 1.5). Usage: bench_mirror_bench [--cli PATH] [--rounds N] [--files-per-folder N]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/Socket.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 20;
constexpr std::size_t kFileSize = 1024;

std::uint16_t FreePort() {
  platform::Socket s(platform::CreateTcpSocket());
  platform::Endpoint any{0x7F000001, 0};
  platform::Endpoint got;
  if (!platform::BindTo(s.Get(), any) || !platform::LocalEndpoint(s.Get(), got)) return 0;
  return got.port;
}

bool WaitForGreeting(std::uint16_t port) {
  for (int i = 0; i < 100; ++i) {
    platform::Socket s(platform::CreateTcpSocket());
    if (platform::ConnectTo(s.Get(), {0x7F000001, port})) {
      char buf[256] = {};
      if (platform::WaitReadable(s.Get(), 2000) == 1 &&
          platform::ReceiveBytes(s.Get(), buf, sizeof buf - 1) > 0)
        return std::string(buf).rfind("220", 0) == 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::size_t CountFiles(const fs::path& root) {
  std::size_t n = 0;
  std::error_code ec;
  if (!fs::exists(root, ec)) return 0;
  for (auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file() && e.file_size() == kFileSize) ++n;
  return n;
}

double TimeCommand(const std::string& command) {
  auto start = std::chrono::steady_clock::now();
  int rc = std::system(command.c_str());
  auto end = std::chrono::steady_clock::now();
  if (rc != 0) std::fprintf(stderr, "command failed (%d): %s\n", rc, command.c_str());
  return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::string cli = (fs::path(argv[0]).parent_path() / ".." / "skiffline-cli").string();
  int rounds = 3;
  int perFolder = 100;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--cli") cli = argv[i + 1];
    if (a == "--rounds") rounds = std::atoi(argv[i + 1]);
    if (a == "--files-per-folder") perFolder = std::atoi(argv[i + 1]);
  }
  if (!fs::exists(cli) || !fs::exists("/usr/sbin/vsftpd") || std::system("command -v lftp >/dev/null") != 0) {
    std::fprintf(stderr, "needs %s, /usr/sbin/vsftpd and lftp\n", cli.c_str());
    return 1;
  }
  std::random_device rd;
  fs::path work = fs::temp_directory_path() / ("skiff-mirror-bench-" + std::to_string(rd()));
  fs::path root = work / "root";
  fs::create_directories(root / "tree");
  fs::create_directories(work / "empty");
  fs::permissions(work / "empty", fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
  std::string block(kFileSize, 'x');
  for (int d = 0; d < kFolders; ++d) {
    fs::path folder = root / "tree" / ("d" + std::to_string(d));
    fs::create_directories(folder);
    for (int f = 0; f < perFolder; ++f) {
      block[0] = static_cast<char>('a' + f % 26);
      std::string name = std::to_string(f);
      name.insert(0, 1, 'f').append(".dat");
      std::ofstream(folder / name, std::ios::binary) << block;
    }
  }
  const std::size_t expected = static_cast<std::size_t>(kFolders * perFolder);

  std::uint16_t port = FreePort();
  fs::path conf = work / "vsftpd.conf";
  std::ofstream(conf) << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port="
                      << port
                      << "\nbackground=NO\nrun_as_launching_user=YES\nseccomp_sandbox=NO\n"
                         "anonymous_enable=YES\nno_anon_password=YES\nanon_root="
                      << root.string()
                      << "\nlocal_enable=NO\nport_enable=YES\nconnect_from_port_20=NO\n"
                         "pasv_enable=YES\nsecure_chroot_dir="
                      << (work / "empty").string()
                      << "\nxferlog_enable=NO\ndirmessage_enable=NO\nmax_per_ip=0\n";
  pid_t server = ::fork();
  if (server == 0) {
    std::freopen((work / "vsftpd.log").c_str(), "w", stdout);
    std::freopen((work / "vsftpd.log").c_str(), "a", stderr);
    ::execl("/usr/sbin/vsftpd", "vsftpd", conf.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  if (!WaitForGreeting(port)) {
    std::fprintf(stderr, "vsftpd did not start (see %s)\n", (work / "vsftpd.log").c_str());
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    return 1;
  }
  std::string url = "ftp://127.0.0.1:" + std::to_string(port);
  // vsftpd runs without chroot here: the tree's server path is its real path.
  const std::string treePath = (root / "tree").string();
  double bestCli = 1e9, bestLftp = 1e9;
  bool complete = true;
  for (int r = 0; r < rounds; ++r) {
    fs::path a = work / ("lftp" + std::to_string(r));
    fs::path b = work / ("cli" + std::to_string(r));
    fs::create_directories(b);
    double tl = TimeCommand("lftp -e \"set ftp:passive-mode off; set cmd:at-exit ''; mirror " + treePath + " " +
                            a.string() + "; quit\" " + url + " >/dev/null 2>&1");
    double tc = TimeCommand("'" + cli + "' -q get " + url + treePath + " " + b.string());
    std::size_t nl = CountFiles(a), nc = CountFiles(b / "tree");
    std::printf("round %d: lftp %.3f s (%zu files), skiffline-cli %.3f s (%zu files)\n", r + 1, tl,
                nl, tc, nc);
    complete = complete && nl == expected && nc == expected;
    bestLftp = std::min(bestLftp, tl);
    bestCli = std::min(bestCli, tc);
  }
  ::kill(server, SIGTERM);
  ::waitpid(server, &status, 0);
  std::printf("files: %zu in %d folders of %zu bytes each\n", expected, kFolders, kFileSize);
  std::printf("best lftp mirror:     %.3f s\n", bestLftp);
  std::printf("best skiffline-cli:   %.3f s\n", bestCli);
  std::printf("ratio cli / lftp:     %.2f (goal <= 1.50)%s\n", bestCli / bestLftp,
              complete ? "" : "  INCOMPLETE COPY");
  std::error_code ec;
  fs::remove_all(work, ec);
  return complete ? 0 : 1;
}
