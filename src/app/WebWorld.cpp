// CWebWorld: one HTTP fetch and the version file's name=value items.
#include "app/WebWorld.h"

#include <algorithm>

#include "app/TextCase.h"

CWebWorld::CWebWorld() : internetSession(kWebWorldUserAgent) {}

CWebWorld::~CWebWorld() = default;

std::string CWebWorld::Fetch(const std::string& url) {
  lastContent.clear();
  const platform::HttpReply reply = internetSession.Get(url, kWebWorldMaxBody);
  if (reply.received && reply.contentLength) {
    const auto announced = static_cast<std::uint64_t>(*reply.contentLength);
    const std::size_t length =
        static_cast<std::size_t>(std::min<std::uint64_t>(announced, reply.body.size()));
    const std::string_view body(reply.body.data(), length);
    lastContent = std::string(body.substr(0, body.find('\0')));
  }
  return lastContent;
}

std::string CWebWorld::LookUp(std::string_view name) const { return LookUpItem(lastContent, name); }

std::string LookUpItem(std::string_view content, std::string_view name) {
  while (!content.empty()) {
    const std::size_t semicolon = content.find(';');
    const std::string_view item = TrimWhiteSpace(content.substr(0, semicolon));
    content = semicolon == std::string_view::npos ? std::string_view() : content.substr(semicolon + 1);

    const std::size_t equals = item.find('=');
    if (equals == std::string_view::npos) continue;
    if (!EqualsIgnoringCase(TrimWhiteSpace(item.substr(0, equals)), name)) continue;
    const std::string_view rest = item.substr(equals + 1);
    return std::string(TrimWhiteSpace(rest.substr(0, rest.find('='))));
  }
  return {};
}
