// Fuzzes the reply reader: the input is what a server sends on the control
// connection (then it hangs up). The first byte picks the entry point; with
// plain reading, every received byte must reach the log exactly once.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "engine/FtpLib.h"
#include "platform/MessageIds.h"
#include "platform/Notice.h"

namespace {

constexpr std::size_t kMaxInput = 16384;  // stays below the socket buffer

class Quiet : public platform::NoticeSink {
 public:
  void ShowNotice(const std::string&, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > kMaxInput) return 0;
  static bool once = [] {
    platform::SetNoticeSink(std::make_shared<Quiet>());
    return true;
  }();
  (void)once;

  int mode = data[0] % 4;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  std::size_t length = size - 1;

  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 0;
  int buffer = 1 << 18;
  ::setsockopt(pair[1], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  ::setsockopt(pair[0], SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  std::size_t sent = 0;
  while (sent < length) {
    ssize_t n = ::send(pair[1], bytes + sent, length - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  ::shutdown(pair[1], SHUT_WR);

  std::string logged;
  int replies = 0;
  auto log = std::make_shared<platform::CallbackTarget>([&](platform::Message& m) {
    if (m.id != msg::WM_SESSION_REPLY_LINE) return;
    const std::string& t = m.Text();
    if (t.size() < 24 || t.compare(0, 24, std::string(24, ' ')) != 0) __builtin_trap();
    if (t.size() > 24 + kReplyBufferSize - 1) __builtin_trap();
    logged += t.substr(24);
  });

  {
    CFtpLib lib;
    lib.logWindow = log;
    lib.controlSocket = pair[0];
    switch (mode) {
      case 1:
        lib.QueryCurrentDir();
        if (std::strlen(lib.currentDir) > 259) __builtin_trap();
        break;
      case 2:
        lib.QuerySystemType();
        break;
      case 3:
        lib.DrainReplies();
        break;
      default:
        break;
    }
    // Until the hang-up: a reply may carry the code 999 itself.
    while (++replies < 100000) {
      lib.ReadReply(pair[0]);
      char c;
      if (::recv(pair[0], &c, 1, MSG_PEEK | MSG_DONTWAIT) <= 0) break;
    }
  }
  ::close(pair[0]);
  ::close(pair[1]);

  // Plain reading logs every byte, unless a zero byte cut a line short.
  if (mode == 0 && sent == length && std::memchr(bytes, 0, length) == nullptr &&
      logged != std::string(bytes, length))
    __builtin_trap();
  return 0;
}
