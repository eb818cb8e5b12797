// SPDX-License-Identifier: MIT
#pragma once
// The edit shortcuts that Control (or Fn) turns into Command shortcuts: one bit
// per shortcut in a persisted selection, and for each shortcut the characters
// its key produces in the supported layouts.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brisquel {

// An option set over a signed 64-bit raw value. Every raw value is accepted,
// including bits that name no shortcut.
struct EditHotKeys {
  std::int64_t rawValue = 0;

  constexpr EditHotKeys() = default;
  constexpr explicit EditHotKeys(std::int64_t raw) : rawValue(raw) {}
  constexpr EditHotKeys(std::initializer_list<EditHotKeys> members) {
    for (const auto& m : members) rawValue |= m.rawValue;
  }
  explicit EditHotKeys(const std::vector<EditHotKeys>& members) {
    for (const auto& m : members) rawValue |= m.rawValue;
  }

  static const EditHotKeys undo;
  static const EditHotKeys copy;
  static const EditHotKeys find;
  static const EditHotKeys selectAll;
  static const EditHotKeys open;
  static const EditHotKeys print;
  static const EditHotKeys quit;
  static const EditHotKeys zoom;
  static const EditHotKeys tabs;
  static const EditHotKeys windows;
  static const EditHotKeys refresh;
  static const EditHotKeys activityMonitor;
  static const EditHotKeys closeWindow;
  static const EditHotKeys redo;
  static const EditHotKeys paste;
  static const EditHotKeys cut;
  static const EditHotKeys save;
  // Bits 0 to 17: the 17 shortcuts plus bit 11, which names none.
  static const EditHotKeys all;

  // The 17 shortcuts in the order the menu lists them.
  static const std::array<EditHotKeys, 17>& menuOrder();

  // Single-bit members in ascending bit order.
  std::vector<EditHotKeys> elements() const;

  constexpr bool isEmpty() const { return rawValue == 0; }
  constexpr bool contains(EditHotKeys m) const { return (rawValue & m.rawValue) == m.rawValue; }
  constexpr EditHotKeys unionWith(EditHotKeys o) const { return EditHotKeys(rawValue | o.rawValue); }
  constexpr EditHotKeys intersection(EditHotKeys o) const { return EditHotKeys(rawValue & o.rawValue); }
  constexpr EditHotKeys symmetricDifference(EditHotKeys o) const { return EditHotKeys(rawValue ^ o.rawValue); }
  constexpr EditHotKeys subtracting(EditHotKeys o) const { return EditHotKeys(rawValue & ~o.rawValue); }
  constexpr bool isSubset(EditHotKeys o) const { return (rawValue & ~o.rawValue) == 0; }
  constexpr bool isSuperset(EditHotKeys o) const { return o.isSubset(*this); }
  constexpr bool isDisjoint(EditHotKeys o) const { return (rawValue & o.rawValue) == 0; }

  constexpr void formUnion(EditHotKeys o) { rawValue |= o.rawValue; }
  constexpr void formIntersection(EditHotKeys o) { rawValue &= o.rawValue; }
  constexpr void formSymmetricDifference(EditHotKeys o) { rawValue ^= o.rawValue; }
  constexpr void subtract(EditHotKeys o) { rawValue &= ~o.rawValue; }
  // True when the member was not yet contained.
  constexpr bool insert(EditHotKeys m) {
    const bool inserted = !contains(m);
    rawValue |= m.rawValue;
    return inserted;
  }
  // The removed part, or none when nothing of it was contained.
  constexpr std::optional<EditHotKeys> remove(EditHotKeys m) {
    const EditHotKeys removed = intersection(m);
    rawValue &= ~m.rawValue;
    if (removed.isEmpty()) return std::nullopt;
    return removed;
  }
  // Inserts; answers the part that was already contained, if any.
  constexpr std::optional<EditHotKeys> update(EditHotKeys m) {
    const EditHotKeys had = intersection(m);
    rawValue |= m.rawValue;
    if (had.isEmpty()) return std::nullopt;
    return had;
  }

  friend constexpr bool operator==(EditHotKeys a, EditHotKeys b) { return a.rawValue == b.rawValue; }
  friend constexpr EditHotKeys operator|(EditHotKeys a, EditHotKeys b) { return a.unionWith(b); }
  friend constexpr EditHotKeys operator&(EditHotKeys a, EditHotKeys b) { return a.intersection(b); }
  friend constexpr EditHotKeys operator^(EditHotKeys a, EditHotKeys b) { return a.symmetricDifference(b); }
};

inline constexpr EditHotKeys EditHotKeys::undo{1};
inline constexpr EditHotKeys EditHotKeys::copy{2};
inline constexpr EditHotKeys EditHotKeys::find{4};
inline constexpr EditHotKeys EditHotKeys::selectAll{8};
inline constexpr EditHotKeys EditHotKeys::open{16};
inline constexpr EditHotKeys EditHotKeys::print{32};
inline constexpr EditHotKeys EditHotKeys::quit{64};
inline constexpr EditHotKeys EditHotKeys::zoom{128};
inline constexpr EditHotKeys EditHotKeys::tabs{256};
inline constexpr EditHotKeys EditHotKeys::windows{512};
inline constexpr EditHotKeys EditHotKeys::refresh{1024};
inline constexpr EditHotKeys EditHotKeys::activityMonitor{4096};
inline constexpr EditHotKeys EditHotKeys::closeWindow{8192};
inline constexpr EditHotKeys EditHotKeys::redo{16384};
inline constexpr EditHotKeys EditHotKeys::paste{32768};
inline constexpr EditHotKeys EditHotKeys::cut{65536};
inline constexpr EditHotKeys EditHotKeys::save{131072};
inline constexpr EditHotKeys EditHotKeys::all{0x3FFFF};

// Key-name groups (lower-case UTF-8 characters) by single-bit value: 16
// entries, every shortcut except activityMonitor, which is recognised by key
// code. Built once, never changed.
const std::map<std::int64_t, std::vector<std::string>>& editHotkeysValues();

// The group of one bit value, or none (4096, 2048 and every non-shortcut value).
const std::vector<std::string>* editHotkeysGroup(std::int64_t bitValue);

// The characters of every enabled shortcut, in ascending bit order.
std::vector<std::string> enabledEditKeysValuesFor(EditHotKeys selection);

}  // namespace brisquel
