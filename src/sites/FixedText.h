// Helpers for zero-terminated text in fixed-width record fields.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// Copies `text` into `field`, cut to the field's width less one, and ends it
// with a zero byte. Bytes behind the terminator are left as they were.
template <std::size_t N>
void SetField(char (&field)[N], std::string_view text) {
  static_assert(N > 0);
  std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  if (n) std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

// The text of a field up to its terminator (or the whole width if none).
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

template <std::size_t N>
bool FieldEmpty(const char (&field)[N]) {
  return field[0] == '\0';
}

// Byte-wise comparison of two fields' texts.
template <std::size_t N>
bool FieldsEqual(const char (&a)[N], const char (&b)[N]) {
  return std::strncmp(a, b, N) == 0;
}
