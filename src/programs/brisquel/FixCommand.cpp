// SPDX-License-Identifier: MIT
// `brisquel fix`: types text key by key into a text field of the simulated
// desktop with the typo detector on the real dictionaries, and prints what
// the field holds afterwards.
#include "brisquel/FixCommand.h"

#include <unicode/ustring.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>

#include "brisquel/Commands.h"
#include "simprogram/SimProgram.h"
#include "brisquel/WatchedKeyboard.h"
#include "base/KeyCodes.h"
#include "sim/KeyboardLayouts.h"
#include "sim/SimDesktop.h"
#include "base/Text.h"
#include "typo/TypoDetector.h"
#if defined(BRISQUEL_HAVE_SPELL)
#include "spell/DictionarySpellChecker.h"
#endif

namespace brisquel::cli {
namespace {

constexpr const char* kFixUsage =
    "usage: brisquel fix [--app BUNDLE_ID] [--keys CODE] [--active CODE] [--layouts LIST] [--interval MS] [--no-ax]\n"
    "                    [--json] [TEXT...]\n"
    "  Types each line of TEXT (or of standard input) key by key into a fresh text field\n"
    "  with the typo detector on, ends it with Return and prints the field's text.\n"
    "  --app BUNDLE_ID the application the field belongs to (default com.apple.TextEdit); the\n"
    "                  keys go through the program's edit tap with the first-start lists\n"
    "  --keys CODE     the layout whose keys the characters name (default: the --active one)\n"
    "  --active CODE   the layout active when each line starts (default en)\n"
    "  --layouts LIST  the enabled layouts in order, comma-separated (default en,ru)\n"
    "  --interval MS   time between two keys on the virtual clock (default 120)\n"
    "  --no-ax         the field refuses accessibility: corrections are typed as keys\n"
    "  --json          one JSON object per line: text, layout and the corrections made\n"
    "  --named-keys    key names in braces among the text: {BackSpace} {Delete} {Left} {Right}\n"
    "                  {Home} {End} {Escape} {Return} {Tab} {CapsLock} {Option} (a lone press)\n"
    "                  {Click} (a mouse press in the field) {Select N} (the N characters before\n"
    "                  the caret) {Wait S} (seconds on the virtual clock); {{ is a brace; also\n"
    "                  {Option S} (held S seconds) {Click N} (the caret put at N) {Ctrl+V} (a chord)\n"
    "                  {Layout CODE} (picked by hand) {App BUNDLE_ID} (that application's field)\n"
    "  codes: en ru uk he ar el\n";

std::string appNameOf(const std::string& bundleId) {
  const auto dot = bundleId.rfind('.');
  return dot == std::string::npos ? bundleId : bundleId.substr(dot + 1);
}
constexpr double kPauseBetweenLines = 10.0;

// A layout code of the simulated keyboard ("en", "ru", "uk", "he", "ar", "el").
bool isLayoutCode(const std::string& code) {
  const sim::KeyboardLayout* layout = sim::findKeyboardLayout(code);
  return layout && layout->code == code;
}

std::vector<std::string> splitList(const std::string& s) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    std::size_t comma = s.find(',', start);
    out.push_back(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return out;
    start = comma + 1;
  }
}

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\u00A0'; }

std::string jsonString(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace

std::string spellingLanguageOf(const std::string& layoutCode) {
  static const std::map<std::string, std::string> languages = {
      {"en", "en_US"}, {"ru", "ru_RU"}, {"uk", "uk_UA"}, {"he", "he"}, {"ar", "ar"}, {"el", "el"},
  };
  auto it = languages.find(layoutCode);
  return it == languages.end() ? std::string() : it->second;
}

ParsedFixOptions parseFixOptions(const std::vector<std::string>& args) {
  FixOptions o;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || !arg.starts_with("--")) {
      o.text.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--no-ax") {
      o.noAx = true;
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--named-keys") {
      o.namedKeys = true;
    } else if (arg == "--keys" || arg == "--active" || arg == "--layouts" || arg == "--interval" || arg == "--app") {
      if (i + 1 >= args.size()) return {std::nullopt, arg + " needs a value"};
      const std::string& value = args[++i];
      if (arg == "--app") {
        if (value.empty()) return {std::nullopt, "--app wants a bundle identifier"};
        o.app = value;
      } else if (arg == "--interval") {
        int ms = -1;
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
        if (ec != std::errc() || end != value.data() + value.size() || ms < 0 || ms > 60000)
          return {std::nullopt, "--interval wants milliseconds from 0 to 60000, got '" + value + "'"};
        o.intervalMs = ms;
      } else if (arg == "--layouts") {
        o.layouts = splitList(value);
        for (std::size_t k = 0; k < o.layouts.size(); ++k) {
          if (!isLayoutCode(o.layouts[k])) return {std::nullopt, "unknown layout code '" + o.layouts[k] + "' in --layouts"};
          for (std::size_t j = 0; j < k; ++j)
            if (o.layouts[j] == o.layouts[k]) return {std::nullopt, "layout '" + o.layouts[k] + "' listed twice in --layouts"};
        }
      } else {
        if (!isLayoutCode(value)) return {std::nullopt, "unknown layout code '" + value + "' for " + arg};
        (arg == "--keys" ? o.keys : o.active) = value;
      }
    } else {
      return {std::nullopt, "unknown option '" + arg + "'"};
    }
  }
  bool activeEnabled = false;
  for (const auto& code : o.layouts) activeEnabled = activeEnabled || code == o.active;
  if (!activeEnabled) return {std::nullopt, "--active " + o.active + " is not among the enabled layouts"};
  if (o.keys.empty()) o.keys = o.active;
  return {o, {}};
}

void playKeyStep(sim::Desktop& desktop, const KeyStep& step, const std::string& keysLayout, double interval,
                 const std::function<void(const std::function<void()>&, bool manual)>& act) {
  switch (step.kind) {
    case KeyStep::Kind::Text:
      for (std::size_t i = 0; i < step.text.size();) {
        const std::size_t n = (i + 1 < step.text.size() && step.text[i] >= 0xD800 && step.text[i] <= 0xDBFF) ? 2 : 1;
        const std::u16string character = step.text.substr(i, n);
        act([&] { desktop.typeText(character, keysLayout); }, false);
        i += n;
      }
      return;
    case KeyStep::Kind::Key:
    case KeyStep::Kind::Chord:
      return act([&] { desktop.press(step.key); }, false);
    case KeyStep::Kind::Option:
      if (step.seconds == 0) return act([&] { desktop.press("opt"); }, true);
      return act(
          [&] {
            desktop.keyDown(KeyCode::Option);
            desktop.advance(step.seconds);
            desktop.keyUp(KeyCode::Option);
            desktop.advance(interval);
          },
          true);
    case KeyStep::Kind::Click:
      return act([&] { desktop.click(step.count < 0 ? std::nullopt : std::optional<std::int64_t>(step.count)); }, false);
    case KeyStep::Kind::Select:
      return act([&] { for (int i = 0; i < step.count; ++i) desktop.press("shift+left"); }, false);
    case KeyStep::Kind::Wait:
      return act([&] { desktop.advance(step.seconds); }, false);
    case KeyStep::Kind::Layout:
      return act([&] { desktop.selectLayout(step.key); }, false);
    case KeyStep::Kind::App:
      return act(
          [&] {
            if (!desktop.application(step.key)) {
              const std::string name = appNameOf(step.key);
              desktop.addApplication({step.key, name, "/Applications/" + name + ".app", 0});
            }
            desktop.activate(step.key);
          },
          false);
  }
}

struct FixSession::Impl {
  FixOptions options;
  sim::Desktop desktop;
  sim::SimApp* app = nullptr;
  std::unique_ptr<WatchedKeyboard> keyboard;
  std::unique_ptr<SimProgram> program;
  std::vector<std::string> otherApps;  // brought forward by {App ...}
};

FixSession::FixSession(const FixOptions& options, SpellCheckerPort& spelling) : impl_(std::make_unique<Impl>()) {
  Impl& d = *impl_;
  d.options = options;
  if (!isLayoutCode(d.options.keys)) d.options.keys = d.options.active;
  if (!isLayoutCode(d.options.keys)) d.options.keys = "en";
  d.desktop.enableLayouts(options.layouts);
  d.desktop.setTypingInterval(options.intervalMs / 1000.0);
  const std::string appName = appNameOf(options.app);
  d.app = &d.desktop.addApplication({options.app, appName, "/Applications/" + appName + ".app", 0});
  d.desktop.activate(options.app);
  d.app->axFaults().notSettable = options.noAx;

  // A first start of the whole program (default settings and lists, so an
  // ignored application gets no correction), trusted, without the donation window.
  d.keyboard = std::make_unique<WatchedKeyboard>(*d.desktop.platform().keyboard);
  SimProgramOptions programOptions;
  programOptions.ports = [&](Platform& p) {
    p.spelling = &spelling;
    p.keyboard = d.keyboard.get();
  };
  programOptions.program.donationReminder = false;
  d.program = std::make_unique<SimProgram>(d.desktop, std::move(programOptions));
  d.program->start();
}

FixSession::~FixSession() = default;

void FixSession::recordDetectorTimes(std::vector<double>* sink, std::function<void()> beforeEach) {
  impl_->keyboard->onTimed = sink ? std::function<void(double)>([sink](double s) { sink->push_back(s); }) : nullptr;
  impl_->keyboard->beforeTimed = sink ? std::move(beforeEach) : nullptr;
}

FixLineResult FixSession::typeLine(std::u16string_view line) {
  return typeKeys({KeyStep{KeyStep::Kind::Text, std::u16string(line), {}, 0, 0}});
}

FixLineResult FixSession::typeKeys(const std::vector<KeyStep>& steps) {
  Impl& d = *impl_;
  // Nothing carries over from the previous line: a fresh field, the starting
  // layout, the word state cleared as a click clears it, and a pause.
  d.desktop.advance(kPauseBetweenLines);
  if (d.desktop.frontmost() != d.app) d.desktop.activate(d.options.app);
  d.desktop.selectLayout(d.options.active);
  for (const auto& id : d.otherApps) d.desktop.application(id)->setText(std::u16string());
  d.app->setText(std::u16string());  // {App} may have brought it forward again
  d.program->typoDetector().clearBuffer();
  d.desktop.runUntilIdle();
  d.desktop.clearLogs();  // only this line's events are compared below

  FixLineResult result;
  // One user action (a character's keys, a named key); reports what the
  // detector changed beyond what the user's own keys typed.
  auto act = [&](const std::function<void()>& press, bool manual) {
    sim::SimApp* app = d.desktop.frontmost();
    const std::u16string before = app->text();
    const std::size_t postedBefore = d.desktop.posted().size();
    const std::size_t writesBefore = app->axValueWrites().size();
    const std::u16string bufferBefore = d.program->typoDetector().buffer();
    std::u16string& typedByUser = d.keyboard->typedByUser;
    typedByUser.clear();
    press();
    if (d.desktop.posted().size() == postedBefore && app->axValueWrites().size() == writesBefore) return;

    // A correction: compare the field with what the keys alone would have left.
    const std::u16string expected = before + typedByUser;
    const std::u16string& after = app->text();
    std::size_t head = 0;
    while (head < expected.size() && head < after.size() && expected[head] == after[head]) ++head;
    std::size_t tail = 0;
    while (tail < expected.size() - head && tail < after.size() - head &&
           expected[expected.size() - 1 - tail] == after[after.size() - 1 - tail])
      ++tail;
    while (head > 0 && !isSpace(expected[head - 1])) --head;  // whole words
    while (tail > 0 && !isSpace(expected[expected.size() - tail])) --tail;
    auto trimmed = [](std::u16string s) {
      while (!s.empty() && isSpace(s.back())) s.pop_back();
      while (!s.empty() && isSpace(s.front())) s.erase(0, 1);
      return s;
    };
    const std::u16string typed = trimmed(expected.substr(head, expected.size() - head - tail));
    const std::u16string fixed = trimmed(after.substr(head, after.size() - head - tail));
    if (typed == fixed) return;

    std::string kind;
    const bool separator = typedByUser.empty() || isSpace(typedByUser.back());
    if (manual) {
      kind = "manual";
    } else if (!separator) {
      kind = "mid-word";
    } else if (d.program->typoDetector().lastCompletedWord() == bufferBefore && !bufferBefore.empty()) {
      kind = "previous-word repair";  // the word just ended stays; the one before it changed
    } else {
      bool singleLetters = typed.find(u' ') != std::u16string::npos;
      for (std::size_t k = 0; k < typed.size() && singleLetters; ++k)
        singleLetters = isSpace(typed[k]) == (k % 2 == 1);
      kind = singleLetters ? "single-letter run" : "word end";
    }
    result.corrections.push_back({text::toUtf8(typed), text::toUtf8(fixed), kind});
  };

  for (const KeyStep& step : steps) {
    if (step.kind == KeyStep::Kind::App) d.otherApps.push_back(step.key);
    playKeyStep(d.desktop, step, d.options.keys, d.options.intervalMs / 1000.0, act);
  }
  // Return ends the last word, unless it would replace a selection left at the end.
  sim::SimApp* front = d.desktop.frontmost();
  if (front->selection().length == 0) act([&] { d.desktop.press("return"); }, false);

  std::u16string text = front->text();
  if (!text.empty() && text.back() == u'\n') text.pop_back();
  result.text = text::toUtf8(text);
  result.layout = d.desktop.currentLayoutCode();
  return result;
}

std::string fixResultJson(const FixLineResult& result) {
  std::string out = "{\"text\":" + jsonString(result.text) + ",\"layout\":" + jsonString(result.layout) +
                    ",\"corrections\":[";
  for (std::size_t i = 0; i < result.corrections.size(); ++i) {
    const auto& c = result.corrections[i];
    out += (i ? "," : "") + std::string("{\"typed\":") + jsonString(c.typed) + ",\"result\":" + jsonString(c.result) +
           ",\"kind\":" + jsonString(c.kind) + "}";
  }
  return out + "]}";
}

int fixCommand(const std::vector<std::string>& args, Streams io) {
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      io.out << kFixUsage;
      return kExitOk;
    }
  }
  auto parsed = parseFixOptions(args);
  if (!parsed.options) {
    io.err << "brisquel fix: " << parsed.error << "\n";
    return kExitUsage;
  }
  const FixOptions& options = *parsed.options;

  // The input is checked and spooled to an unlinked temporary file, so that
  // bad UTF-8 fails before any output, then typed a line at a time: memory
  // stays the same however long the input is.
  std::string arguments;
  for (std::size_t i = 0; i < options.text.size(); ++i) arguments += (i ? " " : "") + options.text[i];
  std::istringstream argumentStream(arguments);
  std::istream& source = options.text.empty() ? io.in : argumentStream;
  std::string spoolPath = (std::filesystem::temp_directory_path() / "brisquel-fix-XXXXXX").string();
  const int spoolFd = ::mkstemp(spoolPath.data());
  std::fstream spool;
  if (spoolFd >= 0) {
    spool.open(spoolPath, std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary);
    ::unlink(spoolPath.c_str());
    ::close(spoolFd);
  }
  if (!spool.is_open()) {
    io.err << "brisquel fix: cannot create a temporary file for the input\n";
    return kExitFailure;
  }
  std::size_t lineCount = 0;
  for (std::string line; std::getline(source, line); ++lineCount) {
    if (!text::isValidUtf8(line)) {  // a line break never splits a UTF-8 sequence
      io.err << "brisquel fix: the input is not valid UTF-8\n";
      return kExitFailure;
    }
    // Every line is read before anything is typed: a bad name prints nothing else.
    if (options.namedKeys) {
      if (auto parsedKeys = parseNamedKeys(text::fromUtf8(line)); !parsedKeys.steps) {
        io.err << "brisquel fix: " << parsedKeys.error << "\n";
        return kExitUsage;
      }
    }
    spool << line << '\n';
  }
  spool.seekg(0);

#if defined(BRISQUEL_HAVE_SPELL)
  // Only English and the enabled layouts' languages, loaded before typing: a language
  // loading halfway through would make the results depend on timing.
  spell::DictionarySpellChecker spelling(spell::DictionarySpellChecker::defaultDictionaryDirectory(),
                                         spell::DictionarySpellChecker::defaultCacheDirectory(), false);
  std::vector<std::string> languages{"en_US"};
  for (const auto& code : options.layouts) languages.push_back(spellingLanguageOf(code));
  if (auto warning = spell::missingDictionariesWarning(spelling, languages); !warning.empty())
    io.err << "brisquel fix: " << warning << "\n";
  for (const auto& language : languages) spelling.prepare(language);
  for (const auto& language : languages) {
    if (!spelling.waitUntilReady(language, std::chrono::minutes(10))) {
      io.err << "brisquel fix: the " << language << " dictionary did not load\n";
      return kExitFailure;
    }
  }
#else
  sim::SimSpellChecker spelling;
  io.err << "brisquel fix: warning: built without the spelling dictionaries; no language has valid words\n";
#endif

  FixSession session(options, spelling);
  std::string line;
  for (std::size_t i = 0; i < lineCount && std::getline(spool, line); ++i) {
    if (io.errIsTerminal && (i % 25 == 0 || i + 1 == lineCount))
      io.err << "\rbrisquel fix: line " << (i + 1) << " of " << lineCount << std::flush;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::u16string typed = text::fromUtf8(line);
    auto result = options.namedKeys ? session.typeKeys(*parseNamedKeys(typed).steps) : session.typeLine(typed);
    io.out << (options.json ? fixResultJson(result) : result.text) << "\n";
  }
  if (io.errIsTerminal && lineCount > 0) io.err << "\n";
  io.out.flush();
  return kExitOk;
}

}  // namespace brisquel::cli
