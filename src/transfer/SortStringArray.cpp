#include "transfer/SortStringArray.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

// Reads the next character of `s` at `pos` in the locale's encoding, folded
// to lower case. A byte that starts no valid character stands for itself.
std::uint32_t NextFolded(const std::string& s, std::size_t& pos, std::mbstate_t& state) {
  wchar_t wc = 0;
  std::size_t n = std::mbrtowc(&wc, s.data() + pos, s.size() - pos, &state);
  if (n == 0 || n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
    state = std::mbstate_t{};
    auto byte = static_cast<unsigned char>(s[pos++]);
    if (byte >= 'A' && byte <= 'Z') byte = static_cast<unsigned char>(byte - 'A' + 'a');
    return byte;
  }
  pos += n;
  return static_cast<std::uint32_t>(std::towlower(static_cast<std::wint_t>(wc)));
}

}  // namespace

int CompareNoCase(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  std::mbstate_t sa{}, sb{};
  while (i < a.size() && j < b.size()) {
    std::uint32_t ca = NextFolded(a, i, sa);
    std::uint32_t cb = NextFolded(b, j, sb);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

std::u32string FoldedKey(const std::string& text) {
  std::u32string key;
  key.reserve(text.size());
  std::size_t i = 0;
  std::mbstate_t state{};
  while (i < text.size()) key.push_back(static_cast<char32_t>(NextFolded(text, i, state)));
  return key;
}

void CSortStringArray::Sort() {
  std::stable_sort(items_.begin(), items_.end(), [](const std::string& a, const std::string& b) {
    return CompareNoCase(a, b) < 0;
  });
}
