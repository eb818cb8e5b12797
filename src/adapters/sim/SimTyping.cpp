// SPDX-License-Identifier: MIT
#include "sim/SimTyping.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "base/KeyCodes.h"
#include "base/Text.h"

namespace brisquel::sim {

namespace {

struct Stroke {
  std::uint16_t keyCode;
  bool shift;
};

// The keys that type one character on a layout (see Desktop::typeText).
std::optional<std::vector<Stroke>> strokesFor(std::u16string_view ch, const KeyboardLayout& layout) {
  for (const auto& key : layout.keys) {
    if (!key.levels[0].isDead() && key.levels[0].text == ch) return std::vector<Stroke>{{key.keyCode, false}};
  }
  // Where two keys give it with Shift, the one whose plain character is its lower case.
  const LayoutKey* shifted = nullptr;
  std::u16string lowered = text::toLower(ch);
  for (const auto& key : layout.keys) {
    if (key.levels[1].isDead() || key.levels[1].text != ch) continue;
    if (!shifted || (key.levels[0].text == lowered && shifted->levels[0].text != lowered)) shifted = &key;
  }
  if (shifted) return std::vector<Stroke>{{shifted->keyCode, true}};
  for (int deadLevel = 0; deadLevel < 2; ++deadLevel) {
    for (const auto& deadKey : layout.keys) {
      if (!deadKey.levels[deadLevel].isDead()) continue;
      const DeadKey* dead = findDeadKey(deadKey.levels[deadLevel].deadKey);
      if (!dead) continue;
      Stroke first{deadKey.keyCode, deadLevel == 1};
      if (dead->spacing == ch) return std::vector<Stroke>{first, {KeyCode::Space, false}};
      for (int baseLevel = 0; baseLevel < 2; ++baseLevel) {
        for (const auto& base : layout.keys) {
          const KeyLevel& level = base.levels[baseLevel];
          if (level.isDead() || level.text.empty() || base.keyCode == KeyCode::Space) continue;
          auto composed = text::composeOne(level.text, dead->combining);
          if (composed && *composed == ch) return std::vector<Stroke>{first, {base.keyCode, baseLevel == 1}};
        }
      }
    }
  }
  return std::nullopt;
}

}  // namespace

bool SimTyping::press(std::string_view chords) {
  struct Chord {
    std::vector<std::uint16_t> modifiers;
    std::optional<std::uint16_t> key;
  };
  std::vector<Chord> parsed;
  std::istringstream words{std::string(chords)};
  std::string word;
  while (words >> word) {
    Chord chord;
    std::size_t start = 0;
    while (start <= word.size()) {
      std::size_t plus = word.find('+', start + 1);  // "+" itself can be a key name: "shift+="
      std::string name = text::toLower(word.substr(start, plus == std::string::npos ? std::string::npos : plus - start));
      auto code = keyCodeForName(name);
      if (!code) return false;
      if (SimKeyboard::isModifierKey(*code) && *code != KeyCode::CapsLock) {
        chord.modifiers.push_back(*code);
      } else {
        if (chord.key) return false;
        chord.key = *code;
      }
      if (plus == std::string::npos) break;
      start = plus + 1;
    }
    parsed.push_back(chord);
  }
  for (const auto& chord : parsed) {
    for (auto m : chord.modifiers) keyboard_.keyDown(m, false);
    if (chord.key) {
      keyboard_.keyDown(*chord.key, false);
      keyboard_.keyUp(*chord.key);
    }
    for (auto m = chord.modifiers.rbegin(); m != chord.modifiers.rend(); ++m) keyboard_.keyUp(*m);
    context_.loop.advance(typingInterval_);
  }
  return true;
}

void SimTyping::typeText(std::u16string_view text, std::string_view keysLayout) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = (i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF) ? 2 : 1;
    typeCharacter(text.substr(i, n), keysLayout);
    context_.loop.advance(typingInterval_);
    i += n;
  }
}

void SimTyping::setTypingInterval(double seconds) {
  typingInterval_ = std::max(0.0, seconds);
}

void SimTyping::stroke(std::uint16_t keyCode, bool shift) {
  bool pressShift = shift && !(keyboard_.flags() & Flags::Shift);
  if (pressShift) keyboard_.keyDown(KeyCode::Shift, false);
  keyboard_.keyDown(keyCode, false);
  keyboard_.keyUp(keyCode);
  if (pressShift) keyboard_.keyUp(KeyCode::Shift);
}

void SimTyping::typeCharacter(std::u16string_view ch, std::string_view keysLayout) {
  if (ch == u"\n" || ch == u"\r") return stroke(KeyCode::Return, false);
  if (ch == u"\t") return stroke(KeyCode::Tab, false);
  const KeyboardLayout* layout = keysLayout.empty() ? &context_.current.keys() : findKeyboardLayout(keysLayout);
  std::optional<std::vector<Stroke>> strokes;
  if (layout) strokes = strokesFor(ch, *layout);
  if (!strokes) {
    if (const KeyboardLayout* us = findKeyboardLayout("us")) strokes = strokesFor(ch, *us);
  }
  if (strokes) {
    for (const auto& s : *strokes) stroke(s.keyCode, s.shift);
    return;
  }
  keyboard_.typeUnmapped(ch);
}

}  // namespace brisquel::sim
