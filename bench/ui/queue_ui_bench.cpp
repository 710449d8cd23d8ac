// Whether the user-interface thread keeps up while the transfer lists work:
// the main window logged in to vsftpd on loopback (1) downloads a 1 GiB
// file, (2) queues 5,000 selected local files for upload at once and sends
// them, (3) queues the same 5,000 for the background window and sends them
// there. Meanwhile a 10 ms timer measures how late each of its ticks comes;
// the worst lateness and the ticks later than 100 ms are printed per phase.
// Run under Xvfb:
//   xvfb-run -a build/dev/bench/bench_queue_ui_bench [files] [MiB]
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filefn.h>
#include <wx/timer.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/ui/MainFrame.h"
#include "ui/ui_bench_support.h"
#include "local/ui/DirListCtrl.h"
#include "local/ui/DirListView.h"
#include "sites/FixedText.h"
#include "transfer/MakeEntry.h"
#include "transfer/ui/DownloadFileView.h"
#include "transfer/ui/JobListCtrl.h"
#include "transfer/ui/TransmitFileDlg.h"

namespace {

// Ticks every 10 ms and notes how late each tick is.
class TickWatch : public wxTimer {
 public:
  void Begin() {
    worst_ = 0;
    over100_ = ticks_ = 0;
    last_ = begin_ = bench::Now();
    Start(10);
  }
  void Notify() override {
    const double now = bench::Now();
    const double late = (now - last_) - 0.010;
    last_ = now;
    ++ticks_;
    if (late > worst_) {
      worst_ = late;
      worstAt_ = now - begin_;
    }
    if (late > 0.100) ++over100_;
    if (check_ && check_()) {
      check_ = nullptr;
      wxEventLoopBase::GetActive()->Exit();
    }
  }
  // Runs the event loop until `done` holds (checked at each tick) or
  // `limitSeconds` passed.
  bool RunUntil(std::function<bool()> done, double limitSeconds) {
    const double limit = bench::Now() + limitSeconds;
    bool timedOut = false;
    check_ = [done = std::move(done), limit, &timedOut] {
      if (done()) return true;
      if (bench::Now() > limit) timedOut = true;
      return timedOut;
    };
    wxEventLoop loop;
    loop.Run();
    return !timedOut;
  }
  void Report(const char* phase, double seconds) const {
    std::printf("%-44s %7.2f s  ticks %6ld  worst lateness %6.1f ms (at %.2f s)  ticks over 100 ms: %ld\n",
                phase, seconds, ticks_, worst_ * 1000, worstAt_, over100_);
  }

 private:
  double last_ = 0, begin_ = 0, worst_ = 0, worstAt_ = 0;
  long ticks_ = 0, over100_ = 0;
  std::function<bool()> check_;
};

void MakeFiles(const bench::fs::path& folder, int count) {
  bench::fs::create_directories(folder);
  for (int i = 0; i < count; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "up_%05d.txt", i);
    std::FILE* f = std::fopen((folder / name).c_str(), "wb");
    if (!f) bench::Die("could not create the files");
    std::fputs(name, f);
    std::fclose(f);
  }
}

std::uintmax_t SizeOf(const bench::fs::path& p) {
  std::error_code ec;
  const auto n = bench::fs::file_size(p, ec);
  return ec ? 0 : n;
}

std::size_t FilesIn(const bench::fs::path& folder) {
  std::size_t n = 0;
  std::error_code ec;
  for (auto it = bench::fs::directory_iterator(folder, ec); !ec && it != bench::fs::directory_iterator();
       it.increment(ec))
    ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 5000;
  const long mib = argc > 2 ? std::atol(argv[2]) : 1024;
  bench::WorkDir work;
  const bench::fs::path root = work.Path() / "root";
  const bench::fs::path local = work.Path() / "local";
  const bench::fs::path uploads = work.Path() / "uploads";
  bench::fs::create_directories(root / "in");
  bench::fs::create_directories(root / "in2");
  bench::fs::create_directories(local);
  ::chmod((root / "in").c_str(), 0777);
  ::chmod((root / "in2").c_str(), 0777);
  MakeFiles(uploads, files);
  {
    // A sparse file: the server reads it as zeros, the client writes it whole.
    std::FILE* f = std::fopen((root / "big.bin").c_str(), "wb");
    if (!f || ::ftruncate(::fileno(f), mib * 1024 * 1024) != 0) bench::Die("no big file");
    std::fclose(f);
  }
  bench::Vsftpd server(work.Path(), root);

  bench::StartWx(argv[0]);
  wxSetWorkingDirectory(work.Path().string());  // queue files go there
  {
    FrameOptions options;
    options.dataFolder = work.Path().string() + "/";
    options.startVersionCheck = false;
    options.showMaximized = false;
    options.localStartFolder = local.string();
    options.openWebAddress = [](const std::string&) {};
    auto* frame = new CMainFrame(options);
    frame->SetSize(0, 0, 1200, 900);
    TickWatch watch;

    SiteRecord site{};
    SetField(site.address, server.Address());
    site.loginType = LOGIN_ANONYMOUS;
    frame->ConnectToSite(site);
    CFtpObject& session = frame->foregroundSession;
    watch.Begin();
    if (!watch.RunUntil([&] { return session.IsLoggedIn() && !session.CurrentDir().empty(); }, 30))
      bench::Die("no login");
    const std::string rootDir = session.CurrentDir();
    // The login's own aftermath (the first listing, the panes' first paint) settles first.
    const double settle = bench::Now() + 1.0;
    watch.RunUntil([&] { return bench::Now() > settle; }, 5);

    // 1: a 1 GiB download in the foreground.
    TransferEntry big = MakeTransferEntry(session.Site(), rootDir, "big.bin", local.string() + "/",
                                          XFER_DOWNLOAD, false, std::to_string(mib << 20), "");
    double start = bench::Now();
    watch.Begin();
    session.QueueTransfer(big);
    const std::uintmax_t bigSize = static_cast<std::uintmax_t>(mib) << 20;
    if (!watch.RunUntil([&] { return SizeOf(local / "big.bin") == bigSize &&
                                     session.transferQueue.IsEmpty(); }, 600))
      bench::Die("the download did not end");
    char label[96];
    std::snprintf(label, sizeof label, "download of %ld MiB", mib);
    watch.Report(label, bench::Now() - start);
    bench::fs::remove(local / "big.bin");

    // 2: the local pane shows the 5,000 files; all selected, uploaded.
    CDirListCtrl& list = *frame->localView->fileList;
    list.ShowFolder(uploads.string());
    watch.Begin();
    watch.RunUntil([&] { return !list.Reading() && list.RowCount() == static_cast<std::size_t>(files); }, 60);
    session.ChangeDir((rootDir + "/in").c_str());
    watch.RunUntil([&] { return session.CurrentDir() == rootDir + "/in"; }, 30);
    list.SelectAllRows();
    start = bench::Now();
    watch.Begin();
    double queueing = 0;
    wxTheApp->CallAfter([&] {
      const double t = bench::Now();
      frame->localView->UploadSelected();
      queueing = bench::Now() - t;
    });
    CJobListCtrl& queueRows = *frame->queueView->jobList;
    std::size_t mostRows = 0;
    if (!watch.RunUntil([&] {
          mostRows = std::max(mostRows, queueRows.RowCount());
          return FilesIn(root / "in") == static_cast<std::size_t>(files) &&
                 session.transferQueue.IsEmpty() && queueRows.RowCount() == 0;
        }, 900))
      bench::Die("the foreground uploads did not end");
    std::snprintf(label, sizeof label, "%d files queued at once and sent", files);
    watch.Report(label, bench::Now() - start);
    std::printf("  (the pane's Upload of %d rows took %.0f ms; the queue view showed up to %zu rows;"
                " %zu rebuilds for %zu notices)\n",
                files, queueing * 1000, mostRows, frame->queueView->Throttle().Rebuilds(),
                frame->queueView->Throttle().Notices());

    // 3: the same files queued for the background window and sent there.
    CTransmitFileDlg& background = *frame->backgroundDialog;
    frame->ToggleBackgroundWindow();
    session.ChangeDir((rootDir + "/in2").c_str());
    watch.Begin();
    watch.RunUntil([&] { return session.CurrentDir() == rootDir + "/in2"; }, 30);
    list.SelectAllRows();
    start = bench::Now();
    watch.Begin();
    double starting = 0;
    wxTheApp->CallAfter([&] {
      double t = bench::Now();
      frame->localView->QueueSelected();
      queueing = bench::Now() - t;
      wxTheApp->CallAfter([&] {
        const double t2 = bench::Now();
        background.SelectAll();
        background.BackgroundStart();
        starting = bench::Now() - t2;
      });
    });
    mostRows = 0;
    if (!watch.RunUntil([&] {
          mostRows = std::max(mostRows, background.jobList->RowCount());
          return FilesIn(root / "in2") == static_cast<std::size_t>(files) && !background.IsSending() &&
                 background.Queue().IsEmpty();
        }, 900))
      bench::Die("the background uploads did not end");
    std::snprintf(label, sizeof label, "%d files queued in the background and sent", files);
    watch.Report(label, bench::Now() - start);
    std::printf("  (the pane's queueing took %.0f ms, Start %.0f ms; the background list showed up"
                " to %zu rows; %zu rebuilds for %zu notices)\n",
                queueing * 1000, starting * 1000, mostRows, background.Throttle().Rebuilds(),
                background.Throttle().Notices());

    // 4: Stop all, Start of all and Delete of all, on 5,000 waiting entries.
    session.ChangeDir((rootDir + "/in3").c_str());
    list.SelectAllRows();
    frame->localView->QueueSelected();
    watch.Begin();
    watch.RunUntil([&] { return background.PendingAdds() == 0 && background.jobList->RowCount() ==
                                    static_cast<std::size_t>(files); }, 120);
    background.SelectAll();
    double t0 = bench::Now();
    background.Rebuild();
    std::printf("  (a rebuild of %zu rows, all selected, took %.0f ms)\n", background.jobList->RowCount(),
                (bench::Now() - t0) * 1000);
    double stopAll = 0, deleteAll = 0;
    start = bench::Now();
    watch.Begin();
    wxTheApp->CallAfter([&] {
      double t = bench::Now();
      background.BackgroundStopAll();
      stopAll = bench::Now() - t;
      background.SelectAll();
      t = bench::Now();
      wxCommandEvent key(EVT_JOBLIST_KEY, background.jobList->GetId());
      key.SetInt(WXK_DELETE);
      background.GetEventHandler()->ProcessEvent(key);
      deleteAll = bench::Now() - t;
    });
    watch.RunUntil([&] { return background.Queue().IsEmpty() && background.jobList->RowCount() == 0; }, 120);
    std::snprintf(label, sizeof label, "Stop all, then Delete of %d entries", files);
    watch.Report(label, bench::Now() - start);
    std::printf("  (Stop all took %.0f ms, Delete %.0f ms)\n", stopAll * 1000, deleteAll * 1000);
    watch.Stop();
    delete frame;
    wxTheApp->ProcessIdle();
  }
  wxEntryCleanup();
  return 0;
}
