// Letter-case-insensitive comparison and white-space trimming of plain text.
#pragma once

#include <algorithm>
#include <cctype>
#include <string_view>

// True when both texts are equal but for the case of their letters.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The text without white space at either end.
inline std::string_view TrimWhiteSpace(std::string_view text) {
  auto white = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && white(text.front())) text.remove_prefix(1);
  while (!text.empty() && white(text.back())) text.remove_suffix(1);
  return text;
}
