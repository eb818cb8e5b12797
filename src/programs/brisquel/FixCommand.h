// SPDX-License-Identifier: MIT
#pragma once
// `brisquel fix`: text typed key by key into a text field of the simulated
// desktop with the typo detector on, line by line. The session is shared
// with the benchmark, which times the detector per key event.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brisquel/Cli.h"
#include "brisquel/NamedKeys.h"
#include "platform/SpellChecker.h"

namespace brisquel::sim {
class Desktop;
}

namespace brisquel::cli {

struct FixOptions {
  std::string app = "com.apple.TextEdit";  // the field's application; its exclusions apply
  std::string keys;    // layout code whose keys name the input's characters; empty: the active one
  std::string active = "en";
  std::vector<std::string> layouts{"en", "ru"};
  int intervalMs = 120;
  bool noAx = false;
  bool json = false;
  bool namedKeys = false;  // key names in braces among the text: "{BackSpace}", "{Option}"
  std::vector<std::string> text;  // arguments typed as one line instead of standard input
};

// Parses the options; on a usage error answers the one-line message.
struct ParsedFixOptions {
  std::optional<FixOptions> options;
  std::string error;
};
ParsedFixOptions parseFixOptions(const std::vector<std::string>& args);

struct FixCorrection {
  std::string typed;
  std::string result;
  std::string kind;  // "word end", "mid-word", "previous-word repair", "single-letter run", "manual"
};

struct FixLineResult {
  std::string text;  // the field's text without the final line break
  std::string layout;
  std::vector<FixCorrection> corrections;
};

// The spelling language of a layout code ("en" -> "en_US").
std::string spellingLanguageOf(const std::string& layoutCode);

// Plays one step on the desktop, each user action (a character's keys, a
// key, a lone Option press, a pause...) wrapped by act; manual: an Option press.
void playKeyStep(sim::Desktop& desktop, const KeyStep& step, const std::string& keysLayout, double interval,
                 const std::function<void(const std::function<void()>&, bool manual)>& act);

class FixSession {
 public:
  // The spelling port must outlive the session and have its languages ready.
  FixSession(const FixOptions& options, SpellCheckerPort& spelling);
  ~FixSession();
  FixSession(const FixSession&) = delete;
  FixSession& operator=(const FixSession&) = delete;

  FixLineResult typeLine(std::u16string_view line);
  // The same with named keys among the text (see parseNamedKeys).
  FixLineResult typeKeys(const std::vector<KeyStep>& steps);

  // Seconds spent in the detector for each key event, appended while set;
  // beforeEach runs before each of them, outside the time.
  void recordDetectorTimes(std::vector<double>* sink, std::function<void()> beforeEach = nullptr);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

std::string fixResultJson(const FixLineResult& result);

}  // namespace brisquel::cli
