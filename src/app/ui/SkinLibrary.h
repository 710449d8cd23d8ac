// The optional skin library ("AppFace": libAppFace.so, AppFace.dll), loaded
// from the program's folder when it is there. Its ten entry points are looked
// up in a fixed order, stopping at the first one missing; the program calls
// only SkinStart (once at start, with the skin file) and SkinRemove (once
// when the main window closes).
#pragma once

#include <wx/dynlib.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class CSkinLibrary {
 public:
  static constexpr std::size_t kEntryCount = 10;
  static constexpr std::array<const char*, kEntryCount> kEntryNames = {
      "SkinStart", "SkinStartW", "SkinRemove", "SkinWindowSet",    "SkinThread",
      "BkCreate",  "BkDraw",     "BkDelete",   "SkinWindowSetExW", "SkinWindowSetEx"};
  enum Entry : std::size_t { kSkinStart = 0, kSkinRemove = 2 };

  // The library's file name on this platform, e.g. "libAppFace.so".
  static std::string FileName();
  // The skin file: `programFolder` (ending in the separator) + "URF SKIN LIB/belv.urf".
  static std::string SkinFilePath(const std::string& programFolder);

  CSkinLibrary() = default;
  ~CSkinLibrary();  // unloads and empties the table
  CSkinLibrary(const CSkinLibrary&) = delete;
  CSkinLibrary& operator=(const CSkinLibrary&) = delete;

  // Loads the library from `folder` if present and fills the table. True if loaded.
  bool Load(const std::string& folder);
  void Unload();

  // Calls SkinStart with the skin file if it was found; the result is ignored.
  void Start(const std::string& skinFile);
  // Calls SkinRemove if it was found.
  void Remove();

  bool HasEntry(std::size_t index) const { return entries[index] != nullptr; }

  std::int32_t loaded = 0;  // 1 once all ten entry points were found
  std::unique_ptr<wxDynamicLibrary> module;
  std::array<void*, kEntryCount> entries{};
};
