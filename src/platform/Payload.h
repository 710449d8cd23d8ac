// An owning, type-erased payload that travels with a posted message.
// The sender moves a value in; the receiver takes it out. No raw new/delete.
#pragma once

#include <memory>
#include <typeinfo>
#include <utility>

namespace platform {

class Payload {
 public:
  Payload() = default;
  Payload(Payload&&) noexcept = default;
  Payload& operator=(Payload&&) noexcept = default;

  template <class T>
  static Payload Of(T value) {
    Payload p;
    p.holder_ = std::make_unique<Holder<T>>(std::move(value));
    return p;
  }

  bool Empty() const { return holder_ == nullptr; }

  // The held value if it is a T, else null. The payload keeps ownership.
  template <class T>
  T* As() {
    if (!holder_ || holder_->Type() != typeid(T)) return nullptr;
    return &static_cast<Holder<T>*>(holder_.get())->value;
  }

  // Moves the held T out (a default T if the payload holds something else).
  template <class T>
  T Take() {
    T* v = As<T>();
    T out = v ? std::move(*v) : T{};
    holder_.reset();
    return out;
  }

 private:
  struct Base {
    virtual ~Base() = default;
    virtual const std::type_info& Type() const = 0;
  };
  template <class T>
  struct Holder final : Base {
    explicit Holder(T v) : value(std::move(v)) {}
    const std::type_info& Type() const override { return typeid(T); }
    T value;
  };
  std::unique_ptr<Base> holder_;
};

}  // namespace platform
