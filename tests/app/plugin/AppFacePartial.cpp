// An incomplete stand-in skin library: SkinStart and SkinRemove, then a
// missing SkinWindowSet (after SkinStartW), so the look-up stops early.
#include <cstdio>
#include <cstdlib>

namespace {
void Record(const char* line) {
  const char* path = std::getenv("SKIFF_APPFACE_LOG");
  if (!path || !*path) return;
  if (std::FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "partial %s\n", line);
    std::fclose(f);
  }
}
}  // namespace

extern "C" {
int SkinStart(const char*, int, const char*, int, void*, int) { Record("SkinStart"); return 1; }
int SkinStartW() { return 0; }
int SkinRemove() { Record("SkinRemove"); return 1; }
int SkinThread() { return 0; }  // after the missing name: never looked up
}
