// SPDX-License-Identifier: MIT
#pragma once
// The "Ctrl / Fn Hotkeys" submenu: its header row with the Toggle All and
// modifier check boxes, and the in-place refresh of titles and visibility
// when the modifiers change.

#include <memory>
#include <string>

#include "menu/MenuModel.h"

namespace brisquel {

inline constexpr std::int64_t kModifiersHeaderTag = 100100;
inline constexpr std::int64_t kToggleAllTag = 999;
inline constexpr std::int64_t kToggleAllArrowTag = 998;
inline constexpr std::int64_t kCtrlModifierTag = 100;
inline constexpr std::int64_t kFnModifierTag = 101;
inline constexpr std::int64_t kQuitClosesWindowsTag = 996;
inline constexpr std::int64_t kIgnoredShortcutsAppsTag = 888;
inline constexpr std::int64_t kNeedMoreShortcutsTag = 889;

inline constexpr const char* kOpenIgnoredShortcutsAppsList = "openIgnoredShortcutsAppsList";

// The modifier notation of the shortcut titles for the two modifier settings.
std::string modifierNotation(bool isCtrl, bool isFn);

std::shared_ptr<MenuItem> makeModifiersHeaderItem(bool isAllSelected, bool isCtrl, bool isFn,
                                                  std::weak_ptr<ActionTarget> target, const Selector& toggleAction,
                                                  const Selector& modifierAction);

// Rewrites the notation in every shortcut row's title; repeatable in any order of mode changes.
void updateEditMenuTitles(Menu& menu, bool isCtrl, bool isFn);

// Hides everything but the header's modifier boxes, the warning and the rows
// 888/889 when no modifier is selected; shows them again otherwise.
void updateEditMenuVisibility(bool shouldEnableOthers, Menu& menu);

}  // namespace brisquel
