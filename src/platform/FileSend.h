// Sending a file's bytes to a socket without copying them through the
// program (sendfile on Linux; TransmitFile would serve on Windows).
#pragma once

#include <cstddef>

#include "platform/Files.h"
#include "platform/Socket.h"

namespace platform {

struct FileSendResult {
  enum Status {
    Sent,         // `bytes` left the file's current position, which moved on
    EndOfFile,    // nothing left to send
    SendFailed,   // the connection failed or was shut down
    ReadFailed,   // the file could not be read
    Unsupported,  // this file can't be sent directly: read and send it instead
  };
  Status status = Unsupported;
  std::size_t bytes = 0;
};

// Sends up to `size` bytes from the file's current position.
FileSendResult SendFromFile(SocketHandle s, File& file, std::size_t size);

}  // namespace platform
