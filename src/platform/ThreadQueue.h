// A worker thread's message queue: any thread posts, the worker takes.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/Message.h"

namespace platform {

class ThreadMessageQueue {
 public:
  // False once the queue is closed (its thread has ended); the message is dropped.
  bool Post(Message message);
  // Takes the next message without waiting.
  std::optional<Message> Peek();
  // Takes the next message, waiting at most `timeoutMs` (negative: no limit).
  std::optional<Message> Wait(int timeoutMs);
  // Opens the queue for a new thread, dropping anything left.
  void Open();
  // Refuses further posts and drops what is queued.
  void Close();
  bool IsOpen();

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Message> messages_;
  bool open_ = false;
};

}  // namespace platform
