// SPDX-License-Identifier: MIT
#pragma once
// What the fcitx5 adapters share: the instance, the input context that has
// the keyboard, and whether the program has changed that context's text
// while the current key is being decided.

#include <fcitx-utils/trackableobject.h>
#include <fcitx/inputcontext.h>
#include <fcitx/instance.h>

#include <chrono>
#include <string>

#include "base/KeyPath.h"

namespace brisquel::fcitx5 {

struct Session {
  explicit Session(fcitx::Instance& host) : instance(host) {}

  // What a context's client is: fixed when the context is made, asked on
  // every key, and so looked up once for the focused context.
  struct Client {
    bool dbus = false;            // fcitx5's own D-Bus frontend (GTK and Qt modules)
    bool ibus = false;            // the ibus-compatible frontend (Chromium, Electron)
    bool listedTerminal = false;  // a terminal program, by name
  };
  static Client clientOf(const fcitx::InputContext& ic);
  Client client(const fcitx::InputContext& ic) const { return &ic == focus.get() ? focusClient_ : clientOf(ic); }

  fcitx::Instance& instance;
  fcitx::TrackableObjectReference<fcitx::InputContext> focus;
  bool sawInputContext = false;
  // Set by the focused-text adapter while a key is being decided, read by the keyboard.
  bool editedDuringKey = false;
  // Set once the program has ended its work: the host then only passes keys on.
  bool stopped = false;
  // fcitx5's own work that the program sets off (switching input methods,
  // messages to the applications), timed apart so that a key's cost shows
  // how much of it is the host's.
  std::chrono::steady_clock::duration hostTime{};
  class HostWork {
   public:
    explicit HostWork(Session& session) : session_(session), outermost_(session.hostDepth_++ == 0) {}
    ~HostWork() {
      --session_.hostDepth_;
      if (outermost_) session_.hostTime += std::chrono::steady_clock::now() - start_;
    }
    HostWork(const HostWork&) = delete;
    HostWork& operator=(const HostWork&) = delete;

   private:
    Session& session_;
    const bool outermost_;  // what fcitx5 calls back meanwhile is counted once
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  };

  // The context that has the keyboard, or null.
  fcitx::InputContext* focused() const {
    if (auto* ic = focus.get(); ic && ic->hasFocus()) return ic;
    return nullptr;
  }
  void setFocus(fcitx::InputContext* ic) {
    if (focus.get() != ic) {  // on every key: mostly the same context
      focus = ic->watch();
      focusClient_ = clientOf(*ic);
    }
    sawInputContext = true;
  }
  static bool isSecure(const fcitx::InputContext& ic) {
    return ic.capabilityFlags().testAny(fcitx::CapabilityFlag::PasswordOrSensitive);
  }

 private:
  Client focusClient_;
  int hostDepth_ = 0;
  keypath::KeptWarm keptWarm_{this, sizeof(*this)};  // read at every key
};

}  // namespace brisquel::fcitx5
