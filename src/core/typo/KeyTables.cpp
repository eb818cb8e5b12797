// SPDX-License-Identifier: MIT
#include "typo/KeyTables.h"

#include <unicode/utf16.h>

#include "base/Text.h"

namespace brisquel {
namespace {

std::uint32_t slot(std::uint16_t keyCode, std::uint8_t level) {
  return static_cast<std::uint32_t>(keyCode) << 1 | level;
}

// UTF-16 units of the code point at `at`.
std::size_t codePointLength(std::u16string_view s, std::size_t at) {
  return at + 1 < s.size() && U16_IS_LEAD(s[at]) && U16_IS_TRAIL(s[at + 1]) ? 2 : 1;
}

}  // namespace

void KeyTables::add(const std::string& code, KeyboardTable table) {
  if (has(code)) return;
  auto layout = std::make_unique<Layout>();
  layout->table = std::move(table);
  index(*layout);
  layouts_.emplace_back(code, std::move(layout));
}

bool KeyTables::has(std::string_view code) const {
  return find(code) != nullptr;
}

const KeyTables::Layout* KeyTables::find(std::string_view code) const {
  for (const auto& [c, layout] : layouts_)
    if (c == code) return layout.get();
  return nullptr;
}

void KeyTables::index(Layout& layout) {
  // Of several ways to type a text the likeliest wins: the plain level, then
  // Shift on the key whose plain level is its lower case (Greek Σ is Shift+S,
  // not Shift+W), then any Shift, then a dead key and a base key.
  auto offer = [&layout](std::u16string_view text, Typing typing) {
    if (text.empty()) return;
    auto [it, inserted] = layout.typing.emplace(text, typing);
    if (!inserted) {
      Typing& best = it->second;
      if (typing.count == 1 && best.count == 1 && typing.keys[0].keyCode != best.keys[0].keyCode)
        layout.otherKey.emplace(text, typing.rank < best.rank ? best.keys[0] : typing.keys[0]);
      if (typing.rank < best.rank) best = typing;
    }
    if (text.size() > layout.longestText) layout.longestText = text.size();
  };
  std::unordered_map<std::string_view, Stroke> deadKeys;
  for (const KeyboardKey& key : layout.table.keys) {
    for (std::uint8_t level = 0; level < 2; ++level) {
      const KeyOutput& out = key.levels[level];
      layout.outputs.emplace(slot(key.keyCode, level), &out);
      if (!out.deadKey.empty()) {
        deadKeys.emplace(out.deadKey, Stroke{key.keyCode, level});  // the first, plain level before Shift
        continue;
      }
      Typing typing;
      typing.keys[0] = {key.keyCode, level};
      typing.count = 1;
      typing.rank = level == 0 ? 0 : key.levels[0].text == text::toLower(out.text) ? 1 : 2;
      offer(out.text, typing);
    }
  }
  for (const DeadKeyComposition& composition : layout.table.compositions) {
    layout.compositions.emplace(std::pair<std::string_view, std::u16string_view>(composition.deadKey, composition.base),
                                composition.result);
    auto dead = deadKeys.find(composition.deadKey);
    auto base = layout.typing.find(composition.base);
    if (dead == deadKeys.end() || base == layout.typing.end() || base->second.count != 1) continue;
    Typing typing;
    typing.keys[0] = dead->second;
    typing.keys[1] = base->second.keys[0];
    typing.count = 2;
    typing.rank = static_cast<std::uint8_t>(3 + dead->second.level + base->second.rank);
    offer(composition.result, typing);
  }
  layout.oneUnit.assign(0x800, Typing{});
  for (const auto& [text, typing] : layout.typing)
    if (text.size() == 1 && text[0] < layout.oneUnit.size()) layout.oneUnit[text[0]] = typing;
}

std::optional<std::pair<KeyTables::Typing, std::size_t>> KeyTables::typingAt(const Layout& layout,
                                                                               std::u16string_view text,
                                                                               std::size_t at, bool& upperCased) {
  upperCased = false;
  // The longest text a key gives wins (a key may give two letters at once).
  for (std::size_t n = std::min(layout.longestText, text.size() - at); n > 0; --n) {
    if (at + n < text.size() && U16_IS_TRAIL(text[at + n]) && U16_IS_LEAD(text[at + n - 1])) continue;
    if (n == 1 && text[at] < layout.oneUnit.size()) {
      if (const Typing& one = layout.oneUnit[text[at]]; one.count != 0) return std::pair{one, n};
      continue;
    }
    if (auto it = layout.typing.find(text.substr(at, n)); it != layout.typing.end())
      return std::pair{it->second, n};
  }
  // A capital the layout has no key for: its small letter, then upper-cased.
  const std::size_t n = codePointLength(text, at);
  const std::u16string lower = text::toLower(text.substr(at, n));
  if (lower == text.substr(at, n)) return std::nullopt;
  if (auto it = layout.typing.find(lower); it != layout.typing.end()) {
    upperCased = true;
    return std::pair{it->second, n};
  }
  return std::nullopt;
}

std::optional<KeyTables::Conversion> KeyTables::convert(std::u16string_view text, std::string_view from,
                                                        std::string_view to, bool swapBack) const {
  const Layout* source = find(from);
  const Layout* target = find(to);
  if (!source || !target) return std::nullopt;
  Conversion result;
  result.text.reserve(text.size());
  std::string_view waiting;  // the dead key waiting for the next key, if any
  std::size_t otherReadingAt = 0;  // where the other reading has already been extended to
  for (std::size_t at = 0; at < text.size();) {
    const Layout* typedOn = source;
    const Layout* givenBy = target;
    bool upperCased = false;
    auto typing = typingAt(*source, text, at, upperCased);
    if (!typing && swapBack) {
      typing = typingAt(*target, text, at, upperCased);
      std::swap(typedOn, givenBy);
    }
    if (!typing) {
      const std::size_t n = codePointLength(text, at);
      if (!result.otherReading.empty()) result.otherReading += text.substr(at, n);
      result.text += text.substr(at, n);
      at += n;
      waiting = {};
      continue;
    }
    const auto [keys, length] = *typing;
    if (auto other = typedOn->otherKey.empty() ? typedOn->otherKey.end() : typedOn->otherKey.find(text.substr(at, length));
        other != typedOn->otherKey.end()) {
      auto out = givenBy->outputs.find(slot(other->second.keyCode, other->second.level));
      if (out != givenBy->outputs.end() && out->second->deadKey.empty() && waiting.empty()) {
        if (result.otherReading.empty()) result.otherReading = result.text;
        result.otherReading += upperCased ? text::toUpper(out->second->text) : out->second->text;
        otherReadingAt = at + length;
      }
    }
    std::u16string piece;
    bool given = true;
    for (std::uint8_t i = 0; i < keys.count && given; ++i) {
      auto out = givenBy->outputs.find(slot(keys.keys[i].keyCode, keys.keys[i].level));
      if (out == givenBy->outputs.end()) {
        given = false;
      } else if (!out->second->deadKey.empty()) {
        waiting = out->second->deadKey;
      } else if (!waiting.empty()) {
        // The keyboard gives the composition, or the key's own text when there is none.
        auto composed = givenBy->compositions.find({waiting, out->second->text});
        piece += composed != givenBy->compositions.end() ? composed->second : out->second->text;
        waiting = {};
      } else {
        piece += out->second->text;
      }
    }
    if (!given) {
      piece = text.substr(at, length);
      waiting = {};
    } else if (upperCased) {
      piece = text::toUpper(piece);
    }
    if (!result.otherReading.empty() && otherReadingAt != at + length) result.otherReading += piece;
    result.text += piece;
    at += length;
  }
  if (result.otherReading == result.text) result.otherReading.clear();
  result.endsWithDeadKey = !waiting.empty();
  return result;
}

KeyTables::Conversion convertWord(std::u16string_view word, bool forceSwap, const LayoutAvailability& layouts,
                                  const KeyTables* tables) {
  if (!tables || tables->empty()) return {LayoutMaps::instance().transliterate(word, forceSwap, layouts), {}, false};
  return convertWord(word, forceSwap, layouts, tables, LayoutMaps::instance().guessLanguagePair(word, layouts));
}

KeyTables::Conversion convertWord(std::u16string_view word, bool forceSwap, const LayoutAvailability& layouts,
                                  const KeyTables* tables, const LanguagePair& pair) {
  if (tables && !tables->empty()) {
    const bool fromEnglish = pair.source == lang::english;
    const std::string from = LayoutMaps::layoutCode(pair.source);
    const std::string to = fromEnglish ? (pair.target.empty() ? "" : LayoutMaps::layoutCode(pair.target)) : "en";
    if (auto converted = tables->convert(word, from, to, forceSwap)) return std::move(*converted);
  }
  return {LayoutMaps::instance().transliterate(word, forceSwap, layouts), {}, false};
}

}  // namespace brisquel
