// SPDX-License-Identifier: MIT
#pragma once
// A simulated application with one focused text field: it applies the key
// events delivered to it as a text editor would, and records them.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextField.h"
#include "platform/KeyEvents.h"
#include "platform/Workspace.h"

namespace brisquel::sim {

// What a text field inserts for a key's characters: line breaks become "\n";
// control characters and the private-use function-key characters (arrows and
// the like) insert nothing.
std::u16string insertable(std::u16string_view chars);

struct AppSpec {
  std::string bundleId;
  std::string name;
  std::string bundlePath;
  std::int64_t pid = 0;  // 0: the desktop picks a fresh one
};

// An event as an application received it.
struct ReceivedEvent {
  KeyEvent event;
  double time = 0;  // virtual seconds (Desktop::now)
};

// Accessibility failures an application can show.
struct AXFaults {
  bool noFocusedElement = false;  // focus queries answer NoValue
  bool focusQueryFails = false;   // focus queries answer CannotComplete
  bool valueNotString = false;    // "AXValue" is not a string
  bool readFails = false;         // value and selected-range reads answer CannotComplete
  bool notSettable = false;       // "AXValue" is not settable
  bool writeRefused = false;      // writes answer Failure and change nothing
};

class SimApp {
 public:
  // clock: the desktop's time for the logs; clipboard: shared by every application.
  SimApp(AppSpec spec, std::function<double()> clock, std::shared_ptr<std::u16string> clipboard);

  const AppSpec& spec() const { return spec_; }
  const std::string& bundleId() const { return spec_.bundleId; }
  std::int64_t pid() const { return spec_.pid; }
  RunningApplication runningApplication() const;

  // The focused text field (UTF-16; selection in UTF-16 units).
  const std::u16string& text() const { return text_; }
  std::string textUtf8() const;
  TextRange selection() const { return selection_; }
  // Replaces the text; the caret goes to the end unless a selection is given.
  void setText(std::u16string text, std::optional<TextRange> selection = std::nullopt);
  void setText(std::string_view utf8, std::optional<TextRange> selection = std::nullopt);
  // Clamped to the text.
  void setSelection(TextRange range);

  // Every key event delivered to the application, in order.
  const std::vector<ReceivedEvent>& received() const { return received_; }
  // The delivered key-down and key-up events with Command or Control held.
  const std::vector<ReceivedEvent>& shortcuts() const { return shortcuts_; }
  // The shortcut key-downs as "ctrl+f cmd+f@50ms": modifiers in the order
  // fn, ctrl, opt, shift, cmd, then the US key name; "@Nms" when N ms passed
  // since the previous entry.
  std::string shortcutLog() const;
  // Forgets the received events, shortcuts and accessibility writes.
  void clearLog();

  // A client like Chromium's on Linux: it applies text the program types at
  // once but replays the other keys the program posts (BackSpace, arrows) on
  // a later pass of its loop, so that text posted after them overtakes them.
  // Such a client offers no exact rewrite of its text but through
  // accessibility, when it has that. The keyboard holds the keys back.
  void setReplaysKeysLate(bool late) { replaysKeysLate_ = late; }
  bool replaysKeysLate() const { return replaysKeysLate_; }

  AXFaults& axFaults() { return faults_; }
  const AXFaults& axFaults() const { return faults_; }
  // Successful accessibility writes of the value, in order.
  const std::vector<std::u16string>& axValueWrites() const { return axValueWrites_; }

  // Applies a delivered event (called by the desktop). Key-downs without
  // Command or Control edit the text: characters replace the selection,
  // Backspace and Forward Delete remove a selection or one grapheme, arrows
  // move the caret (Shift extends; Up/Down go to the start/end), Return inserts
  // "\n". Command+A/C/X/V select all, copy, cut and paste.
  void deliver(const KeyEvent& event);
  // Accessibility write of the whole value; the caret goes to the end.
  void axSetValue(std::u16string value);

 private:
  void insert(const std::u16string& s);
  void deleteBackward();
  void deleteForward();
  void moveCaret(int direction, bool extend);
  void performCommand(const KeyEvent& event);

  AppSpec spec_;
  std::function<double()> clock_;
  std::shared_ptr<std::u16string> clipboard_;
  std::u16string text_;
  TextRange selection_;
  std::int64_t anchor_ = 0;  // where a Shift-extended selection began
  std::vector<ReceivedEvent> received_;
  std::vector<ReceivedEvent> shortcuts_;
  std::vector<std::u16string> axValueWrites_;
  AXFaults faults_;
  bool replaysKeysLate_ = false;
};

}  // namespace brisquel::sim
