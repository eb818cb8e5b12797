// Spelling and typing figures on the real dictionaries, printed as tables:
//   spell_bench [--corpus DIR] [--sentences N]   load from the cache, queries, per key event, memory
//   spell_bench cold                             load with the prefix index built from scratch
#include <sys/resource.h>
#include <sys/wait.h>
#include <unicode/uchar.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "brisquel/Cli.h"
#include "brisquel/FixCommand.h"
#include "base/Text.h"
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

int cold() {
  std::printf("== load with the prefix index built from the dictionary (no cache), ms\n");
  const auto dir = std::filesystem::temp_directory_path() / ("brisquel-bench-cold-" + std::to_string(getpid()));
  for (const auto& code : kCodes) {
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
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "cold") return cold();
    if (a == "--corpus" && i + 1 < argc) corpus = argv[++i];
    else if (a == "--sentences" && i + 1 < argc) sentences = std::stoul(argv[++i]);
    else {
      std::cerr << "usage: spell_bench [cold] [--corpus DIR] [--sentences N]\n";
      return 2;
    }
  }
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

  spell::DictionarySpellChecker checker;
  for (const auto& c : kCodes) checker.prepare(cli::spellingLanguageOf(c));
  for (const auto& c : kCodes) checker.waitUntilReady(cli::spellingLanguageOf(c), std::chrono::minutes(10));

  std::map<std::string, std::vector<std::string>> corpusText;
  for (const auto& code : kCodes) corpusText[code] = readLines(corpus / (code + ".txt"), 0);

  std::printf("\n== spelling queries without the detector's cache, us\n");
  for (const auto& code : kCodes) {
    const std::string language = cli::spellingLanguageOf(code);
    auto right = words(corpusText[code]);
    std::vector<std::u16string> wrong;  // what lands in this language when another one's keys are meant
    if (code == "en") {
      for (const auto& other : kCodes)
        if (other != "en")
          for (const auto& w : words(std::vector<std::string>(corpusText[other].begin(), corpusText[other].begin() + 300)))
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

  std::printf("\n== the key path per key event: edit tap and detector (sentences typed at 120 ms a key), us\n");
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
      session.recordDetectorTimes(&times);
      for (const auto& line : lines) session.typeLine(text::fromUtf8(line));
      printStats(direction.c_str(), code, stats(times));
    }
  }

  std::printf("\n== peak resident memory of brisquel fix (%zu sentences), MiB\n", sample.size());
  std::printf("  %-18s %7.1f\n", "en,ru", rssTwo / 1024.0);
  std::printf("  %-18s %7.1f\n", "all six", rssSix / 1024.0);
  return 0;
}
