// SPDX-License-Identifier: MIT
// The three list files on any bytes, read the way the program reads them:
// the same file content stands for the learned words, the ignored
// applications and the shortcut rules; the settings object imports them.
// Nothing crashes, whatever an import stores survives the settings file's
// round trip unchanged, and what the program writes back reads back the same.
#include <cstdint>
#include <map>
#include <string>

#include "FuzzSupport.h"
#include "platform/Platform.h"
#include "base/PropertyList.h"
#include "sim/SimDesktop.h"
#include "settings/ListFiles.h"
#include "settings/SettingsHelper.h"

using namespace brisquel;

namespace {

// Files held in memory: every list file has the fuzzer's bytes.
class MemoryFiles final : public FilesPort {
 public:
  std::string content;
  std::map<std::filesystem::path, std::string> written;

  std::filesystem::path applicationSupportDirectory() override { return "/support"; }
  std::filesystem::path homeDirectory() override { return "/home"; }
  bool createDirectories(const std::filesystem::path&) override { return true; }
  bool writeAtomically(const std::filesystem::path& file, const std::string& bytes) override {
    written[file] = bytes;
    return true;
  }
  std::optional<std::string> read(const std::filesystem::path& file, std::size_t maxBytes) override {
    auto it = written.find(file);
    const std::string& bytes = it != written.end() ? it->second : content;
    return bytes.substr(0, maxBytes);
  }
  bool exists(const std::filesystem::path&) override { return true; }
  bool remove(const std::filesystem::path& file) override { return written.erase(file) > 0; }
  bool rename(const std::filesystem::path&, const std::filesystem::path&) override { return true; }
};

void roundTripsThroughTheSettingsFile(const DefaultsPort& store, const char* key) {
  auto value = store.object(key);
  if (!value) return;
  const plist::DefaultsDomain domain = {{key, *value}};
  FUZZ_CHECK(plist::decodePropertyList(plist::encodePropertyList(domain)) == domain);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static sim::Desktop desktop;
  const std::string text(reinterpret_cast<const char*>(data), size);

  // The parsers themselves: an entry is trimmed, no comment, one line.
  if (auto entries = parseAppList(text)) {
    FUZZ_CHECK(parseAppList(formatAppList(ignoredAppsHeader, *entries)) == entries);
  }
  // Learned words: the written file always reads, and writing what was read
  // settles within a few rounds (a chain such as x y, y x loses a link per
  // round, as the file format has room for one result a word), never
  // changing the file at every save.
  if (auto words = parseLearnedWords(text)) {
    std::string written = formatLearnedWords(*words);
    bool settled = false;
    for (int round = 0; round < 16 && !settled; ++round) {
      const auto again = parseLearnedWords(written);
      FUZZ_CHECK(again.has_value());
      const std::string next = formatLearnedWords(*again);
      settled = next == written;
      written = next;
    }
    FUZZ_CHECK(settled);
  }

  // The imports, as the program runs them.
  desktop.defaultsValues().clear();
  MemoryFiles files;
  files.content = text;
  const Platform p = desktop.platform();
  auto settings = SettingsHelper::create(*p.defaults, files, *p.mainQueue, *p.workspace);
  settings->importLearnedWordsFromFile();
  settings->importIgnoredAppsFromFile();
  settings->importIgnoredShortcutsAppsFromFile();
  for (const char* key : {SettingsHelper::learnedWordsKey, SettingsHelper::ignoredAppsKey,
                          SettingsHelper::ignoredShortcutsAppsKey}) {
    roundTripsThroughTheSettingsFile(*p.defaults, key);
  }
  return 0;
}
