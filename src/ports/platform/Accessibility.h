// SPDX-License-Identifier: MIT
#pragma once
// The accessibility service: process trust and the focused text element.
// Every call may fail (or time out, on platforms where elements are remote
// objects); callers treat anything but Success as failure and fall back.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace brisquel {

enum class AXError {
  Success,
  Failure,
  NoValue,
  AttributeUnsupported,
  CannotComplete,  // includes a messaging time-out
  NotTrusted,
};

// An opaque element; adapters keep their own object behind the handle.
struct AXElement {
  std::shared_ptr<const void> handle;
  explicit operator bool() const { return static_cast<bool>(handle); }
};

// A range in UTF-16 units.
struct TextRange {
  std::int64_t location = 0;
  std::int64_t length = 0;
  friend bool operator==(const TextRange&, const TextRange&) = default;
};

template <typename T>
struct AXResult {
  AXError error = AXError::Failure;
  std::optional<T> value;
  bool ok() const { return error == AXError::Success && value.has_value(); }
};

// The element's "AXValue": a string, or something else.
struct AXValue {
  std::optional<std::u16string> string;  // none when the value is not a string
};

class AccessibilityPort {
 public:
  virtual ~AccessibilityPort() = default;

  // Trust query; prompt=true may make the system ask the user.
  virtual bool isProcessTrusted(bool prompt) = 0;

  virtual AXElement systemWideElement() = 0;
  virtual AXElement applicationElement(std::int64_t pid) = 0;
  virtual void setMessagingTimeout(const AXElement& element, double seconds) = 0;

  virtual AXResult<AXElement> focusedElement(const AXElement& element) = 0;  // "AXFocusedUIElement"
  virtual AXResult<AXValue> value(const AXElement& element) = 0;              // "AXValue"
  virtual AXResult<TextRange> selectedRange(const AXElement& element) = 0;    // "AXSelectedTextRange"
  virtual std::optional<std::int64_t> pid(const AXElement& element) = 0;      // > 0 on success
  virtual AXResult<bool> isValueSettable(const AXElement& element) = 0;
  virtual AXError setValue(const AXElement& element, const std::u16string& value) = 0;
  virtual AXError setSelectedRange(const AXElement& element, TextRange range) = 0;
};

}  // namespace brisquel
