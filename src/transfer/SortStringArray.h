// The string array that the local and remote lists sort their names with.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Compares two texts without regard to case, character by character in the
// current locale's multi-byte encoding: <0, 0 or >0.
int CompareNoCase(const std::string& a, const std::string& b);
// The characters CompareNoCase compares, folded: comparing two keys gives
// the order CompareNoCase gives their texts, at a fraction of the cost when
// many texts are sorted.
std::u32string FoldedKey(const std::string& text);

class CSortStringArray {
 public:
  std::size_t GetSize() const { return items_.size(); }
  bool IsEmpty() const { return items_.empty(); }
  std::size_t Add(std::string text) {
    items_.push_back(std::move(text));
    return items_.size() - 1;
  }
  const std::string& GetAt(std::size_t i) const { return items_.at(i); }
  void SetAt(std::size_t i, std::string text) { items_.at(i) = std::move(text); }
  void RemoveAt(std::size_t i) {
    if (i < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  void RemoveAll() { items_.clear(); }
  std::string& operator[](std::size_t i) { return items_[i]; }
  const std::string& operator[](std::size_t i) const { return items_[i]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  const std::vector<std::string>& Items() const { return items_; }

  // Ascending, without regard to case; texts that compare equal keep their
  // order ("b", "A", "a" gives "A", "a", "b").
  void Sort();

 private:
  std::vector<std::string> items_;
};
