// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "layouts/InputSources.h"
#include "sim/SimDesktop.h"

namespace brisquel {
namespace {

// Input sources exactly as the test adds them to the simulated desktop, which
// records every selection.
struct ConfiguredSources {
  ConfiguredSources() { desktop.clearSources(); }
  InputSourceRef add(InputSource source) { return desktop.addSource(std::move(source)); }
  void setCurrent(InputSourceRef source) { desktop.setCurrentSource(std::move(source)); }
  InputSourceRef current() const { return desktop.currentSource(); }
  const std::vector<std::string>& selected() const { return desktop.selectLog(); }
  operator InputSourcePort&() { return *desktop.platform().inputSources; }

  sim::Desktop desktop;
};

InputSource layout(std::string id, std::vector<std::string> languages) {
  return {kKeyboardInputSourceCategory, true, std::move(id), std::move(languages)};
}

using Ids = std::vector<std::string>;

Ids idsOf(const std::vector<InputSourceRef>& sources) {
  Ids ids;
  for (const auto& s : sources) ids.push_back(s->id.value_or("<no id>"));
  return ids;
}

TEST(InputSources, ActiveLayoutsAreSelectableKeyboardSourcesInSystemOrder) {
  ConfiguredSources port;
  port.add(layout("us", {"en"}));
  port.add({"TISCategoryPaletteInputSource", true, "emoji", std::nullopt});
  port.add({kKeyboardInputSourceCategory, false, "not-selectable", {{"fr"}}});
  port.add({kKeyboardInputSourceCategory, std::nullopt, "no-flag", {{"de"}}});
  port.add({std::nullopt, true, "no-category", {{"it"}}});
  port.add({kKeyboardInputSourceCategory, true, "input-mode", std::nullopt});  // input methods count too
  port.add(layout("ru", {"ru"}));
  EXPECT_EQ(idsOf(InputSources(port).getActiveLayouts()), (Ids{"us", "input-mode", "ru"}));

  ConfiguredSources none;
  EXPECT_TRUE(InputSources(none).getActiveLayouts().empty());
}

TEST(InputSources, IndicatorCode) {
  struct Case {
    std::optional<std::string> id;
    std::optional<std::vector<std::string>> languages;
    std::string expected;
  };
  const Case cases[] = {
      {"com.apple.keylayout.US", {{"en"}}, "EN"},
      {"com.apple.keylayout.Greek", {{"el", "en"}}, "EL"},
      {"com.apple.keylayout.Ukrainian", {{"uk"}}, "UK"},
      {"x", {{"zh-Hans"}}, "ZH"},
      {"x", {{"e"}}, "E"},
      {"x", {{"ñu-x"}}, "ÑU"},             // characters, not bytes
      {"x", {{"e\u0301xy"}}, "E\u0301X"},  // a combining accent stays with its letter
      // Identifier fallback when the languages list is missing or empty.
      {"com.apple.keylayout.Ukrainian", std::nullopt, "UA"},
      {"com.apple.keylayout.Ukrainian-PC", {{}}, "UA"},
      {"com.apple.keylayout.RUSSIAN-PC", std::nullopt, "RU"},
      {"org.example.Hebrew-QWERTY", std::nullopt, "HE"},
      {"org.example.arabic", std::nullopt, "AR"},
      {"org.example.GreekPolytonic", std::nullopt, "EL"},
      {"org.example.ukrainian-russian", std::nullopt, "RU"},  // table order decides
      {"com.apple.keylayout.German", std::nullopt, "EN"},
      {std::nullopt, std::nullopt, "EN"},
  };
  for (const Case& c : cases) {
    ConfiguredSources port;
    port.setCurrent(port.add({kKeyboardInputSourceCategory, true, c.id, c.languages}));
    EXPECT_EQ(InputSources(port).getCurrentLanguageCode(), c.expected) << "id " << c.id.value_or("<none>");
  }
  ConfiguredSources noCurrent;
  EXPECT_EQ(InputSources(noCurrent).getCurrentLanguageCode(), "EN");
}

// A standard set: US, Russian, Ukrainian (declares only "uk-UA"), a second Russian.
struct Desk {
  ConfiguredSources port;
  InputSourceRef us, ru, ua, ru2;
  Desk() {
    us = port.add(layout("us", {"en"}));
    ru = port.add(layout("ru", {"ru"}));
    ua = port.add(layout("ua", {"uk-UA"}));
    ru2 = port.add(layout("ru-phonetic", {"ru", "en"}));
    port.setCurrent(us);
  }
};

// Going round the layouts is played end to end in ChangeLayoutActionDecidesWhatTheKeysType.
TEST(InputSources, SwitchToNextLayoutEdgeCases) {
  struct Case {
    const char* what;
    bool standardSet;  // else no layouts but the current one, when enabled
    std::optional<InputSource> current;
    bool enabled;
    Ids expected;
  };
  const Case cases[] = {
      {"one layout: selected again", false, layout("us", {"en"}), true, {"us"}},
      {"nothing enabled", false, layout("us", {"en"}), false, {}},
      {"palette", true, InputSource{"TISCategoryPaletteInputSource", true, "emoji", std::nullopt}, true, {}},
      {"not select-capable", true, InputSource{kKeyboardInputSourceCategory, false, "hidden", std::nullopt}, true, {}},
      {"no identifier", true, InputSource{kKeyboardInputSourceCategory, true, {}, {}}, false, {}},
      {"no current source", true, std::nullopt, false, {}},
  };
  for (const Case& c : cases) {
    Desk d;
    ConfiguredSources bare;
    ConfiguredSources& port = c.standardSet ? d.port : bare;
    InputSourceRef current;
    if (c.current) current = c.enabled ? port.add(*c.current) : std::make_shared<const InputSource>(*c.current);
    port.setCurrent(current);
    InputSources(port).switchToNextLayout();
    EXPECT_EQ(port.selected(), c.expected) << c.what;
  }
}

// By language (the first layout declaring it) or by identifier, matched
// exactly; a miss leaves the current layout.
TEST(InputSources, SwitchToLayoutByLanguageOrIdentifier) {
  struct Case {
    bool byId;
    std::string name;
    Ids expected;
  };
  const Case cases[] = {
      {false, "ru", {"ru"}},                        // the first of two Russian layouts
      {false, "en", {"us"}},                        // the first declaring it, even as a second language
      {false, "uk", {}},                            // "uk-UA" is not "uk"
      {false, "uk-UA", {"ua"}}, {false, "RU", {}},  // case-sensitive
      {false, "he", {}},                            // nobody declares it
      {false, "", {}},
      {true, "ru-phonetic", {"ru-phonetic"}},  // the current one, selected again
      {true, "us", {"us"}},
      {true, "RU", {}},               // case-sensitive
      {true, "com.gone.layout", {}},  // since disabled
      {true, "emoji", {}},            // enabled, but not a keyboard layout
  };
  for (const Case& c : cases) {
    Desk d;
    d.port.add({"TISCategoryPaletteInputSource", true, "emoji", std::nullopt});
    d.port.add({kKeyboardInputSourceCategory, true, std::nullopt, {{"en"}}});
    d.port.setCurrent(d.ru2);
    if (c.byId) {
      InputSources(d.port).switchToInputSourceByID(c.name);
    } else {
      InputSources(d.port).switchToLayout(c.name);
    }
    EXPECT_EQ(d.port.selected(), c.expected) << (c.byId ? "id " : "language ") << c.name;
    if (c.expected.empty()) {
      EXPECT_EQ(d.port.current(), d.ru2) << c.name;
    }
  }
  ConfiguredSources none;
  InputSources(none).switchToInputSourceByID("us");
  EXPECT_EQ(none.selected(), Ids{});
}

// On the simulated desktop: the layout chosen is the one the user then types with.
TEST(InputSourcesDesktop, TheLayoutSelectedDecidesWhatTheKeysType) {
  sim::Desktop desk;
  desk.enableLayouts({"en", "ru", "uk", "he"});
  sim::SimApp& editor = desk.addApplication({"com.example.editor", "Editor", "/Applications/Editor.app"});
  desk.activate("com.example.editor");
  InputSources sources(*desk.platform().inputSources);

  struct Step {
    std::optional<std::string> language;
    std::string indicator;
    std::string typed;  // what the keys g h b d t n give
  };
  const Step steps[] = {
      {std::string("ru"), "RU", "привет"}, {std::nullopt, "UK", "привет"},  // Ukrainian types the same letters here
      {std::nullopt, "HE", "עינגאמ"},      {std::string("el"), "HE", "עינגאמ"},  // not enabled: unchanged
      {std::nullopt, "EN", "ghbdtn"},
  };
  for (const Step& step : steps) {
    if (step.language) {
      sources.switchToLayout(*step.language);
    } else {
      sources.switchToNextLayout();
    }
    EXPECT_EQ(sources.getCurrentLanguageCode(), step.indicator) << step.language.value_or("<next>");
    editor.setText(std::string_view(""));
    desk.typeText(std::string_view("ghbdtn"), "us");
    EXPECT_EQ(editor.textUtf8(), step.typed) << "after " << step.language.value_or("<next>");
  }
}

}  // namespace
}  // namespace brisquel
