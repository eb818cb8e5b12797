// SPDX-License-Identifier: MIT
#pragma once
// Keyboard events, taps, posting and global monitors.
//
// An event tap sees every key-down, key-up and flags-changed event before any
// application and decides to pass, replace or drop it. Platforms where an
// ordinary key reaches the application before the program sees it (X11) must
// bridge a "drop" themselves, for example by grabbing the few combinations the
// program swallows and by undoing a delivered character; the core only states
// its decision.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Registration.h"

namespace brisquel {

enum class EventType : std::uint32_t {
  KeyDown = 10,
  KeyUp = 11,
  FlagsChanged = 12,
  TapDisabledByTimeout = 0xFFFFFFFEu,
  TapDisabledByUserInput = 0xFFFFFFFFu,
};

inline bool isTapDisabledType(EventType t) {
  return t == EventType::TapDisabledByTimeout || t == EventType::TapDisabledByUserInput;
}

namespace Flags {
inline constexpr std::uint64_t CapsLock = 0x10000;  // set while Caps Lock is on, with every key
inline constexpr std::uint64_t Shift = 0x20000;
inline constexpr std::uint64_t Control = 0x40000;
inline constexpr std::uint64_t Option = 0x80000;
inline constexpr std::uint64_t Command = 0x100000;
inline constexpr std::uint64_t Fn = 0x800000;
inline constexpr std::uint64_t ModifierMask = Shift | Control | Option | Command | Fn;
}  // namespace Flags

// The mask bit of an event type a tap listens to (none for the tap's own notices).
constexpr std::uint64_t eventMaskBit(EventType type) {
  const auto bit = static_cast<std::uint32_t>(type);
  return bit < 64 ? std::uint64_t{1} << bit : 0;
}
inline constexpr std::uint64_t kKeyEventsMask =
    eventMaskBit(EventType::KeyDown) | eventMaskBit(EventType::KeyUp) | eventMaskBit(EventType::FlagsChanged);

// Written into the user-data field of every event the program posts; taps
// recognise the program's own events by it, never by timing. A platform that
// has no such field carries the mark some other way.
inline constexpr std::int64_t syntheticEventMarker = 0xDEADBEEF;

struct KeyEvent {
  EventType type = EventType::KeyDown;
  std::uint16_t keyCode = 0;  // virtual key code, US positions
  std::uint64_t flags = 0;
  std::optional<std::u16string> characters;
  std::optional<std::u16string> charactersIgnoringModifiers;
  bool autoRepeat = false;
  std::int64_t userData = 0;  // the event-source user-data field (42)
};

// What a tap callback answers: the event to deliver (possibly a replacement),
// or nothing to drop it.
using TapCallback = std::function<std::optional<KeyEvent>(EventType, const KeyEvent&)>;

class EventTap {
 public:
  virtual ~EventTap() = default;  // destroying the tap removes it from the main loop
  virtual void setEnabled(bool enabled) = 0;
  virtual bool isEnabled() const = 0;
};

// Why the caret moved without typing: whatever was typed before is no longer
// right before it.
enum class CaretMove {
  Click,             // a mouse button went down
  FocusChanged,      // another field (or application) took the keys
  InputMethodReset,  // the application reset its input method (toolkits do so on a click)
};

class KeyboardPort {
 public:
  virtual ~KeyboardPort() = default;

  // Head-inserted, active tap for the given event mask at the HID location.
  // Returns nullptr when the process may not observe input.
  [[nodiscard]] virtual std::unique_ptr<EventTap> createEventTap(std::uint64_t eventMask, TapCallback callback) = 0;

  // Observing only, on the main thread: every flags-changed event.
  [[nodiscard]] virtual Registration observeModifiers(std::function<void(const KeyEvent&)> handler) = 0;
  // Observing only, on the main thread.
  [[nodiscard]] virtual Registration observeCaretMoves(std::function<void(CaretMove)> handler) = 0;

  // A keyboard event from the HID-system state source, or none (the press is then skipped).
  virtual std::optional<KeyEvent> createKeyboardEvent(std::uint16_t keyCode, bool keyDown) = 0;

  // Posts at the HID location; the event passes through the program's own tap again.
  virtual void post(const KeyEvent& event) = 0;
};

}  // namespace brisquel
