// Shared pieces of the window benchmarks: wx started without a main loop of
// its own, and the process's resident memory.
#pragma once

#include <unistd.h>
#include <wx/app.h>

#include <fstream>

#include "bench_support.h"

namespace bench {

// Starts wx for a benchmark that runs its own event loop; dies without a display.
inline void StartWx(char* programName) {
  class BenchApp final : public wxApp {
   public:
    bool OnInit() override { return true; }
  };
  wxApp::SetInstance(new BenchApp);
  int argc = 1;
  char* argv[] = {programName, nullptr};
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) Die("wx did not start (no display?)");
}

// Resident memory of this process now, in KiB.
inline long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace bench
