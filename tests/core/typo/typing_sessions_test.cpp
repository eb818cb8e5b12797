// Randomized typing sessions through the whole program on the simulated
// desktop: real words typed on the right and the wrong layout, typos and
// BackSpace, arrows, clicks, other applications (a terminal, an ignored one),
// lone, held and double Option presses, Control shortcuts and pauses around
// the detector's time limits, with and without accessibility writes. After
// every step the field holds what the person's keys typed with only whole
// words turned into their other-layout form (nothing lost, doubled or left
// over), the layout is the one of the last word corrected, and only words
// converted by hand are learned. A failing seed is shrunk to the fewest steps
// that still fail and printed as `brisquel fix --named-keys` input.
//   BRISQUEL_SESSION_SEEDS=N  BRISQUEL_SESSION_FIRST_SEED=S  BRISQUEL_SESSION_EVENTS=E (run until E events)
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "TestFolders.h"
#include "TestText.h"
#include "base/Text.h"
#include "brisquel/FixCommand.h"
#include "brisquel/SimProgram.h"
#include "settings/SettingsHelper.h"
#include "sim/KeyboardLayouts.h"
#include "sim/SimDesktop.h"
#include "typo/TypoDetector.h"
#if defined(BRISQUEL_HAVE_SPELL)
#include "spell/DictionarySpellChecker.h"
#endif

namespace brisquel::testing {
namespace {

using cli::KeyStep;
using Kind = KeyStep::Kind;

constexpr const char* kEditor = "com.apple.TextEdit";
constexpr const char* kApps[] = {kEditor, "com.apple.Terminal", "com.anydesk.Anydesk.mac"};  // last: ignored

struct Setup {
  bool noAx = false;
  int intervalMs = 120;
};

// Words of the shared corpus as keys named on the US keyboard: what the
// person presses for the word on its own layout.
struct Vocabulary {
  std::vector<std::string> en, ru;  // the keys for English and Russian words
  std::vector<std::string> enWords, ruWords;
};

std::string usKeys(const std::u16string& word, const char* layout) {
  const auto* from = sim::findKeyboardLayout(layout);
  const auto* us = sim::findKeyboardLayout("en");
  std::u16string keys;
  for (char16_t c : word) {
    std::u16string key(1, c);
    for (const auto& k : from->keys)
      for (int level : {0, 1})
        if (k.levels[level].text == key) key = sim::findKey(*us, k.keyCode)->levels[level].text;
    keys += key;
  }
  return u8(keys);
}

const Vocabulary& vocabulary() {
  static const Vocabulary v = [] {
    Vocabulary v;
    const char* shared = std::getenv("BRISQUEL_SHARED_DIR");
    for (const char* language : {"en", "ru"}) {
      std::ifstream in(std::string(shared ? shared : "") + "/data/corpus/" + language + ".txt");
      std::set<std::string> seen;
      std::string word;
      for (int n = 0; n < 6000 && in >> word; ++n) {
        const std::u16string w = u16(word);
        if (w.size() > 12 || !text::hasLetter(w) || !seen.insert(word).second) continue;
        (*language == 'e' ? v.en : v.ru).push_back(usKeys(w, language));
        (*language == 'e' ? v.enWords : v.ruWords).push_back(u8(text::trimPunctuation(w)));
      }
    }
    if (v.en.empty() || v.ru.empty()) {  // without the corpus, a few words
      v.enWords = {"hello", "world", "is", "a", "test", "the", "window", "file", "open"};
      v.ruWords = {"привет", "мир", "как", "дела", "где", "ты", "окно", "файл", "и"};
      for (const auto& w : v.enWords) v.en.push_back(w);
      for (const auto& w : v.ruWords) v.ru.push_back(usKeys(u16(w), "ru"));
    }
    return v;
  }();
  return v;
}

SpellCheckerPort& spelling() {
#if defined(BRISQUEL_HAVE_SPELL)  // as `brisquel fix` loads them
  static spell::DictionarySpellChecker checker(spell::DictionarySpellChecker::defaultDictionaryDirectory(),
                                               spell::DictionarySpellChecker::defaultCacheDirectory(), false);
  static const bool ready = [] {
    for (const char* language : {"en_US", "ru_RU"}) checker.prepare(language);
    for (const char* language : {"en_US", "ru_RU"}) checker.waitUntilReady(language, std::chrono::minutes(10));
    return true;
  }();
  (void)ready;
#else  // no dictionaries: the corpus words are the valid ones
  static sim::SimSpellChecker checker;
  static const bool ready = [] {
    checker.setWords("en_US", vocabulary().enWords);
    checker.setWords("ru_RU", vocabulary().ruWords);
    return true;
  }();
  (void)ready;
#endif
  return checker;
}

// A seeded person at the keyboard.
std::pair<Setup, std::vector<KeyStep>> generate(std::uint32_t seed) {
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
  const Setup setup{seed % 2 == 1, std::array{30, 60, 120}[pick(3)]};
  const double interval = setup.intervalMs / 1000.0;
  auto pause = [&] {  // just before or after one of the detector's time limits
    const double limit = std::array{0.05, 0.35, 0.4, 0.7, 1.5, 5.0}[pick(6)];
    return std::max(0.0, limit - interval + (chance(50) ? 0.02 : -0.02));
  };
  std::vector<KeyStep> steps;
  auto text = [&](const std::string& s) { steps.push_back({Kind::Text, u16(s), {}, 0, 0}); };
  auto step = [&](Kind kind, std::string key = {}, int count = 0, double seconds = 0) {
    steps.push_back({kind, {}, std::move(key), count, seconds});
  };
  const Vocabulary& v = vocabulary();
  std::size_t typed = 0;  // about the field's length, for clicks
  for (int actions = 8 + static_cast<int>(pick(30)); actions > 0; --actions) {
    const int roll = static_cast<int>(pick(100));
    if (roll < 50) {  // a word, on the layout the person picked or on whatever is active
      const bool russian = chance(50);
      if (chance(30)) step(Kind::Layout, (russian != chance(35)) ? "ru" : "en");
      std::string keys = (russian ? v.ru : v.en)[pick((russian ? v.ru : v.en).size())];
      if (chance(15)) keys.insert(pick(keys.size() + 1), 1, static_cast<char>('a' + pick(26)));
      text(keys);
      if (chance(10)) step(Kind::Key, "backspace");
      const int end = static_cast<int>(pick(100));
      if (end < 75) text(" ");
      else if (end < 82) step(Kind::Key, "return");
      else if (end < 86) step(Kind::Key, "tab");
      typed += keys.size() + 1;
    } else if (roll < 58) {
      for (std::size_t n = 1 + pick(3); n > 0; --n) step(Kind::Key, "backspace");
    } else if (roll < 63) {
      step(Kind::Key, std::array{"left", "right", "home", "end", "up", "down", "delete", "esc"}[pick(8)]);
    } else if (roll < 67) {
      step(Kind::Click, {}, chance(30) ? -1 : static_cast<int>(pick(typed + 2)));
    } else if (roll < 71) {
      step(Kind::App, kApps[pick(4) % 3]);
    } else if (roll < 80) {  // a lone Option press, often a second one soon after
      step(Kind::Option);
      if (chance(50)) {
        step(Kind::Wait, {}, 0, pause());
        step(Kind::Option);
      }
    } else if (roll < 82) {
      step(Kind::Option, {}, 0, chance(50) ? 0.69 : 0.71);
    } else if (roll < 85) {
      step(Kind::Select, {}, 1 + static_cast<int>(pick(8)));
      step(Kind::Option);
    } else if (roll < 89) {
      step(Kind::Chord, std::string("ctrl+") + "acvxzf"[pick(6)]);
    } else {
      step(Kind::Wait, {}, 0, pause());
    }
  }
  return {setup, steps};
}

enum class Script { None, Latin, Cyrillic };
Script scriptOf(std::u16string_view word) {
  Script s = Script::None;
  for (char16_t c : word) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) s = Script::Latin;
    if (c >= 0x0400 && c <= 0x04FF) s = Script::Cyrillic;
  }
  return s;
}
Script scriptOfLayout(const std::string& code) { return code == "en" ? Script::Latin : Script::Cyrillic; }

// Words and the white space between them.
std::pair<std::vector<std::u16string>, std::u16string> split(std::u16string_view s) {
  std::vector<std::u16string> words;
  std::u16string spaces;
  bool inWord = false;
  for (char16_t c : s) {
    const bool space = text::isWhiteSpace(c);
    if (space) spaces += c;
    else if (inWord) words.back() += c;
    else words.emplace_back(1, c);
    inWord = !space;
  }
  return {words, spaces};
}

struct Outcome {
  std::string failure;  // empty when every check held
  std::size_t events = 0, corrections = 0, learned = 0;
};

Outcome play(const Setup& setup, const std::vector<KeyStep>& steps) {
  sim::Desktop desktop(freshFolder("sessions"));
  desktop.enableLayouts({"en", "ru"});
  desktop.setTypingInterval(setup.intervalMs / 1000.0);
  std::map<std::string, std::unique_ptr<sim::SimApp>> models;  // each field as the person's keys alone leave it
  for (const char* id : kApps) {
    const std::string name = std::string(id).substr(std::string(id).rfind('.') + 1);
    desktop.addApplication({id, name, "/Applications/" + name + ".app", 0});
    models[id] = std::make_unique<sim::SimApp>(sim::AppSpec{id, name, {}, 0}, [] { return 0.0; },
                                               std::make_shared<std::u16string>());
  }
  desktop.application(kEditor)->axFaults().notSettable = setup.noAx;
  SimProgramOptions options;
  options.ports = [](Platform& p) { p.spelling = &spelling(); };
  options.program.donationReminder = false;
  SimProgram program(desktop, std::move(options));
  program.start();
  auto watcher = desktop.platform().keyboard->createEventTap(~0ull, [&](EventType, const KeyEvent& e) {
    if (e.userData != syntheticEventMarker) models[desktop.frontmost()->bundleId()]->deliver(e);
    return std::optional<KeyEvent>(e);
  });

  Outcome out;
  std::set<std::u16string> convertedByHand;
  Script layoutScript = Script::Latin;
  auto isConversion = [&](const std::u16string& from, const std::u16string& to) {
    auto& detector = program.typoDetector();
    return from == to || to == detector.transliterate(from, false) || to == detector.transliterate(from, true) ||
           from == detector.transliterate(to, false) || from == detector.transliterate(to, true);
  };
  // After each of the person's actions: compare the field with its model.
  auto check = [&](const KeyStep& step, bool manual) -> std::string {
    sim::SimApp& field = *desktop.frontmost();
    sim::SimApp& model = *models[field.bundleId()];
    const bool ignored = field.bundleId() == kApps[2];
    if (step.kind == Kind::Chord) model.setText(field.text(), field.selection());  // the edit shortcuts' doing
    if (step.kind == Kind::Click) model.setSelection(field.selection());
    if (step.kind == Kind::Layout || step.kind == Kind::App)
      layoutScript = scriptOfLayout(desktop.currentLayoutCode());
    const std::u16string& want = model.text();
    const std::u16string& got = field.text();
    if (want != got) {
      std::size_t head = 0, tail = 0;
      while (head < want.size() && head < got.size() && want[head] == got[head]) ++head;
      while (tail < want.size() - head && tail < got.size() - head &&
             want[want.size() - 1 - tail] == got[got.size() - 1 - tail])
        ++tail;
      // A selection converted by hand may be part of a word.
      const std::u16string partTyped = want.substr(head, want.size() - head - tail);
      const std::u16string partFixed = got.substr(head, got.size() - head - tail);
      while (head > 0 && !text::isWhiteSpace(want[head - 1])) --head;  // whole words
      while (tail > 0 && !text::isWhiteSpace(want[want.size() - tail])) --tail;
      const std::u16string typed = want.substr(head, want.size() - head - tail);
      const std::u16string fixed = got.substr(head, got.size() - head - tail);
      const auto [typedWords, typedSpaces] = split(typed);
      const auto [fixedWords, fixedSpaces] = split(fixed);
      const std::string what = "\"" + u8(typed) + "\" became \"" + u8(fixed) + "\"";
      if (ignored) return "text: the field of an ignored application changed: " + what;
      if (typedWords.size() != fixedWords.size() || typedSpaces != fixedSpaces)
        return "text: words or white space lost, doubled or left over: " + what;
      for (std::size_t i = 0; i < typedWords.size(); ++i)
        if (!isConversion(typedWords[i], fixedWords[i]) && !(manual && isConversion(partTyped, partFixed)))
          return "text: not a conversion of what was typed: " + what;
      if (!manual && got.substr(field.selection().location) != want.substr(model.selection().location))
        return "caret: a correction moved it: " + what;
      if (manual) {
        convertedByHand.insert(typedWords.begin(), typedWords.end());
        convertedByHand.insert(fixedWords.begin(), fixedWords.end());
        convertedByHand.insert(text::trimWhiteSpace(typed));
        convertedByHand.insert(text::trimWhiteSpace(fixed));
      }
      if (!typedWords.empty() && typedWords.back() != fixedWords.back() && scriptOf(fixedWords.back()) != Script::None)
        layoutScript = scriptOf(fixedWords.back());
      ++out.corrections;
      model.setText(got, field.selection());
    } else if (!manual && model.selection().location != field.selection().location) {
      return "caret: moved without a change of text";
    } else {
      model.setSelection(field.selection());
    }
    if (scriptOfLayout(desktop.currentLayoutCode()) != layoutScript)
      return "layout: " + desktop.currentLayoutCode() + " is not the layout of the last word corrected";
    for (const auto& [word, result] : program.settings().learnedWords()) {
      if (!convertedByHand.count(u16(word)) || !convertedByHand.count(u16(result)))
        return "learned: " + word + " -> " + result + " was never converted by hand";
      ++out.learned;
    }
    return {};
  };

  for (std::size_t i = 0; i < steps.size() && out.failure.empty(); ++i) {
    cli::playKeyStep(desktop, steps[i], "en", setup.intervalMs / 1000.0,
                     [&](const std::function<void()>& press, bool manual) {
                       if (!out.failure.empty()) return;
                       press();
                       ++out.events;
                       if (auto failure = check(steps[i], manual); !failure.empty())
                         out.failure = failure + " (step " + std::to_string(i + 1) + ")";
                     });
  }
  return out;
}

std::string category(const std::string& failure) { return failure.substr(0, failure.find(':')); }

// The fewest steps (and characters of text) that still fail the same way.
std::vector<KeyStep> shrink(const Setup& setup, std::vector<KeyStep> steps, const std::string& failure) {
  auto fails = [&](const std::vector<KeyStep>& candidate) {
    const std::string f = play(setup, candidate).failure;
    return !f.empty() && category(f) == category(failure);
  };
  for (std::size_t chunk = steps.size() / 2; chunk >= 1; chunk /= 2) {
    for (std::size_t at = 0; at + chunk <= steps.size();) {
      auto candidate = steps;
      candidate.erase(candidate.begin() + at, candidate.begin() + at + chunk);
      if (fails(candidate)) steps = candidate;
      else at += chunk;
    }
  }
  for (std::size_t i = 0; i < steps.size(); ++i) {
    for (std::size_t c = 0; steps[i].kind == Kind::Text && c < steps[i].text.size() && steps[i].text.size() > 1;) {
      auto candidate = steps;
      candidate[i].text.erase(c, 1);
      if (fails(candidate)) steps = candidate;
      else ++c;
    }
  }
  return steps;
}

std::size_t fromEnvironment(const char* name, std::size_t fallback) {
  const char* value = std::getenv(name);
  return value ? std::strtoull(value, nullptr, 10) : fallback;
}

TEST(TypingSessions, KeepEveryCharacterAndConvertOnlyWholeWords) {
#if defined(__SANITIZE_ADDRESS__)
  const std::size_t defaultSeeds = 300;
#else
  const std::size_t defaultSeeds = 3000;
#endif
  const std::size_t first = fromEnvironment("BRISQUEL_SESSION_FIRST_SEED", 1);
  const std::size_t seeds = fromEnvironment("BRISQUEL_SESSION_SEEDS", defaultSeeds);
  const std::size_t events = fromEnvironment("BRISQUEL_SESSION_EVENTS", 0);
  Outcome total;
  std::size_t seed = first, failures = 0;
  for (; events ? total.events < events : seed < first + seeds; ++seed) {
    const auto [setup, steps] = generate(static_cast<std::uint32_t>(seed));
    const Outcome run = play(setup, steps);
    total.events += run.events;
    total.corrections += run.corrections;
    total.learned += run.learned;
    if (run.failure.empty()) continue;
    const auto smallest = shrink(setup, steps, run.failure);
    ADD_FAILURE() << "seed " << seed << ": " << run.failure << "\nsmallest: " << play(setup, smallest).failure
                  << "\n  brisquel fix --named-keys --interval " << setup.intervalMs << (setup.noAx ? " --no-ax" : "")
                  << " '" << cli::formatNamedKeys(smallest) << "'";
    if (++failures == 3) break;  // a few are enough to go on
  }
  std::printf("%zu sessions from seed %zu, %zu events, %zu corrections, %zu learned-word checks\n", seed - first,
              first, total.events, total.corrections, total.learned);
  EXPECT_GT(total.corrections, (seed - first) / 10) << "the sessions made the detector correct words";
  EXPECT_GT(total.learned, 0u) << "some sessions learned a word";
}

}  // namespace
}  // namespace brisquel::testing
