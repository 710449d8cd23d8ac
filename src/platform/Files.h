// Files and folders: 64-bit file access, existence tests, folder creation and
// listing, and whole-file replacement that never leaves a torn file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The local path separator; local folder paths end with it.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

enum class OpenMode {
  ReadExisting,        // read only; fails if missing
  ReadWriteExisting,   // read and write; fails if missing
  ReadWriteOpenAlways, // read and write; created if missing, content kept
  ReadWriteTruncate,   // read and write; created if missing, emptied
  WriteTruncate,       // write only; created if missing, emptied
};

// Owning file handle; closed on destruction.
class File {
 public:
  File() = default;
  ~File() { Close(); }
  File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // `ownerOnly` creates a new file readable and writable by its owner only.
  bool Open(const std::string& path, OpenMode mode, bool ownerOnly = false);
  bool IsOpen() const { return fd_ >= 0; }
  void Close();

  // Bytes read (0 at end), -1 on error. Reads fully unless at end of file.
  long long Read(void* data, std::size_t size);
  // Writes all bytes; false on error.
  bool Write(const void* data, std::size_t size);
  // Writes at an absolute position without moving the file position.
  bool WriteAt(std::int64_t offset, const void* data, std::size_t size);
  bool Seek(std::int64_t offset);  // from the start
  std::int64_t Position() const;   // -1 on error
  std::int64_t Size() const;       // -1 on error
  bool Truncate(std::int64_t size);
  bool Sync();  // flushes data to the disk
  int Descriptor() const { return fd_; }

 private:
  int fd_ = -1;
};

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Creates one folder; an existing folder counts as success.
bool CreateDirectory(const std::string& path);
// Creates a folder and its missing parents with owner-only rights.
bool CreatePrivateDirectories(const std::string& path);
bool RemoveFile(const std::string& path);
std::int64_t FileSize(const std::string& path);  // -1 if missing

struct DirEntry {
  std::string name;
  bool isFolder = false;       // a folder, or a link to one
  bool isLink = false;         // a symbolic link
  bool hasAttributes = false;  // size and time could be read (a vanished entry or a dangling link can't)
  std::int64_t size = 0;
  std::int64_t modified = 0;  // seconds since the epoch
};
// Entries of a folder without "." and "..", in the order the system gives them.
bool ListFolder(const std::string& path, std::vector<DirEntry>& out);
// The same, with the system's error number (0 when the folder was read).
// Entries read before a failure part way stay in `out`.
int ListFolderEntries(const std::string& path, std::vector<DirEntry>& out);

// Writes `data` to a temporary file beside `path`, flushes it to disk,
// renames it over `path` and flushes the folder, so that the new name
// survives a crash too. On any failure the old file is left untouched and
// `error` says why (the system's text, see ErrorText.h); on success `error` is empty.
bool ReplaceFileContents(const std::string& path, const void* data, std::size_t size,
                         bool ownerOnly, std::string& error);
bool ReplaceFileContents(const std::string& path, const void* data, std::size_t size,
                         bool ownerOnly);

// Folder of the running program, ending in the path separator.
std::string ProgramDirectory();
// The user's home folder, ending with "/" ("/" when there is none).
std::string HomeFolder();
// Full path of the running program.
std::string ProgramPath();

// Joins a folder and a name, adding the separator when the folder lacks it.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace platform
