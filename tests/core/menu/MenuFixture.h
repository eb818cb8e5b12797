// SPDX-License-Identifier: MIT
#pragma once
// The program started on the simulated desktop as a user starts it, with
// helpers to find rows of its status menu and click them.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "SimProgramTest.h"
#include "l10n/L10n.h"
#include "menu/EditMenuSection.h"
#include "menu/MenuTracker.h"
#include "menu/MenuViews.h"

namespace brisquel::testing {

class MenuProgramTest : public SimProgramTest {
 protected:
  MenuProgramTest() : SimProgramTest("menu") { L10n::setCurrentForTesting("en"); }
  ~MenuProgramTest() override { L10n::setCurrentForTesting("en"); }

  void start(SimProgramOptions options = {}) {
    startProgram(std::move(options));
    ASSERT_TRUE(desktop.statusItemMenu()) << "no menu attached to the status item";
  }

  std::shared_ptr<Menu> topMenu() { return desktop.statusItemMenu(); }
  std::shared_ptr<Menu> layoutMenu() { return topMenu()->items().at(0)->submenu(); }
  std::shared_ptr<Menu> editMenu() { return topMenu()->items().at(1)->submenu(); }

  // The row tagged tag (a control row first: the section header's tag is 0 too).
  static std::shared_ptr<MenuItem> row(const std::shared_ptr<Menu>& menu, std::int64_t tag) {
    for (const auto& item : menu->items()) {
      if (item->tag() == tag && dynamic_cast<StayOpenContainerView*>(item->view().get())) return item;
    }
    auto item = menu->itemWithTag(tag);
    if (!item) ADD_FAILURE() << "no row tagged " << tag;
    return item;
  }
  static StayOpenContainerView& container(const std::shared_ptr<MenuItem>& item) {
    auto* view = dynamic_cast<StayOpenContainerView*>(item->view().get());
    if (!view) throw std::logic_error("not a control row");
    return *view;
  }
  static Button& box(const std::shared_ptr<MenuItem>& item) { return *container(item).associatedButton; }
  Button& headerBox(std::int64_t tag) {
    for (const auto& b : *container(row(editMenu(), kModifiersHeaderTag)).associatedButtons) {
      if (b->tag() == tag) return *b;
    }
    throw std::logic_error("no header box");
  }
  // A click in the middle of a header box.
  void clickHeaderBox(MenuTracker& tracker, std::int64_t tag) {
    const Rect f = headerBox(tag).frame();
    tracker.click(row(editMenu(), kModifiersHeaderTag), {f.x + f.width / 2, f.y + f.height / 2});
  }

  std::optional<DefaultsValue> stored(const std::string& key) {
    auto it = desktop.defaultsValues().find(key);
    if (it == desktop.defaultsValues().end()) return std::nullopt;
    return it->second;
  }
};

}  // namespace brisquel::testing
