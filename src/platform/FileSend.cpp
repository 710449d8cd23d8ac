#include "platform/FileSend.h"

#include <signal.h>
#include <sys/sendfile.h>

#include <cerrno>
#include <ctime>

namespace platform {

namespace {

// sendfile has no MSG_NOSIGNAL: while it runs SIGPIPE is blocked on this
// thread, and one it raised (also by a call that sent part of its bytes) is
// taken back, so a closed connection is an error and never ends the program.
class SigpipeBlock {
 public:
  SigpipeBlock() {
    sigemptyset(&pipeOnly_);
    sigaddset(&pipeOnly_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeOnly_, &old_);
  }
  ~SigpipeBlock() {
    sigset_t pending;
    sigpending(&pending);
    if (!wasPending_ && sigismember(&pending, SIGPIPE) == 1) {
      timespec none{0, 0};
      while (sigtimedwait(&pipeOnly_, nullptr, &none) < 0 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }

 private:
  sigset_t pipeOnly_{};
  sigset_t old_{};
  bool wasPending_ = false;
};

}  // namespace

FileSendResult SendFromFile(SocketHandle s, File& file, std::size_t size) {
  SigpipeBlock block;
  for (;;) {
    ssize_t n = ::sendfile(s, file.Descriptor(), nullptr, size);
    if (n > 0) return {FileSendResult::Sent, static_cast<std::size_t>(n)};
    if (n == 0) return {FileSendResult::EndOfFile, 0};
    const int error = errno;
    switch (error) {
      case EINTR: continue;
      case EINVAL:
      case ENOSYS:
      case EOPNOTSUPP: return {FileSendResult::Unsupported, 0};
      case EIO:
      case EOVERFLOW: return {FileSendResult::ReadFailed, 0};
      default: return {FileSendResult::SendFailed, 0};
    }
  }
}

}  // namespace platform
