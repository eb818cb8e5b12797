// SPDX-License-Identifier: MIT
#pragma once
// The program's view of the keyboard input sources: which layouts the user
// switches between, the current layout's code, and selecting a layout.
// Nothing is cached: every call asks the platform afresh.

#include <optional>
#include <string>
#include <vector>

#include "platform/InputSources.h"

namespace brisquel {

class InputSources {
 public:
  // The port must outlive this object and every action made from it.
  explicit InputSources(InputSourcePort& port) : port_(&port) {}

  // Enabled, select-capable keyboard sources, in the system's order.
  std::vector<InputSourceRef> getActiveLayouts() const;

  // Two upper-case letters for the indicator ("EN", "RU", "UK", "UA", ...).
  std::string getCurrentLanguageCode() const;

  // The identifier of the current source, if it has one.
  std::optional<std::string> currentInputSourceID() const;

  void switchToInputSourceByID(const std::string& id) const;
  void switchToNextLayout() const;
  void switchToLayout(const std::string& language) const;

 private:
  InputSourcePort* port_;
};

}  // namespace brisquel
