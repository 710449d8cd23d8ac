// Download and upload of one large file through the foreground session,
// against curl on the same file and the same private vsftpd (active mode).
// Usage: bench_transfer_bench [MiB] [ROUNDS] [down|up]
//        (default 1024 MiB, 5 rounds, both directions)
#include "bench_support.h"

using namespace bench;

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

bool SameContent(const fs::path& a, const fs::path& b) {
  return RunChild({"/usr/bin/cmp", "-s", a.string(), b.string()}).status == 0;
}

struct Figure {
  double wall = 0;
  double cpu = 0;
};

double MBps(std::size_t bytes, double seconds) { return bytes / 1e6 / seconds; }

TransferEntry MakeEntry(BenchSession& s, const std::string& remoteName, const fs::path& localDir,
                        const std::string& localName, std::int32_t direction, std::int64_t size) {
  TransferEntry e{};
  e.site = s.session.site;
  std::snprintf(e.remoteDir, sizeof e.remoteDir, "%s", s.session.currentDir);
  std::snprintf(e.remoteName, sizeof e.remoteName, "%s", remoteName.c_str());
  std::snprintf(e.localDir, sizeof e.localDir, "%s/", localDir.c_str());
  std::snprintf(e.localName, sizeof e.localName, "%s", localName.c_str());
  e.fileSize = size;
  e.direction = direction;
  return e;
}

Figure RunOurs(BenchSession& s, TransferEntry entry) {
  rusage before{}, after{};
  s.ResetCounters();
  ::getrusage(RUSAGE_SELF, &before);
  double start = Now();
  s.session.QueueTransfer(entry);
  if (!s.WaitIdle(600000)) Die("transfer did not end");
  if (s.TransferEnd() == 0) Die("no final reply to the transfer");
  // Up to the transfer's final reply, as curl's own figure: the listing the
  // session refreshes after an upload is another command.
  Figure f;
  f.wall = s.TransferEnd() - start;
  ::getrusage(RUSAGE_SELF, &after);
  f.cpu = CpuSeconds(after) - CpuSeconds(before);
  return f;
}

void Report(const char* what, std::size_t bytes, const Figure& ours, const Figure& curl) {
  std::printf("%-9s ours %8.0f MB/s  cpu %5.2f s | curl %8.0f MB/s  cpu %5.2f s | "
              "throughput ratio %.2f, cpu ratio %.2f\n",
              what, MBps(bytes, ours.wall), ours.cpu, MBps(bytes, curl.wall), curl.cpu,
              curl.wall / ours.wall, ours.cpu / curl.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::size_t mib = argc > 1 ? static_cast<std::size_t>(std::atol(argv[1])) : 1024;
  if (mib == 0) mib = 1024;
  const std::size_t bytes = mib * kMiB;
  // Single rounds swing widely on a virtual machine: page-cache writes into
  // memory the hypervisor has taken back (free memory the guest reported)
  // cost several times a normal write, whichever program runs. More rounds
  // steady the best.
  const int rounds = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 5;

  WorkDir work;
  fs::path root = work.Path() / "root";
  fs::path local = work.Path() / "local";
  fs::create_directories(root);
  fs::create_directories(local);
  fs::path source = root / "big.bin";
  MakeRandomFile(source, mib);
  Vsftpd server(work.Path(), root);
  const std::string url = "ftp://" + server.Address() + "/";

  BenchSession s;
  s.Connect(server.Address());
  std::printf("file %zu MiB, vsftpd on %s, active mode, best of %d rounds\n", mib,
              server.Address().c_str(), rounds);

  const std::string only = argc > 3 ? argv[3] : "";
  const int downRounds = only == "up" ? 0 : rounds;
  const int upRounds = only == "down" ? 0 : rounds;
  // --- download into a disk file ---
  Figure bestOurs{1e9, 0}, bestCurl{1e9, 0};
  long posts = 0;
  auto curlDownload = [&] {
    fs::path curlOut = work.Path() / "curl.out";
    fs::remove(curlOut);
    ChildRun c = RunCurl({url + "big.bin", "-o", curlOut.string()});
    if (c.status != 0 || fs::file_size(curlOut) != bytes) Die("curl download failed");
    std::printf("  curl download %8.0f MB/s  cpu %5.2f s\n", MBps(bytes, c.wall), c.cpu);
    if (c.wall < bestCurl.wall) bestCurl = {c.wall, c.cpu};
    fs::remove(curlOut);
  };
  auto ourDownload = [&] {
    fs::path ourOut = local / "big.bin";
    fs::remove(ourOut);
    Figure o = RunOurs(s, MakeEntry(s, "big.bin", local, "big.bin", XFER_DOWNLOAD,
                                    static_cast<std::int64_t>(bytes)));
    if (!fs::exists(ourOut) || fs::file_size(ourOut) != bytes || !SameContent(ourOut, source))
      Die("our download is not byte-identical");
    std::printf("  ours download %8.0f MB/s  cpu %5.2f s\n", MBps(bytes, o.wall), o.cpu);
    if (o.wall < bestOurs.wall) {
      bestOurs = o;
      posts = s.ProgressPosts();
    }
    fs::remove(ourOut);
  };
  AlternateRounds(downRounds, curlDownload, ourDownload);
  if (downRounds > 0) {
    Report("download", bytes, bestOurs, bestCurl);
    std::printf("          progress messages posted by our download: %ld\n", posts);
  }

  // --- upload from a disk file ---
  Figure upOurs{1e9, 0}, upCurl{1e9, 0};
  auto curlUpload = [&] {
    fs::remove(root / "up_curl.bin");
    ChildRun c = RunCurl({"-T", source.string(), url + "up_curl.bin"});
    if (c.status != 0 || fs::file_size(root / "up_curl.bin") != bytes) Die("curl upload failed");
    std::printf("  curl upload   %8.0f MB/s  cpu %5.2f s\n", MBps(bytes, c.wall), c.cpu);
    if (c.wall < upCurl.wall) upCurl = {c.wall, c.cpu};
    fs::remove(root / "up_curl.bin");
  };
  auto ourUpload = [&] {
    fs::remove(root / "up_ours.bin");
    Figure o = RunOurs(s, MakeEntry(s, "up_ours.bin", root, "big.bin", XFER_UPLOAD,
                                    static_cast<std::int64_t>(bytes)));
    // The server closes the stored file after its reply; a NOOP's answer
    // says it has, so the next round does not wait for it.
    s.ResetCounters();
    s.session.PostRawCommand("NOOP\r\n");
    if (!s.WaitIdle(60000)) Die("NOOP did not end");
    if (!fs::exists(root / "up_ours.bin") || !SameContent(root / "up_ours.bin", source))
      Die("our upload is not byte-identical");
    std::printf("  ours upload   %8.0f MB/s  cpu %5.2f s\n", MBps(bytes, o.wall), o.cpu);
    if (o.wall < upOurs.wall) upOurs = o;
    fs::remove(root / "up_ours.bin");
  };
  AlternateRounds(upRounds, curlUpload, ourUpload);
  if (upRounds > 0) Report("upload", bytes, upOurs, upCurl);
  std::printf("peak RSS %ld KiB\n", PeakRssKb());
  s.session.Stop();
  return 0;
}
