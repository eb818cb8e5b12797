// SPDX-License-Identifier: MIT
// brisquel setup's readers and editors of the desktops' files on any bytes
// (an fcitx5 profile, kxkbrc, a sway config, gsettings' and setxkbmap's
// output): nothing crashes; a profile or an INI file edited once is not
// changed by the same edit again (a second setup changes nothing); an edited
// profile's first group holds the layouts first.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "brisquel/SetupPlan.h"

using namespace brisquel::cli::setup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t read = gnomeLayouts(text).size() + kdeLayouts(text).size() + swayLayouts(text).size() +
                     xkbQueryLayouts(text).size() + layoutsArgument(text).size();
  FUZZ_CHECK(read <= 5 * size + 5);

  const std::vector<Layout> layouts{{"us", ""}, {"ru", "phonetic"}};
  std::string error;
  if (const auto edited = withProfileLayouts(text, layouts, error)) {
    std::string again;
    const auto twice = withProfileLayouts(*edited, layouts, again);
    FUZZ_CHECK(twice && *twice == *edited);
    const auto group = firstProfileGroup(*edited);
    FUZZ_CHECK(group && group->items.size() >= 2 && group->items[0].first == "keyboard-us" &&
               group->items[1].first == "keyboard-ru-phonetic");
  } else {
    FUZZ_CHECK(!error.empty());
  }
  const std::string ini = withIniValue(text, "Behavior", "ShareInputState", "All");
  FUZZ_CHECK(withIniValue(ini, "Behavior", "ShareInputState", "All") == ini);
  return 0;
}
