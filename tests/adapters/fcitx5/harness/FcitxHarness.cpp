// SPDX-License-Identifier: MIT
#include "FcitxHarness.h"

#include "TestFolders.h"

#include <fcitx-utils/event.h>
#include <fcitx-utils/eventdispatcher.h>
#include <fcitx-utils/log.h>
#include <gtest/gtest.h>
#include <fcitx-utils/testing.h>
#include <fcitx-utils/utf8.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputmethodgroup.h>
#include <fcitx/inputmethodmanager.h>
#include <fcitx/inputpanel.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace brisquel::fcitx5test {
namespace {

std::uint64_t nowMicroseconds() {
  return fcitx::now(CLOCK_MONOTONIC);
}

std::u32string codePoints(const std::string& utf8) {
  std::u32string out;
  for (const std::uint32_t c : fcitx::utf8::MakeUTF8CharRange(utf8)) out += static_cast<char32_t>(c);
  return out;
}

std::string utf8(std::u32string_view s) {
  std::string out;
  for (const char32_t c : s) out += fcitx::utf8::UCS4ToUTF8(c);
  return out;
}

// xkb keymaps of the layouts, compiled once.
class Keymaps {
 public:
  static Keymaps& instance() {
    static Keymaps keymaps;
    return keymaps;
  }
  xkb_keymap* layout(const std::string& name) {
    auto& keymap = keymaps_[name];
    if (!keymap) {
      xkb_rule_names names{"evdev", "pc105", name.c_str(), "", ""};
      keymap = xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
      if (!keymap) throw std::runtime_error("no xkb layout " + name);
    }
    return keymap;
  }
  // The keycode and level of a symbol on the US layout.
  std::pair<unsigned int, int> usPosition(xkb_keysym_t wanted) {
    xkb_keymap* us = layout("us");
    for (xkb_keycode_t code = 8; code < 256; ++code) {
      for (int level = 0; level < 2; ++level) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(us, code, 0, static_cast<xkb_level_index_t>(level), &syms) == 1 &&
            syms[0] == wanted) {
          return {code, level};
        }
      }
    }
    throw std::runtime_error("no US key types this symbol");
  }
  xkb_keysym_t symbol(const std::string& layoutName, unsigned int keycode, bool shift) {
    const xkb_keysym_t* syms = nullptr;
    // Keys with one level (the modifiers) give that symbol with Shift too.
    if (shift && xkb_keymap_key_get_syms_by_level(layout(layoutName), keycode, 0, 1, &syms) >= 1) return syms[0];
    if (xkb_keymap_key_get_syms_by_level(layout(layoutName), keycode, 0, 0, &syms) < 1) return 0;
    return syms[0];
  }

 private:
  Keymaps() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}
  xkb_context* context_;
  std::map<std::string, xkb_keymap*> keymaps_;
};

const std::map<std::string, std::pair<xkb_keysym_t, fcitx::KeyState>> kModifiers = {
    {"ctrl", {XKB_KEY_Control_L, fcitx::KeyState::Ctrl}},
    {"shift", {XKB_KEY_Shift_L, fcitx::KeyState::Shift}},
    {"alt", {XKB_KEY_Alt_L, fcitx::KeyState::Alt}},
};

}  // namespace

FcitxHarness::FcitxHarness(std::vector<std::string> addons) {
  fcitx::setupTestingEnvironment(BRISQUEL_FCITX5_TREE, {"lib", FCITX5_ADDON_DIR},
                                 {"share/fcitx5", FCITX5_TESTING_DATA_DIR});
  // A first start in a home of its own: nothing learned or stored by an
  // earlier test. The dictionaries' caches stay shared.
  const std::filesystem::path home = testing::freshFolder("fcitx5");
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
  // One layout for the session, as the README has users set it.
  const std::filesystem::path folder = home / ".config/fcitx5";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "config") << "[Behavior]\nShareInputState=All\n";

  static char program[] = "brisquel-test";
  static char disable[] = "--disable=all";
  static std::string enable;
  enable = "--enable=brisquel-testlayouts,testui";
  for (const auto& addon : addons) enable += "," + addon;
  char* argv[] = {program, disable, enable.data()};
  log_ = std::make_shared<std::stringstream>();
  fcitx::Log::setLogStream(*log_);
  instance_ = std::make_unique<fcitx::Instance>(3, argv);
  instance_->addonManager().registerDefaultLoader(nullptr);
}

FcitxHarness::~FcitxHarness() {
  fields_.clear();
  instance_.reset();
  fcitx::Log::setLogStream(std::cerr);
}

TextField& FcitxHarness::field(const std::string& program, const FieldOptions& options) {
  fields_.push_back(std::make_unique<TextField>(*instance_, program, options));
  fields_.back()->focusIn();
  return *fields_.back();
}

void FcitxHarness::setLayouts(const std::vector<std::string>& inputMethods) {
  auto& manager = instance_->inputMethodManager();
  fcitx::InputMethodGroup group = manager.currentGroup();
  group.inputMethodList().clear();
  for (const auto& name : inputMethods) group.inputMethodList().emplace_back(name);
  group.setDefaultInputMethod(inputMethods.empty() ? "" : inputMethods.front());
  manager.setGroup(std::move(group));
}

void FcitxHarness::run(const std::vector<Step>& steps) {
  fcitx::EventDispatcher dispatcher;
  dispatcher.attach(&instance_->eventLoop());
  std::size_t index = 0;
  std::uint64_t waitingSince = 0;
  std::unique_ptr<fcitx::EventSourceTime> timer;
  std::function<void()> next;
  // Within a millisecond: with no accuracy given, sd-event lets a step slip by a quarter of a second.
  auto after = [&](double seconds) {
    timer = instance_->eventLoop().addTimeEvent(CLOCK_MONOTONIC,
                                                nowMicroseconds() + static_cast<std::uint64_t>(seconds * 1e6), 1000,
                                                [&](fcitx::EventSourceTime*, std::uint64_t) {
                                                  dispatcher.schedule(next);
                                                  return true;
                                                });
  };
  next = [&] {
    if (index > 0 && steps[index - 1].until && !steps[index - 1].until()) {
      if (nowMicroseconds() - waitingSince <= 30000000u) return after(0.05);
      ADD_FAILURE() << "a condition of step " << index << " never held";
      return instance_->exit();
    }
    if (index == steps.size()) return instance_->exit();
    const Step& step = steps[index++];
    step.action();
    waitingSince = nowMicroseconds();
    after(step.after);
  };
  dispatcher.schedule(next);
  instance_->exec();
  dispatcher.detach();
}

std::string FcitxHarness::log() const {
  return log_->str();
}

TextField::TextField(fcitx::Instance& instance, const std::string& program, FieldOptions options)
    : InputContext(instance.inputContextManager(), program), instance_(instance), options_(options) {
  created();
  fcitx::CapabilityFlags caps = fcitx::CapabilityFlag::Preedit;
  if (options_.surroundingText) caps |= fcitx::CapabilityFlag::SurroundingText;
  if (options_.password) caps |= fcitx::CapabilityFlag::Password;
  if (options_.terminal) caps |= fcitx::CapabilityFlag::Terminal;
  // As fcitx5's GTK 3 and Qt modules (not its GTK 4 one) say of themselves.
  if (std::string_view(options_.frontend) == "dbus") caps |= fcitx::CapabilityFlag::KeyEventOrderFix;
  setCapabilityFlags(caps);
  reportSurrounding();
}

TextField::~TextField() {
  destroy();
}

std::string TextField::text() const {
  return utf8(text_);
}

std::string TextField::shown() const {
  std::u32string all = text_;
  all.insert(cursor_, preedit_);
  return utf8(all);
}

void TextField::updatePreeditImpl() {
  preedit_ = codePoints(inputPanel().clientPreedit().toString());
}

void TextField::receive(const fcitx::Key& key) {
  if (!options_.replaysKeysLate) return apply(key);
  lateKeys_.push_back(key);
  if (lateTimer_) return;
  lateTimer_ = instance_.eventLoop().addTimeEvent(CLOCK_MONOTONIC, fcitx::now(CLOCK_MONOTONIC) + 1000, 0,
                                                  [this](fcitx::EventSourceTime*, std::uint64_t) {
                                                    applyLateKeys();
                                                    return true;
                                                  });
}

void TextField::applyLateKeys() {
  lateTimer_.reset();
  for (const auto& key : std::exchange(lateKeys_, {})) apply(key);
}

void TextField::setText(const std::string& text) {
  text_ = codePoints(text);
  cursor_ = text_.size();
  reportSurrounding();
}

void TextField::reportSurrounding() {
  if (!options_.surroundingText) return;
  const auto cursor = static_cast<unsigned int>(cursor_);
  surroundingText().setText(utf8(text_), cursor, cursor);
  updateSurroundingText();
}

void TextField::type(const std::string& keys) {
  const std::u32string all = codePoints(keys);
  const unsigned int shift = Keymaps::instance().usPosition(XKB_KEY_Shift_L).first;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == U'<') {
      const std::size_t end = all.find(U'>', i);
      press(utf8(std::u32string_view(all).substr(i + 1, end - i - 1)));
      i = end;
      continue;
    }
    const auto [keycode, level] = Keymaps::instance().usPosition(xkb_utf32_to_keysym(all[i]));
    if (level == 1) sendKey(shift, 0, false);
    const unsigned int states = level == 1 ? static_cast<unsigned int>(fcitx::KeyState::Shift) : 0u;
    sendKey(keycode, states, false);
    sendKey(keycode, states, true);
    if (level == 1) sendKey(shift, states, true);
  }
}

void TextField::press(const std::string& chord) {
  std::vector<std::string> parts;
  std::stringstream stream(chord);
  for (std::string part; std::getline(stream, part, '+');) parts.push_back(part);
  unsigned int states = 0;
  std::vector<std::pair<unsigned int, fcitx::KeyState>> held;
  const bool modifiersOnly = kModifiers.count(parts.back()) > 0;
  for (std::size_t i = 0; i + (modifiersOnly ? 0 : 1) < parts.size(); ++i) {
    const auto& [sym, state] = kModifiers.at(parts[i]);
    held.emplace_back(Keymaps::instance().usPosition(sym).first, state);
    sendKey(held.back().first, states, false);
    states |= static_cast<unsigned int>(state);
  }
  if (!modifiersOnly) {
    const std::string& name = parts.back();
    const xkb_keysym_t sym = name.size() == 1 ? xkb_utf32_to_keysym(static_cast<char32_t>(name[0]))
                                              : xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
    const unsigned int code = Keymaps::instance().usPosition(sym).first;
    sendKey(code, states, false);
    sendKey(code, states, true);
  }
  for (auto it = held.rbegin(); it != held.rend(); ++it) {
    sendKey(it->first, states, true);
    states &= ~static_cast<unsigned int>(it->second);
  }
}

void TextField::sendKey(unsigned int keycode, unsigned int states, bool release) {
  // The symbol the field's current layout gives the key, as the display server reports it.
  const std::string inputMethod = instance_.inputMethod(this);
  std::string layout = inputMethod.starts_with("keyboard-") ? inputMethod.substr(9) : "us";
  const bool shift = states & static_cast<unsigned int>(fcitx::KeyState::Shift);
  const xkb_keysym_t sym = Keymaps::instance().symbol(layout, keycode, shift);
  fcitx::KeyEvent event(this, fcitx::Key(static_cast<fcitx::KeySym>(sym), fcitx::KeyStates(states),
                                         static_cast<int>(keycode)),
                        release);
  applyLateKeys();  // the client's loop ran since the last key
  keyEvent(event);
  if (!event.accepted()) passed_.push_back((release ? "-" : "+") + event.rawKey().toString());
  if (!release && !event.accepted()) receive(event.rawKey());
}

void TextField::apply(const fcitx::Key& key) {
  const fcitx::KeyStates states = key.states();
  if (key.isModifier()) return;
  if (states.testAny(fcitx::KeyStates{fcitx::KeyState::Ctrl, fcitx::KeyState::Alt, fcitx::KeyState::Super})) {
    std::string name;
    if (states.test(fcitx::KeyState::Ctrl)) name += "ctrl+";
    if (states.test(fcitx::KeyState::Alt)) name += "alt+";
    if (states.test(fcitx::KeyState::Super)) name += "super+";
    if (states.test(fcitx::KeyState::Shift)) name += "shift+";
    const std::uint32_t c = fcitx::Key::keySymToUnicode(key.sym());
    name += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c ? static_cast<char>(c) : '?';
    shortcuts_.push_back(name);
    return;
  }
  switch (key.sym()) {
    case FcitxKey_BackSpace:
      if (cursor_ > 0) text_.erase(--cursor_, 1);
      break;
    case FcitxKey_Left:
      if (cursor_ > 0) --cursor_;
      break;
    case FcitxKey_Right:
      if (cursor_ < text_.size()) ++cursor_;
      break;
    default:
      if (const std::uint32_t c = fcitx::Key::keySymToUnicode(key.sym()); c >= 0x20) insert(std::u32string(1, c));
      return;
  }
  reportSurrounding();
}

void TextField::insert(const std::u32string& s) {
  text_.insert(cursor_, s);
  cursor_ += s.size();
  reportSurrounding();
}

void TextField::commitStringImpl(const std::string& text) {
  for (char32_t c : codePoints(text)) {
    if (c == 0x7f && options_.terminal) {
      // A terminal's line editing erases a character for DEL.
      if (cursor_ > 0) text_.erase(--cursor_, 1);
      reportSurrounding();
    } else {
      insert(std::u32string(1, c));
    }
  }
}

void TextField::deleteSurroundingTextImpl(int offset, unsigned int size) {
  const auto start = static_cast<std::ptrdiff_t>(cursor_) + offset;
  if (start < 0 || static_cast<std::size_t>(start) + size > text_.size()) return;
  text_.erase(static_cast<std::size_t>(start), size);
  const auto from = static_cast<std::size_t>(start);
  if (cursor_ >= from + size) {
    cursor_ -= size;
  } else if (cursor_ > from) {
    cursor_ = from;
  }
  reportSurrounding();
}

void TextField::forwardKeyImpl(const fcitx::ForwardKeyEvent& key) {
  forwarded_.push_back(std::string(key.isRelease() ? "-" : "+") + key.rawKey().toString() + "@" +
                       std::to_string(key.rawKey().code()));
  if (!key.isRelease()) receive(key.rawKey());
}

}  // namespace brisquel::fcitx5test
