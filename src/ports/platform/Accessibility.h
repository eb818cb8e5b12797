// SPDX-License-Identifier: MIT
#pragma once
// The accessibility service: whether the program may watch keys and fields,
// and which process owns the focus. The focused text field itself is
// TextFieldPort's.

#include <cstdint>
#include <optional>

namespace brisquel {

class AccessibilityPort {
 public:
  virtual ~AccessibilityPort() = default;

  // Trust query; prompt=true may make the system ask the user.
  virtual bool isProcessTrusted(bool prompt) = 0;

  // The process that owns the focused element, when the platform names it.
  virtual std::optional<std::int64_t> focusedProcess() = 0;
};

}  // namespace brisquel
