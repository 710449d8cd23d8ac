// A directory of many entries listed with MLSD through the foreground
// session (MLSD sent to records parsed and posted), against curl fetching
// the same MLSD output from the same pyftpdlib (active mode, anonymous).
// Usage: bench_mlsd_bench [entries]   (default 100000)
#include <algorithm>

#include "bench_support.h"

using namespace bench;

namespace {

void MakeFolder(const fs::path& dir, long entries) {
  fs::create_directories(dir);
  char name[64];
  for (long i = 0; i < entries; ++i) {
    std::snprintf(name, sizeof name, "entry %08ld caf\xc3\xa9.txt", i);  // a blank and UTF-8
    int fd = ::open((dir / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) Die("can't create the entries");
    ::close(fd);
  }
}

// pyftpdlib serving `root` read-only to anonymous users on a loopback port.
class PyFtpd {
 public:
  explicit PyFtpd(const fs::path& root)
      : port_(FreePort()),
        process_({"/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p",
                  std::to_string(port_), "-d", root.string()},
                 platform::Endpoint{0x7F000001, static_cast<std::uint16_t>(port_)},
                 "pyftpdlib (python3-pyftpdlib installed?)") {}
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  int port_;
  ServerProcess process_;
};

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  long entries = argc > 1 ? std::atol(argv[1]) : 100000;
  if (entries <= 0) entries = 100000;
  const int rounds = 3;

  WorkDir work;
  fs::path root = work.Path() / "root";
  MakeFolder(root / "dir", entries);
  PyFtpd server(root);
  const std::string url = "ftp://" + server.Address() + "/dir/";

  BenchSession s;
  s.Connect(server.Address(), "/dir");
  if (!s.session.Features().mlsd) Die("the server does not offer MLSD");
  std::printf("%ld entries, pyftpdlib on %s, MLSD, active mode, best of %d rounds\n", entries,
              server.Address().c_str(), rounds);

  double bestOurs = 1e9, bestCurl = 1e9;
  std::uintmax_t listingBytes = 0;
  auto curlList = [&] {
    fs::path out = work.Path() / "curl.mlsd";
    ChildRun c = RunCurl({url, "-X", "MLSD", "-o", out.string()});
    if (c.status != 0) Die("curl listing failed");
    listingBytes = fs::file_size(out);
    std::printf("  curl MLSD   %7.3f s\n", c.wall);
    bestCurl = std::min(bestCurl, c.wall);
  };
  auto ourList = [&] {
    s.Listing().clear();
    double start = Now();
    s.session.RefreshList();
    if (!s.WaitListing(180000)) Die("no listing arrived");
    double wall = Now() - start;
    const std::size_t records = s.Listing().size();
    if (records != static_cast<std::size_t>(entries)) Die("listing has the wrong size");
    std::printf("  ours MLSD   %7.3f s  (%zu records)\n", wall, records);
    bestOurs = std::min(bestOurs, wall);
    s.WaitIdle(10000);
  };
  AlternateRounds(rounds, curlList, ourList);
  std::printf("MLSD of %ld entries (%.1f MB): ours %.3f s, curl %.3f s, time ratio %.2f "
              "(ours / curl, target at most 1.50)\n",
              entries, listingBytes / 1e6, bestOurs, bestCurl, bestOurs / bestCurl);
  std::printf("peak RSS %.1f MB\n", PeakRssKb() / 1024.0);
  s.session.Stop();
  return 0;
}
