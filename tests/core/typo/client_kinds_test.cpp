// SPDX-License-Identifier: MIT
// The same typing in the kinds of client a rewrite must reach: one whose text
// is rewritten through accessibility, one that takes keys in order, and one
// that applies typed text at once but replays other keys late (Chromium on
// Linux). In the last no rewrite is exact, so the text stays as typed.
#include "TypoFixture.h"

namespace brisquel::testing {
namespace {

constexpr const char* kBrowser = "org.chromium.Chromium";

class ClientKinds : public TypoScenario {
 protected:
  void SetUp() override {
    TypoScenario::SetUp();
    sim::SimApp& browser = desktop_.addApplication({kBrowser, "Chromium", "/usr/lib/chromium", 0});
    browser.setReplaysKeysLate(true);
    browser.axFaults().noFocusedElement = true;  // no text to read or write
  }
};

TEST_F(ClientKinds, ARewriteIsExactOrNotMade) {
  struct Row {
    const char* client;
    Steps steps;
  };
  const std::vector<Row> rows = {
      {kTextEdit, {{"ghbdtn vbh "}, "привет мир ", "", "ru"}},
      {kTerminal, {{"ghbdtn vbh "}, "привет мир ", "bs bs bs bs bs bs привет ", "ru"}},
      {kBrowser, {{"ghbdtn vbh "}, "ghbdtn vbh ", "", "en"}},
      {kBrowser, {{"Z gjqle pfdnhf "}, "Z gjqle pfdnhf ", "", "en"}},
      {kTerminal, {{"cat", "@opt"}, "сфе", "bs bs bs сфе", "ru"}},
      {kBrowser, {{"cat", "@opt"}, "cat", "", "en"}},
      {kBrowser, {{"cat ", "@opt"}, "cat ", "", "en"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.client);
    expectSteps(row.steps, row.client);
  }
}

// The model of the late client is real: keys and text posted in that order
// come out scrambled there.
TEST_F(ClientKinds, TheLateClientLetsTextOvertakeKeys) {
  freshField(kBrowser);
  type("ntcn");
  KeyboardPort& keyboard = *desktop_.platform().keyboard;
  auto post = [&](std::uint16_t code, const char16_t* characters) {
    for (bool down : {true, false}) {
      auto event = keyboard.createKeyboardEvent(code, down);
      ASSERT_TRUE(event);
      event->userData = syntheticEventMarker;
      if (characters) event->characters = characters;
      keyboard.post(*event);
    }
  };
  for (int i = 0; i < 4; ++i) post(KeyCode::Delete, nullptr);
  post(0, u"тест");
  EXPECT_EQ(text(), "ntcnтест");
  desktop_.advance(0);
  EXPECT_EQ(text(), "ntcn");  // meant: "тест"
}

}  // namespace
}  // namespace brisquel::testing
