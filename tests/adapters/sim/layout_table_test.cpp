// SPDX-License-Identifier: MIT
// The generated keyboard table against the reference table built from the
// same X11 data, and every key of every layout typed through the keyboard.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "sim/KeyboardLayouts.h"
#include "sim/SimDesktop.h"
#include "base/Text.h"

namespace brisquel::sim {
namespace {

// The reference file's objects of two-string arrays ("AE01": ["1", "!"]),
// by the name of the object they are in ("us", "dead").
using Levels = std::pair<std::string, std::string>;
using Reference = std::map<std::string, std::map<std::string, Levels>>;

// The file is UTF-8 whose only escapes are \\ and \".
std::string unescaped(const std::string& json) {
  std::string out;
  for (std::size_t i = 0; i < json.size(); ++i) {
    if (json[i] == '\\' && i + 1 < json.size()) ++i;
    out += json[i];
  }
  return out;
}

const Reference& reference() {
  static const Reference table = [] {
    std::ifstream in(std::string(BRISQUEL_SOURCE_DIR) + "/tests/adapters/sim/data/reference_layouts.json");
    std::stringstream content;
    content << in.rdbuf();
    const std::string json = content.str();
    static const std::regex item(R"re("(\w+)": (?:(\{)|\[\s*"((?:[^"\\]|\\.)*)",\s*"((?:[^"\\]|\\.)*)"\s*\]))re");
    Reference read;
    std::string object;
    for (std::sregex_iterator it(json.begin(), json.end(), item), end; it != end; ++it) {
      if ((*it)[2].matched) {
        object = (*it)[1];
      } else {
        read[object][(*it)[1]] = {unescaped((*it)[3]), unescaped((*it)[4])};
      }
    }
    return read;
  }();
  return table;
}

std::string levelName(const KeyLevel& level) {
  return level.isDead() ? std::string(level.deadKey) : text::toUtf8(level.text);
}

class LayoutTableTest : public ::testing::TestWithParam<std::string> {};

// Every key of the table, plain and with Shift, holds the reference's
// character and types it on the simulated keyboard with the layout selected;
// dead keys followed by Space give their spacing accent.
TEST_P(LayoutTableTest, EveryKeyTypesItsReferenceCharacter) {
  const KeyboardLayout* layout = findKeyboardLayout(GetParam());
  ASSERT_NE(layout, nullptr);
  const auto& keys = reference().at(GetParam());
  ASSERT_EQ(layout->keys.size(), keys.size());
  Desktop desktop;
  desktop.enableLayouts({std::string(layout->code)});
  desktop.setTypingInterval(0);
  SimApp& editor = desktop.addApplication({"com.example.editor", "Editor", "/Applications/Editor.app", 0});
  for (const auto& key : layout->keys) {
    ASSERT_TRUE(keys.count(std::string(key.xkbName))) << key.xkbName;
    for (int level = 0; level < 2; ++level) {
      SCOPED_TRACE(std::string(key.xkbName) + " level " + std::to_string(level + 1));
      const Levels& levels = keys.at(std::string(key.xkbName));
      std::string expected = level == 0 ? levels.first : levels.second;
      EXPECT_EQ(levelName(key.levels[level]), expected);
      const bool isDead = expected.starts_with("dead_");
      if (isDead) expected = reference().at("dead").at(expected).second;
      editor.setText(u"");
      if (level == 1) desktop.keyDown(KeyCode::Shift);
      desktop.tapKey(key.keyCode);
      if (level == 1) desktop.keyUp(KeyCode::Shift);
      if (isDead) desktop.tapKey(KeyCode::Space);
      EXPECT_EQ(editor.textUtf8(), expected);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutTableTest, ::testing::Values("us", "ru", "ua", "il", "ara", "gr"),
                         [](const auto& test) { return test.param; });

TEST(DeadKeyTable, MatchesReference) {
  const auto& expected = reference().at("dead");
  ASSERT_EQ(deadKeys().size(), expected.size());
  for (const auto& dead : deadKeys()) {
    auto it = expected.find(std::string(dead.name));
    ASSERT_NE(it, expected.end()) << dead.name;
    EXPECT_EQ(text::toUtf8(dead.combining), it->second.first) << dead.name;
    EXPECT_EQ(text::toUtf8(dead.spacing), it->second.second) << dead.name;
  }
}

}  // namespace
}  // namespace brisquel::sim
