// A minimal HTTP fetcher for the version file, and the look-up of one item
// of its "name=value;name=value" text.
#pragma once

#include <string>
#include <string_view>

#include "platform/HttpFetch.h"

inline constexpr const char* kWebWorldUserAgent = "CodeguruBrowser1.0";
// Largest body taken from a reply.
inline constexpr std::size_t kWebWorldMaxBody = 4095;

class CWebWorld {
 public:
  CWebWorld();
  virtual ~CWebWorld();
  CWebWorld(const CWebWorld&) = delete;
  CWebWorld& operator=(const CWebWorld&) = delete;

  // The body of the reply for `url`, also kept as lastContent. Only a reply
  // with a "Content-Length" header gives a body: at most that many bytes and
  // at most kWebWorldMaxBody, up to the first zero byte. Anything else
  // (no reply, a chunked reply) gives empty text.
  std::string Fetch(const std::string& url);

  // The value of the first item called `name` (letter case aside) in
  // lastContent, stripped of white space; empty when there is none.
  std::string LookUp(std::string_view name) const;

  const std::string& LastContent() const { return lastContent; }

 private:
  std::string lastContent;
  platform::HttpClient internetSession;
};

// LookUp's grammar on any text: items separated by ";", each a name and a
// value separated by "=" (the value ends at a second "="); white space around
// items, names and values is ignored, and items without "=" are skipped.
std::string LookUpItem(std::string_view content, std::string_view name);
