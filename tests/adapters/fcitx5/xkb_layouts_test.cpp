// SPDX-License-Identifier: MIT
// The desktop host reads its layouts from xkb; the simulated keyboard's
// tables were generated from the same xkb data, so the two must agree.
#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <tuple>

#include "fcitx5/XkbLayouts.h"
#include "sim/KeyboardLayouts.h"

namespace brisquel::fcitx5 {
namespace {

auto compositionKeys(const KeyboardTable& table) {
  std::vector<std::tuple<std::string, std::u16string, std::u16string>> rows;
  // Letters only: the compose table also gives spacing and combining forms.
  for (const auto& c : table.compositions)
    if (u_isalpha(c.base[0])) rows.emplace_back(c.deadKey, c.base, c.result);
  std::sort(rows.begin(), rows.end());
  return rows;
}

TEST(XkbLayouts, KeyTablesMatchTheSimulatedKeyboards) {
  for (const char* name : {"us", "ru", "ua", "il", "ara", "gr"}) {
    SCOPED_TRACE(name);
    const sim::KeyboardLayout* layout = sim::findKeyboardLayout(name);
    ASSERT_NE(layout, nullptr);
    const KeyboardTable expected = sim::keyboardTable(*layout);
    const auto table = xkbKeyboardTable(*xkbLayoutOf(std::string("keyboard-") + name));
    ASSERT_TRUE(table.has_value());
    for (const auto& key : expected.keys) {
      const auto found = std::find_if(table->keys.begin(), table->keys.end(),
                                      [&](const KeyboardKey& k) { return k.keyCode == key.keyCode; });
      ASSERT_NE(found, table->keys.end()) << "key " << key.keyCode;
      for (int level = 0; level < 2; ++level) {
        EXPECT_EQ(found->levels[level].text, key.levels[level].text) << "key " << key.keyCode << " level " << level;
        EXPECT_EQ(found->levels[level].deadKey, key.levels[level].deadKey) << "key " << key.keyCode;
      }
    }
    EXPECT_EQ(compositionKeys(*table), compositionKeys(expected));
  }
}

TEST(XkbLayouts, NamesAndLanguagesFromTheRegistry) {
  struct Row {
    const char* inputMethod;
    std::vector<std::string> languages;
  };
  for (const Row& row : std::vector<Row>{{"keyboard-de", {"de"}},
                                         {"keyboard-br", {"pt"}},
                                         {"keyboard-by", {"be"}},
                                         {"keyboard-de-neo", {"de"}},
                                         {"keyboard-us-intl", {"en"}},
                                         {"pinyin", {}}}) {
    EXPECT_EQ(layoutLanguages(row.inputMethod), row.languages) << row.inputMethod;
  }
  EXPECT_FALSE(xkbKeyboardTable({"no-such-layout", ""}).has_value());
}

}  // namespace
}  // namespace brisquel::fcitx5
