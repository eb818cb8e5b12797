// The menu built on its own, before the rest of the program draws the
// indicator: the status item's first image and the shipped icon.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "MenuFixture.h"
#include "layouts/MenuBarIndicator.h"
#include "menu/MenuController.h"
#include "settings/SettingsHelper.h"

namespace brisquel::testing {
namespace {

TEST(MenuController, TheStatusItemFirstShowsTheGlobeAndTheMenuIsAttached) {
  L10n::setCurrentForTesting("en");
  sim::Desktop desktop(freshFolder("menu"));
  desktop.enableLayouts({"en", "ru"});
  const Platform platform = desktop.platform();
  auto settings = SettingsHelper::create(*platform.defaults, *platform.files, *platform.mainQueue, *platform.workspace);
  EditHotKeys tapState;
  MenuHost host;
  host.setEditKeysState = [&](EditHotKeys state) { tapState = state; };
  auto controller = MenuController::create(*settings, *platform.ui, *platform.application,
                                           InputSources(*platform.inputSources), host);
  controller->initMenu();

  ASSERT_TRUE(desktop.statusItemImage());
  EXPECT_EQ(desktop.statusItemImage()->systemSymbol, "globe");
  EXPECT_EQ(desktop.statusItemImage()->accessibilityDescription, L("menu.language_switcher"));
  EXPECT_EQ(desktop.statusItemImage()->size, (Size{18, 18}));
  EXPECT_TRUE(desktop.statusItemImage()->isTemplate);
  EXPECT_EQ(desktop.statusItemMenu(), controller->menu());
  EXPECT_EQ(tapState, EditHotKeys::all) << "the tap is told the stored selection";

  // The top level, in order.
  std::vector<std::string> titles;
  for (const auto& item : controller->menu()->items()) {
    titles.push_back(item->isSeparatorItem() ? "-"
                     : item->view()          ? "row " + std::to_string(item->tag())
                                             : item->title());
  }
  EXPECT_EQ(titles, (std::vector<std::string>{L("menu.language_switcher"), L("menu.control_shortcuts"), "row 998", "-",
                                              L("menu.about"), L("menu.quit")}));
}

TEST(MenuController, TheShippedIconIsAnEighteenPointMonochromeImage) {
  const auto icon =
      std::filesystem::path(BRISQUEL_SOURCE_DIR) / "resources" / (std::string(MenuBarIndicator::kIconName) + ".svg");
  std::ifstream in(icon);
  ASSERT_TRUE(in) << icon;
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("width=\"18\" height=\"18\""), std::string::npos);
  EXPECT_EQ(text.str().find("fill=\"#"), std::string::npos) << "only strokes, no colour fills";
}

}  // namespace
}  // namespace brisquel::testing
