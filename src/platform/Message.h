// A posted message: number, two integer words and an owned payload.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Payload.h"

namespace platform {

struct Message {
  std::uint32_t id = 0;
  std::intptr_t wParam = 0;
  std::intptr_t lParam = 0;
  Payload payload;

  // The text payload, or empty text when the payload is not text.
  const std::string& Text() {
    static const std::string kEmpty;
    std::string* s = payload.As<std::string>();
    return s ? *s : kEmpty;
  }
};

inline Message MakeMessage(std::uint32_t id, std::intptr_t wParam = 0, std::intptr_t lParam = 0,
                           Payload payload = {}) {
  Message m;
  m.id = id;
  m.wParam = wParam;
  m.lParam = lParam;
  m.payload = std::move(payload);
  return m;
}

inline Message TextMessage(std::uint32_t id, std::string text) {
  return MakeMessage(id, 0, 0, Payload::Of(std::move(text)));
}

}  // namespace platform
