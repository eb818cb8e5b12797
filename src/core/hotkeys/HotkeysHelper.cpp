// SPDX-License-Identifier: MIT
#include "hotkeys/HotkeysHelper.h"

#include <algorithm>

#include "base/KeyCodes.h"
#include "base/KeyPath.h"
#include "base/Text.h"
#include "layouts/AppSwitchObserver.h"
#include "layouts/LayoutHotkey.h"
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel {
namespace {

bool isLineEditingKey(std::uint16_t keyCode) {
  // Control+A/E/B/F/L move or redraw in a shell: the Control version goes first.
  switch (keyCode) {
    case KeyCode::ANSI_A:
    case KeyCode::ANSI_F:
    case KeyCode::ANSI_B:
    case KeyCode::ANSI_E:
    case KeyCode::ANSI_L:
      return true;
    default:
      return false;
  }
}

bool groupContains(EditHotKeys member, const std::string& character) {
  const auto* group = editHotkeysGroup(member.rawValue);
  return group && std::find(group->begin(), group->end(), character) != group->end();
}

}  // namespace

std::shared_ptr<HotkeysHelper> HotkeysHelper::create(HotkeysPorts ports, SettingsHelper& settings,
                                                     std::shared_ptr<TypoDetector> typoDetector,
                                                     InputSources inputSources, LayoutHotkey& layoutHotkey,
                                                     const AppSwitchObserver& appSwitch, TapPermission permission) {
  return std::make_shared<HotkeysHelper>(ports, settings, std::move(typoDetector), inputSources, layoutHotkey,
                                         appSwitch, std::move(permission));
}

HotkeysHelper::HotkeysHelper(HotkeysPorts ports, SettingsHelper& settings, std::shared_ptr<TypoDetector> typoDetector,
                             InputSources inputSources, LayoutHotkey& layoutHotkey,
                             const AppSwitchObserver& appSwitch, TapPermission permission)
    : ports_(ports),
      settings_(settings),
      typoDetector_(std::move(typoDetector)),
      inputSources_(inputSources),
      layoutHotkey_(layoutHotkey),
      appSwitch_(appSwitch),
      permission_(std::move(permission)) {}

void HotkeysHelper::initWinEditEventMonitor() {
  enabledEditKeysValues_ = enabledEditKeysValuesFor(editKeysState_);

  std::weak_ptr<HotkeysHelper> weak = weak_from_this();
  eventTap_ = ports_.keyboard.createEventTap(
      eventMask, [weak](EventType type, const KeyEvent& event) -> std::optional<KeyEvent> {
        auto self = weak.lock();
        if (isTapDisabledType(type)) {
          if (self && self->permission_.tapDisabled) self->permission_.tapDisabled();
          return event;
        }
        if (!self) return event;
        return self->handleEditEvent(event, type);
      });
  if (eventTap_) {
    eventTap_->setEnabled(true);
  } else {
    scheduleRetry();
  }
  installCaretMonitor();
}

void HotkeysHelper::scheduleRetry() {
  std::weak_ptr<HotkeysHelper> weak = weak_from_this();
  ports_.mainQueue.asyncAfter(tapRetryDelay, [weak] {
    auto self = weak.lock();
    if (!self || self->eventTap_) return;
    // The one query that lets the system show its permission prompt.
    if (self->ports_.accessibility.isProcessTrusted(true)) self->initWinEditEventMonitor();
  });
}

void HotkeysHelper::installCaretMonitor() {
  // Replacing the handle removes a monitor left by an earlier attempt.
  std::weak_ptr<HotkeysHelper> weak = weak_from_this();
  caretMonitor_ = ports_.keyboard.observeCaretMoves([weak](CaretMove) {
    auto self = weak.lock();
    if (!self || !self->typoDetector_) return;
    self->typoDetector_->cancelLoneOptionPress();
    // The word being typed is no longer the one before the caret.
    const auto front = self->ports_.workspace.frontmostApplication();
    const std::string bundle = front && front->bundleIdentifier ? *front->bundleIdentifier : std::string();
    if (bundle == "com.apple.Spotlight" || bundle == "com.apple.SpotlightSearch") return;
    self->typoDetector_->clearBuffer();
  });
}

void HotkeysHelper::deinitEditEventMonitor() {
  caretMonitor_.reset();
  if (eventTap_) eventTap_->setEnabled(false);
  eventTap_.reset();
}

void HotkeysHelper::disableEventTap() {
  if (eventTap_) eventTap_->setEnabled(false);
}

BRISQUEL_KEY_PATH const ChangeLayoutAction& HotkeysHelper::changeLayoutAction() {
  if (changeLayoutAction_) return changeLayoutAction_;
  std::weak_ptr<HotkeysHelper> weak = weak_from_this();
  return changeLayoutAction_ = [weak](const std::optional<std::string>& language) {
    auto self = weak.lock();
    if (!self) return;
    if (language) {
      self->inputSources_.switchToLayout(*language);
    } else {
      self->inputSources_.switchToNextLayout();
    }
  };
}

std::optional<RunningApplication> HotkeysHelper::focusedApplication() {
  const auto pid = ports_.accessibility.focusedProcess();
  if (!pid || *pid <= 0) return std::nullopt;
  // The frontmost application mostly owns the focus: asked first, it spares listing every application.
  if (auto front = ports_.workspace.frontmostApplication(); front && front->pid == *pid) return front;
  for (auto& app : ports_.workspace.runningApplications()) {
    if (app.pid == *pid) return std::move(app);
  }
  return std::nullopt;
}

BRISQUEL_KEY_PATH const ExclusionLists& HotkeysHelper::exclusionLists() {
  // Asked several times a key: with nothing stored since, not even the lists' pointers are fetched.
  const std::uint64_t change = settings_.changeCount();
  if (listsSeenChange_ == change) return exclusionLists_;
  listsSeenChange_ = change;
  auto apps = settings_.sharedIgnoredApps();
  auto rules = settings_.sharedIgnoredShortcutsApps();
  if (apps != parsedIgnoredApps_ || rules != parsedIgnoredShortcutsApps_) {
    exclusionLists_ = ExclusionLists(*apps, *rules);
    ++listsGeneration_;
    parsedIgnoredApps_ = std::move(apps);
    parsedIgnoredShortcutsApps_ = std::move(rules);
  }
  return exclusionLists_;
}

// Compared in place: the memo copies the identity only when it changed, not at every key.
BRISQUEL_KEY_PATH ExclusionMatch HotkeysHelper::matchFor(MatchMemo& memo,
                                                         const std::optional<std::string>& bundleIdentifier,
                                                         const std::optional<std::string>& name,
                                                         const std::optional<std::string>& path) {
  const bool same = memo.raw && memo.raw->bundleIdentifier == bundleIdentifier && memo.raw->name == name &&
                    memo.raw->path == path;
  if (!same || memo.listsGeneration != listsGeneration_) {
    memo.match = exclusionLists_.match(AppIdentity::from(bundleIdentifier, name, path));
    memo.raw = RawIdentity{bundleIdentifier, name, path};
    memo.listsGeneration = listsGeneration_;
  }
  return memo.match;
}

BRISQUEL_KEY_PATH ShortcutExclusion HotkeysHelper::evaluateExclusion() {
  exclusionLists();  // brought up to date once: the matches point into it
  // Compared only when the observer has set them again.
  if (lastActiveSeenChange_ != appSwitch_.lastActiveChanges() || lastActiveMemo_.listsGeneration != listsGeneration_) {
    matchFor(lastActiveMemo_, appSwitch_.lastActiveBundleID(), appSwitch_.lastActiveAppName(),
             appSwitch_.lastActiveAppPath());
    lastActiveSeenChange_ = appSwitch_.lastActiveChanges();
  }
  const ExclusionMatch& lastActive = lastActiveMemo_.match;
  return confirmShortcutExclusion(lastActive, [this]() -> std::optional<ExclusionMatch> {
    auto app = focusedApplication();
    if (!app) return std::nullopt;
    return matchFor(focusedMemo_, app->bundleIdentifier, app->localizedName, app->bundlePath);
  });
}

bool HotkeysHelper::isTerminalOrEditor() {
  return exclusionLists().isTerminalOrEditor(ports_.workspace.frontmostApplication());
}

bool HotkeysHelper::matchesAnyTerminalSmartRule(const std::optional<RunningApplication>& frontmost) {
  const std::string bundle = frontmost && frontmost->bundleIdentifier ? text::toLower(*frontmost->bundleIdentifier) : "";
  const std::string name = frontmost && frontmost->localizedName ? text::toLower(*frontmost->localizedName) : "";
  return exclusionLists().matchesAnyTerminalSmartRule(bundle, name);
}

BRISQUEL_KEY_PATH std::optional<KeyEvent> HotkeysHelper::handleEditEvent(const KeyEvent& event, EventType type) {
  if (event.userData == syntheticEventMarker) return event;

  // A release only ends a key translated at its press: the exclusions and the
  // detector had their say at the press, in the same application. It is
  // decided before the permission is asked (half of all keys are releases),
  // and a key translated at its press is released translated even if the
  // permission went meanwhile: the application never keeps a key held down.
  if (type == EventType::KeyUp) {
    auto it = activeTranslatedKeycodes_.find(event.keyCode);
    if (it == activeTranslatedKeycodes_.end()) return event;
    if (!isCtrlHoldWithoutOtherKeys_) {
      auto flagsIt = activeTranslatedFlags_.find(event.keyCode);
      postKey(it->second, false, flagsIt != activeTranslatedFlags_.end() ? flagsIt->second : event.flags);
    }
    activeTranslatedKeycodes_.erase(event.keyCode);
    activeTranslatedFlags_.erase(event.keyCode);
    return std::nullopt;
  }

  if (permission_.isTrusted && !permission_.isTrusted()) return event;
  if (!ports_.accessibility.isProcessTrusted(false)) {
    if (permission_.recheck) permission_.recheck();
    return event;
  }

  if (type == EventType::KeyDown) {
    isCtrlHoldWithoutOtherKeys_ = false;
    layoutHotkey_.setModifiersPressed(false);
  }

  const ShortcutExclusion exclusion = evaluateExclusion();

  if (typoDetector_ && settings_.isTypoDetectorEnabled()) {
    if (exclusion.isIgnoredApp) {
      typoDetector_->clearBuffer();
    } else if (type == EventType::KeyDown || type == EventType::FlagsChanged) {
      if (typoDetector_->process(event, changeLayoutAction())) return std::nullopt;
    }
  }

  if (type != EventType::KeyDown) return event;

  const std::uint16_t keyCode = event.keyCode;
  const std::uint64_t flags = event.flags;
  const bool controlDown = flags & Flags::Control;
  const bool fnDown = flags & Flags::Fn;
  const bool commandDown = flags & Flags::Command;
  const bool ctrlEnabled = settings_.isCtrlShortcutEnabled();
  const bool fnEnabled = settings_.isFnShortcutEnabled();

  if (editKeysState_.contains(EditHotKeys::activityMonitor)) {
    const bool modifier = (ctrlEnabled && controlDown) || (fnEnabled && fnDown);
    const bool second = (flags & Flags::Option) || commandDown;
    if (modifier && second && (keyCode == KeyCode::ForwardDelete || keyCode == KeyCode::Delete)) {
      ports_.workspace.open(DesktopPlace::TaskManager);
      return std::nullopt;
    }
  }

  if (exclusion.ignoredRules && exclusion.ignoredRules->empty()) return event;

  const bool isCtrlActive = ctrlEnabled && controlDown && !commandDown;
  const bool isFnActive = fnEnabled && fnDown && !commandDown;
  if (!isCtrlActive && !isFnActive) return event;

  // A key without characters counts as "/", the Quit group's Hebrew character.
  // Named only here: most keys carry neither modifier and end above.
  const auto& chars = event.charactersIgnoringModifiers;
  const std::string character = chars && !chars->empty() ? text::toUtf8(text::toLower(*chars)) : std::string("/");

  if (exclusion.ignoredRules && isCharIgnored(character, *exclusion.ignoredRules, isFnActive, isCtrlActive)) {
    return event;
  }

  // Only the modifier that stands for Command goes; Shift, Option and the other stay.
  const std::uint64_t baseFlags = flags & ~(isFnActive ? Flags::Fn : Flags::Control);
  const std::uint64_t commandFlags = baseFlags | Flags::Command;

  if (settings_.isQuitClosesWindowsEnabled() && groupContains(EditHotKeys::quit, character)) {
    const auto front = ports_.workspace.frontmostApplication();
    if (front && front->keepsRunning) {
      // Finder cannot quit: Command+W closes its window instead.
      // No recorded flags: the replacing key-up carries those of the incoming key-up.
      activeTranslatedKeycodes_[keyCode] = KeyCode::ANSI_W;
      activeTranslatedFlags_.erase(keyCode);
      KeyEvent altered = event;
      altered.flags = commandFlags;
      altered.keyCode = KeyCode::ANSI_W;
      return altered;
    }
  }

  if (std::find(enabledEditKeysValues_.begin(), enabledEditKeysValues_.end(), character) ==
      enabledEditKeysValues_.end()) {
    return event;
  }

  std::uint16_t targetKeyCode = keyCode;
  std::uint64_t targetFlags = commandFlags;
  if (groupContains(EditHotKeys::redo, character)) {
    targetKeyCode = KeyCode::ANSI_Z;
    targetFlags = baseFlags | Flags::Command | Flags::Shift;
  }

  if (!event.autoRepeat && isTerminalOrEditor()) {
    terminalTranslation(event, targetKeyCode, targetFlags);
  } else {
    plainTranslation(keyCode, targetKeyCode, targetFlags);
  }
  return std::nullopt;
}

void HotkeysHelper::plainTranslation(std::uint16_t incomingKeyCode, std::uint16_t keyCode, std::uint64_t flags) {
  activeTranslatedKeycodes_[incomingKeyCode] = keyCode;
  activeTranslatedFlags_[incomingKeyCode] = flags;
  postKey(keyCode, true, flags);
}

void HotkeysHelper::terminalTranslation(const KeyEvent& event, std::uint16_t targetKeyCode, std::uint64_t targetFlags) {
  const auto front = ports_.workspace.frontmostApplication();
  const std::string bundle = front && front->bundleIdentifier ? text::toLower(*front->bundleIdentifier) : "";
  const bool isNotSmart = !isSmartTerminal(bundle);
  const bool ruleHit = matchesAnyTerminalSmartRule(front);
  const bool copyOrPaste = targetKeyCode == KeyCode::ANSI_C || targetKeyCode == KeyCode::ANSI_V;

  bool commandOnly = false;
  if (ruleHit) {
    commandOnly = copyOrPaste;
  } else {
    // Pasting must never send Control+V; smart terminals copy without interrupting.
    commandOnly = targetKeyCode == KeyCode::ANSI_V || (targetKeyCode == KeyCode::ANSI_C && !isNotSmart);
  }
  if (commandOnly) {
    plainTranslation(event.keyCode, targetKeyCode, targetFlags);
    return;
  }

  const std::uint64_t controlFlags = (event.flags & ~(Flags::Fn | Flags::Control)) | Flags::Control;
  if (isLineEditingKey(targetKeyCode)) {
    scheduleKeyTap(targetKeyCode, targetFlags);
    plainTranslation(event.keyCode, event.keyCode, controlFlags);
  } else {
    scheduleKeyTap(event.keyCode, controlFlags);
    plainTranslation(event.keyCode, targetKeyCode, targetFlags);
  }
}

void HotkeysHelper::scheduleKeyTap(std::uint16_t keyCode, std::uint64_t flags) {
  std::weak_ptr<HotkeysHelper> weak = weak_from_this();
  ports_.mainQueue.asyncAfter(translationDelay, [weak, keyCode, flags] {
    if (auto self = weak.lock()) self->postKeyTap(keyCode, flags);
  });
}

void HotkeysHelper::postKeyTap(std::uint16_t keyCode, std::uint64_t flags) {
  postKey(keyCode, true, flags);
  postKey(keyCode, false, flags);
}

bool HotkeysHelper::postKey(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) {
  auto created = ports_.keyboard.createKeyboardEvent(keyCode, keyDown);
  if (!created) return false;
  created->flags = flags;
  created->userData = syntheticEventMarker;
  ports_.keyboard.post(*created);
  return true;
}

}  // namespace brisquel
