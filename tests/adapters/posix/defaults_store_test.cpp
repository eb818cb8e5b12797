// SPDX-License-Identifier: MIT
// The persistent defaults store: values survive a restart with their types,
// and a damaged file never takes the program down or gets overwritten.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <optional>
#include <random>
#include <thread>

#include "HandedOverQueue.h"
#include "TestFolders.h"
#include "base/PropertyList.h"
#include "posix/SaveWriter.h"
#include "posix/XdgDefaultsStore.h"

namespace brisquel::posix {
namespace {

namespace fs = std::filesystem;
using namespace plist;
using testing::freshFolder;
using testing::readFile;
using testing::writeFile;

const char* kDomain = "com.mebrun.velmonte";

// Dates are written in whole seconds, which every property-list reader takes.
TEST(DefaultsStore, EveryTypeSurvivesARestartAndRemovedKeysStayRemoved) {
  const auto dir = freshFolder("types");
  const struct {
    std::string key;
    DefaultsValue value;
    std::optional<DefaultsValue> read = std::nullopt;  // none: the value itself
  } values[] = {
      {"INDEX_HOT_KEY", std::int64_t{3}},
      {"WIN_EDIT_HOTKEYS_V2", std::int64_t{0}},
      {"NEGATIVE", std::int64_t{-9223372036854775807LL - 1}},
      {"ENABLE_AUTOSTART", false},
      {"ENABLE_TYPO_DETECTOR", true},
      {"NAME", std::string("<&> \"quotes\" 'single' \r\n\t\x01 ]]> привет \U0001F600")},
      {"EMPTY", std::string()},
      {"DATE", DefaultsDate{1767225600}},
      {"DATE_BEFORE_1970", DefaultsDate{-86400}},
      {"DATE_FRACTION", DefaultsDate{1767225600.75}, DefaultsDate{1767225600}},
      {"DATE_FRACTION_BEFORE_1970", DefaultsDate{-86400.5}, DefaultsDate{-86401}},
      {"LEARNED_WORDS", StringMap{{"ghbdtn", "привет"}, {"a&b", "<c>"}, {"", ""}}},
      {"NO_WORDS", StringMap{}},
      {"IGNORED_APPS", StringList{"anydesk", " spaced ", "", "x|c", "anydesk"}},
      {"NO_APPS", StringList{}},
      {"OTHER", DefaultsOther{"made up by a test"}},
      {"key with <markup> & spaces", true},
  };
  {
    XdgDefaultsStore store(dir, kDomain);
    store.set("REMOVED", true);
    for (const auto& v : values) store.set(v.key, v.value);
    store.remove("REMOVED");
    store.remove("never there");
    EXPECT_TRUE(store.isSaved());
  }
  XdgDefaultsStore again(dir, kDomain);
  for (const auto& v : values) EXPECT_EQ(again.object(v.key), v.read.value_or(v.value)) << v.key;
  EXPECT_FALSE(again.object("REMOVED").has_value());
  EXPECT_EQ(again.file(), dir / "com.mebrun.velmonte.plist");
  const std::string written = readFile(again.file());
  EXPECT_NE(written.find("<date>2026-01-01T00:00:00Z</date>"), std::string::npos) << written;
  EXPECT_NE(written.find("<date>1969-12-30T23:59:59Z</date>"), std::string::npos) << written;
  EXPECT_FALSE(again.setAside().has_value());
}

// Readers keep what they parsed until the change count moves: every change
// must move it, also one whose file could not be written.
TEST(DefaultsStore, EveryChangeMovesTheChangeCount) {
  const auto dir = freshFolder("changes");
  XdgDefaultsStore store(dir, kDomain);
  auto seen = store.changeCount();
  const auto moved = [&] {
    const bool result = store.changeCount() != seen;
    seen = store.changeCount();
    return result;
  };
  store.set("A", StringList{"x"});
  EXPECT_TRUE(moved()) << "set";
  store.set("A", StringList{"y"});
  EXPECT_TRUE(moved()) << "set again";
  EXPECT_FALSE(moved()) << "reading changes nothing";
  (void)store.object("A");
  EXPECT_FALSE(moved()) << "object()";
  store.remove("A");
  EXPECT_TRUE(moved()) << "remove";
  fs::remove_all(dir);
  writeFile(dir, "not a folder");  // the next save fails
  store.set("B", true);
  EXPECT_FALSE(store.isSaved());
  EXPECT_TRUE(moved()) << "set that could not be saved";
  EXPECT_EQ(store.object("B"), DefaultsValue{true}) << "kept in memory";
}

// Another process holding the settings lock (a command, a second session)
// must not stop a store that may not wait: it answers from memory at once,
// its saves wait on the writer thread and go out, merged with what the
// holder wrote, once the lock is free; the last ones also when the store
// goes at the end of the program.
TEST(DefaultsStore, AStoreThatMayNotWaitKeepsItsChangesWhileTheLockIsHeld) {
  const auto dir = freshFolder("busy");
  testing::HandedOverQueue mainQueue;
  SaveWriter writer(mainQueue);
  auto store = std::make_unique<XdgDefaultsStore>(dir, kDomain, writer);
  store->set("INDEX_HOT_KEY", std::int64_t{1});
  ASSERT_TRUE(mainQueue.turnUntil([&] { return store->isSaved(); }));
  const int lock = ::open((dir / ".com.mebrun.velmonte.plist.lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  auto setting = std::async(std::launch::async, [&] {
    store->set("ENABLE_TYPO_DETECTOR", false);
    store->set("LEARNED_WORDS", StringMap{{"ghbdtn", "привет"}});
    store->set("ENABLE_FN_SHORTCUT", true);  // one save more than are queued at most
    store->synchronize();
  });
  const bool answered = setting.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  setting.get();
  mainQueue.turnUntil([] { return false; }, 0.3);
  const std::string whileHeld = readFile(store->file());
  const bool savedWhileHeld = store->isSaved();
  EXPECT_TRUE(answered) << "a change waited for the lock";
  EXPECT_FALSE(savedWhileHeld);
  EXPECT_EQ(whileHeld.find("ENABLE_TYPO_DETECTOR"), std::string::npos);
  EXPECT_EQ(store->object("ENABLE_TYPO_DETECTOR"), DefaultsValue{false}) << "answered from memory";

  // The holder writes another key, then lets go.
  {
    XdgDefaultsStore other(dir, kDomain);
    ::flock(lock, LOCK_UN);
    other.set("ENABLE_AUTOSTART", false);
  }
  const auto elsewhere = store->changesFromElsewhere();
  ASSERT_TRUE(mainQueue.turnUntil([&] { return store->isSaved(); }));
  EXPECT_EQ(store->object("ENABLE_AUTOSTART"), DefaultsValue{false}) << "the holder's change is taken in";
  EXPECT_GT(store->changesFromElsewhere(), elsewhere) << "so the menu can show it";
  XdgDefaultsStore again(dir, kDomain);
  EXPECT_EQ(again.object("ENABLE_TYPO_DETECTOR"), DefaultsValue{false});
  EXPECT_EQ(again.object("ENABLE_AUTOSTART"), DefaultsValue{false});
  EXPECT_EQ(again.object("INDEX_HOT_KEY"), DefaultsValue{std::int64_t{1}});
  EXPECT_EQ(again.object("ENABLE_FN_SHORTCUT"), DefaultsValue{true});
  EXPECT_EQ(again.object("LEARNED_WORDS"), (DefaultsValue{StringMap{{"ghbdtn", "привет"}}}));

  // A change made just before the program ends, the lock busy a moment more.
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  store->set("INDEX_HOT_KEY", std::int64_t{4});
  auto release = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::flock(lock, LOCK_UN);
  });
  store.reset();
  release.get();
  ::close(lock);
  EXPECT_EQ(XdgDefaultsStore(dir, kDomain).object("INDEX_HOT_KEY"), DefaultsValue{std::int64_t{4}});
}

// Two writers of one dictionary (two sessions learning words) each keep the
// entries they added or removed; neither undoes the other's.
TEST(DefaultsStore, DictionariesAreMergedPerEntry) {
  const auto dir = freshFolder("entries");
  XdgDefaultsStore first(dir, kDomain);
  first.set("LEARNED_WORDS", StringMap{{"old", "старый"}, {"gone", "ушёл"}});
  XdgDefaultsStore second(dir, kDomain);
  first.set("LEARNED_WORDS", StringMap{{"old", "старый"}, {"gone", "ушёл"}, {"a", "ф"}});
  second.set("LEARNED_WORDS", StringMap{{"old", "старый"}, {"b", "и"}});  // removes "gone"
  first.set("LEARNED_WORDS", StringMap{{"old", "новый"}, {"gone", "ушёл"}, {"a", "ф"}, {"c", "с"}});
  const StringMap expected = {{"old", "новый"}, {"a", "ф"}, {"b", "и"}, {"c", "с"}};
  EXPECT_EQ(XdgDefaultsStore(dir, kDomain).object("LEARNED_WORDS"), DefaultsValue{expected});
  second.synchronize();
  EXPECT_EQ(second.object("LEARNED_WORDS"), DefaultsValue{expected});
  EXPECT_EQ(first.object("LEARNED_WORDS"), DefaultsValue{expected});
}

// Values this program has no type for are kept as written, also when the
// file is written again; strings are read as stored, not converted.
TEST(DefaultsStore, ValuesOfUnknownTypesAreKeptAsTheyWere) {
  const auto dir = freshFolder("unknown");
  writeFile(dir / "com.mebrun.velmonte.plist",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
       "<plist version=\"1.0\">\n<dict>\n"
       "  <!-- written by hand -->\n"
       "  <key>REAL</key><real>1.5</real>\n"
       "  <key>DATA</key><data>AAEC</data>\n"
       "  <key>NESTED</key><dict><key>n</key><integer>1</integer></dict>\n"
       "  <key>MIXED</key><array><string>a</string><true/></array>\n"
       "  <key>BIG</key><integer>99999999999999999999</integer>\n"
       "  <key>INDEX_HOT_KEY</key><string>4</string>\n"
       "  <key>ESCAPED</key><string>&#x41;&#66;&amp;<![CDATA[<raw>]]></string>\n"
       "</dict>\n</plist>\n");
  const std::vector<std::pair<const char*, DefaultsValue>> expected = {
      {"REAL", DefaultsOther{"<real>1.5</real>"}},
      {"DATA", DefaultsOther{"<data>AAEC</data>"}},
      {"NESTED", DefaultsOther{"<dict><key>n</key><integer>1</integer></dict>"}},
      {"MIXED", DefaultsOther{"<array><string>a</string><true/></array>"}},
      {"BIG", DefaultsOther{"<integer>99999999999999999999</integer>"}},
      {"INDEX_HOT_KEY", std::string("4")},
      {"ESCAPED", std::string("AB&<raw>")},
  };
  for (const char* when : {"as read", "after the store wrote the file again"}) {
    XdgDefaultsStore store(dir, kDomain);
    for (const auto& [key, value] : expected) EXPECT_EQ(store.object(key), value) << key << ", " << when;
    store.set("NEW", true);
  }
}

// Each damaged file is set aside under the next free number, the earlier
// ones kept as they were, and the store starts empty.
TEST(DefaultsStore, CorruptFilesAreSetAsideAndTheStoreStartsEmpty) {
  const std::vector<std::pair<const char*, std::string>> damaged = {
      {"truncated", "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict>\n<key>INDEX_HOT_KEY</key><integer>1"},
      {"not xml", "INDEX_HOT_KEY=1\n"},
      {"not utf-8", "<plist><dict><key>A</key><string>\xFF</string></dict></plist>"},
      {"key without value", "<plist><dict><key>A</key></dict></plist>"},
      {"empty", ""},
      {"binary", std::string("bplist00\0\x01\x02", 11)},
  };
  const auto dir = freshFolder("corrupt");
  const auto setAside = [&](std::size_t i) { return dir / ("com.mebrun.velmonte.plist.corrupt-" + std::to_string(i + 1)); };
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    const auto& [name, bytes] = damaged[i];
    writeFile(dir / "com.mebrun.velmonte.plist", bytes);
    {
      XdgDefaultsStore store(dir, kDomain);
      EXPECT_FALSE(store.object("INDEX_HOT_KEY").has_value()) << name;
      EXPECT_EQ(store.setAside(), setAside(i)) << name;
      store.set("INDEX_HOT_KEY", std::int64_t{0});
    }
    XdgDefaultsStore again(dir, kDomain);
    EXPECT_EQ(again.object("INDEX_HOT_KEY"), DefaultsValue{std::int64_t{0}}) << name;
    for (std::size_t j = 0; j <= i; ++j) EXPECT_EQ(readFile(setAside(j)), damaged[j].second) << name << ", kept as it was";
  }
}

// Whatever the writer writes reads back: arbitrary bytes in keys, strings,
// lists and dictionaries come back as written when they are UTF-8 (NUL and
// the other control characters included), and as the same values again
// after one round when they are not. Damaged or hostile files never crash
// the reader, and whatever it accepts writes back to text that reads the same.
TEST(PropertyList, WhatItWritesOrAcceptsReadsBackTheSame) {
  std::mt19937 rng(13);
  const auto mutated = [&](std::string text, const std::vector<std::string>& pieces, int edits) {
    for (; edits > 0; --edits) {
      const size_t at = rng() % (text.size() + 1);
      switch (rng() % 3) {
        case 0:
          text.erase(at, 1 + rng() % 8);
          break;
        case 1:
          text.insert(at, pieces[rng() % pieces.size()]);
          break;
        default:
          if (at < text.size()) text[at] = static_cast<char>(rng() % 256);
      }
    }
    return text;
  };
  const std::vector<std::string> pieces = {std::string(1, '\0'), "\x01", "\x1f", "\r", "\n", "\t", "&", "<", ">",
                                           "]]>", "&#x0;", "\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF",
                                           "\xFF", "\xC0\x80", "\xED\xA0\x80", "п", "a", " "};
  const auto randomText = [&] { return mutated("", pieces, static_cast<int>(rng() % 12)); };
  for (int round = 0; round < 3000; ++round) {
    DefaultsDomain values;
    values[randomText()] = randomText();
    values[randomText()] = StringList{randomText(), randomText()};
    values[randomText()] = StringMap{{randomText(), randomText()}};
    const std::string once = encodePropertyList(values);
    const auto decoded = decodePropertyList(once);
    ASSERT_TRUE(decoded.has_value()) << once;
    EXPECT_EQ(decodePropertyList(encodePropertyList(*decoded)), decoded);
  }
  for (const std::string& s : {std::string("ghbdtn\0 привет", 20), std::string("\x01\x02\x1b[0m\x7f"),
                              std::string("\xEF\xBF\xBF\r\n")}) {
    const DefaultsDomain probe = {{s, s}};
    EXPECT_EQ(decodePropertyList(encodePropertyList(probe)), probe) << ::testing::PrintToString(s);
  }

  const DefaultsDomain sample = {
      {"A", true}, {"B", std::int64_t{42}}, {"C", std::string("x<y>&z")}, {"D", StringMap{{"k", "v"}}},
      {"E", StringList{"1", "2"}}, {"F", DefaultsDate{1767225600}}, {"G", DefaultsOther{"<real>2.5</real>"}},
  };
  const std::string valid = encodePropertyList(sample);
  ASSERT_EQ(decodePropertyList(valid), sample);
  const std::vector<std::string> inserts = {"<", ">", "/", "&", "&#0;", "&#x110000;", "<dict>", "</dict>",
                                            "<array>", "<!--", "<![CDATA[", "\xFF", "<key>", "\"", "&amp"};
  for (int round = 0; round < 4000; ++round) {
    if (auto decoded = decodePropertyList(mutated(valid, inserts, 1 + static_cast<int>(rng() % 4)))) {
      EXPECT_EQ(decodePropertyList(encodePropertyList(*decoded)), decoded);
    }
  }
  // Deep nesting is refused, not recursed into without end.
  std::string deep = "<plist><dict><key>A</key>";
  for (int i = 0; i < 100000; ++i) deep += "<array>";
  EXPECT_FALSE(decodePropertyList(deep).has_value());
}

}  // namespace
}  // namespace brisquel::posix
