// Owns an accepted data connection for one listing or file and publishes it
// in the session, so that Cancel and Stop can shut it down from another
// thread. Unpublishes before it closes, so no other thread ever touches a
// closed (and possibly reused) handle.
#pragma once

#include "engine/FtpLib.h"

class DataSocketOwner {
 public:
  DataSocketOwner(CFtpLib& session, platform::SocketHandle s) : session_(session), socket_(s) {
    session_.SetDataSocket(s);
  }
  ~DataSocketOwner() { Close(); }
  DataSocketOwner(const DataSocketOwner&) = delete;
  DataSocketOwner& operator=(const DataSocketOwner&) = delete;

  void Close() {
    if (!socket_.Valid()) return;
    session_.SetDataSocket(platform::kInvalidSocket);
    socket_.Reset();
  }

 private:
  CFtpLib& session_;
  platform::Socket socket_;
};
