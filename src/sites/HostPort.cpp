#include "sites/HostPort.h"

#include "platform/Socket.h"

namespace {

bool ReadPort(std::string_view digits, int& port, std::string& problem) {
  bool number = !digits.empty() && digits.size() <= 5;
  long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') {
      number = false;
      break;
    }
    value = value * 10 + (c - '0');
  }
  if (!number || value < 1 || value > 65535) {
    problem = "The port after \":\" in the site address must be a number from 1 to 65535.";
    return false;
  }
  port = static_cast<int>(value);
  return true;
}

}  // namespace

bool SplitHostPort(std::string_view address, std::string& host, int& port, std::string& problem) {
  problem.clear();
  if (!address.empty() && address.front() == '[') {
    std::size_t close = address.find(']');
    if (close == std::string_view::npos) {
      problem = "The \"[\" of the IPv6 address in the site address is never closed.";
      return false;
    }
    host.assign(address.substr(1, close - 1));
    platform::Endpoint parsed;
    if (!platform::ParseNumericAddress(host, parsed) || !parsed.v6) {
      problem = "The site address holds no IPv6 address between \"[\" and \"]\".";
      return false;
    }
    std::string_view rest = address.substr(close + 1);
    if (rest.empty()) return true;
    if (rest.front() != ':') {
      problem = "Only \":port\" may follow the \"]\" of an IPv6 site address.";
      return false;
    }
    return ReadPort(rest.substr(1), port, problem);
  }
  const std::size_t colon = address.find(':');
  if (colon == std::string_view::npos) {
    host.assign(address);
    return true;
  }
  if (address.find(':', colon + 1) != std::string_view::npos) {
    problem = "Write an IPv6 site address in brackets, e.g. [2001:db8::1]:21.";
    return false;
  }
  if (colon == 0) {
    problem = "The site address needs a host name before \":\".";
    return false;
  }
  host.assign(address.substr(0, colon));
  return ReadPort(address.substr(colon + 1), port, problem);
}
