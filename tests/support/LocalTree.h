// Building and comparing small local file trees for the local file
// operation tests: a snapshot holds every entry's kind, mode, time and bytes.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/Files.h"

namespace skifftest {

inline bool MakeFile(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
  platform::File f;
  if (!f.Open(path, platform::OpenMode::WriteTruncate)) return false;
  if (!bytes.empty() && !f.Write(bytes.data(), bytes.size())) return false;
  f.Close();
  return ::chmod(path.c_str(), mode) == 0;
}

inline std::string FileText(const std::string& path) {
  platform::File f;
  if (!f.Open(path, platform::OpenMode::ReadExisting)) return "<missing>";
  std::string out(static_cast<std::size_t>(f.Size()), '\0');
  if (!out.empty() && f.Read(out.data(), out.size()) != static_cast<long long>(out.size())) {
    return "<unreadable>";
  }
  return out;
}

// Whether the entry itself exists (a dangling link counts).
inline bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

inline std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::vector<platform::DirEntry> entries;
  platform::ListFolder(folder, entries);
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

struct EntryShape {
  char kind = '?';  // 'f' file, 'd' folder, 'l' link
  mode_t mode = 0;
  long long mtime = 0;  // seconds; links left 0
  std::string content;  // file bytes or link target
  bool operator==(const EntryShape&) const = default;
};

// Every entry below `root` (and `root` itself as ""), by relative path.
inline std::map<std::string, EntryShape> Snapshot(const std::string& root) {
  std::map<std::string, EntryShape> out;
  std::vector<std::string> pending{""};
  while (!pending.empty()) {
    std::string rel = pending.back();
    pending.pop_back();
    std::string path = rel.empty() ? root : root + "/" + rel;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) continue;
    EntryShape shape;
    shape.mode = info.st_mode & 07777;
    if (S_ISLNK(info.st_mode)) {
      shape.kind = 'l';
      shape.mode = 0;
      std::vector<char> target(4096);
      ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
      if (n > 0) shape.content.assign(target.data(), static_cast<std::size_t>(n));
    } else if (S_ISDIR(info.st_mode)) {
      shape.kind = 'd';
      shape.mtime = info.st_mtime;
      for (const std::string& name : NamesIn(path)) {
        pending.push_back(rel.empty() ? name : rel + "/" + name);
      }
    } else {
      shape.kind = 'f';
      shape.mtime = info.st_mtime;
      shape.content = FileText(path);
    }
    out[rel] = shape;
  }
  return out;
}

// A folder under `base` (e.g. /dev/shm), removed with all it holds.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& base) {
    std::string pattern = base + "/skiffline-scratch-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) != nullptr) path_ = buf.data();
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace skifftest
