#include "cli/FtpUrl.h"

#include "sites/HostPort.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Sendable(const std::string& s) {
  return s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

bool PercentDecode(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int hi = HexValue(text[i + 1]);
    int lo = HexValue(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

bool ParseFtpUrl(std::string_view text, FtpUrl& out, std::string& error) {
  out = FtpUrl{};
  constexpr std::string_view kScheme = "ftp://";
  if (text.size() < kScheme.size() || text.substr(0, kScheme.size()) != kScheme) {
    error = "not an ftp:// URL: " + std::string(text);
    return false;
  }
  std::string_view rest = text.substr(kScheme.size());
  std::size_t slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  std::string_view path = slash == std::string_view::npos ? "/" : rest.substr(slash);

  std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    std::string_view login = authority.substr(0, at);
    authority = authority.substr(at + 1);
    std::size_t colon = login.find(':');
    if (!PercentDecode(login.substr(0, colon), out.user) ||
        (colon != std::string_view::npos && !PercentDecode(login.substr(colon + 1), out.password))) {
      error = "malformed user or password in the URL";
      return false;
    }
    out.hasUser = !out.user.empty();
  }
  // "host", "host:port", "[ipv6]" or "[ipv6]:port", as a site address reads.
  std::string problem;
  if (!SplitHostPort(authority, out.host, out.port, problem)) {
    error = "bad host or port in the URL: " + std::string(authority);
    return false;
  }
  if (out.host.empty() || out.host.find_first_of("/@[] ") != std::string::npos) {
    error = "no host in the URL";
    return false;
  }
  if (!PercentDecode(path, out.path) || !Sendable(out.path) || !Sendable(out.user) ||
      !Sendable(out.password)) {
    error = "malformed path in the URL";
    return false;
  }
  out.directory = !out.path.empty() && out.path.back() == '/';
  return true;
}

void SplitRemotePath(const std::string& path, std::string& parent, std::string& name) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p == "/") {
    parent.assign(1, '/');
    name.clear();
    return;
  }
  std::size_t slash = p.rfind('/');
  if (slash == std::string::npos) {
    parent.clear();
    name = p;
  } else {
    parent = p.substr(0, slash == 0 ? 1 : slash);
    name = p.substr(slash + 1);
  }
}

std::string SiteAddressOf(const std::string& host, int port) {
  std::string address = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  if (port) address.append(1, ':').append(std::to_string(port));
  return address;
}
