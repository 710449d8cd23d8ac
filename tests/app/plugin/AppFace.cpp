// A stand-in skin library for the tests: exports the ten entry points and
// appends one line per SkinStart / SkinRemove call to the file named by the
// environment variable SKIFF_APPFACE_LOG.
#include <cstdio>
#include <cstdlib>

namespace {
void Record(const char* line, const char* argument) {
  const char* path = std::getenv("SKIFF_APPFACE_LOG");
  if (!path || !*path) return;
  if (std::FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s%s%s\n", line, argument ? " " : "", argument ? argument : "");
    std::fclose(f);
  }
}
}  // namespace

extern "C" {
int SkinStart(const char* skinFile, int, const char*, int, void*, int) {
  Record("SkinStart", skinFile);
  return 1;
}
int SkinRemove() {
  Record("SkinRemove", nullptr);
  return 1;
}
// Never called by the program: each one records itself to show it was.
int SkinStartW() { Record("SkinStartW", nullptr); return 0; }
int SkinWindowSet() { Record("SkinWindowSet", nullptr); return 0; }
int SkinThread() { Record("SkinThread", nullptr); return 0; }
int BkCreate() { Record("BkCreate", nullptr); return 0; }
int BkDraw() { Record("BkDraw", nullptr); return 0; }
int BkDelete() { Record("BkDelete", nullptr); return 0; }
int SkinWindowSetExW() { Record("SkinWindowSetExW", nullptr); return 0; }
int SkinWindowSetEx() { Record("SkinWindowSetEx", nullptr); return 0; }
}
