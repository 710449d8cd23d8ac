// A directory of many entries listed through the foreground session (LIST
// sent to records parsed and posted), against curl fetching the same LIST
// output from the same private vsftpd (active mode).
// Usage: bench_listing_bench [entries]   (default 100000)
#include <algorithm>

#include "bench_support.h"

using namespace bench;

namespace {

void MakeFolder(const fs::path& dir, long entries) {
  fs::create_directories(dir);
  char name[64];
  for (long i = 0; i < entries; ++i) {
    std::snprintf(name, sizeof name, "entry_%08ld_file.txt", i);  // 23 characters
    int fd = ::open((dir / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) Die("can't create the entries");
    ::close(fd);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  long entries = argc > 1 ? std::atol(argv[1]) : 100000;
  if (entries <= 0) entries = 100000;
  const int rounds = 3;

  WorkDir work;
  fs::path root = work.Path() / "root";
  MakeFolder(root / "dir", entries);
  Vsftpd server(work.Path(), root);
  const std::string url = "ftp://" + server.Address() + "/dir/";

  BenchSession s;
  s.Connect(server.Address(), "dir");
  std::printf("%ld entries, vsftpd on %s, active mode, best of %d rounds\n", entries,
              server.Address().c_str(), rounds);

  double bestOurs = 1e9, bestCurl = 1e9;
  std::uintmax_t listingBytes = 0;
  std::size_t records = 0;
  auto curlList = [&] {
    fs::path out = work.Path() / "curl.list";
    ChildRun c = RunCurl({url, "-o", out.string()});
    if (c.status != 0) Die("curl listing failed");
    listingBytes = fs::file_size(out);
    std::printf("  curl LIST   %7.3f s\n", c.wall);
    bestCurl = std::min(bestCurl, c.wall);
  };
  auto ourList = [&] {
    s.Listing().clear();
    double start = Now();
    s.session.RefreshList();
    if (!s.WaitListing(120000)) Die("no listing arrived");
    double wall = Now() - start;
    records = s.Listing().size();
    if (records != static_cast<std::size_t>(entries)) Die("listing has the wrong size");
    std::printf("  ours LIST   %7.3f s  (%zu records)\n", wall, records);
    bestOurs = std::min(bestOurs, wall);
    s.WaitIdle(10000);
  };
  AlternateRounds(rounds, curlList, ourList);
  std::printf("LIST of %ld entries (%.1f MB): ours %.3f s, curl %.3f s, time ratio %.2f "
              "(ours / curl)\n",
              entries, listingBytes / 1e6, bestOurs, bestCurl, bestOurs / bestCurl);
  std::printf("peak RSS %.1f MB\n", PeakRssKb() / 1024.0);
  s.session.Stop();
  return 0;
}
