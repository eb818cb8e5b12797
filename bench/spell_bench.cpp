// SPDX-License-Identifier: MIT
// Spelling and typing figures on the real dictionaries, printed as tables:
//   spell_bench [--corpus DIR] [--sentences N] [--soak-keys N]
//       load from the cache, queries, per key event, memory of brisquel fix, and the soak
//   spell_bench soak [--corpus DIR] [--soak-keys N]   the soak alone
//   spell_bench keys [--cold] [--corpus DIR] [--sentences N]   the key path per key event alone;
//       --cold writes over 8 MB before each key, as the other programs of a
//       desktop do between two keys, so that caches are cold as on a real host
//   spell_bench cold [CODE...]                   load with the prefix index built from scratch
//
// The soak types a million key events of corpus text, right and in the wrong
// layout, switching applications, through the whole program on the simulated
// desktop; once with the first-start settings and once with 10,000 learned
// words and 10,000 ignored applications. It prints resident memory after the
// warm-up (the first tenth) and at the end, and the time per key event.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unicode/uchar.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/Text.h"
#include "brisquel/Cli.h"
#include "brisquel/FixCommand.h"
#include "simprogram/SimProgram.h"
#include "brisquel/WatchedKeyboard.h"
#include "settings/SettingsHelper.h"
#include "sim/SimDesktop.h"
#include "spell/DictionarySpellChecker.h"
#include "typo/LayoutMaps.h"

using namespace brisquel;
using Clock = std::chrono::steady_clock;

namespace {

const std::vector<std::string> kCodes = {"en", "ru", "uk", "he", "ar", "el"};

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

struct Stats {
  std::size_t n = 0;
  double median = 0, p99 = 0, max = 0;  // microseconds
};

Stats stats(std::vector<double> seconds) {
  Stats s;
  s.n = seconds.size();
  if (seconds.empty()) return s;
  std::sort(seconds.begin(), seconds.end());
  s.median = seconds[seconds.size() / 2] * 1e6;
  s.p99 = seconds[std::min(seconds.size() - 1, seconds.size() * 99 / 100)] * 1e6;
  s.max = seconds.back() * 1e6;
  return s;
}

std::vector<std::string> readLines(const std::filesystem::path& file, std::size_t limit) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line) && (limit == 0 || lines.size() < limit))
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// Words of two letters or more, punctuation around them removed.
std::vector<std::u16string> words(const std::vector<std::string>& sentences) {
  std::vector<std::u16string> out;
  for (const auto& s : sentences) {
    std::u16string text = text::fromUtf8(s);
    std::size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && u_isUWhiteSpace(text[i])) ++i;
      std::size_t start = i;
      while (i < text.size() && !u_isUWhiteSpace(text[i])) ++i;
      std::u16string w = text.substr(start, i - start);
      while (!w.empty() && u_ispunct(w.back())) w.pop_back();
      while (!w.empty() && u_ispunct(w.front())) w.erase(0, 1);
      if (w.size() >= 2 && std::none_of(w.begin(), w.end(), [](char16_t c) { return u_isdigit(c); })) out.push_back(w);
    }
  }
  return out;
}

std::u16string convert(const std::u16string& word, const LayoutMaps::Map& map) {
  std::u16string out;
  for (char16_t c : word) {
    auto it = map.find(static_cast<char32_t>(u_tolower(c)));
    out += it == map.end() ? c : static_cast<char16_t>(it->second);
  }
  return out;
}

const LayoutMaps::Map& fromEnglish(const std::string& code) {
  const auto& m = LayoutMaps::instance();
  if (code == "ru") return m.engToRusMap;
  if (code == "uk") return m.engToUkrMap;
  if (code == "he") return m.engToHebMap;
  if (code == "ar") return m.engToAraMap;
  return m.engToGreMap;
}

const LayoutMaps::Map& toEnglish(const std::string& code) {
  const auto& m = LayoutMaps::instance();
  if (code == "ru") return m.rusToEngMap;
  if (code == "uk") return m.ukrToEngMap;
  if (code == "he") return m.hebToEngMap;
  if (code == "ar") return m.araToEngMap;
  return m.greToEngMap;
}

double loadMs(const std::vector<std::string>& codes, const std::filesystem::path& cache) {
  spell::DictionarySpellChecker checker(spell::DictionarySpellChecker::defaultDictionaryDirectory(), cache);
  const auto start = Clock::now();
  for (const auto& c : codes) checker.prepare(cli::spellingLanguageOf(c));
  for (const auto& c : codes) checker.waitUntilReady(cli::spellingLanguageOf(c), std::chrono::minutes(10));
  return msSince(start);
}

// The best of a few runs: on a shared machine the slower ones measure the neighbours.
double bestLoadMs(const std::vector<std::string>& codes, const std::filesystem::path& cache) {
  double best = loadMs(codes, cache);
  for (int i = 0; i < 4; ++i) best = std::min(best, loadMs(codes, cache));
  return best;
}

std::string join(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += (s.empty() ? "" : ",") + x;
  return s;
}

void printStats(const char* label, const std::string& lang, const Stats& s) {
  std::printf("  %-8s %-22s n=%7zu  median %7.2f  p99 %7.2f  max %8.1f us\n", lang.c_str(), label, s.n, s.median, s.p99,
              s.max);
}

// Peak resident memory of the `brisquel fix` program typing the sentences with the layouts enabled.
long fixPeakRssKb(const std::vector<std::string>& layouts, const std::vector<std::string>& sentences) {
  const auto program = std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "src" / "brisquel";
  const auto input = std::filesystem::temp_directory_path() / ("brisquel-bench-" + std::to_string(getpid()) + ".txt");
  {
    std::ofstream out(input);
    for (const auto& s : sentences) out << s << "\n";
  }
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    std::freopen(input.c_str(), "r", stdin);
    std::freopen("/dev/null", "w", stdout);
    const std::string list = join(layouts);
    execl(program.c_str(), "brisquel", "fix", "--layouts", list.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  std::filesystem::remove(input);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;
}

// ---- soak: a long day of typing on the simulated desktop ----------------

// Per-key times counted in 10 ns buckets up to 1 ms: a million keys cost no memory.
class KeyTimes {
 public:
  void add(double seconds) {
    const double ns = seconds * 1e9;
    const auto bucket = static_cast<std::size_t>(std::clamp(ns / kBucketNs, 0.0, double(kBuckets - 1)));
    ++counts_[bucket];
    ++n_;
    max_ = std::max(max_, seconds);
  }
  Stats stats() const {
    Stats s;
    s.n = n_;
    s.median = quantile(n_ / 2);
    s.p99 = quantile(std::min(n_ - 1, n_ * 99 / 100));
    s.max = max_ * 1e6;
    return s;
  }

 private:
  static constexpr std::size_t kBuckets = 100000;
  static constexpr double kBucketNs = 10;
  double quantile(std::size_t rank) const {  // microseconds, the bucket's upper edge
    std::size_t seen = 0;
    for (std::size_t i = 0; i < kBuckets; ++i) {
      seen += counts_[i];
      if (seen > rank) return double(i + 1) * kBucketNs / 1000.0;
    }
    return max_ * 1e6;
  }
  std::vector<std::uint32_t> counts_ = std::vector<std::uint32_t>(kBuckets);
  std::size_t n_ = 0;
  double max_ = 0;
};

double residentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct SoakFigures {
  std::size_t keyEvents = 0;
  std::size_t lines = 0;
  double warmMiB = 0, endMiB = 0, seconds = 0;
  Stats perKey;
};

// What a person who used the program for years has: learned conversions of
// real words and a long list of ignored applications.
void addPersonalData(SettingsHelper& settings, const std::vector<std::string>& ruText, std::size_t count) {
  StringMap learned;
  for (const auto& w : words(ruText)) {
    if (learned.size() >= count) break;
    learned.emplace(text::toUtf8(convert(text::toLower(w), toEnglish("ru"))), text::toUtf8(text::toLower(w)));
  }
  for (std::size_t i = 0; learned.size() < count; ++i) learned.emplace("learned" + std::to_string(i), "выучено");
  settings.setLearnedWords(learned);
  StringList ignored = settings.ignoredApps();  // the first-start list stays: the same keys reach the detector
  for (std::size_t i = 0; i < count; ++i) ignored.push_back("com.vendor" + std::to_string(i) + ".tool");
  settings.setIgnoredApps(ignored);
}

// English and Russian sentences typed key by key through the whole program:
// every third one in the other layout (the detector corrects it), a click
// into a fresh field before each, and another application every seventh.
SoakFigures soak(SpellCheckerPort& spelling, const std::vector<std::string>& en, const std::vector<std::string>& ru,
                 std::size_t keyEvents, std::size_t personalData) {
  sim::Desktop desktop;
  desktop.enableLayouts({"en", "ru"});
  desktop.setTypingInterval(0.12);
  const std::vector<std::string> apps = {"com.apple.TextEdit", "com.apple.Notes", "com.apple.mail",
                                         "com.apple.Terminal", "com.teamviewer.TeamViewer"};
  for (const auto& id : apps) desktop.addApplication({id, id.substr(id.rfind('.') + 1), "/Applications/" + id, 0});

  cli::WatchedKeyboard keyboard(*desktop.platform().keyboard);
  SimProgramOptions options;
  options.ports = [&](Platform& p) {
    p.spelling = &spelling;
    p.keyboard = &keyboard;
  };
  options.program.donationReminder = false;
  SimProgram program(desktop, std::move(options));
  program.start();
  if (personalData) addPersonalData(program.settings(), ru, personalData);

  SoakFigures f;
  KeyTimes times;
  const std::size_t warmUp = keyEvents / 10;
  const auto start = Clock::now();
  bool warm = false;
  for (std::size_t line = 0; keyboard.userEvents < keyEvents; ++line) {
    if (!warm && keyboard.userEvents >= warmUp) {
      warm = true;
      f.warmMiB = residentMiB();
      keyboard.onTimed = [&times](double seconds) { times.add(seconds); };
    }
    if (line % 7 == 0) desktop.activate(apps[(line / 7) % apps.size()]);
    const bool russian = line % 2 == 1;
    const bool wrongLayout = line % 3 == 2;
    const auto& text = russian ? ru[(line / 2) % ru.size()] : en[(line / 2) % en.size()];
    desktop.selectLayout(russian != wrongLayout ? "ru" : "en");
    desktop.frontmost()->setText(std::u16string());
    desktop.click(0);
    desktop.typeText(text::fromUtf8(text), russian ? "ru" : "us");
    desktop.press("return");
    desktop.advance(2);
    desktop.clearLogs();
    keyboard.typedByUser.clear();
    ++f.lines;
  }
  f.seconds = msSince(start) / 1000;
  f.endMiB = residentMiB();
  f.keyEvents = keyboard.userEvents;
  f.perKey = times.stats();
  return f;
}

void printSoak(const char* label, const SoakFigures& f) {
  std::printf("  %-26s %8zu keys %6zu lines %6.1f s  resident %6.1f -> %6.1f MiB (%+5.2f)  "
              "per key median %5.2f  p99 %6.2f  max %8.1f us\n",
              label, f.keyEvents, f.lines, f.seconds, f.warmMiB, f.endMiB, f.endMiB - f.warmMiB, f.perKey.median,
              f.perKey.p99, f.perKey.max);
  std::fflush(stdout);
}

int runSoak(const std::map<std::string, std::vector<std::string>>& corpusText, std::size_t keyEvents) {
  spell::DictionarySpellChecker checker;
  for (const char* language : {"en_US", "ru_RU"}) checker.prepare(language);
  for (const char* language : {"en_US", "ru_RU"}) checker.waitUntilReady(language, std::chrono::minutes(10));
  const auto& en = corpusText.at("en");
  const auto& ru = corpusText.at("ru");
  std::printf("== soak: en and ru sentences typed through the whole program, every third in the wrong layout\n");
  printSoak("first-start settings", soak(checker, en, ru, keyEvents, 0));
  printSoak("10,000 learned, ignored", soak(checker, en, ru, keyEvents, 10000));
  return 0;
}

// Writes over more memory than the caches hold below the last level.
void evictCaches() {
  static std::vector<unsigned char> other(8 << 20);
  static unsigned char round = 0;
  ++round;
  for (std::size_t i = 0; i < other.size(); i += 64) other[i] = round;
}

// The detector's time per key event, typing each language right and on the wrong layout.
void keyPath(SpellCheckerPort& checker, std::map<std::string, std::vector<std::string>>& corpusText,
             std::size_t sentences, bool coldCaches = false) {
  std::printf("\n== the key path per key event: edit tap and detector (sentences typed at 120 ms a key%s), us\n",
              coldCaches ? ", caches made cold before each key" : "");
  for (const auto& code : kCodes) {
    std::vector<std::string> lines(corpusText[code].begin(),
                                   corpusText[code].begin() + static_cast<long>(std::min(sentences, corpusText[code].size())));
    const std::vector<std::pair<std::string, std::string>> directions =
        code == "en" ? std::vector<std::pair<std::string, std::string>>{{"right", "en"}, {"wrong", "ru"}}
                     : std::vector<std::pair<std::string, std::string>>{{"right", code}, {"wrong", "en"}};
    for (const auto& [direction, active] : directions) {
      cli::FixOptions options;
      options.layouts = {"en", code == "en" ? "ru" : code};
      options.keys = code;
      options.active = active;
      cli::FixSession session(options, checker);
      std::vector<double> times;
      session.recordDetectorTimes(&times, coldCaches ? std::function<void()>(evictCaches) : nullptr);
      for (const auto& line : lines) session.typeLine(text::fromUtf8(line));
      printStats(direction.c_str(), code, stats(times));
    }
  }

}

// The key path alone, for runs side by side with another build.
int keysOnly(const std::map<std::string, std::vector<std::string>>& text, std::size_t sentences, bool coldCaches) {
  spell::DictionarySpellChecker checker;
  for (const auto& c : kCodes) checker.prepare(cli::spellingLanguageOf(c));
  for (const auto& c : kCodes) checker.waitUntilReady(cli::spellingLanguageOf(c), std::chrono::minutes(10));
  auto corpusText = text;
  keyPath(checker, corpusText, sentences, coldCaches);
  return 0;
}

int cold(const std::vector<std::string>& codes) {
  std::printf("== load with the prefix index built from the dictionary (no cache), ms\n");
  const auto dir = std::filesystem::temp_directory_path() / ("brisquel-bench-cold-" + std::to_string(getpid()));
  for (const auto& code : codes) {
    std::filesystem::remove_all(dir);
    std::printf("  %-4s %8.0f\n", code.c_str(), loadMs({code}, dir));
    std::fflush(stdout);
  }
  std::filesystem::remove_all(dir);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path corpus = std::filesystem::path(BRISQUEL_SOURCE_DIR) / ".." / "shared" / "data" / "corpus";
  std::size_t sentences = 150;
  std::size_t soakKeys = 1000000;
  bool soakOnly = false;
  bool keyPathOnly = false;
  bool coldCaches = false;
  auto count = [](const char* s) -> std::optional<std::size_t> {
    std::size_t n = 0;
    auto [end, ec] = std::from_chars(s, s + std::strlen(s), n);
    if (ec != std::errc() || *end || n == 0) return std::nullopt;
    return n;
  };
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::optional<std::size_t> n;
    if (a == "cold") {  // the languages named after it, or all six
      std::vector<std::string> codes;
      for (int j = i + 1; j < argc; ++j)
        if (std::find(kCodes.begin(), kCodes.end(), argv[j]) != kCodes.end()) codes.push_back(argv[j]);
      return cold(codes.empty() ? kCodes : codes);
    }
    if (a == "soak") soakOnly = true;
    else if (a == "keys") keyPathOnly = true;
    else if (a == "--cold") coldCaches = true;
    else if (a == "--corpus" && i + 1 < argc) corpus = argv[++i];
    else if (a == "--sentences" && i + 1 < argc && (n = count(argv[++i]))) sentences = *n;
    else if (a == "--soak-keys" && i + 1 < argc && (n = count(argv[++i]))) soakKeys = *n;
    else {
      std::cerr << "usage: spell_bench [cold [CODE...] | soak | keys [--cold]] [--corpus DIR] [--sentences N] [--soak-keys N]\n";
      return 2;
    }
  }
  if (coldCaches && !keyPathOnly) {
    std::cerr << "spell_bench: --cold goes with keys\n";
    return 2;
  }
  std::string missing;
  for (const auto& code : kCodes)
    if (readLines(corpus / (code + ".txt"), 300).size() < 300) missing += " " + code + ".txt";
  if (!missing.empty()) {
    std::cerr << "spell_bench: the corpus folder " << corpus.string()
              << " lacks sentences (300 or more, one a line) in:" << missing << "\n"
              << "give the folder with --corpus DIR (the project's is shared/data/corpus)\n";
    return 2;
  }
  const auto readCorpus = [&] {
    std::map<std::string, std::vector<std::string>> text;
    for (const auto& code : kCodes) text[code] = readLines(corpus / (code + ".txt"), 0);
    return text;
  };
  if (soakOnly) return runSoak(readCorpus(), soakKeys);
  if (keyPathOnly) return keysOnly(readCorpus(), sentences, coldCaches);
  const auto cache = spell::DictionarySpellChecker::defaultCacheDirectory();
  loadMs(kCodes, cache);  // make sure every index is cached

  // Measured first, while this process is small: a forked child starts out counting the parent's pages.
  const auto sample = readLines(corpus / "en.txt", sentences);
  const long rssTwo = fixPeakRssKb({"en", "ru"}, sample);
  const long rssSix = fixPeakRssKb(kCodes, sample);

  std::printf("== load from the cache, ms (each a fresh checker, best of 5)\n");
  for (const auto& code : kCodes) std::printf("  %-18s %7.1f\n", code.c_str(), bestLoadMs({code}, cache));
  std::printf("  %-18s %7.1f\n", "en+ru", bestLoadMs({"en", "ru"}, cache));
  std::printf("  %-18s %7.1f\n", "all six", bestLoadMs(kCodes, cache));

  auto corpusText = readCorpus();
  spell::DictionarySpellChecker checker;
  for (const auto& c : kCodes) checker.prepare(cli::spellingLanguageOf(c));
  for (const auto& c : kCodes) checker.waitUntilReady(cli::spellingLanguageOf(c), std::chrono::minutes(10));

  std::printf("\n== spelling queries without the detector's cache, us\n");
  for (const auto& code : kCodes) {
    const std::string language = cli::spellingLanguageOf(code);
    auto right = words(corpusText[code]);
    std::vector<std::u16string> wrong;  // what lands in this language when another one's keys are meant
    if (code == "en") {
      for (const auto& other : kCodes)
        if (other != "en")
          for (const auto& w : words(std::vector<std::string>(
                   corpusText[other].begin(),
                   corpusText[other].begin() + static_cast<long>(std::min<std::size_t>(300, corpusText[other].size())))))
            wrong.push_back(convert(w, toEnglish(other)));
    } else {
      for (const auto& w : words(corpusText["en"])) wrong.push_back(convert(w, fromEnglish(code)));
    }
    auto time = [&](const std::vector<std::u16string>& list, bool prefixes, double* accepted) {
      std::vector<double> t;
      std::size_t yes = 0;
      for (const auto& w : list) {
        for (std::size_t n = prefixes ? 2 : w.size(); n <= w.size(); ++n) {
          const std::u16string_view q(w.data(), n);
          const auto start = Clock::now();
          const bool r = prefixes ? checker.hasCompletions(q, language) : checker.isWordCorrect(q, language);
          t.push_back(std::chrono::duration<double>(Clock::now() - start).count());
          yes += r;
        }
      }
      *accepted = t.empty() ? 0 : 100.0 * static_cast<double>(yes) / static_cast<double>(t.size());
      return stats(t);
    };
    double acc = 0;
    auto s = time(right, false, &acc);
    printStats(("word right " + std::to_string(static_cast<int>(acc + 0.5)) + "%").c_str(), code, s);
    s = time(wrong, false, &acc);
    printStats(("word wrong " + std::to_string(static_cast<int>(acc + 0.5)) + "%").c_str(), code, s);
    s = time(right, true, &acc);
    printStats("prefix right", code, s);
    s = time(wrong, true, &acc);
    printStats("prefix wrong", code, s);
  }

  std::printf("\n");
  keyPath(checker, corpusText, sentences);

  std::printf("\n== peak resident memory of brisquel fix (%zu sentences), MiB\n", sample.size());
  std::printf("  %-18s %7.1f\n", "en,ru", rssTwo / 1024.0);
  std::printf("  %-18s %7.1f\n", "all six", rssSix / 1024.0);
  std::printf("\n");
  return runSoak(corpusText, soakKeys);
}
