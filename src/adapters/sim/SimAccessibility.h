// SPDX-License-Identifier: MIT
#pragma once
// Accessibility on the simulated desktop: elements for the system, each
// application and its focused text field, answering with the faults the
// application shows; trust also decides whether event taps can be created.

#include <cstdint>
#include <utility>

#include "platform/Accessibility.h"
#include "platform/TextField.h"
#include "sim/SimContext.h"

namespace brisquel::sim {

class SimAccessibility final : public AccessibilityPort {
 public:
  explicit SimAccessibility(SimContext& context) : context_(context) {}

  bool isProcessTrusted(bool prompt) override;
  AXElement systemWideElement() override;
  AXElement applicationElement(std::int64_t pid) override;
  void setMessagingTimeout(const AXElement&, double) override {}
  AXResult<AXElement> focusedElement(const AXElement& element) override;
  AXResult<AXValue> value(const AXElement& element) override;
  AXResult<TextRange> selectedRange(const AXElement& element) override;
  std::optional<std::int64_t> pid(const AXElement& element) override;
  AXResult<bool> isValueSettable(const AXElement& element) override;
  AXError setValue(const AXElement& element, const std::u16string& newValue) override;
  AXError setSelectedRange(const AXElement& element, TextRange range) override;

  void setTrusted(bool trusted) { context_.trusted = trusted; }
  bool isTrusted() const { return context_.trusted; }
  int trustQueryCount() const { return trustQueries_; }
  int trustPromptCount() const { return trustPrompts_; }

 private:
  // The application behind a field element, with the error to answer when there is none.
  std::pair<SimApp*, AXError> field(const AXElement& element);

  SimContext& context_;
  int trustQueries_ = 0;
  int trustPrompts_ = 0;
};

// Rewrites on the simulated desktop: through accessibility where the field
// allows it, otherwise by keys, which every field but one that replays keys
// late applies in order.
class SimTextField final : public TextFieldPort {
 public:
  explicit SimTextField(SimContext& context) : context_(context) {}
  bool canReplaceBeforeCaret(int characters, int stepOver) override;

 private:
  SimContext& context_;
};

}  // namespace brisquel::sim
