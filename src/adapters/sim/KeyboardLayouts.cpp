// SPDX-License-Identifier: MIT
#include "sim/KeyboardLayouts.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/KeyCodes.h"
#include "base/Text.h"

namespace brisquel::sim {

namespace {

using Name = std::pair<std::uint16_t, std::string_view>;

// US names of keys outside the layout table, and of modifiers.
constexpr std::array kNamedKeys = {
    Name{KeyCode::Space, "space"},      Name{KeyCode::Return, "return"},        Name{KeyCode::Tab, "tab"},
    Name{KeyCode::Delete, "backspace"}, Name{KeyCode::ForwardDelete, "delete"}, Name{KeyCode::Escape, "esc"},
    Name{KeyCode::LeftArrow, "left"},   Name{KeyCode::RightArrow, "right"},     Name{KeyCode::UpArrow, "up"},
    Name{KeyCode::DownArrow, "down"},   Name{KeyCode::Command, "cmd"},          Name{KeyCode::RightCommand, "rcmd"},
    Name{KeyCode::Shift, "shift"},      Name{KeyCode::RightShift, "rshift"},    Name{KeyCode::Option, "opt"},
    Name{KeyCode::RightOption, "ropt"}, Name{KeyCode::Control, "ctrl"},         Name{KeyCode::RightControl, "rctrl"},
    Name{KeyCode::Function, "fn"},      Name{KeyCode::CapsLock, "capslock"},    Name{KeyCode::Home, "home"},
    Name{KeyCode::End, "end"},
};

// Names a user might write for the same key.
constexpr std::array kAliases = {
    Name{KeyCode::Command, "command"}, Name{KeyCode::Option, "option"}, Name{KeyCode::Option, "alt"},
    Name{KeyCode::Control, "control"}, Name{KeyCode::Escape, "escape"}, Name{KeyCode::Return, "enter"},
};

}  // namespace

const KeyboardLayout* findKeyboardLayout(std::string_view nameOrCode) {
  for (const auto& layout : keyboardLayouts()) {
    if (layout.name == nameOrCode || layout.code == nameOrCode) return &layout;
  }
  return nullptr;
}

const LayoutKey* findKey(const KeyboardLayout& layout, std::uint16_t keyCode) {
  for (const auto& key : layout.keys) {
    if (key.keyCode == keyCode) return &key;
  }
  return nullptr;
}

const DeadKey* findDeadKey(std::string_view name) {
  for (const auto& dead : deadKeys()) {
    if (dead.name == name) return &dead;
  }
  return nullptr;
}

KeyboardTable keyboardTable(const KeyboardLayout& layout) {
  KeyboardTable table;
  std::vector<const DeadKey*> dead;
  for (const auto& key : layout.keys) {
    KeyboardKey& out = table.keys.emplace_back();
    out.keyCode = key.keyCode;
    for (int level = 0; level < 2; ++level) {
      out.levels[level] = {std::u16string(key.levels[level].text), std::string(key.levels[level].deadKey)};
      const DeadKey* d = key.levels[level].isDead() ? findDeadKey(key.levels[level].deadKey) : nullptr;
      if (d && std::find(dead.begin(), dead.end(), d) == dead.end()) dead.push_back(d);
    }
  }
  for (const DeadKey* d : dead) {
    table.compositions.push_back({std::string(d->name), u" ", std::u16string(d->spacing)});
    for (const auto& key : layout.keys) {
      if (key.keyCode == KeyCode::Space) continue;
      for (const auto& level : key.levels) {
        if (level.isDead() || level.text.empty()) continue;
        if (auto composed = text::composeOne(level.text, d->combining))
          table.compositions.push_back({std::string(d->name), std::u16string(level.text), *composed});
      }
    }
  }
  return table;
}

std::optional<std::string_view> keyName(std::uint16_t keyCode) {
  for (const auto& [code, name] : kNamedKeys) {
    if (code == keyCode) return name;
  }
  const KeyboardLayout* us = findKeyboardLayout("us");
  if (const LayoutKey* key = us ? findKey(*us, keyCode) : nullptr) {
    // The US plain level is ASCII, so one UTF-16 unit is one byte; the
    // names live in a static table to hand out stable views.
    static const auto names = [] {
      std::array<char, 128> table{};
      for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<char>(i);
      return table;
    }();
    char16_t c = key->levels[0].text.empty() ? u'\0' : key->levels[0].text[0];
    if (c > 0x20 && c < 0x7F) return std::string_view(&names[c], 1);
  }
  return std::nullopt;
}

std::optional<std::uint16_t> keyCodeForName(std::string_view name) {
  for (const auto& [code, n] : kNamedKeys) {
    if (n == name) return code;
  }
  for (const auto& [code, n] : kAliases) {
    if (n == name) return code;
  }
  if (name.size() == 1) {
    char c = name[0];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (const KeyboardLayout* us = findKeyboardLayout("us")) {
      for (const auto& key : us->keys) {
        if (key.levels[0].text.size() == 1 && key.levels[0].text[0] == static_cast<char16_t>(c)) return key.keyCode;
      }
    }
  }
  return std::nullopt;
}

}  // namespace brisquel::sim
