#include <gtest/gtest.h>

#include <set>

#include "hotkeys/EditHotKeys.h"

namespace brisquel {
namespace {

TEST(EditHotKeys, KeyNameGroups) {
  const auto& values = editHotkeysValues();
  EXPECT_EQ(values.size(), 16u);
  EXPECT_EQ(editHotkeysGroup(EditHotKeys::activityMonitor.rawValue), nullptr);
  EXPECT_EQ(editHotkeysGroup(2048), nullptr);
  EXPECT_EQ(editHotkeysGroup(3), nullptr);
  std::set<std::string> seen;
  for (const auto& [bit, group] : values) {
    EXPECT_EQ(group.size(), bit == EditHotKeys::save.rawValue ? 6u : 5u) << "bit " << bit;
    for (const auto& c : group) EXPECT_TRUE(seen.insert(c).second) << c << " is in two groups";
  }
  struct Case {
    const char* character;
    EditHotKeys member;
  };
  const Case cases[] = {
      {"ы", EditHotKeys::save}, {"і", EditHotKeys::save}, {"\u2014", EditHotKeys::zoom},   {"с", EditHotKeys::copy},
      {"/", EditHotKeys::quit}, {"н", EditHotKeys::redo}, {"ς", EditHotKeys::closeWindow},
  };
  for (const auto& c : cases) {
    const auto* group = editHotkeysGroup(c.member.rawValue);
    ASSERT_NE(group, nullptr);
    EXPECT_NE(std::find(group->begin(), group->end(), c.character), group->end()) << c.character;
  }
}

TEST(EditHotKeys, EnabledKeyNamesFollowTheSelection) {
  EXPECT_TRUE(enabledEditKeysValuesFor(EditHotKeys(0)).empty());
  EXPECT_TRUE(enabledEditKeysValuesFor(EditHotKeys::activityMonitor).empty());
  EXPECT_TRUE(enabledEditKeysValuesFor(EditHotKeys(std::int64_t{1} << 30)).empty());
  const std::vector<std::string> expected = {"z", "ζ", "я", "ז", "ئ", "v", "ω", "м", "ה", "ر"};
  EXPECT_EQ(enabledEditKeysValuesFor(EditHotKeys{EditHotKeys::paste, EditHotKeys::undo}), expected);
  EXPECT_EQ(enabledEditKeysValuesFor(EditHotKeys::all).size(), 16u * 5 + 1);
}

}  // namespace
}  // namespace brisquel
