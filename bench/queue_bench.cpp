// Queue file cost of a long queue: add N entries one by one, set each
// running, then remove each from the head; the file must equal the list
// after the last change. Measured against a writer that rewrites the whole
// file in place after every change, run for a smaller count and scaled up.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"
#include "transfer/MakeEntry.h"

namespace fs = std::filesystem;

namespace {

std::vector<TransferEntry> MakeEntries(int count) {
  SiteRecord site{};
  SetField(site.address, "192.168.1.20");
  SetField(site.user, "bob");
  SetField(site.password, "secret");
  std::vector<TransferEntry> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    out.push_back(MakeTransferEntry(site, "/pub/data", "file" + std::to_string(i) + ".bin",
                                    "/home/bob/in/", XFER_DOWNLOAD, false,
                                    std::to_string(1000 + i), "2024-01-02 03:04"));
  return out;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The rewrite-per-change writer: the whole list, truncated and rewritten in
// place after every change.
struct NaiveQueue {
  std::string path;
  std::vector<TransferEntry> list;
  std::uint64_t bytes = 0;
  void Rewrite() {
    platform::File f;
    if (!f.Open(path, platform::OpenMode::WriteTruncate, true)) return;
    f.Write(list.data(), list.size() * sizeof(TransferEntry));
    bytes += list.size() * sizeof(TransferEntry);
  }
};

bool FileEquals(const std::string& path, const std::vector<TransferEntry>& list) {
  std::int64_t size = platform::FileSize(path);
  return size == static_cast<std::int64_t>(list.size() * sizeof(TransferEntry));
}

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? std::atoi(argv[1]) : 5000;
  int naiveCount = argc > 2 ? std::atoi(argv[2]) : 500;
  fs::path dir = fs::temp_directory_path() / ("skiff_queue_bench_" + std::to_string(::time(nullptr)));
  fs::create_directories(dir);
  std::vector<TransferEntry> entries = MakeEntries(count);

  // The queue with its own writer.
  std::string path = (dir / "bench.TWQ").string();
  std::uint64_t bytes = 0;
  auto start = std::chrono::steady_clock::now();
  {
    CFileQueue queue;
    queue.SetFile(path);
    for (const auto& e : entries) queue.Add(e);
    for (const auto& e : entries) queue.SetState(ENTRY_RUNNING, e);
    for (const auto& e : entries) queue.Remove(e);
    queue.Flush();
    bytes = queue.FileBytesWritten();
  }
  double queueSeconds = Seconds(start);
  bool queueOk = platform::FileSize(path) == 0;

  // The list operations alone, without a file, to show what the writing adds.
  start = std::chrono::steady_clock::now();
  {
    CFileQueue memoryOnly;
    for (const auto& e : entries) memoryOnly.Add(e);
    for (const auto& e : entries) memoryOnly.SetState(ENTRY_RUNNING, e);
    for (const auto& e : entries) memoryOnly.Remove(e);
  }
  double listSeconds = Seconds(start);

  // The same sequence, rewriting the file after every change.
  std::vector<TransferEntry> small = MakeEntries(naiveCount);
  NaiveQueue naive{(dir / "naive.TWQ").string(), {}, 0};
  start = std::chrono::steady_clock::now();
  for (const auto& e : small) {
    naive.list.push_back(e);
    naive.Rewrite();
  }
  for (auto& e : naive.list) {
    e.state = ENTRY_RUNNING;
    naive.Rewrite();
  }
  while (!naive.list.empty()) {
    naive.list.erase(naive.list.begin());
    naive.Rewrite();
  }
  double naiveSeconds = Seconds(start);
  bool naiveOk = FileEquals(naive.path, naive.list);
  // Bytes grow with the square of the count: 2n^2 records in all.
  double scale = (static_cast<double>(count) * count) / (static_cast<double>(naiveCount) * naiveCount);
  double naiveBytesFull = static_cast<double>(naive.bytes) * scale;
  double naiveSecondsFull = naiveSeconds * scale;

  std::printf("entries: %d (add, set running, remove from the head: %d changes)\n", count,
              3 * count);
  std::printf("coalescing writer: %.3f s, %.1f MB written, file current: %s\n", queueSeconds,
              static_cast<double>(bytes) / 1e6, queueOk ? "yes" : "NO");
  std::printf("list operations alone (no file): %.3f s\n", listSeconds);
  std::printf("rewrite per change, %d entries: %.3f s, %.1f MB written, file current: %s\n",
              naiveCount, naiveSeconds, static_cast<double>(naive.bytes) / 1e6,
              naiveOk ? "yes" : "NO");
  std::printf("rewrite per change, extrapolated to %d: %.1f s, %.1f GB written\n", count,
              naiveSecondsFull, naiveBytesFull / 1e9);
  std::printf("ratio (rewrite per change / coalescing): time %.0fx, bytes %.0fx\n",
              naiveSecondsFull / queueSeconds, naiveBytesFull / static_cast<double>(bytes ? bytes : 1));
  std::error_code ec;
  fs::remove_all(dir, ec);
  return queueOk && naiveOk ? 0 : 1;
}
