#include "transfer/QueueFile.h"

#include <cctype>
#include <cstring>
#include <string_view>

#include "platform/DataFolder.h"
#include "platform/Files.h"
#include "sites/FixedText.h"
#include "transfer/FileQueue.h"

bool UsableQueuePath(const std::string& path) {
  return !path.empty() && path.back() != platform::kPathSeparator && path.back() != '/';
}

bool ReadQueueFile(const std::string& path,
                   const std::function<void(const TransferEntry&)>& take) {
  if (!UsableQueuePath(path) || platform::IsDirectory(path)) return false;
  platform::File file;
  if (!file.Open(path, platform::OpenMode::ReadExisting)) return false;
  unsigned char buffer[sizeof(TransferEntry)];
  for (;;) {
    long long n = file.Read(buffer, sizeof buffer);
    if (n != static_cast<long long>(sizeof buffer)) break;  // end, short record or error
    TransferEntry entry;
    std::memcpy(&entry, buffer, sizeof entry);
    take(entry);
  }
  return true;
}

bool WriteQueueFile(const std::string& path, const std::vector<TransferEntry>& entries,
                    std::string& error) {
  if (!UsableQueuePath(path)) {
    error = "not a file name";
    return false;
  }
  return platform::ReplaceFileContents(path, entries.data(), entries.size() * sizeof(TransferEntry),
                                       /*ownerOnly=*/true, error);
}

bool WriteQueueFile(const std::string& path, const std::vector<TransferEntry>& entries) {
  std::string error;
  return WriteQueueFile(path, entries, error);
}

// The name of a login's queue file, in the data folder.
//
// A login whose address and user can stand in a file name as they are keeps
// the name it has always had: address, user, ".TWQ" ("192.168.1.20bob.TWQ").
// Such a text holds no control byte, '/', '\\' or ':'.
//
// Any other login (a "host:port" address, a user with a slash...) gets an
// escaped name ending in ".TWQE". No plain name ends so, so the two kinds
// never meet, whatever bytes a plain name holds:
//  - every byte a file name can't hold on Linux or Windows (control bytes,
//    DEL and / \ : < > " | ? *) and '%' itself is written %XX in upper-case
//    hex, so an escaped name reads back one way only: "host%3A2121bob.TWQE";
//  - a stem that would begin with a device name of Windows (CON, NUL...)
//    has its first byte escaped too;
//  - a stem longer than kLongestStem (hostile text full of such bytes) is
//    the hex of the whole text instead, which has no '%' where an escaped
//    stem always has one; every name thus stays well under 255 bytes.
// Plain names join address and user without a separator, so two logins
// whose texts join to the same text ("ab" + "c", "a" + "bc") share a file,
// as they always have; any two other logins have files of their own.
namespace {

constexpr const char* kPlainExtension = ".TWQ";
constexpr const char* kEscapedExtension = ".TWQE";
// Address and user join to at most 102 bytes, so hex takes at most 204.
constexpr std::size_t kLongestStem = 204;
constexpr char kHex[] = "0123456789ABCDEF";

bool RefusedInPlainName(unsigned char c) {
  return c < 0x20 || c == '/' || c == '\\' || c == ':';
}

bool EscapedByte(unsigned char c) {
  return RefusedInPlainName(c) || c == 0x7f || c == '%' ||
         std::string_view("<>\"|?*").find(static_cast<char>(c)) != std::string_view::npos;
}

void AppendHex(std::string& out, unsigned char c) {
  out += kHex[c >> 4];
  out += kHex[c & 0x0f];
}

// Windows opens a device for these names, whatever extension follows.
bool WindowsDeviceName(std::string_view stem) {
  std::string base(stem.substr(0, stem.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
      base == "CONOUT$")
    return true;
  return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
         base[3] >= '0' && base[3] <= '9';
}

std::string EscapedStem(const std::string& text) {
  std::string stem;
  for (unsigned char c : text) {
    if (EscapedByte(c)) {
      stem += '%';
      AppendHex(stem, c);
    } else {
      stem += static_cast<char>(c);
    }
  }
  if (WindowsDeviceName(stem)) {
    unsigned char first = static_cast<unsigned char>(stem[0]);
    std::string head = "%";
    AppendHex(head, first);
    stem.replace(0, 1, head);
  }
  if (stem.size() <= kLongestStem) return stem;
  std::string hex;
  for (unsigned char c : text) AppendHex(hex, c);
  return hex;
}

}  // namespace

std::string LoginQueueFileName(const SiteRecord& site) {
  std::string text = FieldText(site.address) + FieldText(site.user);
  for (unsigned char c : text)
    if (RefusedInPlainName(c)) return EscapedStem(text) + kEscapedExtension;
  return text + kPlainExtension;
}

std::string LoginQueueFilePath(const SiteRecord& site) {
  return platform::DataFilePath(LoginQueueFileName(site));
}
