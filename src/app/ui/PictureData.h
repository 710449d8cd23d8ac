// The program's pictures as PNG bytes, built into the program from the SVG
// drawings in res/ (cmake/Resources.cmake writes the table).
#pragma once

#include <cstddef>

namespace pictures {

struct EmbeddedPng {
  const char* name;  // "skiffline-<N>" (N = 16 ... 256), "drop-window", "splash"
  const unsigned char* bytes;
  std::size_t size;
};

extern const EmbeddedPng kEmbedded[];
extern const std::size_t kEmbeddedCount;

}  // namespace pictures
