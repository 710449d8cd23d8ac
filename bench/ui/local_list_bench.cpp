// How long the local list takes to show a folder of 100,000 files, from the
// request until the rows are painted, against `ls -l` of the same folder in
// the same run, and how much the process grows meanwhile. Run under Xvfb:
//   xvfb-run -a build/test/bench/bench_local_list_bench [files]
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/sizer.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "ui/ui_bench_support.h"
#include "local/ui/DirListCtrl.h"

namespace {

void MakeFiles(const bench::fs::path& folder, int count) {
  const char* extensions[] = {".txt", ".png", ".c", ".pdf", ".dat", ".tar.gz", ""};
  for (int i = 0; i < count; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "File_%06d%s", (i * 7919) % count, extensions[i % 7]);
    const int fd = ::open((folder / name).c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd < 0) bench::Die("could not create the files");
    ::close(fd);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
  bench::WorkDir work;
  const bench::fs::path folder = work.Path() / "many";
  bench::fs::create_directory(folder);
  MakeFiles(folder, files);

  // ls -l: best of three, after a first run that warms the caches.
  bench::RunChild({"/bin/ls", "-l", folder.string()});
  double lsBest = 1e9;
  for (int i = 0; i < 3; ++i) lsBest = std::min(lsBest, bench::RunChild({"/bin/ls", "-l", folder.string()}).wall);

  bench::StartWx(argv[0]);
  {
    wxEventLoop loop;
    wxEventLoopActivator active(&loop);
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(0, 0), wxSize(900, 700));
    auto* list = new CDirListCtrl(frame, frame);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(list, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->Show();
    for (int i = 0; i < 50; ++i) {
      loop.DispatchTimeout(5);
      wxTheApp->ProcessPendingEvents();
    }

    int listed = 0;
    frame->Bind(EVT_LOCAL_LISTED, [&](wxCommandEvent&) { ++listed; });
    auto showOnce = [&](const std::string& path) {
      const int before = listed;
      const double start = bench::Now();
      list->ShowFolder(path);
      const double limit = bench::Now() + 120;
      while (listed == before) {
        loop.DispatchTimeout(1);
        wxTheApp->ProcessPendingEvents();
        if (bench::Now() > limit) bench::Die("the listing did not arrive");
      }
      list->Update();  // paint the rows now
      return bench::Now() - start;
    };
    showOnce("/");  // warms icon and type lookups
    const long before = bench::ResidentKb();
    double best = 1e9;
    for (int i = 0; i < 3; ++i) best = std::min(best, showOnce(folder.string()));
    const long after = bench::ResidentKb();
    std::printf("local list of %d files: %.3f s (best of 3), %zu rows; ls -l: %.3f s; ratio %.2f\n",
                files, best, list->RowCount(), lsBest, best / lsBest);
    std::printf("process grew by %.1f MB (resident %.1f MB -> %.1f MB)\n",
                (after - before) / 1024.0, before / 1024.0, after / 1024.0);
    frame->Destroy();
    while (loop.Pending()) loop.Dispatch();
    wxTheApp->ProcessIdle();
  }
  wxEntryCleanup();
  return 0;
}
