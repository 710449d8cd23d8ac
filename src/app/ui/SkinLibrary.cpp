#include "app/ui/SkinLibrary.h"

#include <wx/log.h>

#include "platform/Files.h"

namespace {
// The library's own start-up arguments besides the skin file: default window
// type, no check sum, skin type 1, no module handle, default language.
using SkinStartFn = int (*)(const char* skinFile, int windowType, const char* checkSum,
                            int skinType, void* instance, int language);
using SkinRemoveFn = int (*)();
}  // namespace

std::string CSkinLibrary::FileName() {
  return std::string(wxDynamicLibrary::CanonicalizeName("AppFace").utf8_str().data());
}

std::string CSkinLibrary::SkinFilePath(const std::string& programFolder) {
  return platform::JoinPath(platform::JoinPath(programFolder, "URF SKIN LIB"), "belv.urf");
}

CSkinLibrary::~CSkinLibrary() { Unload(); }

bool CSkinLibrary::Load(const std::string& folder) {
  Unload();
  const std::string path = platform::JoinPath(folder, FileName());
  if (!platform::PathExists(path)) return false;
  wxLogNull quiet;  // a library that can't be loaded is no error
  auto library = std::make_unique<wxDynamicLibrary>();
  if (!library->Load(wxString::FromUTF8(path), wxDL_NOW | wxDL_VERBATIM)) return false;
  std::size_t found = 0;
  for (; found < kEntryCount; ++found) {
    if (!library->HasSymbol(kEntryNames[found])) break;
    entries[found] = library->GetSymbol(kEntryNames[found]);
  }
  loaded = found == kEntryCount ? 1 : 0;
  module = std::move(library);
  return true;
}

void CSkinLibrary::Unload() {
  entries.fill(nullptr);
  loaded = 0;
  module.reset();  // unloads
}

void CSkinLibrary::Start(const std::string& skinFile) {
  if (!entries[kSkinStart]) return;
  auto start = reinterpret_cast<SkinStartFn>(entries[kSkinStart]);
  start(skinFile.c_str(), 0, nullptr, 1, nullptr, 0);
}

void CSkinLibrary::Remove() {
  if (!entries[kSkinRemove]) return;
  reinterpret_cast<SkinRemoveFn>(entries[kSkinRemove])();
}
