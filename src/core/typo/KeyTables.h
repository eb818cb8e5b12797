// SPDX-License-Identifier: MIT
#pragma once
// Conversion by the key tables of the layouts a person has: a character
// becomes what the same key, at the same level and after the same dead key,
// gives on the other layout. Built once per set of enabled layouts; the
// lookups are then constant-time per character.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/InputSources.h"
#include "typo/LayoutMaps.h"

namespace brisquel {

class KeyTables {
 public:
  // Adds the table of the layout with this code ("en", "ru", ...). The first
  // table given for a code wins (the system's order of sources).
  void add(const std::string& code, KeyboardTable table);
  bool has(std::string_view code) const;
  bool empty() const { return layouts_.empty(); }

  struct Conversion {
    std::u16string text;
    // The same where a character two keys type (Greek Σ: Shift+S or Shift+W)
    // is read as the other key; empty when no character is read two ways.
    std::u16string otherReading;
    bool endsWithDeadKey = false;  // the last keys wait for another one on `to`
  };
  // The text as the keys that typed it on `from` give it on `to`. Characters
  // `from` cannot type are kept; with swapBack those `to` can type go the other
  // way (a forced swap of mixed text). None when either layout has no table.
  std::optional<Conversion> convert(std::u16string_view text, std::string_view from, std::string_view to,
                                    bool swapBack = false) const;

 private:
  struct Stroke {
    std::uint16_t keyCode = 0;
    std::uint8_t level = 0;
  };
  // The keys that type a text: one key, or a dead key and a base key.
  struct Typing {
    Stroke keys[2];
    std::uint8_t count = 0;
    std::uint8_t rank = 0;  // lower is the likelier way to type it
  };
  struct Layout {
    KeyboardTable table;  // owns the texts the views below point into
    std::unordered_map<std::u16string_view, Typing> typing;
    std::unordered_map<std::u16string_view, Stroke> otherKey;  // a second single key typing the same
    std::unordered_map<std::uint32_t, const KeyOutput*> outputs;  // keyCode << 1 | level
    std::map<std::pair<std::string_view, std::u16string_view>, std::u16string_view> compositions;
    std::size_t longestText = 1;  // UTF-16 units of the longest text in `typing`
    // `typing` for the one-unit texts of the scripts' blocks (below U+0800),
    // looked up on every key; count 0 where no key types it.
    std::vector<Typing> oneUnit;
  };

  static void index(Layout& layout);
  static std::optional<std::pair<Typing, std::size_t>> typingAt(const Layout& layout, std::u16string_view text,
                                                                 std::size_t at, bool& upperCased);
  const Layout* find(std::string_view code) const;

  std::vector<std::pair<std::string, std::unique_ptr<Layout>>> layouts_;
};

// The word in the other layout, the direction chosen by the word itself (a
// forced swap also turns characters of the other layout back): by the key
// tables where both layouts have one, else by the built-in maps.
KeyTables::Conversion convertWord(std::u16string_view word, bool forceSwap, const LayoutAvailability& layouts,
                                  const KeyTables* tables);
// The same for a word whose language pair is already known.
KeyTables::Conversion convertWord(std::u16string_view word, bool forceSwap, const LayoutAvailability& layouts,
                                  const KeyTables* tables, const LanguagePair& pair);

}  // namespace brisquel
