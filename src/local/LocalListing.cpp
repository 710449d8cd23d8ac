#include "local/LocalListing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>

#include "local/LocalPath.h"
#include "platform/Files.h"
#include "transfer/SortStringArray.h"

LocalListing ReadLocalFolder(const std::string& folder) {
  LocalListing listing;
  listing.folder = folder.empty() ? std::string("/") : localpath::AsFolderPath(folder);
  std::vector<platform::DirEntry> entries;
  listing.error = platform::ListFolderEntries(listing.folder, entries);
  listing.rows.reserve(entries.size());
  for (platform::DirEntry& entry : entries) {
    LocalRow row;
    row.name = std::move(entry.name);
    row.isFolder = entry.isFolder;
    row.hasAttributes = entry.hasAttributes;
    row.size = entry.size < 0 ? 0 : static_cast<std::uint64_t>(entry.size);
    row.modified = entry.modified;
    listing.rows.push_back(std::move(row));
  }
  SortLocalRows(listing.rows);
  return listing;
}

void SortLocalRows(std::vector<LocalRow>& rows) {
  // Fold each name once; comparing folded keys is far cheaper than folding
  // at every comparison.
  std::vector<std::u32string> keys;
  keys.reserve(rows.size());
  for (const LocalRow& row : rows) keys.push_back(FoldedKey(row.name));
  std::vector<std::size_t> order(rows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (rows[a].isFolder != rows[b].isFolder) return rows[a].isFolder;
    return keys[a] < keys[b];
  });
  std::vector<LocalRow> sorted;
  sorted.reserve(rows.size());
  for (std::size_t i : order) sorted.push_back(std::move(rows[i]));
  rows = std::move(sorted);
}

std::string SizeText(const LocalRow& row) {
  if (row.isFolder) return "0";
  if (!row.hasAttributes) return "";
  return std::to_string(row.size);
}

std::string TimeText(const LocalRow& row) {
  return row.hasAttributes ? TimeText(row.modified) : std::string();
}

std::string TimeText(std::int64_t secondsSinceEpoch) {
  using namespace std::chrono;
  const sys_seconds at{seconds{secondsSinceEpoch}};
  const sys_days day = floor<days>(at);
  const year_month_day date{day};
  const hh_mm_ss<seconds> time{at - day};
  char text[64];
  std::snprintf(text, sizeof text, "%d-%u-%u %d:%d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()));
  return text;
}
