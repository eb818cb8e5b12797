// SPDX-License-Identifier: MIT
#include "layouts/LayoutHotkey.h"

#include <utility>

#include "settings/SettingsHelper.h"

namespace brisquel {

std::optional<bool> LayoutHotkey::isCombinationHeld(int method, std::uint64_t flags) {
  const bool shift = (flags & Flags::Shift) != 0;
  if (method == kAnyModifierMethod) {
    return shift && (flags & (Flags::Fn | Flags::Option | Flags::Control | Flags::Command)) != 0;
  }
  if (method < 0 || method >= static_cast<int>(arrayLangHotKeys.size())) return std::nullopt;
  return shift && (flags & arrayLangHotKeys[static_cast<std::size_t>(method)]) != 0;
}

std::shared_ptr<LayoutHotkey> LayoutHotkey::create(KeyboardPort& keyboard, InputSources inputSources,
                                                   SettingsHelper& settings,
                                                   std::function<bool()> isAccessibilityTrusted) {
  return std::shared_ptr<LayoutHotkey>(
      new LayoutHotkey(keyboard, inputSources, settings, std::move(isAccessibilityTrusted)));
}

LayoutHotkey::LayoutHotkey(KeyboardPort& keyboard, InputSources inputSources, SettingsHelper& settings,
                           std::function<bool()> isAccessibilityTrusted)
    : keyboard_(&keyboard),
      inputSources_(inputSources),
      settings_(&settings),
      isAccessibilityTrusted_(std::move(isAccessibilityTrusted)) {}

void LayoutHotkey::initLanSwitchEventMonitor() {
  // A stored index outside 0-4 names no method, however large: no narrowing that could wrap it into one.
  const std::int64_t index = settings_->checkedHotKeyIndex();
  const int method = index >= 0 && index <= 4 ? static_cast<int>(index) : -1;
  std::weak_ptr<LayoutHotkey> weak = weak_from_this();
  langEventMonitor_ = keyboard_->observeModifiers([weak, method](const KeyEvent& event) {
    if (auto self = weak.lock()) self->handleFlagsChanged(method, event.flags);
  });
}

void LayoutHotkey::deinitLangEventMonitor() {
  langEventMonitor_.reset();
}

void LayoutHotkey::applicationChangeHotkey(int tag) {
  settings_->store().set(SettingsHelper::indexHotKey, static_cast<std::int64_t>(tag));
  deinitLangEventMonitor();
  initLanSwitchEventMonitor();
}

void LayoutHotkey::handleFlagsChanged(int method, std::uint64_t flags) {
  if (!isAccessibilityTrusted_ || !isAccessibilityTrusted_()) return;
  // A stored index that names no method (written by other means than the menu) switches nothing.
  const std::optional<bool> held = isCombinationHeld(method, flags);
  if (!held) return;
  if (*held) {
    modifiersPressed_ = true;
    return;
  }
  if (modifiersPressed_) {
    inputSources_.switchToNextLayout();
    modifiersPressed_ = false;
  }
}

}  // namespace brisquel
