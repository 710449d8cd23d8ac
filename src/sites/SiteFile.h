// The site file "SiteInfo.TWP": the sites' records one after another,
// 948 bytes each, with nothing else.
#pragma once

#include <string>

#include "platform/DataFolder.h"
#include "sites/SiteList.h"

inline constexpr const char* kSiteFileName = "SiteInfo.TWP";

// The user's site file, in the data folder (platform/DataFolder.h); empty
// when that folder can't be used.
inline std::string DefaultSiteFilePath() { return platform::DataFilePath(kSiteFileName); }

// Reads the file into `list` (replacing its content): whole records only, a
// trailing partial record is ignored. Returns 0, the list unchanged, if the
// file can't be opened; else 1.
int LoadSiteFile(SiteList& list, const std::string& path);

// Writes every site of `list` to the file through a flushed temporary file
// renamed over it, so a failed save leaves the old file whole. The file is
// readable and writable by its owner only: it holds passwords. Returns 0 if
// the file can't be written; else 1.
int SaveSiteFile(const SiteList& list, const std::string& path);
