// Checks for names that come from a server listing, a local folder or the
// user before they are joined into a local path or sent in a command line,
// and exact (never cutting) writes into fixed-width record fields.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// "." or "..": never transferred, entered or deleted.
bool IsDotName(std::string_view name);

// May be sent as the argument of a command: no CR, LF or NUL byte, not empty.
bool IsSendableName(std::string_view name);

// A single path component: sendable, not a dot name, and without "/" or "\".
// Only such names are joined into local paths or deleted on the server.
bool IsPlainName(std::string_view name);

// The text of a record field up to its terminator; a field without one gives
// `terminated` false (such a name is never used).
template <std::size_t N>
std::string_view FieldName(const char (&field)[N], bool* terminated = nullptr) {
  std::size_t n = strnlen(field, N);
  if (terminated) *terminated = n < N;
  return std::string_view(field, n);
}

// A listed name held as a string (a listing never keeps a NUL byte in one).
inline std::string_view FieldName(const std::string& text, bool* terminated = nullptr) {
  if (terminated) *terminated = text.find('\0') == std::string::npos;
  return text;
}

// Writes `text` into `field` only if it fits whole with its terminator.
template <std::size_t N>
bool SetFieldExact(char (&field)[N], std::string_view text) {
  if (text.size() >= N || text.find('\0') != std::string_view::npos) return false;
  std::memcpy(field, text.data(), text.size());
  field[text.size()] = '\0';
  return true;
}

// Appends `text` to the field's text only if the result fits whole.
template <std::size_t N>
bool AppendFieldExact(char (&field)[N], std::string_view text) {
  std::string joined(FieldName(field));
  joined.append(text);
  return SetFieldExact(field, joined);
}
