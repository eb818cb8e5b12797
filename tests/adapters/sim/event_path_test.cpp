// The path of a key event: taps (newest first) may pass, replace or drop it,
// then the global monitors, then the frontmost application; posted events
// take the same path, queued behind the event being handled.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/SimDesktop.h"
#include "base/Text.h"

namespace brisquel::sim {
namespace {

class EventPathTest : public ::testing::Test {
 protected:
  EventPathTest() {
    desktop.enableLayouts({"en", "ru"});
    desktop.setTypingInterval(0);
  }
  std::string describe(EventType type, const KeyEvent& e) {
    std::string s = type == EventType::KeyDown ? "down " : type == EventType::KeyUp ? "up " : "flags ";
    return s + (e.characters ? text::toUtf8(*e.characters) : std::string("-"));
  }
  Desktop desktop;
  Platform platform = desktop.platform();
  SimApp& editor = desktop.addApplication({"com.example.editor", "Editor", "/Applications/Editor.app", 0});
};

TEST_F(EventPathTest, NewestTapSeesEventsFirstAndCanReplaceOrDrop) {
  std::vector<std::string> log;
  auto older = platform.keyboard->createEventTap(kKeyEventsMask, [&](EventType type, const KeyEvent& e) {
    log.push_back("older " + describe(type, e));
    return std::optional<KeyEvent>(e);
  });
  auto newer = platform.keyboard->createEventTap(kKeyEventsMask,
                                                 [&](EventType type, const KeyEvent& e) -> std::optional<KeyEvent> {
                                                   log.push_back("newer " + describe(type, e));
                                                   if (e.keyCode == KeyCode::ANSI_X) return std::nullopt;  // drop
                                                   if (e.keyCode == KeyCode::ANSI_A) {
                                                     KeyEvent replacement = e;
                                                     replacement.characters = u"b";
                                                     return replacement;
                                                   }
                                                   return e;
                                                 });
  ASSERT_TRUE(older && newer);
  desktop.press("a x");
  std::vector<std::string> expected = {"newer down a", "older down b", "newer up a",
                                       "older up b",   "newer down x", "newer up x"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(editor.textUtf8(), "b");
}

TEST_F(EventPathTest, DisabledDestroyedAndMaskedTapsSeeNothing) {
  int disabledSeen = 0, maskedSeen = 0, destroyedSeen = 0;
  auto disabled = platform.keyboard->createEventTap(kKeyEventsMask, [&](EventType, const KeyEvent& e) {
    ++disabledSeen;
    return std::optional<KeyEvent>(e);
  });
  auto flagsOnly = platform.keyboard->createEventTap(1u << 12, [&](EventType, const KeyEvent& e) {
    ++maskedSeen;
    return std::optional<KeyEvent>(e);
  });
  auto destroyed = platform.keyboard->createEventTap(kKeyEventsMask, [&](EventType, const KeyEvent&) {
    ++destroyedSeen;
    return std::optional<KeyEvent>();  // would drop everything
  });
  disabled->setEnabled(false);
  EXPECT_FALSE(disabled->isEnabled());
  destroyed.reset();
  EXPECT_EQ(desktop.tapCount(), 2u);
  desktop.press("a shift+b");
  EXPECT_EQ(disabledSeen, 0);
  EXPECT_EQ(destroyedSeen, 0);
  EXPECT_EQ(maskedSeen, 2);  // Shift down and up
  EXPECT_EQ(editor.textUtf8(), "aB");
}

TEST_F(EventPathTest, PostedEventsAreQueuedBehindTheCurrentEventNotReentered) {
  std::vector<std::string> log;
  bool inCallback = false;
  bool reentered = false;
  auto tap = platform.keyboard->createEventTap(kKeyEventsMask, [&](EventType type, const KeyEvent& e) {
    reentered = reentered || inCallback;
    inCallback = true;
    log.push_back(describe(type, e) + (e.userData ? " marked" : ""));
    if (type == EventType::KeyDown && e.keyCode == KeyCode::ANSI_A && !e.userData) {
      for (const char16_t* s : {u"1", u"2"}) {
        auto posted = platform.keyboard->createKeyboardEvent(KeyCode::ANSI_Z, true);
        posted->characters = s;
        posted->userData = 0xDEADBEEF;
        platform.keyboard->post(*posted);
      }
      log.push_back("posted");
    }
    inCallback = false;
    return std::optional<KeyEvent>(e);
  });
  desktop.keyDown(KeyCode::ANSI_A);
  EXPECT_FALSE(reentered);
  std::vector<std::string> expected = {"down a", "posted", "down 1 marked", "down 2 marked"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(editor.textUtf8(), "a12");
  ASSERT_EQ(desktop.posted().size(), 2u);
  EXPECT_EQ(desktop.posted()[0].event.userData, 0xDEADBEEF);
}

TEST_F(EventPathTest, CreatedKeyboardEventsCarryTheCurrentLayoutsCharacters) {
  desktop.selectLayout("ru");
  auto event = platform.keyboard->createKeyboardEvent(KeyCode::ANSI_F, true);
  ASSERT_TRUE(event);
  EXPECT_EQ(event->type, EventType::KeyDown);
  EXPECT_EQ(event->characters, u"а");
  EXPECT_EQ(event->flags, 0u);
  // Posted outside any tap callback, it is delivered at once.
  event->flags = Flags::Shift;
  platform.keyboard->post(*event);
  EXPECT_EQ(editor.textUtf8(), "а");
}

TEST_F(EventPathTest, MonitorsObserveAfterTapsAndSeeNothingDropped) {
  std::vector<std::uint64_t> flagsSeen;
  int clicks = 0;
  auto flagsMonitor = platform.keyboard->addGlobalMonitor(MonitorKind::FlagsChanged,
                                                          [&](const KeyEvent& e) { flagsSeen.push_back(e.flags); });
  auto mouseMonitor = platform.keyboard->addGlobalMonitor(MonitorKind::MouseDown, [&](const KeyEvent&) { ++clicks; });
  auto tap = platform.keyboard->createEventTap(kKeyEventsMask, [&](EventType, const KeyEvent& e) {
    if (e.keyCode == KeyCode::Command) return std::optional<KeyEvent>();
    return std::optional<KeyEvent>(e);
  });
  desktop.press("opt cmd");
  editor.setText("hello");
  desktop.click(2);
  EXPECT_EQ(flagsSeen, (std::vector<std::uint64_t>{Flags::Option, 0}));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(editor.selection(), (TextRange{2, 0}));
  flagsMonitor.reset();
  desktop.press("opt");
  EXPECT_EQ(flagsSeen.size(), 2u);
}

TEST_F(EventPathTest, SystemDisablingTapsTellsEachCallback) {
  std::vector<EventType> types;
  auto tap = platform.keyboard->createEventTap(kKeyEventsMask, [&](EventType type, const KeyEvent& e) {
    types.push_back(type);
    return std::optional<KeyEvent>(e);
  });
  desktop.disableTaps(EventType::TapDisabledByTimeout);
  desktop.press("a");
  EXPECT_EQ(types, std::vector<EventType>{EventType::TapDisabledByTimeout});
  EXPECT_FALSE(tap->isEnabled());
  EXPECT_EQ(editor.textUtf8(), "a");
}

TEST_F(EventPathTest, KeysGoToTheFrontmostApplication) {
  SimApp& terminal = desktop.addApplication({"com.example.terminal", "Terminal", "/Applications/Terminal.app", 0});
  std::vector<std::string> activated;
  auto observer = platform.workspace->observeActivation(
      [&](const RunningApplication& app) { activated.push_back(app.bundleIdentifier.value_or("?")); });
  desktop.typeText("a");
  desktop.activate("com.example.terminal");
  desktop.typeText("b");
  desktop.activate("com.example.terminal");  // already frontmost: no notification
  EXPECT_EQ(editor.textUtf8(), "a");
  EXPECT_EQ(terminal.textUtf8(), "b");
  EXPECT_EQ(activated, std::vector<std::string>{"com.example.terminal"});
  EXPECT_EQ(platform.workspace->frontmostApplication()->pid, terminal.pid());
  EXPECT_NE(terminal.pid(), editor.pid());
}

}  // namespace
}  // namespace brisquel::sim
