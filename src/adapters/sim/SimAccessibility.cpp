// SPDX-License-Identifier: MIT
#include "sim/SimAccessibility.h"

#include <algorithm>
#include <vector>

#include "base/Text.h"

namespace brisquel::sim {
namespace {

// UTF-16 offsets of the character boundaries of s.
std::vector<std::int64_t> boundaries(std::u16string_view s) {
  std::vector<std::int64_t> out{0};
  for (auto c : text::characters(s)) out.push_back(static_cast<std::int64_t>(c.data() - s.data() + c.size()));
  return out;
}

}  // namespace

bool SimAccessibility::isProcessTrusted(bool prompt) {
  ++trustQueries_;
  if (prompt) ++trustPrompts_;
  return context_.trusted;
}

std::optional<std::int64_t> SimAccessibility::focusedProcess() {
  const SimApp* app = context_.trusted ? context_.apps.frontmost() : nullptr;
  if (!app || app->axFaults().focusQueryFails || app->axFaults().noFocusedElement || app->pid() <= 0)
    return std::nullopt;
  return app->pid();
}

FieldReading SimTextField::read() {
  const SimApp* app = context_.trusted ? context_.apps.frontmost() : nullptr;
  if (!app || app->axFaults().focusQueryFails || app->axFaults().noFocusedElement) return {std::nullopt, true};
  const AXFaults& f = app->axFaults();
  if (f.readFails || f.valueNotString) return {};
  return {FieldText{app->text(), app->selection().location, app->selection().length, app->pid()}, false};
}

SimApp* SimTextField::writable() {
  SimApp* app = context_.trusted ? context_.apps.frontmost() : nullptr;
  if (!app || app->axFaults().focusQueryFails || app->axFaults().noFocusedElement) return nullptr;
  const AXFaults& f = app->axFaults();
  if (f.readFails || f.valueNotString || f.notSettable || f.writeRefused) return nullptr;
  return app;
}

bool SimTextField::canReplaceBeforeCaret(int, int) {
  const SimApp* app = context_.apps.frontmost();
  if (!app || !app->replaysKeysLate()) return true;
  return writable() != nullptr;
}

bool SimTextField::replaceBeforeCaret(int characters, std::u16string_view replacement, int stepOver) {
  SimApp* app = writable();
  if (!app || characters < 0) return false;
  const std::u16string value = app->text();
  const std::int64_t caret = app->selection().location;
  const auto units = [](std::int64_t n) { return static_cast<std::size_t>(n); };
  const std::u16string_view view(value);
  // Characters are counted from the caret both ways, as keys would go.
  const auto before = boundaries(view.substr(0, units(caret)));
  std::int64_t end = caret;
  auto endIndex = static_cast<std::int64_t>(before.size()) - 1;
  if (stepOver >= 0) {
    endIndex -= stepOver;
    if (endIndex < 0) return false;
    end = before[units(endIndex)];
  } else {
    const auto after = boundaries(view.substr(units(caret)));
    if (static_cast<std::int64_t>(after.size()) <= -stepOver) return false;
    end = caret + after[units(-stepOver)];
  }
  const auto startIndex = endIndex - (stepOver >= 0 ? characters : characters + stepOver);
  if (startIndex < 0) return false;
  const std::int64_t start = before[units(startIndex)];
  std::u16string written(view.substr(0, units(start)));
  written += replacement;
  written += view.substr(units(end));
  app->axSetValue(std::move(written));
  const auto caretAfter =
      start + static_cast<std::int64_t>(replacement.size()) + std::max<std::int64_t>(0, caret - end);
  app->setSelection(TextRange{caretAfter, 0});
  return true;
}

bool SimTextField::replaceSelection(std::u16string_view replacement) {
  SimApp* app = writable();
  if (!app) return false;
  const TextRange selection = app->selection();
  const std::u16string& value = app->text();
  const auto start = static_cast<std::size_t>(selection.location);
  std::u16string written = value.substr(0, start);
  written += replacement;
  written += value.substr(start + static_cast<std::size_t>(selection.length));
  app->axSetValue(std::move(written));
  // Still selected: another conversion turns it back.
  app->setSelection(TextRange{selection.location, static_cast<std::int64_t>(replacement.size())});
  return true;
}

}  // namespace brisquel::sim
