// SPDX-License-Identifier: MIT
#pragma once
// The layout-switch hotkey: Shift plus a chosen second modifier (or any of
// them), switching to the next layout when the combination is released.
// A global flags-changed monitor only observes; an ordinary key pressed
// while the combination is held cancels the switch (the edit tap, which
// sees every key-down, clears modifiersPressed).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "layouts/InputSources.h"
#include "platform/KeyEvents.h"
#include "platform/Registration.h"

namespace brisquel {

class SettingsHelper;

class LayoutHotkey : public std::enable_shared_from_this<LayoutHotkey> {
 public:
  // The modifier that, together with Shift, forms switching method 0, 1, 2, 3.
  static constexpr std::array<std::uint64_t, 4> arrayLangHotKeys = {Flags::Fn, Flags::Option, Flags::Control,
                                                                    Flags::Command};
  // Shift together with any one or more of the four.
  static constexpr int kAnyModifierMethod = 4;
  static constexpr int kMethodCount = 5;

  // Whether the switching method's combination is held in these flags; none
  // for an index that names no method.
  static std::optional<bool> isCombinationHeld(int method, std::uint64_t flags);

  // isAccessibilityTrusted: the owner's belief; the handler is inert while it is false.
  static std::shared_ptr<LayoutHotkey> create(KeyboardPort& keyboard, InputSources inputSources,
                                              SettingsHelper& settings, std::function<bool()> isAccessibilityTrusted);

  // Reads the chosen method once and installs the monitor carrying it.
  void initLanSwitchEventMonitor();
  void deinitLangEventMonitor();
  bool hasLangEventMonitor() const { return static_cast<bool>(langEventMonitor_); }

  // Stores the chosen method and reinstalls the monitor so that it takes
  // effect at the next key press (whether or not the process is trusted).
  void applicationChangeHotkey(int tag);

  bool modifiersPressed() const { return modifiersPressed_; }
  // Any ordinary key-down cancels an armed combination (false).
  void setModifiersPressed(bool pressed) { modifiersPressed_ = pressed; }

 private:
  LayoutHotkey(KeyboardPort& keyboard, InputSources inputSources, SettingsHelper& settings,
               std::function<bool()> isAccessibilityTrusted);
  void handleFlagsChanged(int method, std::uint64_t flags);

  KeyboardPort* keyboard_;
  InputSources inputSources_;
  SettingsHelper* settings_;
  std::function<bool()> isAccessibilityTrusted_;
  Registration langEventMonitor_;
  bool modifiersPressed_ = false;
};

}  // namespace brisquel
