// The receive and send loops of a file transfer, with throttled progress.
#include <cstdint>
#include <limits>
#include <memory>

#include "engine/DataSocketOwner.h"
#include "engine/FtpFunction.h"
#include "engine/ProgressThrottle.h"
#include "platform/ErrorText.h"
#include "platform/MessageIds.h"

namespace {

// Large blocks: few system calls and large sequential file writes. A download
// fills a whole block before writing it; on loopback 512 KiB blocks wrote
// faster than 1 MiB ones (page-cache writes of 1 MiB were often much slower).
constexpr std::size_t kReceiveBlock = 512 * 1024;
// An upload reads 1 MiB blocks and hands each to one send call: on loopback
// that outran 128 KiB pieces, 4 MiB blocks and sendfile alike.
constexpr std::size_t kSendBlock = 1024 * 1024;

std::int32_t Percent(std::int64_t total, std::int64_t expected) {
  if (expected <= 0 || total >= expected) return 100;
  if (total <= 0) return 0;
  if (expected > std::numeric_limits<std::int64_t>::max() / 100)
    return static_cast<std::int32_t>(total / (expected / 100));
  return static_cast<std::int32_t>(total * 100 / expected);
}

void PostProgress(const platform::TargetSlot& window, std::int64_t total,
                  std::int64_t expected, std::uint64_t startTick) {
  std::int32_t rate = CFtpFunction::TransferRate(startTick, platform::TickMs(), total);
  platform::PostTo(window,
                   platform::MakeMessage(msg::WM_SESSION_PROGRESS, Percent(total, expected), rate));
}

}  // namespace

void CFtpFunction::NoteDataError(const char* what) {
  int error = platform::LastSocketError();
  SetError(std::string(what) + ": " +
           (platform::IsTimeoutError(error) ? std::string("the data connection went silent")
                                            : platform::ErrorText(error)));
}

std::int32_t CFtpFunction::TransferRate(std::uint64_t startTick, std::uint64_t nowTick,
                                        std::int64_t total) {
  if (startTick >= nowTick) return 0;
  std::int64_t elapsed = static_cast<std::int64_t>(nowTick - startTick);
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  if (total <= 0) return 0;
  // Faster than 2 GB/s does not fit the 32-bit value: it saturates, never wraps.
  if (total / elapsed > kMax / 1000) return static_cast<std::int32_t>(kMax);
  std::int64_t rate = total <= std::numeric_limits<std::int64_t>::max() / 1000
                          ? total * 1000 / elapsed
                          : total / elapsed * 1000;
  return static_cast<std::int32_t>(rate > kMax ? kMax : rate);
}

bool CFtpFunction::ReceiveFile(platform::SocketHandle data, platform::File& file,
                               std::int64_t expectedSize) {
  DataSocketOwner connection(*this, data);
  // A cancel or stop that came before the connection was published.
  if (cancelRequested.load() || stopRequested.load()) platform::ShutdownSocket(data);
  const std::uint64_t start = platform::TickMs();
  auto buffer = std::make_unique_for_overwrite<char[]>(kReceiveBlock);
  std::int64_t total = 0;
  bool receiveFailed = false;
  bool writeFailed = false;
  bool ended = false;
  ProgressThrottle throttle;

  while (!ended) {
    // Fill a whole block before writing it: one large write per block.
    std::size_t filled = 0;
    while (filled < kReceiveBlock) {
      long n = platform::ReceiveBytes(data, buffer.get() + filled, kReceiveBlock - filled);
      if (n <= 0) {
        receiveFailed = n < 0;
        if (receiveFailed) NoteDataError("the download broke off");
        ended = true;
        break;
      }
      filled += static_cast<std::size_t>(n);
      total += n;
      if (throttle.Due()) PostProgress(progressWindow, total, expectedSize, start);
    }
    if (filled > 0 && !file.Write(buffer.get(), filled)) {
      FormatMessage(" error while writing the local file!");
      SetError("can't write the local file: " + platform::ErrorText(platform::LastSystemError()));
      writeFailed = true;
      break;
    }
  }
  if (total > 0) PostProgress(progressWindow, total, expectedSize, start);
  // A cancel or stop shuts the connection down, which looks like its end.
  if (cancelRequested.load() || stopRequested.load()) {
    receiveFailed = true;
    SetError(stopRequested.load() ? "stopped" : "cancelled");
  }

  connection.Close();
  // A file that could not be stored whole is a failed transfer, whatever the server says.
  return !receiveFailed && !writeFailed;
}

bool CFtpFunction::SendFile(platform::SocketHandle data, platform::File& file) {
  DataSocketOwner connection(*this, data);
  // A cancel or stop that came before the connection was published.
  if (cancelRequested.load() || stopRequested.load()) platform::ShutdownSocket(data);
  const std::uint64_t start = platform::TickMs();
  const std::int64_t fileSize = file.Size();
  auto buffer = std::make_unique_for_overwrite<char[]>(kSendBlock);
  std::int64_t total = 0;
  bool sendFailed = false;
  bool readFailed = false;
  ProgressThrottle throttle;

  for (;;) {
    long long got = file.Read(buffer.get(), kSendBlock);
    if (got <= 0) {
      readFailed = got < 0;
      break;
    }
    std::size_t sent = 0;
    while (sent < static_cast<std::size_t>(got)) {
      long n = platform::SendBytes(data, buffer.get() + sent, static_cast<std::size_t>(got) - sent);
      if (n <= 0) {
        sendFailed = n < 0;
        if (sendFailed) NoteDataError("the upload broke off");
        break;
      }
      sent += static_cast<std::size_t>(n);
    }
    if (sent < static_cast<std::size_t>(got)) break;
    total += got;
    if (throttle.Due()) PostProgress(progressWindow, total, fileSize, start);
  }
  if (total > 0) PostProgress(progressWindow, total, fileSize, start);
  if (cancelRequested.load() || stopRequested.load()) {
    sendFailed = true;
    SetError(stopRequested.load() ? "stopped" : "cancelled");
  }
  if (readFailed) {
    FormatMessage(" error while reading the local file!");
    SetError("can't read the local file: " + platform::ErrorText(platform::LastSystemError()));
  }

  // Closing the connection ends the file for the server, which then replies.
  connection.Close();
  return !sendFailed && !readFailed;
}
