// SPDX-License-Identifier: MIT
#pragma once
// The keyboard path: one event tap that sees every key-down, key-up and
// flags-changed event before any application. It lets the program's own
// events through, hands typing to the typo detector, and turns Control+key
// (or Fn+key) into Command+key for the enabled edit shortcuts, with special
// cases for Redo, Finder, the task manager and terminals. A translated key
// press is swallowed and replaced; its key release is replaced too.
//
// Main thread only. Owned by the application delegate through a
// std::shared_ptr; delayed work holds it weakly.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/KeyPath.h"
#include "hotkeys/EditHotKeys.h"
#include "hotkeys/ExclusionRules.h"
#include "layouts/InputSources.h"
#include "platform/Platform.h"
#include "platform/Registration.h"
#include "typo/ChangeLayoutAction.h"

namespace brisquel {

class SettingsHelper;
class TypoDetector;

class AppSwitchObserver;
class LayoutHotkey;

// The ports the keyboard path uses.
struct HotkeysPorts {
  KeyboardPort& keyboard;
  AccessibilityPort& accessibility;
  WorkspacePort& workspace;
  MainQueuePort& mainQueue;
};

// What the tap reports to the program's permission handling.
struct TapPermission {
  // The program's belief that it holds the accessibility permission.
  std::function<bool()> isTrusted;
  // The system disabled the tap (time-out or user input).
  std::function<void()> tapDisabled;
  // Trust was answered false while believed: re-check off the main thread.
  std::function<void()> recheck;
};

class HotkeysHelper : public std::enable_shared_from_this<HotkeysHelper> {
 public:
  static constexpr std::uint64_t eventMask = kKeyEventsMask;
  // Delay of the second half of a terminal double send.
  static constexpr double translationDelay = 0.05;
  static constexpr double tapRetryDelay = 5.0;

  // The typo detector may be null (no typing correction). The ports, the
  // settings, the layout hotkey (every key-down disarms it) and the activation
  // observer (the last active application) must outlive the helper.
  static std::shared_ptr<HotkeysHelper> create(HotkeysPorts ports, SettingsHelper& settings,
                                               std::shared_ptr<TypoDetector> typoDetector, InputSources inputSources,
                                               LayoutHotkey& layoutHotkey, const AppSwitchObserver& appSwitch,
                                               TapPermission permission);

  // Installs the tap (or schedules the 5 s retry when it cannot be created)
  // and the caret monitor, with enabledEditKeysValues rebuilt.
  void initWinEditEventMonitor();
  // Removes the caret monitor and the tap.
  void deinitEditEventMonitor();

  // The tap's decision for one event: the event to deliver (itself or, for
  // Finder, an altered copy), or none to swallow it.
  std::optional<KeyEvent> handleEditEvent(const KeyEvent& event, EventType type);

  // Posts a marked key-down and key-up with the flags.
  void postKeyTap(std::uint16_t keyCode, std::uint64_t flags);

  // The enabled shortcuts; loaded from the settings by the menu and changed by
  // its actions. Takes effect at the next initWinEditEventMonitor().
  EditHotKeys editKeysState() const { return editKeysState_; }
  void setEditKeysState(EditHotKeys state) { editKeysState_ = state; }
  const std::vector<std::string>& enabledEditKeysValues() const { return enabledEditKeysValues_; }

  // The tap, for the owner's recovery (a disabled tap is never re-enabled).
  bool hasEventTap() const { return eventTap_ != nullptr; }
  void disableEventTap();
  bool hasCaretMonitor() const { return static_cast<bool>(caretMonitor_); }

  bool isCtrlHoldWithoutOtherKeys() const { return isCtrlHoldWithoutOtherKeys_; }
  const std::map<std::uint16_t, std::uint16_t>& activeTranslatedKeycodes() const { return activeTranslatedKeycodes_; }
  const std::map<std::uint16_t, std::uint64_t>& activeTranslatedFlags() const { return activeTranslatedFlags_; }

  // The exclusion lists evaluated for the application receiving the keys.
  ShortcutExclusion evaluateExclusion();
  // About the frontmost application.
  bool isTerminalOrEditor();

  HotkeysHelper(HotkeysPorts ports, SettingsHelper& settings, std::shared_ptr<TypoDetector> typoDetector,
                InputSources inputSources, LayoutHotkey& layoutHotkey, const AppSwitchObserver& appSwitch,
                TapPermission permission);  // use create()

 private:
  // The application that owns the focused element, if it can be found.
  std::optional<RunningApplication> focusedApplication();
  // The exclusion lists, parsed again only when the settings hold new ones.
  const ExclusionLists& exclusionLists();
  struct RawIdentity {
    std::optional<std::string> bundleIdentifier, name, path;
    friend bool operator==(const RawIdentity&, const RawIdentity&) = default;
  };
  // What the lists say about one application, kept until it or the lists change.
  struct MatchMemo {
    std::optional<RawIdentity> raw;
    std::uint64_t listsGeneration = 0;
    ExclusionMatch match;
  };
  ExclusionMatch matchFor(MatchMemo& memo, const std::optional<std::string>& bundleIdentifier,
                          const std::optional<std::string>& name, const std::optional<std::string>& path);
  // The closure handed to the typo detector.
  const ChangeLayoutAction& changeLayoutAction();
  bool matchesAnyTerminalSmartRule(const std::optional<RunningApplication>& frontmost);
  void plainTranslation(std::uint16_t incomingKeyCode, std::uint16_t keyCode, std::uint64_t flags);
  void terminalTranslation(const KeyEvent& event, std::uint16_t targetKeyCode, std::uint64_t targetFlags);
  void scheduleKeyTap(std::uint16_t keyCode, std::uint64_t flags);
  bool postKey(std::uint16_t keyCode, bool keyDown, std::uint64_t flags);
  void scheduleRetry();
  void installCaretMonitor();

  HotkeysPorts ports_;
  SettingsHelper& settings_;
  std::shared_ptr<TypoDetector> typoDetector_;
  InputSources inputSources_;
  LayoutHotkey& layoutHotkey_;
  const AppSwitchObserver& appSwitch_;
  TapPermission permission_;

  std::unique_ptr<EventTap> eventTap_;  // destroying it removes it from the main loop
  Registration caretMonitor_;
  std::vector<std::string> enabledEditKeysValues_;
  EditHotKeys editKeysState_;
  std::map<std::uint16_t, std::uint16_t> activeTranslatedKeycodes_;
  std::map<std::uint16_t, std::uint64_t> activeTranslatedFlags_;
  bool isCtrlHoldWithoutOtherKeys_ = true;

  std::shared_ptr<const std::vector<std::string>> parsedIgnoredApps_;
  std::shared_ptr<const std::vector<std::string>> parsedIgnoredShortcutsApps_;
  ExclusionLists exclusionLists_;
  std::uint64_t listsGeneration_ = 0;
  std::optional<std::uint64_t> listsSeenChange_;  // the settings' change count when the lists were last looked at
  MatchMemo lastActiveMemo_;
  std::optional<std::uint64_t> lastActiveSeenChange_;  // the observer's count when lastActiveMemo_ was checked
  MatchMemo focusedMemo_;
  ChangeLayoutAction changeLayoutAction_;  // made once: the detector gets it at every key
  keypath::KeptWarm keptWarm_{this, sizeof(*this)};  // read at every key
};

}  // namespace brisquel
