// Passive-mode download of one large file into a disk file, through the
// foreground session, against curl's passive download of the same file from
// the same private vsftpd, over 127.0.0.1 and over ::1.
// Usage: bench_passive_bench [MiB] [ROUNDS]   (default 1024 MiB, 3 rounds)
#include <algorithm>

#include "bench_support.h"

using namespace bench;

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

double MBps(std::size_t bytes, double seconds) { return bytes / 1e6 / seconds; }

// Logs in with a passive site and waits until the worker takes commands.
void ConnectPassive(BenchSession& s, const std::string& address) {
  SiteRecord site{};
  std::snprintf(site.address, sizeof site.address, "%s", address.c_str());
  site.loginType = LOGIN_ANONYMOUS;
  SetPassive(site, true);
  s.session.SetSite(site);
  s.session.Start();
  for (int i = 0; i < 2000 && s.session.Phase() != SessionPhase::kReady; ++i) platform::SleepMs(10);
  if (s.session.Phase() != SessionPhase::kReady) Die("session did not log in at " + address);
  s.WaitIdle(2000);
}

TransferEntry Download(BenchSession& s, const fs::path& localDir, std::int64_t size) {
  TransferEntry e{};
  e.site = s.session.Site();
  std::snprintf(e.remoteDir, sizeof e.remoteDir, "%s", s.session.CurrentDir().c_str());
  std::snprintf(e.remoteName, sizeof e.remoteName, "big.bin");
  std::snprintf(e.localDir, sizeof e.localDir, "%s/", localDir.c_str());
  std::snprintf(e.localName, sizeof e.localName, "big.bin");
  e.fileSize = size;
  e.direction = XFER_DOWNLOAD;
  return e;
}

bool SameContent(const fs::path& a, const fs::path& b) {
  return RunChild({"/usr/bin/cmp", "-s", a.string(), b.string()}).status == 0;
}

// One family: best of `rounds` for each side; prints the figures.
void RunFamily(bool v6, const fs::path& work, const fs::path& root, const fs::path& source,
               std::size_t bytes, int rounds) {
  Vsftpd server(work, root, v6);
  const std::string url = "ftp://" + server.Address() + "/big.bin";
  fs::path local = work / "local";
  fs::create_directories(local);
  BenchSession s;
  ConnectPassive(s, server.Address());
  std::printf("-- %s, vsftpd on %s, passive mode, best of %d rounds\n", v6 ? "IPv6" : "IPv4",
              server.Address().c_str(), rounds);
  std::vector<double> oursTimes, curlTimes;
  auto curl = [&] {
    fs::path out = work / "curl.out";
    fs::remove(out);
    // curl's default is passive (EPSV, then PASV); -g lets "[::1]" through.
    ChildRun c = RunChild({"/usr/bin/curl", "-s", "-g", "-w", "%{time_total}", url, "-o",
                           out.string()});
    double total = std::atof(c.output.c_str());
    if (c.status != 0 || fs::file_size(out) != bytes) Die("curl download failed");
    double wall = total > 0 ? total : c.wall;
    std::printf("  curl download %8.0f MB/s\n", MBps(bytes, wall));
    curlTimes.push_back(wall);
    fs::remove(out);
  };
  auto ours = [&] {
    fs::path out = local / "big.bin";
    fs::remove(out);
    s.ResetCounters();
    double start = Now();
    TransferEntry entry = Download(s, local, static_cast<std::int64_t>(bytes));
    s.session.QueueTransfer(entry);
    if (!s.WaitIdle(600000)) Die("transfer did not end");
    if (s.TransferEnd() == 0) Die("no final reply to the transfer");
    double wall = s.TransferEnd() - start;
    if (!fs::exists(out) || fs::file_size(out) != bytes || !SameContent(out, source))
      Die("our download is not byte-identical");
    std::printf("  ours download %8.0f MB/s\n", MBps(bytes, wall));
    oursTimes.push_back(wall);
    fs::remove(out);
  };
  AlternateRounds(rounds, curl, ours);
  // Single rounds swing widely on a shared machine: best and median both.
  std::sort(oursTimes.begin(), oursTimes.end());
  std::sort(curlTimes.begin(), curlTimes.end());
  const double bestOurs = oursTimes.front(), bestCurl = curlTimes.front();
  const double midOurs = oursTimes[oursTimes.size() / 2], midCurl = curlTimes[curlTimes.size() / 2];
  std::printf("%s download, best:   ours %.0f MB/s, curl %.0f MB/s, throughput ratio ours/curl %.2f\n",
              v6 ? "IPv6" : "IPv4", MBps(bytes, bestOurs), MBps(bytes, bestCurl),
              bestCurl / bestOurs);
  std::printf("%s download, median: ours %.0f MB/s, curl %.0f MB/s, throughput ratio ours/curl %.2f\n",
              v6 ? "IPv6" : "IPv4", MBps(bytes, midOurs), MBps(bytes, midCurl), midCurl / midOurs);
  s.session.Stop();
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::size_t mib = argc > 1 ? static_cast<std::size_t>(std::atol(argv[1])) : 1024;
  if (mib == 0) mib = 1024;
  const int rounds = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 3;
  const std::size_t bytes = mib * kMiB;
  WorkDir work;
  fs::path root = work.Path() / "root";
  fs::create_directories(root);
  fs::path source = root / "big.bin";
  MakeRandomFile(source, mib);
  std::printf("file %zu MiB\n", mib);
  RunFamily(false, work.Path(), root, source, bytes, rounds);
  if (FreePort6() == 0)
    std::printf("-- IPv6: ::1 can't be bound here, skipped\n");
  else
    RunFamily(true, work.Path(), root, source, bytes, rounds);
  return 0;
}
