// The simulated desktop's clock, input sources, files and spelling ports.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "TestFolders.h"
#include "sim/SimDesktop.h"

namespace brisquel::sim {
namespace {

TEST(Clock, WorkRunsInTimeOrderAndCancelledWorkDoesNot) {
  Desktop desktop;
  Platform p = desktop.platform();
  std::vector<std::string> log;
  auto stamp = [&](const std::string& what) {
    return [&log, &desktop, what] { log.push_back(what + "@" + std::to_string(std::lround(desktop.now() * 1000))); };
  };
  p.mainQueue->asyncAfter(0.3, stamp("late"));
  p.mainQueue->asyncAfter(0.1, stamp("early"));
  auto cancelled = std::make_shared<WorkItem>(stamp("cancelled"));
  p.mainQueue->asyncAfter(0.2, cancelled);
  p.mainQueue->async(stamp("now1"));
  p.background->async(QualityOfService::Background, stamp("background"));
  p.mainQueue->async([&] {
    log.push_back("now2");
    p.mainQueue->asyncAfter(0.1, stamp("chained"));  // due at 0.1, after "early"
  });
  cancelled->cancel();
  EXPECT_EQ(desktop.pendingTaskCount(), 5u);  // the cancelled item does not count
  EXPECT_TRUE(log.empty());                   // nothing runs until the test lets time pass
  desktop.runUntilIdle();
  EXPECT_EQ(log, (std::vector<std::string>{"now1@0", "background@0", "now2"}));
  desktop.advance(0.25);
  desktop.advance(0.05);
  EXPECT_EQ(log, (std::vector<std::string>{"now1@0", "background@0", "now2", "early@100", "chained@100", "late@300"}));
  EXPECT_EQ(desktop.pendingTaskCount(), 0u);
  EXPECT_NEAR(desktop.now(), 0.3, 1e-9);
}

TEST(Clock, RepeatingTimersTickUntilTheirRegistrationGoes) {
  Desktop desktop;
  Platform p = desktop.platform();
  std::vector<double> ticks;
  Registration timer = p.mainQueue->scheduleRepeatingTimer(2.0, [&] { ticks.push_back(desktop.now()); });
  desktop.advance(7);
  EXPECT_EQ(ticks, (std::vector<double>{2, 4, 6}));
  timer.reset();
  desktop.advance(10);
  EXPECT_EQ(ticks.size(), 3u);
  EXPECT_EQ(desktop.pendingTaskCount(), 0u);
}

TEST(Clock, SleepMovesTimeWithoutRunningWorkAndWallTimeFollows) {
  Desktop desktop;
  Platform p = desktop.platform();
  bool ran = false;
  p.mainQueue->asyncAfter(0.01, [&] { ran = true; });
  double wall = p.clock->wallTime();
  p.clock->sleep(0.02);
  EXPECT_FALSE(ran);
  EXPECT_NEAR(p.clock->now(), 0.02, 1e-12);
  EXPECT_NEAR(p.clock->wallTime() - wall, 0.02, 1e-6);
  EXPECT_EQ(desktop.sleeps(), std::vector<double>{0.02});
  desktop.runUntilIdle();
  EXPECT_TRUE(ran);
  desktop.setWallTime(1'800'000'000);
  desktop.advance(30 * 86400);
  EXPECT_NEAR(p.clock->wallTime(), 1'800'000'000 + 30 * 86400, 1e-3);
}

TEST(InputSources, SelectionChangesAtOnceAndNotifiesLater) {
  Desktop desktop;
  Platform p = desktop.platform();
  desktop.enableLayouts({"en", "ru", "el"});
  int notifications = 0;
  auto observer = p.inputSources->observeSelectedSourceChanged([&] { ++notifications; });
  auto sources = p.inputSources->enabledInputSources();
  ASSERT_EQ(sources.size(), 3u);
  EXPECT_EQ(sources[1]->id, "com.apple.keylayout.Russian");
  EXPECT_EQ(sources[2]->languages, std::vector<std::string>{"el"});
  EXPECT_EQ(sources[0]->category, kKeyboardInputSourceCategory);
  EXPECT_EQ(desktop.currentLayoutCode(), "en");

  p.inputSources->select(sources[1]);
  EXPECT_EQ(p.inputSources->currentKeyboardInputSource(), sources[1]);
  EXPECT_EQ(desktop.currentLayoutCode(), "ru");
  EXPECT_EQ(notifications, 0);  // arrives as a notification, not during the call
  desktop.runUntilIdle();
  EXPECT_EQ(notifications, 1);

  p.inputSources->select(sources[1]);  // already current
  desktop.runUntilIdle();
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(desktop.selectLog(),
            (std::vector<std::string>{"com.apple.keylayout.Russian", "com.apple.keylayout.Russian"}));

  EXPECT_TRUE(desktop.selectLayout("el"));
  EXPECT_EQ(notifications, 2);
  EXPECT_FALSE(desktop.selectLayout("he"));
  observer.reset();
  desktop.selectLayout("en");
  EXPECT_EQ(notifications, 2);
}

TEST(InputSources, UnusualSources) {
  Desktop desktop;
  Platform p = desktop.platform();
  desktop.setTypingInterval(0);
  SimApp& editor = desktop.addApplication({"com.example.editor", "Editor", "", 0});
  InputSource phonetic;
  phonetic.category = kKeyboardInputSourceCategory;
  phonetic.selectCapable = true;
  phonetic.id = "com.example.keylayout.RussianPhonetic";  // no languages: the id decides
  auto ru = desktop.addSource(phonetic);
  auto bare = desktop.addSource(InputSource{});  // every property missing
  InputSource input;
  input.id = "com.example.inputmethod.Greek";
  input.selectCapable = false;
  auto notSelectable = desktop.addSource(input);
  InputSource hidden = Desktop::standardSource("he");
  auto disabled = std::make_shared<const InputSource>(hidden);

  desktop.setCurrentSource(ru);
  desktop.typeText("a", "us");
  EXPECT_EQ(editor.textUtf8(), "ф");
  EXPECT_EQ(desktop.currentLayoutCode(), "ru");

  p.inputSources->select(notSelectable);
  p.inputSources->select(disabled);
  EXPECT_EQ(p.inputSources->currentKeyboardInputSource(), ru);

  desktop.setCurrentSource(disabled);  // a current source that is not enabled
  EXPECT_EQ(desktop.currentLayoutCode(), "he");
  EXPECT_EQ(p.inputSources->enabledInputSources().size(), 3u);
  desktop.setCurrentSource(bare);
  EXPECT_EQ(desktop.currentLayoutCode(), "en");
  EXPECT_FALSE(desktop.currentSourceId().has_value());
}

TEST(Files, AtomicWritesReadsAndDates) {
  auto root = brisquel::testing::freshFolder("sim");
  Desktop desktop(root);
  Platform p = desktop.platform();
  FilesPort& files = *p.files;
  EXPECT_EQ(files.homeDirectory(), root);
  auto folder = files.applicationSupportDirectory() / "Velmonte";
  EXPECT_EQ(files.applicationSupportDirectory(), root / "Library" / "Application Support");
  auto file = folder / "learned_words.txt";

  EXPECT_FALSE(files.writeAtomically(file, "x"));  // no folder yet
  ASSERT_TRUE(files.createDirectories(folder));
  ASSERT_TRUE(files.writeAtomically(file, "first\n"));
  ASSERT_TRUE(files.writeAtomically(file, std::string("second\0line", 11)));
  EXPECT_EQ(files.read(file), std::string("second\0line", 11));
  // Nothing but the file is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
  EXPECT_EQ(files.modificationDate(file), p.clock->wallTime());

  desktop.advance(5);
  ASSERT_TRUE(desktop.userWritesFile(file, "edited"));
  EXPECT_EQ(files.read(file), "edited");
  EXPECT_EQ(files.modificationDate(file), p.clock->wallTime());

  auto moved = folder / "moved.txt";
  EXPECT_TRUE(files.rename(file, moved));
  EXPECT_FALSE(files.exists(file));
  EXPECT_EQ(files.read(moved), "edited");
  EXPECT_TRUE(files.remove(moved));
  EXPECT_FALSE(files.read(moved).has_value());
  EXPECT_FALSE(files.modificationDate(moved).has_value());

  desktop.setFileWritesFail(true);
  EXPECT_FALSE(files.writeAtomically(file, "x"));
  EXPECT_FALSE(files.exists(file));
}

TEST(Spelling, WordListsPerLanguage) {
  Desktop desktop;
  SimSpellChecker& spelling = desktop.spelling();
  spelling.setWords("ru_RU", {"привет", "при"});
  spelling.setWords("en_US", {"hello"});
  struct Case {
    std::u16string text;
    const char* language;
    bool correct, completions;
  };
  const Case cases[] = {
      {u"привет", "ru_RU", true, false}, {u"Привет", "ru_RU", true, false}, {u"ПРИВЕТ", "ru_RU", true, false},
      {u"при", "ru_RU", true, true},     {u"пр", "ru_RU", false, true},     {u"привет", "en_US", false, false},
      {u"hel", "en_US", false, true},    {u"hello", "uk_UA", false, false}, {u"", "en_US", false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(spelling.isWordCorrect(c.text, c.language), c.correct) << c.language;
    EXPECT_EQ(spelling.hasCompletions(c.text, c.language), c.completions) << c.language;
  }
  EXPECT_TRUE(spelling.isReady("ru_RU"));
  EXPECT_FALSE(spelling.isReady("he"));
  spelling.setReady("ru_RU", false);
  EXPECT_FALSE(spelling.isWordCorrect(u"привет", "ru_RU"));
  spelling.prepare("he");
  EXPECT_EQ(spelling.prepareCount("he"), 1);
}

}  // namespace
}  // namespace brisquel::sim
