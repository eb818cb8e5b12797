// SPDX-License-Identifier: MIT
#pragma once
// fcitx5 running in the test process, without a display or a bus: a real
// Instance with the test layouts (and, for whole-program tests, our addon),
// and text fields that behave like a toolkit's: they take committed text,
// deletions around the cursor and forwarded keys, report their surrounding
// text, and type a key themselves when no one filtered it. Keys are pressed
// by US position and arrive with the symbol of the field's current layout,
// as an X server or compositor delivers them.

#include <fcitx-utils/event.h>
#include <fcitx/inputcontext.h>
#include <fcitx/instance.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace brisquel::fcitx5test {

// One step of a test on fcitx5's loop: an action, then the loop runs on its
// own for `after` seconds (or, with a condition, until it holds, at most 30 s).
struct Step {
  template <typename Action>
    requires std::is_invocable_v<Action>
  Step(Action act, double seconds = 0.02) : action(std::move(act)), after(seconds) {}
  static Step waitUntil(std::function<bool()> condition) {
    Step step([] {}, 0.02);
    step.until = std::move(condition);
    return step;
  }
  std::function<void()> action;
  double after;
  std::function<bool()> until;
};

class TextField;
struct FieldOptions;

class FcitxHarness {
 public:
  // addons: what to enable besides the test layouts and testui.
  explicit FcitxHarness(std::vector<std::string> addons = {});
  ~FcitxHarness();

  // Runs the steps on fcitx5's loop, one after another; fails the test when a
  // condition never held.
  void run(const std::vector<Step>& steps);
  // What fcitx5 and the addons logged so far.
  std::string log() const;

  fcitx::Instance& instance() { return *instance_; }
  // Puts the layouts (input method names) in the current group; the first is the default.
  void setLayouts(const std::vector<std::string>& inputMethods);
  // A new text field of the program, focused; it lives as long as the harness.
  TextField& field(const std::string& program, const FieldOptions& options);

 private:
  std::unique_ptr<fcitx::Instance> instance_;
  std::shared_ptr<std::stringstream> log_;
  std::vector<std::unique_ptr<TextField>> fields_;
};

struct FieldOptions {
  bool surroundingText = true;  // GTK and Qt fields report it; xterm does not
  bool password = false;
  bool terminal = false;
  // Chromium on fcitx5's GTK module: it applies commits and composing text
  // when their D-Bus signal arrives, but forwarded keys and the keys no one
  // filtered only on a later pass of its loop (here: a millisecond later, or
  // before the next key is pressed), so that a commit overtakes them.
  bool replaysKeysLate = false;
  const char* frontend = "brisquel-test";  // "dbus" for fcitx5's GTK and Qt modules
};

class TextField final : public fcitx::InputContext {
 public:
  TextField(fcitx::Instance& instance, const std::string& program, FieldOptions options = {});
  ~TextField() override;

  const char* frontend() const override { return options_.frontend; }

  // Presses keys: characters are typed at their US positions ("ghbdtn vbh "),
  // "<ctrl+c>", "<alt>", "<shift+a>" press a chord, "<BackSpace>" a named key.
  void type(const std::string& keys);

  std::string text() const;
  // The text with the composing text shown at the cursor, as the user sees it.
  std::string shown() const;
  // Everything the application did besides typing: its shortcuts ("ctrl+shift+c").
  const std::vector<std::string>& shortcuts() const { return shortcuts_; }
  const std::vector<std::string>& forwarded() const { return forwarded_; }
  // The presses ("+Alt_L") and releases ("-Alt_L") no one filtered, which the application got.
  const std::vector<std::string>& passed() const { return passed_; }
  void setText(const std::string& text);

 protected:
  void commitStringImpl(const std::string& text) override;
  void deleteSurroundingTextImpl(int offset, unsigned int size) override;
  void forwardKeyImpl(const fcitx::ForwardKeyEvent& key) override;
  void updatePreeditImpl() override;

 private:
  void press(const std::string& chord);
  void sendKey(unsigned int keycode, unsigned int modifiers, bool release);
  // A key the application types itself, at once or late; see FieldOptions::replaysKeysLate.
  void receive(const fcitx::Key& key);
  void apply(const fcitx::Key& key);
  void applyLateKeys();
  void insert(const std::u32string& s);
  void reportSurrounding();

  fcitx::Instance& instance_;
  FieldOptions options_;
  std::u32string text_;
  std::size_t cursor_ = 0;
  std::vector<std::string> shortcuts_;
  std::vector<std::string> forwarded_;
  std::vector<std::string> passed_;
  std::u32string preedit_;
  std::vector<fcitx::Key> lateKeys_;
  std::unique_ptr<fcitx::EventSourceTime> lateTimer_;
};

}  // namespace brisquel::fcitx5test
