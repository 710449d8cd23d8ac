// Fuzzes the readers of PASV (227) and EPSV (229) replies: any text a server
// sends must give either a usable port with no reason, or no port with one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/PassiveReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  std::string problem;
  if (passive_reply::ParsePasv(text, address, port, problem)) {
    if (port == 0 || !problem.empty()) std::abort();
  } else if (problem.empty()) {
    std::abort();
  }
  port = 0;
  if (passive_reply::ParseEpsv(text, port, problem)) {
    if (port == 0 || !problem.empty()) std::abort();
  } else if (problem.empty()) {
    std::abort();
  }
  return 0;
}
