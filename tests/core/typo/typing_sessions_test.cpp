// SPDX-License-Identifier: MIT
// Randomized typing sessions through the whole program on the simulated desktop: words typed on the
// right and the wrong layout, typos, BackSpace, arrows, clicks, a terminal and an ignored application,
// Option presses, Control shortcuts, pauses around the detector's time limits. After every step the
// field holds the person's keys with only whole words converted, the layout is that of the last word
// corrected, only words converted by hand are learned; a failure prints its shrunk session as `brisquel fix` input.
//   BRISQUEL_SESSION_SEEDS=N  BRISQUEL_SESSION_FIRST_SEED=S  BRISQUEL_SESSION_EVENTS=E (run until E events)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "TestFolders.h"
#include "TestText.h"
#include "base/Text.h"
#include "brisquel/FixCommand.h"
#include "simprogram/SimProgram.h"
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
  bool noAx = false;  // the editor refuses accessibility writes: corrections are typed keys
  int intervalMs = 120;
};

// The keys that type a text on one layout, as another layout gives them; what the first cannot type stays.
std::u16string keysAs(std::u16string_view text, const char* from, const char* to) {
  const auto* typedOn = sim::findKeyboardLayout(from);
  const auto* givenBy = sim::findKeyboardLayout(to);
  std::u16string out;
  for (char16_t c : text) {
    const std::u16string key(1, c);
    std::u16string given = key;
    bool found = false;
    for (int level = 0; level < 2 && !found; ++level) {
      for (const auto& k : typedOn->keys) {
        if (k.levels[level].text != key) continue;
        given = std::u16string(sim::findKey(*givenBy, k.keyCode)->levels[level].text);
        found = true;
        break;
      }
    }
    out += given;
  }
  return out;
}

// What the person presses for a word on its own layout, as the US keys' characters.
std::string usKeys(const std::u16string& word, const char* layout) { return u8(keysAs(word, layout, "en")); }

// Words of the shared corpus, English [0] and Russian [1]: the keys to type
// and the words the spelling knows.
struct Vocabulary {
  std::vector<std::string> keys[2], words[2];
};
const Vocabulary& vocabulary() {
  static const Vocabulary loaded = [] {
    Vocabulary v;
    const char* shared = std::getenv("BRISQUEL_SHARED_DIR");
    for (int l : {0, 1}) {
      std::ifstream in(std::string(shared ? shared : "") + "/data/corpus/" + (l ? "ru" : "en") + ".txt");
      for (std::string word; v.keys[l].size() < 3000 && in >> word;) {
        const std::u16string w = u16(word);
        if (w.size() > 12 || !text::hasLetter(w)) continue;
        v.keys[l].push_back(usKeys(w, l ? "ru" : "en"));
        v.words[l].push_back(u8(text::trimPunctuation(w)));
      }
    }
    return v;
  }();
  return loaded;
}

// The real dictionaries as `brisquel fix` loads them, else the corpus words.
SpellCheckerPort& spelling() {
  static auto checker = [] {
#if defined(BRISQUEL_HAVE_SPELL)
    auto c = std::make_unique<spell::DictionarySpellChecker>(spell::DictionarySpellChecker::defaultDictionaryDirectory(),
                                                             spell::DictionarySpellChecker::defaultCacheDirectory(), false);
    for (const char* language : {"en_US", "ru_RU"}) c->prepare(language);
    for (const char* language : {"en_US", "ru_RU"}) c->waitUntilReady(language, std::chrono::minutes(10));
#else
    auto c = std::make_unique<sim::SimSpellChecker>();
    for (int l : {0, 1}) c->setWords(l ? "ru_RU" : "en_US", vocabulary().words[l]);
#endif
    return c;
  }();
  return *checker;
}

// A seeded person at the keyboard.
std::pair<Setup, std::vector<KeyStep>> generate(std::uint32_t seed) {
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
  const Setup setup{seed % 2 == 1, std::array{30, 60, 120}[pick(3)]};
  const double interval = setup.intervalMs / 1000.0;
  auto pause = [&] {  // just before or after one of the detector's time limits
    return std::max(0.0, std::array{0.05, 0.35, 0.4, 0.7, 1.5, 5.0}[pick(6)] - interval + (chance(50) ? 0.02 : -0.02));
  };
  std::vector<KeyStep> steps;
  auto text = [&](const std::string& s) { steps.push_back({Kind::Text, u16(s), {}, 0, 0}); };
  auto step = [&](Kind kind, std::string key = {}, int count = 0, double seconds = 0) {
    steps.push_back({kind, {}, std::move(key), count, seconds});
  };
  const Vocabulary& v = vocabulary();
  std::size_t typed = 0;  // about the field's length, for clicks
  const char* app = kEditor;
  for (int actions = 8 + static_cast<int>(pick(30)); actions > 0; --actions) {
    const int roll = static_cast<int>(pick(100));
    if (roll < 50) {  // a word, on the layout the person picked or on whatever is active
      const bool russian = chance(50);
      if (chance(30)) step(Kind::Layout, (russian != chance(35)) ? "ru" : "en");
      std::string keys = v.keys[russian][pick(v.keys[russian].size())];
      if (chance(15)) keys.insert(pick(keys.size() + 1), 1, static_cast<char>('a' + pick(26)));
      text(keys);
      if (chance(10)) step(Kind::Key, "backspace");
      if (const int end = static_cast<int>(pick(100)); end < 86)  // or the next action goes on with it
        end < 75 ? text(" ") : step(Kind::Key, end < 82 ? "return" : "tab");
      typed += keys.size() + 1;
    } else if (roll < 58) {
      for (std::size_t n = 1 + pick(3); n > 0; --n) step(Kind::Key, "backspace");
    } else if (roll < 63) {
      step(Kind::Key, std::array{"left", "right", "home", "end", "up", "down", "delete", "esc"}[pick(8)]);
    } else if (roll < 67) {  // a terminal keeps its caret where a click lands
      step(Kind::Click, {}, chance(30) || app == kApps[1] ? -1 : static_cast<int>(pick(typed + 2)));
    } else if (roll < 71) {
      app = kApps[pick(4) % 3];
      step(Kind::App, app);
    } else if (roll < 80) {  // a lone Option press, often a second one soon after
      step(Kind::Option);
      if (chance(50)) step(Kind::Wait, {}, 0, pause()), step(Kind::Option);
    } else if (roll < 82) {
      step(Kind::Option, {}, 0, chance(50) ? 0.69 : 0.71);
    } else if (roll < 85) {
      step(Kind::Select, {}, 1 + static_cast<int>(pick(8))), step(Kind::Option);
    } else if (roll < 89) {
      step(Kind::Chord, std::string("ctrl+") + "acvxzf"[pick(6)]);
    } else {
      step(Kind::Wait, {}, 0, pause());
    }
  }
  return {setup, steps};
}

enum class Script { None, Latin, Cyrillic, Mixed };
Script scriptOf(std::u16string_view word) {
  Script s = Script::None;
  for (char16_t c : word) {
    const Script letter = (c | 0x20) >= u'a' && (c | 0x20) <= u'z' ? Script::Latin
                          : c >= 0x0400 && c <= 0x04FF          ? Script::Cyrillic
                                                                 : Script::None;
    if (letter != Script::None) s = s == Script::None || s == letter ? letter : Script::Mixed;
  }
  return s;
}
Script scriptOfLayout(const std::string& code) { return code == "en" ? Script::Latin : Script::Cyrillic; }

// Words and the white space between them.
std::pair<std::vector<std::u16string>, std::u16string> split(std::u16string_view s) {
  std::pair<std::vector<std::u16string>, std::u16string> out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (text::isWhiteSpace(s[i])) out.second += s[i];
    else if (i == 0 || text::isWhiteSpace(s[i - 1])) out.first.emplace_back(1, s[i]);
    else out.first.back() += s[i];
  }
  return out;
}

struct Outcome {
  std::string failure;  // empty when every check held
  std::size_t events = 0, corrections = 0;
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
  SimProgram program(desktop, {.trusted = true, .storedDefaults = {}, .ports = [](Platform& p) { p.spelling = &spelling(); },
                               .program = {false, {}}});
  program.start();
  auto watcher = desktop.platform().keyboard->createEventTap(~0ull, [&](EventType, const KeyEvent& e) {
    if (e.userData != syntheticEventMarker) models[desktop.frontmost()->bundleId()]->deliver(e);
    return std::optional<KeyEvent>(e);
  });

  Outcome out;
  std::set<std::u16string> convertedByHand;
  // Where the caret was put inside a word of the terminal, whose text the detector cannot read:
  // it sees only what is typed from there on and converts that part of the word (a known limit).
  std::optional<std::size_t> unseenStart;
  const sim::SimApp* lastModel = nullptr;
  Script layoutScript = Script::Latin;
  // Judged by the keyboard's keys, not by the detector's tables: a word comes out as the keys
  // that typed it on one layout give it on the other.
  auto isConversion = [](const std::u16string& from, const std::u16string& to) {
    if (from == to) return true;
    for (auto [a, b] : {std::pair{"en", "ru"}, std::pair{"ru", "en"}})
      if (to == keysAs(from, a, b) || from == keysAs(to, a, b)) return true;
    // A selection typed partly on each layout is swapped character by character; a character
    // both layouts type (? / .) may be read as typed on either.
    if (scriptOf(from) != Script::Mixed || from.size() != to.size()) return false;
    for (std::size_t i = 0; i < from.size(); ++i) {
      const std::u16string one(1, from[i]), given(1, to[i]);
      if (given != one && given != keysAs(one, "en", "ru") && given != keysAs(one, "ru", "en")) return false;
    }
    return true;
  };
  // After each of the person's actions: compare the field with its model.
  auto check = [&](const KeyStep& step, bool manual) -> std::string {
    sim::SimApp& field = *desktop.frontmost();
    sim::SimApp& model = *models[field.bundleId()];
    const bool ignored = field.bundleId() == kApps[2];
    if (step.kind == Kind::Chord) model.setText(field.text(), field.selection());  // the edit shortcuts' doing
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
      // Whole words, up to the caret: what follows it was not typed with them.
      const auto caret = static_cast<std::size_t>(model.selection().location);
      while (head > 0 && !text::isWhiteSpace(want[head - 1])) --head;
      while (tail > 0 && (manual || want.size() - tail < caret) && !text::isWhiteSpace(want[want.size() - tail]))
        --tail;
      const std::u16string typed = want.substr(head, want.size() - head - tail);
      const std::u16string fixed = got.substr(head, got.size() - head - tail);
      const auto [typedWords, typedSpaces] = split(typed);
      const auto [fixedWords, fixedSpaces] = split(fixed);
      const std::string what = "\"" + u8(typed) + "\" became \"" + u8(fixed) + "\"";
      if (ignored) return "text: the field of an ignored application changed: " + what;
      if (typedWords.size() != fixedWords.size() || typedSpaces != fixedSpaces)
        return "text: words or white space lost, doubled or left over: " + what;
      const bool part = manual || (unseenStart && head <= *unseenStart && *unseenStart <= head + typed.size());
      for (std::size_t i = 0; i < typedWords.size(); ++i)
        if (!isConversion(typedWords[i], fixedWords[i]) && !(part && isConversion(partTyped, partFixed)))
          return "text: not a conversion of what was typed: " + what;
      if (!manual && got.substr(field.selection().location) != want.substr(model.selection().location))
        return "caret: a correction moved it: " + what;
      if (manual) {
        convertedByHand.insert(typedWords.begin(), typedWords.end());
        convertedByHand.insert(fixedWords.begin(), fixedWords.end());
        for (const auto& converted : {typed, fixed, partTyped, partFixed})
          convertedByHand.insert(text::trimWhiteSpace(converted));
        auto before = split(text::trimWhiteSpace(want.substr(0, head))).first;  // joined by the conversion
        if (!before.empty()) convertedByHand.insert(before.back());
      }
      // An automatic correction of the last word leaves the layout of its last
      // letter; by hand the layout the word was guessed typed on is asked for.
      layoutScript = scriptOfLayout(desktop.currentLayoutCode());
      const std::size_t end = head + typed.size();  // the word just typed, not one before it
      const bool last = end <= caret && std::all_of(want.begin() + end, want.begin() + caret, text::isWhiteSpace);
      if (!manual && last && scriptOf(typed) != Script::Mixed && typedWords.back() != fixedWords.back())
        for (char16_t c : partFixed)
          if (const Script letter = scriptOf(std::u16string(1, c)); letter != Script::None) layoutScript = letter;
      ++out.corrections;
    }
    model.setText(got, field.selection());
    const bool moved = step.kind == Kind::Key ? std::string("left right up down home end").find(step.key) != std::string::npos
                                              : step.kind == Kind::Click || step.kind == Kind::Select ||
                                                    step.kind == Kind::Chord || (step.kind == Kind::App && &model != lastModel);
    lastModel = &model;
    if (moved) {
      const auto caret = static_cast<std::size_t>(field.selection().location);
      unseenStart.reset();
      if (field.bundleId() == kApps[1] && caret > 0 && !text::isWhiteSpace(field.text()[caret - 1])) unseenStart = caret;
    }
    if (scriptOfLayout(desktop.currentLayoutCode()) != layoutScript)
      return "layout: " + desktop.currentLayoutCode() + " is not the layout of the last word corrected";
    // Each word of a learned entry is (part of) a word converted by hand.
    auto byHand = [&](const std::string& learned) {
      return std::ranges::all_of(split(u16(learned)).first, [&](const std::u16string& piece) {
        return std::ranges::any_of(convertedByHand, [&](const auto& w) { return w.find(piece) != w.npos; });
      });
    };
    for (const auto& [word, result] : program.settings().learnedWords()) {
      if (!byHand(word) || !byHand(result)) return "learned: " + word + " -> " + result + " was never converted by hand";
    }
    return {};
  };

  for (std::size_t i = 0; i < steps.size() && out.failure.empty(); ++i) {
    cli::playKeyStep(desktop, steps[i], "en", setup.intervalMs / 1000.0, [&](const auto& press, bool manual) {
      if (!out.failure.empty()) return;
      press();
      ++out.events;
      if (auto failure = check(steps[i], manual); !failure.empty()) out.failure = failure + " (step " + std::to_string(i + 1) + ")";
    });
  }
  return out;
}

// The fewest steps that still fail the same way.
std::vector<KeyStep> shrink(const Setup& setup, std::vector<KeyStep> steps, const std::string& failure) {
  auto fails = [&](const std::vector<KeyStep>& candidate) {
    const std::string f = play(setup, candidate).failure;
    return f.substr(0, f.find(':')) == failure.substr(0, failure.find(':'));
  };
  for (std::size_t chunk = steps.size() / 2; chunk >= 1; chunk /= 2) {
    for (std::size_t at = 0; at + chunk <= steps.size();) {
      auto candidate = steps;
      candidate.erase(candidate.begin() + at, candidate.begin() + at + chunk);
      if (fails(candidate)) steps = candidate;
      else at += chunk;
    }
  }
  return steps;
}

TEST(TypingSessions, KeepEveryCharacterAndConvertOnlyWholeWords) {
  if (vocabulary().keys[0].empty() || vocabulary().keys[1].empty()) GTEST_SKIP() << "no shared corpus";
  auto fromEnvironment = [](const char* name, std::size_t fallback) -> std::size_t {
    return std::getenv(name) ? std::strtoull(std::getenv(name), nullptr, 10) : fallback;
  };
#if defined(__SANITIZE_ADDRESS__)
  const std::size_t defaultSeeds = 1000;
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
    if (run.failure.empty()) continue;
    const auto smallest = shrink(setup, steps, run.failure);
    ADD_FAILURE() << "seed " << seed << ": " << run.failure << "\nsmallest: " << play(setup, smallest).failure
                  << "\n  brisquel fix --named-keys --interval " << setup.intervalMs << (setup.noAx ? " --no-ax" : "")
                  << " '" << cli::formatNamedKeys(smallest) << "'";
    if (++failures == 3) break;  // a few are enough to go on
  }
  std::printf("%zu sessions from seed %zu, %zu events, %zu corrections\n", seed - first, first, total.events,
              total.corrections);
  EXPECT_GT(total.corrections, (seed - first) / 10) << "the sessions made the detector correct words";
}

}  // namespace
}  // namespace brisquel::testing
