// SPDX-License-Identifier: MIT
#include "hotkeys/EditHotKeys.h"

namespace brisquel {

const std::array<EditHotKeys, 17>& EditHotKeys::menuOrder() {
  static const std::array<EditHotKeys, 17> order = {
      undo, redo, cut,  copy,    paste,   selectAll,       find, open, save, print, closeWindow,
      quit, zoom, tabs, windows, refresh, activityMonitor,
  };
  return order;
}

std::vector<EditHotKeys> EditHotKeys::elements() const {
  // Unsigned so that the sign bit is walked like any other.
  std::vector<EditHotKeys> out;
  auto remaining = static_cast<std::uint64_t>(rawValue);
  for (std::uint64_t bit = 1; remaining != 0 && bit != 0; bit <<= 1) {
    if (remaining & bit) {
      out.emplace_back(static_cast<std::int64_t>(bit));
      remaining &= ~bit;
    }
  }
  return out;
}

const std::map<std::int64_t, std::vector<std::string>>& editHotkeysValues() {
  static const std::map<std::int64_t, std::vector<std::string>> values = {
      {1, {"z", "ζ", "я", "ז", "ئ"}},
      {2, {"c", "ψ", "с", "ב", "ؤ"}},
      {4, {"f", "φ", "а", "כ", "ب"}},
      {8, {"a", "α", "ф", "ש", "ش"}},
      {16, {"o", "ο", "щ", "ם", "خ"}},
      {32, {"p", "π", "з", "פ", "ح"}},
      // Hebrew and Greek produce "/" and ";" on the Q key.
      {64, {"/", ";", "q", "й", "ض"}},
      {128, {"=", "-", "+", "\u2014", "0"}},
      {256, {"t", "е", "τ", "א", "ف"}},
      {512, {"n", "ν", "т", "מ", "ى"}},
      {1024, {"r", "ρ", "к", "ר", "ق"}},
      {8192, {"w", "ц", "ς", "'", "ص"}},
      {16384, {"y", "υ", "н", "ט", "غ"}},
      {32768, {"v", "ω", "м", "ה", "ر"}},
      {65536, {"x", "χ", "ч", "ס", "ء"}},
      // Russian and Ukrainian differ on the S key.
      {131072, {"s", "σ", "ы", "і", "ד", "س"}},
  };
  return values;
}

const std::vector<std::string>* editHotkeysGroup(std::int64_t bitValue) {
  const auto& values = editHotkeysValues();
  auto it = values.find(bitValue);
  return it == values.end() ? nullptr : &it->second;
}

std::vector<std::string> enabledEditKeysValuesFor(EditHotKeys selection) {
  std::vector<std::string> out;
  for (const auto& member : selection.elements()) {
    if (const auto* group = editHotkeysGroup(member.rawValue)) out.insert(out.end(), group->begin(), group->end());
  }
  return out;
}

}  // namespace brisquel
