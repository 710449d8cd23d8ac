// Reading UTF-8 from bytes that may not be UTF-8 (names from disks and
// servers). Shared by every place that shows such bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace utf8 {

// The length of the well-formed UTF-8 sequence at `at` (1 for ASCII; no
// overlong forms, no surrogates, nothing above U+10FFFF), with its code
// point; 0 when there is none.
inline std::size_t SequenceAt(std::string_view bytes, std::size_t at, std::uint32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(at);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  std::size_t length = 0;
  std::uint32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1Fu, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0Fu, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07u, least = 0x10000;
  } else {
    return 0;
  }
  if (bytes.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const std::uint8_t next = byte(at + i);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3Fu);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// C0 controls, DEL and C1 controls: never shown as they are, so that one
// name stays one line.
inline bool IsControl(std::uint32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

inline constexpr std::uint32_t kReplacement = 0xFFFD;

}  // namespace utf8
