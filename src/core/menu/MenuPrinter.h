// SPDX-License-Identifier: MIT
#pragma once
// A readable listing of a menu tree, one row per line: submenus indented,
// then the kind of row, its tag, its state, whether it is hidden, and the
// title as shown.
//
//   submenu "Velmonte"
//     label "Switching method:"
//     radio tag=0 off "Shift ⇧ + Fn"
//     ...

#include <functional>
#include <string>

#include "menu/MenuModel.h"
#include "platform/Workspace.h"

namespace brisquel {

// How a link to a place of the desktop is written: what the desktop opens for it.
using PlaceNames = std::function<std::string(DesktopPlace)>;

std::string formatMenuTree(const Menu& menu, const PlaceNames& placeName);

}  // namespace brisquel
