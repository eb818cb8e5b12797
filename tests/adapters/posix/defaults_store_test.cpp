// The persistent defaults store: values survive a restart with their types,
// and a damaged file never takes the program down or gets overwritten.

#include <gtest/gtest.h>

#include <random>

#include "TestFolders.h"
#include "base/PropertyList.h"
#include "posix/XdgDefaultsStore.h"

namespace brisquel::posix {
namespace {

namespace fs = std::filesystem;
using namespace plist;
using testing::freshFolder;
using testing::readFile;
using testing::writeFile;

const char* kDomain = "com.mebrun.velmonte";

TEST(DefaultsStore, EveryTypeSurvivesARestart) {
  const auto dir = freshFolder("types");
  const std::vector<std::pair<std::string, DefaultsValue>> values = {
      {"INDEX_HOT_KEY", std::int64_t{3}},
      {"WIN_EDIT_HOTKEYS_V2", std::int64_t{0}},
      {"NEGATIVE", std::int64_t{-9223372036854775807LL - 1}},
      {"ENABLE_AUTOSTART", false},
      {"ENABLE_TYPO_DETECTOR", true},
      {"NAME", std::string("<&> \"quotes\" 'single' \r\n\t\x01 ]]> привет \U0001F600")},
      {"EMPTY", std::string()},
      {"DATE", DefaultsDate{1767225600}},
      {"DATE_FRACTION", DefaultsDate{1767225600.25}},
      {"DATE_BEFORE_1970", DefaultsDate{-86400.5}},
      {"LEARNED_WORDS", StringMap{{"ghbdtn", "привет"}, {"a&b", "<c>"}, {"", ""}}},
      {"NO_WORDS", StringMap{}},
      {"IGNORED_APPS", StringList{"anydesk", " spaced ", "", "x|c", "anydesk"}},
      {"NO_APPS", StringList{}},
      {"OTHER", DefaultsOther{"made up by a test"}},
      {"key with <markup> & spaces", true},
  };
  {
    XdgDefaultsStore store(dir, kDomain);
    for (const auto& [key, value] : values) store.set(key, value);
    EXPECT_TRUE(store.isSaved());
  }
  XdgDefaultsStore again(dir, kDomain);
  for (const auto& [key, value] : values) {
    auto read = again.object(key);
    ASSERT_TRUE(read.has_value()) << key;
    EXPECT_EQ(*read, value) << key;
  }
  EXPECT_EQ(again.file(), dir / "com.mebrun.velmonte.plist");
  EXPECT_FALSE(again.setAside().has_value());
}

TEST(DefaultsStore, RemovedKeysStayRemoved) {
  const auto dir = freshFolder("remove");
  {
    XdgDefaultsStore store(dir, kDomain);
    store.set("A", true);
    store.set("B", std::int64_t{1});
    store.remove("A");
    store.remove("never there");
  }
  XdgDefaultsStore again(dir, kDomain);
  EXPECT_FALSE(again.object("A").has_value());
  EXPECT_EQ(again.object("B"), DefaultsValue{std::int64_t{1}});
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
}

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
  {
    XdgDefaultsStore store(dir, kDomain);
    EXPECT_EQ(store.object("REAL"), DefaultsValue{DefaultsOther{"<real>1.5</real>"}});
    EXPECT_EQ(store.object("MIXED"), DefaultsValue{DefaultsOther{"<array><string>a</string><true/></array>"}});
    EXPECT_TRUE(std::holds_alternative<DefaultsOther>(*store.object("NESTED")));
    EXPECT_TRUE(std::holds_alternative<DefaultsOther>(*store.object("BIG")));
    EXPECT_EQ(store.object("INDEX_HOT_KEY"), DefaultsValue{std::string("4")}) << "read as stored, not converted";
    EXPECT_EQ(store.object("ESCAPED"), DefaultsValue{std::string("AB&<raw>")});
    store.set("NEW", true);  // rewrites the file
  }
  XdgDefaultsStore again(dir, kDomain);
  EXPECT_EQ(again.object("REAL"), DefaultsValue{DefaultsOther{"<real>1.5</real>"}});
  EXPECT_EQ(again.object("DATA"), DefaultsValue{DefaultsOther{"<data>AAEC</data>"}});
  EXPECT_EQ(again.object("NESTED"), DefaultsValue{DefaultsOther{"<dict><key>n</key><integer>1</integer></dict>"}});
  EXPECT_EQ(readFile(again.file()).find("<real>1.5</real>") != std::string::npos, true);
}

TEST(DefaultsStore, CorruptFileIsSetAsideAndTheStoreStartsEmpty) {
  const std::vector<std::pair<const char*, std::string>> damaged = {
      {"truncated", "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict>\n<key>INDEX_HOT_KEY</key><integer>1"},
      {"not xml", "INDEX_HOT_KEY=1\n"},
      {"not utf-8", "<plist><dict><key>A</key><string>\xFF</string></dict></plist>"},
      {"key without value", "<plist><dict><key>A</key></dict></plist>"},
      {"empty", ""},
      {"binary", std::string("bplist00\0\x01\x02", 11)},
  };
  for (const auto& [name, bytes] : damaged) {
    const auto dir = freshFolder(std::string("corrupt-") + name);
    const auto file = dir / "com.mebrun.velmonte.plist";
    writeFile(file, bytes);
    {
      XdgDefaultsStore store(dir, kDomain);
      EXPECT_FALSE(store.object("INDEX_HOT_KEY").has_value()) << name;
      ASSERT_TRUE(store.setAside().has_value()) << name;
      EXPECT_EQ(*store.setAside(), dir / "com.mebrun.velmonte.plist.corrupt-1") << name;
      EXPECT_EQ(readFile(*store.setAside()), bytes) << name << ": the damaged file is kept as it was";
      store.set("INDEX_HOT_KEY", std::int64_t{0});
    }
    XdgDefaultsStore again(dir, kDomain);
    EXPECT_EQ(again.object("INDEX_HOT_KEY"), DefaultsValue{std::int64_t{0}}) << name;
    EXPECT_EQ(readFile(dir / "com.mebrun.velmonte.plist.corrupt-1"), bytes) << name;
  }
}

TEST(DefaultsStore, EarlierSetAsideFilesAreNotOverwritten) {
  const auto dir = freshFolder("corrupt-twice");
  const auto file = dir / "com.mebrun.velmonte.plist";
  writeFile(file, "first");
  { XdgDefaultsStore store(dir, kDomain); }
  writeFile(file, "second");
  XdgDefaultsStore store(dir, kDomain);
  EXPECT_EQ(readFile(dir / "com.mebrun.velmonte.plist.corrupt-1"), "first");
  EXPECT_EQ(readFile(dir / "com.mebrun.velmonte.plist.corrupt-2"), "second");
}

// Only a file that was read and does not parse is set aside: a folder in its
// place is left alone, and nothing is written over it.
TEST(DefaultsStore, FolderInPlaceOfTheFileIsLeftAlone) {
  const auto dir = freshFolder("directory");
  fs::create_directories(dir / "com.mebrun.velmonte.plist" / "inner");
  XdgDefaultsStore store(dir, kDomain);
  EXPECT_TRUE(store.unreadable().has_value());
  store.set("A", true);
  EXPECT_FALSE(store.isSaved());
  EXPECT_EQ(store.object("A"), DefaultsValue{true}) << "kept in memory";
  EXPECT_TRUE(fs::is_directory(dir / "com.mebrun.velmonte.plist" / "inner"));
  EXPECT_FALSE(fs::exists(dir / "com.mebrun.velmonte.plist.corrupt-1"));
}

TEST(DefaultsStore, DefaultLocationFollowsXdgConfigHome) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  ASSERT_NE(config, nullptr) << "tests run with XDG_CONFIG_HOME in the build tree";
  XdgDefaultsStore store;
  EXPECT_EQ(store.file(), fs::path(config) / "com.mebrun.velmonte.plist");
}

// Whatever the writer writes reads back: arbitrary bytes in keys, strings,
// lists and dictionaries come back as written when they are UTF-8 (NUL and
// the other control characters included), and as the same values again
// after one round when they are not.
TEST(PropertyListWriter, WhateverItWritesReadsBack) {
  std::mt19937 rng(13);
  const std::vector<std::string> pieces = {std::string(1, '\0'), "\x01", "\x1f", "\r", "\n", "\t", "&", "<", ">",
                                           "]]>", "&#x0;", "\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF",
                                           "\xFF", "\xC0\x80", "\xED\xA0\x80", "п", "a", " "};
  auto randomText = [&] {
    std::string s;
    for (int n = static_cast<int>(rng() % 8); n > 0; --n) {
      if (rng() % 4 == 0) {
        s += static_cast<char>(rng() % 256);
      } else {
        s += pieces[rng() % pieces.size()];
      }
    }
    return s;
  };
  auto roundTrips = [](const std::string& s) {
    const DefaultsDomain probe = {{s, s}};
    return decodePropertyList(encodePropertyList(probe)) == probe;
  };
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
    EXPECT_TRUE(roundTrips(s)) << "exact round trip of " << ::testing::PrintToString(s);
  }
}

// Damaged or hostile property lists never crash the reader, and whatever it
// accepts writes back to text that reads the same.
TEST(PropertyListReader, MutatedFilesNeverBreakIt) {
  const DefaultsDomain sample = {
      {"A", true},
      {"B", std::int64_t{42}},
      {"C", std::string("x<y>&z")},
      {"D", StringMap{{"k", "v"}}},
      {"E", StringList{"1", "2"}},
      {"F", DefaultsDate{1767225600}},
      {"G", DefaultsOther{"<real>2.5</real>"}},
  };
  const std::string valid = encodePropertyList(sample);
  ASSERT_EQ(decodePropertyList(valid), sample);

  std::mt19937 rng(7);
  const std::vector<std::string> inserts = {"<", ">", "/", "&", "&#0;", "&#x110000;", "<dict>", "</dict>",
                                            "<array>", "<!--", "<![CDATA[", "\xFF", "<key>", "\"", "&amp"};
  for (int round = 0; round < 4000; ++round) {
    std::string text = valid;
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = rng() % (text.size() + 1);
      switch (rng() % 3) {
        case 0:
          text.erase(at, 1 + rng() % 8);
          break;
        case 1:
          text.insert(at, inserts[rng() % inserts.size()]);
          break;
        default:
          if (at < text.size()) text[at] = static_cast<char>(rng() % 256);
      }
    }
    if (auto decoded = decodePropertyList(text)) {
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
