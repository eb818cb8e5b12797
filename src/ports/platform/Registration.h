// SPDX-License-Identifier: MIT
#pragma once
// An owning handle for anything registered with the platform (monitors,
// observers, timers, taps). Destroying or resetting it unregisters.

#include <functional>
#include <utility>

namespace brisquel {

class [[nodiscard]] Registration {
 public:
  Registration() = default;
  explicit Registration(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;
  Registration(Registration&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
  Registration& operator=(Registration&& other) noexcept {
    if (this != &other) {
      reset();
      cancel_ = std::exchange(other.cancel_, nullptr);
    }
    return *this;
  }
  ~Registration() { reset(); }

  void reset() {
    if (auto cancel = std::exchange(cancel_, nullptr)) cancel();
  }
  explicit operator bool() const { return static_cast<bool>(cancel_); }

 private:
  std::function<void()> cancel_;
};

}  // namespace brisquel
