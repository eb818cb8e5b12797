// SPDX-License-Identifier: MIT
#pragma once
// Who names the focused application besides fcitx5, on fcitx5's session bus
// (see HostInterface.h): the answer for `brisquel status`, and the method
// through which the GNOME Shell extension and the KWin script tell the
// focused window's application.

#include <fcitx/instance.h>

#include <functional>
#include <memory>
#include <string>

namespace brisquel::fcitx5 {

class FocusSourceBus {
 public:
  using Told = std::function<void(const std::string& source, const std::string& appId)>;
  FocusSourceBus(fcitx::Instance& instance, std::function<std::string()> source, Told told);
  ~FocusSourceBus();
  FocusSourceBus(const FocusSourceBus&) = delete;
  FocusSourceBus& operator=(const FocusSourceBus&) = delete;

 private:
  class Object;
  std::unique_ptr<Object> object_;
};

}  // namespace brisquel::fcitx5
