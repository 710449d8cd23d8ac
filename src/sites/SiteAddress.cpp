#include "sites/SiteAddress.h"

#include "sites/HostPort.h"

std::string SiteAddressProblem(std::string_view address) {
  for (unsigned char c : address) {
    if (c == ' ' || c == '\t') return "The site address must not contain spaces.";
    if (c < 0x20 || c == 0x7f) return "The site address must not contain control characters.";
  }
  std::string host, problem;
  int port = 0;
  if (!SplitHostPort(address, host, port, problem)) return problem;
  return {};
}
