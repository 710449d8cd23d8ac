// How long the remote pane takes to show a listing of 100,000 entries, from
// the moment the listing message is posted to the pane (as the session's
// worker posts it) until the rows are painted, and how much the process
// grows meanwhile. Run under Xvfb:
//   xvfb-run -a build/bench/bench_remote_list_bench [entries]
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/sizer.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "ui/ui_bench_support.h"
#include "platform/MessageIds.h"
#include "platform/ui/WindowTarget.h"
#include "remote/ListingParser.h"
#include "remote/ui/FtpDirList.h"
#include "remote/ui/FtpDirView.h"
#include "sites/SiteRecord.h"

namespace {

// A UNIX listing: one folder in ten, names in no particular order.
std::string ListingText(int entries) {
  const char* extensions[] = {".txt", ".png", ".c", ".pdf", ".dat", ".tar.gz", ""};
  std::string text;
  text.reserve(static_cast<std::size_t>(entries) * 70);
  char line[160];
  for (int i = 0; i < entries; ++i) {
    const bool folder = i % 10 == 0;
    std::snprintf(line, sizeof line, "%s 1 ftp ftp %12d Mar  5 10:15 %s_%06d%s\r\n",
                  folder ? "drwxr-xr-x" : "-rw-r--r--", folder ? 4096 : i * 13,
                  folder ? "Dir" : "file", (i * 7919) % entries, folder ? "" : extensions[i % 7]);
    text += line;
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
  bench::StartWx(argv[0]);
  {
    wxEventLoop loop;
    wxEventLoopActivator active(&loop);
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(0, 0), wxSize(900, 700));
    auto* pane = new CFtpDirView(frame);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(pane, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->Show();
    auto pump = [&] {
      loop.DispatchTimeout(1);
      wxTheApp->ProcessPendingEvents();
    };
    for (int i = 0; i < 50; ++i) pump();

    const std::string text = ListingText(entries);
    const long start = bench::ResidentKb();
    double best = 1e9;
    long paneGrowth = 0;
    for (int run = 0; run < 3; ++run) {
      RemoteListing listing = ParseListing(SERVER_TYPE_UNIX, text);
      if (listing.size() != static_cast<std::size_t>(entries)) bench::Die("the listing did not parse whole");
      const long beforePost = bench::ResidentKb();
      const RemoteListing* shown = pane->fileList->Listing().get();
      const double t0 = bench::Now();
      pane->Target()->Post(platform::MakeMessage(msg::WM_SESSION_LISTING, 0, 0,
                                                 platform::Payload::Of(std::move(listing))));
      const double limit = t0 + 60;
      while (pane->fileList->Listing().get() == shown || pane->fileList->GetItemCount() != entries) {
        pump();
        if (bench::Now() > limit) bench::Die("the listing was not shown");
      }
      pane->fileList->Update();  // paint the rows now
      const double took = bench::Now() - t0;
      std::printf("run %d: %.3f s\n", run + 1, took);
      best = std::min(best, took);
      paneGrowth = bench::ResidentKb() - beforePost;
    }
    const long end = bench::ResidentKb();
    std::printf("remote list of %d entries: %.3f s from the posted listing to the painted rows (best of 3)\n",
                entries, best);
    std::printf("first row %s, last row %s\n",
                pane->fileList->CellText(0, 0).utf8_string().c_str(),
                pane->fileList->CellText(entries - 1, 0).utf8_string().c_str());
    std::printf("process grew by %.1f MB over three listings (resident %.1f MB -> %.1f MB); "
                "the last showing itself added %.1f MB\n",
                (end - start) / 1024.0, start / 1024.0, end / 1024.0, paneGrowth / 1024.0);
    frame->Destroy();
    while (loop.Pending()) loop.Dispatch();
    wxTheApp->ProcessIdle();
  }
  wxEntryCleanup();
  return 0;
}
