// The generated keyboard table against the reference table built from the
// same X11 data, and every key of every layout typed through the keyboard.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "sim/KeyboardLayouts.h"
#include "sim/SimDesktop.h"
#include "base/Text.h"

namespace brisquel::sim {
namespace {

// Just enough JSON for the reference file: objects, arrays and strings.
struct Json {
  std::variant<std::string, std::vector<Json>, std::map<std::string, Json>> value;
  const Json& operator[](const std::string& key) const { return std::get<2>(value).at(key); }
  const std::vector<Json>& array() const { return std::get<1>(value); }
  const std::map<std::string, Json>& object() const { return std::get<2>(value); }
  const std::string& string() const { return std::get<0>(value); }
};

class JsonReader {
 public:
  explicit JsonReader(std::string text) : s_(std::move(text)) {}
  Json parse() {
    skip();
    char c = s_.at(i_);
    if (c == '{') {
      std::map<std::string, Json> object;
      ++i_;
      for (skip(); s_.at(i_) != '}'; skip()) {
        std::string key = parseString();
        skip();
        ++i_;  // ':'
        object.emplace(key, parse());
        skip();
        if (s_.at(i_) == ',') ++i_;
      }
      ++i_;
      return Json{object};
    }
    if (c == '[') {
      std::vector<Json> array;
      ++i_;
      for (skip(); s_.at(i_) != ']'; skip()) {
        array.push_back(parse());
        skip();
        if (s_.at(i_) == ',') ++i_;
      }
      ++i_;
      return Json{array};
    }
    if (c == '"') return Json{parseString()};
    std::string scalar;
    while (i_ < s_.size() && std::string_view(",]} \n\t\r").find(s_[i_]) == std::string_view::npos) scalar += s_[i_++];
    return Json{scalar};
  }

 private:
  void skip() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  std::string parseString() {
    ++i_;  // opening quote
    std::u16string out;
    while (s_.at(i_) != '"') {
      if (s_[i_] == '\\') {
        char e = s_.at(++i_);
        if (e == 'u') {
          out += static_cast<char16_t>(std::stoi(s_.substr(i_ + 1, 4), nullptr, 16));
          i_ += 5;
          continue;
        }
        out += static_cast<char16_t>(e == 'n' ? '\n' : e == 't' ? '\t' : e);
        ++i_;
        continue;
      }
      std::size_t start = i_;
      while (s_.at(i_) != '"' && s_[i_] != '\\') ++i_;
      out += text::fromUtf8(std::string_view(s_).substr(start, i_ - start));
    }
    ++i_;
    return text::toUtf8(out);
  }
  std::string s_;
  std::size_t i_ = 0;
};

const Json& reference() {
  static const Json json = [] {
    std::ifstream in(std::string(BRISQUEL_SOURCE_DIR) + "/tests/adapters/sim/data/reference_layouts.json");
    std::stringstream content;
    content << in.rdbuf();
    return JsonReader(content.str()).parse();
  }();
  return json;
}

std::string levelName(const KeyLevel& level) {
  return level.isDead() ? std::string(level.deadKey) : text::toUtf8(level.text);
}

class LayoutTableTest : public ::testing::TestWithParam<std::string> {};

TEST_P(LayoutTableTest, MatchesReferenceTable) {
  const KeyboardLayout* layout = findKeyboardLayout(GetParam());
  ASSERT_NE(layout, nullptr);
  const Json& keys = reference()["layouts"][GetParam()];
  ASSERT_EQ(layout->keys.size(), reference()["keys"].array().size());
  for (const auto& key : layout->keys) {
    const auto& expected = keys[std::string(key.xkbName)].array();
    ASSERT_EQ(expected.size(), 2u) << key.xkbName;
    EXPECT_EQ(levelName(key.levels[0]), expected[0].string()) << GetParam() << ' ' << key.xkbName << " plain";
    EXPECT_EQ(levelName(key.levels[1]), expected[1].string()) << GetParam() << ' ' << key.xkbName << " shift";
  }
}

// Every key, plain and with Shift, typed on the simulated keyboard with the
// layout selected; dead keys followed by Space give their spacing accent.
TEST_P(LayoutTableTest, EveryKeyTypesItsReferenceCharacter) {
  const KeyboardLayout* layout = findKeyboardLayout(GetParam());
  ASSERT_NE(layout, nullptr);
  Desktop desktop;
  desktop.enableLayouts({std::string(layout->code)});
  desktop.setTypingInterval(0);
  SimApp& editor = desktop.addApplication({"com.example.editor", "Editor", "/Applications/Editor.app", 0});
  const Json& keys = reference()["layouts"][GetParam()];
  const Json& dead = reference()["dead"];
  for (const auto& key : layout->keys) {
    for (int level = 0; level < 2; ++level) {
      std::string expected = keys[std::string(key.xkbName)].array()[level].string();
      bool isDead = expected.starts_with("dead_");
      if (isDead) expected = dead[expected].array()[1].string();
      editor.setText(u"");
      if (level == 1) desktop.keyDown(KeyCode::Shift);
      desktop.tapKey(key.keyCode);
      if (level == 1) desktop.keyUp(KeyCode::Shift);
      if (isDead) desktop.tapKey(KeyCode::Space);
      EXPECT_EQ(editor.textUtf8(), expected) << GetParam() << ' ' << key.xkbName << " level " << level + 1;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutTableTest, ::testing::Values("us", "ru", "ua", "il", "ara", "gr"),
                         [](const auto& info) { return info.param; });

TEST(DeadKeyTable, MatchesReference) {
  const auto& expected = reference()["dead"].object();
  ASSERT_EQ(deadKeys().size(), expected.size());
  for (const auto& dead : deadKeys()) {
    auto it = expected.find(std::string(dead.name));
    ASSERT_NE(it, expected.end()) << dead.name;
    EXPECT_EQ(text::toUtf8(dead.combining), it->second.array()[0].string()) << dead.name;
    EXPECT_EQ(text::toUtf8(dead.spacing), it->second.array()[1].string()) << dead.name;
  }
}

}  // namespace
}  // namespace brisquel::sim
