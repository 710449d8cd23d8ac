// ftp://[user[:password]@]host[:port]/path, percent-decoded; an IPv6 host
// stands in brackets (ftp://[2001:db8::1]:2121/path).
#pragma once

#include <string>
#include <string_view>

struct FtpUrl {
  bool hasUser = false;  // no user: anonymous login
  std::string user;
  std::string password;
  std::string host;      // an IPv6 address without its brackets
  int port = 0;          // 0: the default FTP port
  std::string path = "/";
  bool directory = false;  // the path ends with "/"
};

// False with a reason for anything that is not such a URL, or that holds a
// byte that can't travel in a command line (CR, LF, NUL).
bool ParseFtpUrl(std::string_view text, FtpUrl& out, std::string& error);

// Percent-decodes `text`; false on a malformed escape.
bool PercentDecode(std::string_view text, std::string& out);

// "host", "host:port", "[ipv6]" or "[ipv6]:port" for a site address
// (port 0: none).
std::string SiteAddressOf(const std::string& host, int port);

// Splits a remote path into its directory and last name: "/a/b" and "/a/b/"
// give "/a" and "b"; "/b" gives "/" and "b"; "/" gives "/" and "". A path
// without a "/" has the parent "" (the login directory).
void SplitRemotePath(const std::string& path, std::string& parent, std::string& name);
