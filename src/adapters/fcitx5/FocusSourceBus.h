// SPDX-License-Identifier: MIT
#pragma once
// The host's answer to "who names the focused application besides fcitx5"
// on fcitx5's session bus (see HostInterface.h), for `brisquel status`.

#include <fcitx/instance.h>

#include <functional>
#include <memory>
#include <string>

namespace brisquel::fcitx5 {

class FocusSourceBus {
 public:
  FocusSourceBus(fcitx::Instance& instance, std::function<std::string()> source);
  ~FocusSourceBus();
  FocusSourceBus(const FocusSourceBus&) = delete;
  FocusSourceBus& operator=(const FocusSourceBus&) = delete;

 private:
  class Object;
  std::unique_ptr<Object> object_;
};

}  // namespace brisquel::fcitx5
