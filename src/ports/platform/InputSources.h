// SPDX-License-Identifier: MIT
#pragma once
// Keyboard input sources (layouts). Properties may be missing on a source;
// the core treats a missing property as "matches nothing".

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registration.h"

namespace brisquel {

inline constexpr const char* kKeyboardInputSourceCategory = "TISCategoryKeyboardInputSource";

struct InputSource {
  std::optional<std::string> category;
  std::optional<bool> selectCapable;  // none when missing or not a Boolean
  std::optional<std::string> id;
  std::optional<std::vector<std::string>> languages;  // most important first
};

using InputSourceRef = std::shared_ptr<const InputSource>;

// What one key gives at one level: its text, or, for a dead key, nothing
// until the next key (deadKey names it, as "dead_acute").
struct KeyOutput {
  std::u16string text;
  std::string deadKey;
};

struct KeyboardKey {
  std::uint16_t keyCode = 0;  // US-position virtual key code, as key events carry it (base/KeyCodes.h)
  KeyOutput levels[2];        // plain, Shift
};

// A dead key followed by a key that gives base types result ("dead_acute" +
// "ε" -> "έ"; + " " gives the spacing accent).
struct DeadKeyComposition {
  std::string deadKey;
  std::u16string base;
  std::u16string result;
};

// What the keys of a keyboard layout produce, as the layout itself says.
struct KeyboardTable {
  std::vector<KeyboardKey> keys;
  std::vector<DeadKeyComposition> compositions;
};

class InputSourcePort {
 public:
  virtual ~InputSourcePort() = default;
  // Currently enabled sources (not all installed ones), in the system's order.
  virtual std::vector<InputSourceRef> enabledInputSources() = 0;
  // Changes whenever the enabled sources (or their key tables) may have
  // changed, so that what a caller made of them can be kept until then;
  // 0 where the platform cannot tell: ask enabledInputSources() every time.
  virtual std::uint64_t enabledSourcesVersion() { return 0; }
  // The selected keyboard input source, or null.
  virtual InputSourceRef currentKeyboardInputSource() = 0;
  // Makes the source current; the outcome is not reported.
  virtual void select(const InputSourceRef& source) = 0;
  // Called on the main thread whenever the selected source changes.
  virtual Registration observeSelectedSourceChanged(std::function<void()> handler) = 0;
  // The key table of an enabled keyboard source, where the platform can read
  // one; none otherwise (conversions then use built-in maps). Asked again
  // whenever the enabled sources change, so it may be built on demand.
  virtual std::optional<KeyboardTable> keyboardTable(const InputSourceRef& source) {
    (void)source;
    return std::nullopt;
  }
};

}  // namespace brisquel
