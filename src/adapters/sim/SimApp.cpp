// SPDX-License-Identifier: MIT
#include "sim/SimApp.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "base/KeyCodes.h"
#include "base/Text.h"
#include "sim/KeyboardLayouts.h"

namespace brisquel::sim {

namespace {

bool isShortcut(std::uint64_t flags) {
  return (flags & (Flags::Command | Flags::Control)) != 0;
}


}  // namespace

std::u16string insertable(std::u16string_view chars) {
  std::u16string out;
  for (char16_t c : chars) {
    if (c == u'\r' || c == u'\n') {
      out += u'\n';
    } else if (c == u'\t' || (c >= 0x20 && c != 0x7F && !(c >= 0xF700 && c <= 0xF8FF))) {
      out += c;
    }
  }
  return out;
}

SimApp::SimApp(AppSpec spec, std::function<double()> clock, std::shared_ptr<std::u16string> clipboard)
    : spec_(std::move(spec)), clock_(std::move(clock)), clipboard_(std::move(clipboard)) {}

RunningApplication SimApp::runningApplication() const {
  RunningApplication app;
  if (!spec_.bundleId.empty()) app.bundleIdentifier = spec_.bundleId;
  if (!spec_.name.empty()) app.localizedName = spec_.name;
  if (!spec_.bundlePath.empty()) app.bundlePath = spec_.bundlePath;
  app.pid = spec_.pid;
  app.keepsRunning = spec_.bundleId == "com.apple.finder";  // as on the Mac, Finder cannot be quit
  return app;
}

std::string SimApp::textUtf8() const {
  return text::toUtf8(text_);
}

void SimApp::setText(std::u16string value, std::optional<TextRange> selection) {
  text_ = std::move(value);
  auto size = static_cast<std::int64_t>(text_.size());
  setSelection(selection.value_or(TextRange{size, 0}));
}

void SimApp::setText(std::string_view utf8, std::optional<TextRange> selection) {
  setText(text::fromUtf8(utf8), selection);
}

void SimApp::setSelection(TextRange range) {
  auto size = static_cast<std::int64_t>(text_.size());
  range.location = std::clamp<std::int64_t>(range.location, 0, size);
  range.length = std::clamp<std::int64_t>(range.length, 0, size - range.location);
  selection_ = range;
  anchor_ = range.location;
}

void SimApp::clearLog() {
  received_.clear();
  shortcuts_.clear();
  axValueWrites_.clear();
}

std::string SimApp::shortcutLog() const {
  std::ostringstream out;
  std::optional<double> previous;
  for (const auto& [event, time] : shortcuts_) {
    if (event.type != EventType::KeyDown) continue;
    if (previous) out << ' ';
    std::string chord;
    if (event.flags & Flags::Fn) chord += "fn+";
    if (event.flags & Flags::Control) chord += "ctrl+";
    if (event.flags & Flags::Option) chord += "opt+";
    if (event.flags & Flags::Shift) chord += "shift+";
    if (event.flags & Flags::Command) chord += "cmd+";
    if (auto name = keyName(event.keyCode)) {
      chord += *name;
    } else {
      chord += "key" + std::to_string(event.keyCode);
    }
    out << chord;
    if (previous) {
      auto ms = std::llround((time - *previous) * 1000.0);
      if (ms > 0) out << '@' << ms << "ms";
    }
    previous = time;
  }
  return out.str();
}

void SimApp::deliver(const KeyEvent& event) {
  double now = clock_ ? clock_() : 0.0;
  received_.push_back({event, now});
  if (event.type != EventType::KeyDown && event.type != EventType::KeyUp) return;
  if (isShortcut(event.flags)) {
    shortcuts_.push_back({event, now});
    if (event.type == EventType::KeyDown && (event.flags & Flags::Command)) performCommand(event);
    return;
  }
  if (event.type != EventType::KeyDown) return;
  bool extend = (event.flags & Flags::Shift) != 0;
  switch (event.keyCode) {
    case KeyCode::Delete:
      deleteBackward();
      return;
    case KeyCode::ForwardDelete:
      deleteForward();
      return;
    case KeyCode::LeftArrow:
      moveCaret(-1, extend);
      return;
    case KeyCode::RightArrow:
      moveCaret(1, extend);
      return;
    case KeyCode::UpArrow:
    case KeyCode::Home:
      moveCaret(-2, extend);
      return;
    case KeyCode::DownArrow:
    case KeyCode::End:
      moveCaret(2, extend);
      return;
    case KeyCode::Return:
      insert(u"\n");
      return;
    case KeyCode::Escape:
      return;
    default:
      break;
  }
  if (event.characters) {
    std::u16string s = insertable(*event.characters);
    if (!s.empty()) insert(s);
  }
}

// The few Command shortcuts every text field understands.
void SimApp::performCommand(const KeyEvent& event) {
  auto selected = [this] {
    return text_.substr(static_cast<std::size_t>(selection_.location), static_cast<std::size_t>(selection_.length));
  };
  switch (event.keyCode) {
    case KeyCode::ANSI_A:
      selection_ = {0, static_cast<std::int64_t>(text_.size())};
      anchor_ = 0;
      break;
    case KeyCode::ANSI_C:
      if (clipboard_ && selection_.length > 0) *clipboard_ = selected();
      break;
    case KeyCode::ANSI_X:
      if (selection_.length > 0) {
        if (clipboard_) *clipboard_ = selected();
        insert(u"");
      }
      break;
    case KeyCode::ANSI_V:
      if (clipboard_) insert(*clipboard_);
      break;
    default:
      break;
  }
}

void SimApp::insert(const std::u16string& s) {
  auto at = static_cast<std::size_t>(selection_.location);
  text_.replace(at, static_cast<std::size_t>(selection_.length), s);
  selection_ = {selection_.location + static_cast<std::int64_t>(s.size()), 0};
  anchor_ = selection_.location;
}

void SimApp::deleteBackward() {
  if (selection_.length > 0) {
    insert(u"");
    return;
  }
  std::int64_t from = text::previousBoundary(text_, selection_.location);
  text_.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(selection_.location - from));
  selection_ = {from, 0};
  anchor_ = from;
}

void SimApp::deleteForward() {
  if (selection_.length > 0) {
    insert(u"");
    return;
  }
  std::int64_t to = text::nextBoundary(text_, selection_.location);
  text_.erase(static_cast<std::size_t>(selection_.location), static_cast<std::size_t>(to - selection_.location));
}

// direction: -1/1 one character, -2/2 to the start/end (a one-line field).
void SimApp::moveCaret(int direction, bool extend) {
  auto size = static_cast<std::int64_t>(text_.size());
  std::int64_t start = selection_.location;
  std::int64_t end = selection_.location + selection_.length;
  if (!extend) {
    std::int64_t caret;
    if (direction == -2) {
      caret = 0;
    } else if (direction == 2) {
      caret = size;
    } else if (selection_.length > 0) {
      caret = direction < 0 ? start : end;  // collapses the selection
    } else {
      caret = direction < 0 ? text::previousBoundary(text_, start) : text::nextBoundary(text_, start);
    }
    selection_ = {caret, 0};
    anchor_ = caret;
    return;
  }
  // Shift extends from the anchor, which stays where the selection began.
  if (anchor_ != start && anchor_ != end) anchor_ = direction < 0 ? end : start;
  std::int64_t head = anchor_ == start ? end : start;
  if (direction == -2) {
    head = 0;
  } else if (direction == 2) {
    head = size;
  } else {
    head = direction < 0 ? text::previousBoundary(text_, head) : text::nextBoundary(text_, head);
  }
  selection_ = {std::min(anchor_, head), std::abs(head - anchor_)};
}

void SimApp::axSetValue(std::u16string value) {
  axValueWrites_.push_back(value);
  setText(std::move(value));
}

}  // namespace brisquel::sim
