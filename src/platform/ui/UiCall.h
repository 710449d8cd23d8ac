// Runs a function on the user-interface thread for a worker and waits for its
// result: wx on GTK shows dialogs on that thread only. Release() answers
// every waiting and later call with its fallback, so that a worker blocked on
// a question never holds up shutdown; a dialog still open then has nobody to
// report to, and its answer is dropped.
#pragma once

#include <functional>
#include <memory>

namespace platform {

class UiCallGate {
 public:
  UiCallGate();
  ~UiCallGate();  // releases
  UiCallGate(const UiCallGate&) = delete;
  UiCallGate& operator=(const UiCallGate&) = delete;

  // Any thread. On the UI thread `fn` runs at once; elsewhere it is queued
  // to the UI thread and the caller waits. Returns `fallback` once released.
  int Run(std::function<int()> fn, int fallback);
  // Any thread.
  void Release();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace platform
