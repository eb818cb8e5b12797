// SPDX-License-Identifier: MIT
#pragma once
// Accessibility on the simulated desktop: trust (which also decides whether
// event taps can be created) and the frontmost application's text field,
// answering with the faults the application shows. Rewrites go through the
// field's value as the macOS program's accessibility writes do, so that the
// application records them.

#include <string_view>

#include "platform/Accessibility.h"
#include "platform/TextField.h"
#include "sim/SimContext.h"

namespace brisquel::sim {

class SimAccessibility final : public AccessibilityPort {
 public:
  explicit SimAccessibility(SimContext& context) : context_(context) {}

  bool isProcessTrusted(bool prompt) override;
  std::optional<std::int64_t> focusedProcess() override;

  void setTrusted(bool trusted) { context_.trusted = trusted; }
  bool isTrusted() const { return context_.trusted; }
  int trustQueryCount() const { return trustQueries_; }
  int trustPromptCount() const { return trustPrompts_; }

 private:
  SimContext& context_;
  int trustQueries_ = 0;
  int trustPrompts_ = 0;
};

// The focused field of the frontmost application. Keys reach every field in
// order but one that replays keys late, where only the value is exact.
class SimTextField final : public TextFieldPort {
 public:
  explicit SimTextField(SimContext& context) : context_(context) {}

  FieldReading read() override;
  bool canReplaceBeforeCaret(int characters, int stepOver) override;
  bool replaceBeforeCaret(int characters, std::u16string_view text, int stepOver) override;
  bool replaceSelection(std::u16string_view text) override;

 private:
  // The frontmost application when its field has a value that can be written.
  SimApp* writable();

  SimContext& context_;
};

}  // namespace brisquel::sim
