#include "platform/ui/UiCall.h"

#include <wx/app.h>
#include <wx/thread.h>

#include <condition_variable>
#include <mutex>
#include <optional>

namespace platform {

struct UiCallGate::State {
  std::mutex mutex;
  std::condition_variable changed;
  bool released = false;
};

namespace {
struct Call {
  std::optional<int> result;
};
}  // namespace

UiCallGate::UiCallGate() : state_(std::make_shared<State>()) {}

UiCallGate::~UiCallGate() { Release(); }

int UiCallGate::Run(std::function<int()> fn, int fallback) {
  if (wxIsMainThread()) {
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      if (state_->released) return fallback;
    }
    return fn();
  }
  auto state = state_;
  auto call = std::make_shared<Call>();
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->released || !wxTheApp) return fallback;
    // The queued function keeps the state and the call alive by itself.
    wxTheApp->CallAfter([state, call, fn = std::move(fn)] {
      {
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->released) return;
      }
      const int result = fn();
      {
        std::lock_guard<std::mutex> lock(state->mutex);
        call->result = result;
      }
      state->changed.notify_all();
    });
  }
  std::unique_lock<std::mutex> lock(state->mutex);
  state->changed.wait(lock, [&] { return state->released || call->result.has_value(); });
  return call->result.value_or(fallback);
}

void UiCallGate::Release() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->released = true;
  }
  state_->changed.notify_all();
}

}  // namespace platform
