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

#include <string>

#include "menu/MenuModel.h"

namespace brisquel {

std::string formatMenuTree(const Menu& menu);

}  // namespace brisquel
