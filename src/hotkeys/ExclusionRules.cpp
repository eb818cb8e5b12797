#include "hotkeys/ExclusionRules.h"

#include <algorithm>

#include "hotkeys/EditHotKeys.h"
#include "hotkeys/TextCase.h"

namespace brisquel {
namespace {

std::string lowerOrEmpty(const std::optional<std::string>& s) {
  return s ? lowercased(*s) : std::string();
}

bool contains(const std::string& haystack, std::string_view needle) {
  return haystack.find(needle) != std::string::npos;
}

}  // namespace

AppIdentity AppIdentity::from(const std::optional<std::string>& bundleIdentifier,
                              const std::optional<std::string>& name, const std::optional<std::string>& path) {
  return AppIdentity{lowerOrEmpty(bundleIdentifier), lowerOrEmpty(name), lowerOrEmpty(path)};
}

AppIdentity AppIdentity::of(const RunningApplication& app) {
  return from(app.bundleIdentifier, app.localizedName, app.bundlePath);
}

bool AppIdentity::matches(const std::string& text) const {
  // An empty text would be a substring of everything; it names no application.
  if (text.empty()) return false;
  const std::string needle = lowercased(text);
  return contains(bundleIdentifier, needle) || contains(name, needle) || contains(path, needle);
}

std::vector<std::string> splitEntry(const std::string& entry) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start <= entry.size()) {
    const std::size_t bar = std::min(entry.find('|', start), entry.size());
    if (bar > start) pieces.push_back(entry.substr(start, bar - start));
    start = bar + 1;
  }
  return pieces;
}

bool isIgnoredApp(const AppIdentity& app, const std::vector<std::string>& ignoredApps) {
  return std::any_of(ignoredApps.begin(), ignoredApps.end(), [&](const std::string& e) { return app.matches(e); });
}

std::optional<std::set<std::string>> ignoredRulesFor(const AppIdentity& app,
                                                     const std::vector<std::string>& ignoredShortcutsApps) {
  for (const auto& entry : ignoredShortcutsApps) {
    const auto pieces = splitEntry(entry);
    if (pieces.empty() || !app.matches(pieces.front())) continue;
    std::set<std::string> words;
    for (std::size_t i = 1; i < pieces.size(); ++i) words.insert(lowercased(pieces[i]));
    return words;
  }
  return std::nullopt;
}

bool isCharIgnored(const std::string& character, const std::set<std::string>& ignoredRules, bool isFnActive,
                   bool isCtrlActive) {
  if (isFnActive && ignoredRules.count("fn")) return true;
  if (isCtrlActive && ignoredRules.count("ctrl")) return true;
  const std::string prefix = isFnActive ? "fn+" : "ctrl+";
  const auto names = [&](const std::string& c) { return ignoredRules.count(c) || ignoredRules.count(prefix + c); };
  if (names(character)) return true;
  // A rule written with one layout's character covers the same key in the others.
  for (const auto& [bit, group] : editHotkeysValues()) {
    if (std::find(group.begin(), group.end(), character) == group.end()) continue;
    if (std::any_of(group.begin(), group.end(), names)) return true;
  }
  return false;
}

bool isTerminalOrEditor(const std::optional<RunningApplication>& frontmost,
                        const std::vector<std::string>& ignoredShortcutsApps,
                        const std::vector<std::string>& ignoredApps) {
  if (!frontmost || !frontmost->bundleIdentifier) return false;
  const AppIdentity app = AppIdentity::of(*frontmost);
  for (auto marker : terminalEditorMarkers) {
    if (contains(app.bundleIdentifier, marker)) return true;
  }
  const auto hasTerminalWord = [&](const std::string& entry) {
    auto pieces = splitEntry(entry);
    if (pieces.empty()) return false;
    for (auto& p : pieces) p = lowercased(p);
    return std::find(pieces.begin(), pieces.end(), "terminal") != pieces.end() && app.matches(pieces.front());
  };
  return std::any_of(ignoredShortcutsApps.begin(), ignoredShortcutsApps.end(), hasTerminalWord) ||
         std::any_of(ignoredApps.begin(), ignoredApps.end(), hasTerminalWord);
}

bool matchesTerminalSmartRule(const std::string& entry, const std::string& frontmostBundleIdentifierLower,
                              const std::string& frontmostNameLower) {
  const std::string lower = lowercased(entry);
  const auto pieces = splitEntry(lower);
  if (pieces.empty()) return false;
  if (contains(lower, "terminal-smart")) return contains(frontmostBundleIdentifierLower, pieces.front());
  return pieces.front() == frontmostNameLower;
}

bool isSmartTerminal(const std::string& bundleIdentifierLower) {
  return std::any_of(smartTerminalNames.begin(), smartTerminalNames.end(),
                     [&](std::string_view name) { return contains(bundleIdentifierLower, name); });
}

}  // namespace brisquel
