#include "sites/SiteAddress.h"

std::string SiteAddressProblem(std::string_view address) {
  for (unsigned char c : address) {
    if (c == ' ' || c == '\t') return "The site address must not contain spaces.";
    if (c < 0x20 || c == 0x7f) return "The site address must not contain control characters.";
  }
  const std::size_t colon = address.find(':');
  if (colon == std::string_view::npos) return {};
  if (colon == 0) return "The site address needs a host name before \":\".";
  const std::string_view digits = address.substr(colon + 1);
  bool number = !digits.empty() && digits.size() <= 5;
  long port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') {
      number = false;
      break;
    }
    port = port * 10 + (c - '0');
  }
  if (!number || port < 1 || port > 65535)
    return "The port after \":\" in the site address must be a number from 1 to 65535.";
  return {};
}
