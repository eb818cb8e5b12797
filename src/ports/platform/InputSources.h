#pragma once
// Keyboard input sources (layouts). Properties may be missing on a source;
// the core treats a missing property as "matches nothing".

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

class InputSourcePort {
 public:
  virtual ~InputSourcePort() = default;
  // Currently enabled sources (not all installed ones), in the system's order.
  virtual std::vector<InputSourceRef> enabledInputSources() = 0;
  // The selected keyboard input source, or null.
  virtual InputSourceRef currentKeyboardInputSource() = 0;
  // Makes the source current; the outcome is not reported.
  virtual void select(const InputSourceRef& source) = 0;
  // Called on the main thread whenever the selected source changes.
  virtual Registration observeSelectedSourceChanged(std::function<void()> handler) = 0;
};

}  // namespace brisquel
