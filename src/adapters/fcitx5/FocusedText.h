// SPDX-License-Identifier: MIT
#pragma once
// The focused text element on fcitx5: the focused input context's
// surrounding text stands for the element's value and selected range
// (UTF-16 units here, characters in fcitx5). Setting the value rewrites only
// what changed around the cursor, as delete-surrounding plus a commit; moving
// the cursor afterwards forwards arrow keys. A client without surrounding
// text, and every password or sensitive field, has no readable value, so the
// program types keys instead (and in secure fields sees no keys at all).
//
// "Trusted" means the keys reach this host: fcitx5 is the session's input
// method. The environment pointing toolkits at another input method, with no
// input context seen yet, says it is not.

#include "fcitx5/Session.h"
#include "platform/Accessibility.h"

namespace brisquel::fcitx5 {

class FocusedText final : public AccessibilityPort {
 public:
  explicit FocusedText(Session& session) : session_(session) {}

  bool isProcessTrusted(bool prompt) override;
  AXElement systemWideElement() override;
  AXElement applicationElement(std::int64_t pid) override;
  void setMessagingTimeout(const AXElement&, double) override {}  // local calls: nothing to wait for
  AXResult<AXElement> focusedElement(const AXElement& element) override;
  AXResult<AXValue> value(const AXElement& element) override;
  AXResult<TextRange> selectedRange(const AXElement& element) override;
  std::optional<std::int64_t> pid(const AXElement& element) override;
  AXResult<bool> isValueSettable(const AXElement& element) override;
  AXError setValue(const AXElement& element, const std::u16string& value) override;
  AXError setSelectedRange(const AXElement& element, TextRange range) override;

 private:
  // The input context behind an element, when it still exists and offers its text.
  fcitx::InputContext* readable(const AXElement& element) const;

  Session& session_;
  AXElement systemWide_{std::make_shared<int>(0)};
};

}  // namespace brisquel::fcitx5
