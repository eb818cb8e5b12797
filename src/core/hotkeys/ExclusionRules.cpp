// SPDX-License-Identifier: MIT
#include "hotkeys/ExclusionRules.h"

#include <algorithm>

#include "base/Text.h"
#include "hotkeys/EditHotKeys.h"

namespace brisquel {
namespace {

std::string lowerOrEmpty(const std::optional<std::string>& s) {
  return s ? text::toLower(*s) : std::string();
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
  return containsLowered(text::toLower(text));
}

bool AppIdentity::containsLowered(std::string_view needle) const {
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

ExclusionLists::Entry::Entry(const std::string& raw) : empty(raw.empty()), lowered(text::toLower(raw)) {
  const auto pieces = splitEntry(raw);
  if (!pieces.empty()) {
    hasApp = true;
    app = text::toLower(pieces.front());
    for (std::size_t i = 1; i < pieces.size(); ++i) words.insert(text::toLower(pieces[i]));
    terminalWord =
        std::any_of(pieces.begin(), pieces.end(), [](const std::string& p) { return text::toLower(p) == "terminal"; });
  }
  smart = contains(lowered, "terminal-smart");
  const auto loweredPieces = splitEntry(lowered);
  if (!loweredPieces.empty()) {
    hasLoweredApp = true;
    loweredApp = loweredPieces.front();
  }
}

ExclusionLists::ExclusionLists(const std::vector<std::string>& ignoredApps,
                               const std::vector<std::string>& ignoredShortcutsApps) {
  ignoredApps_.reserve(ignoredApps.size());
  for (const auto& e : ignoredApps) ignoredApps_.emplace_back(e);
  ignoredShortcutsApps_.reserve(ignoredShortcutsApps.size());
  for (const auto& e : ignoredShortcutsApps) ignoredShortcutsApps_.emplace_back(e);
}

bool ExclusionLists::isIgnoredApp(const AppIdentity& app) const {
  return std::any_of(ignoredApps_.begin(), ignoredApps_.end(),
                     [&](const Entry& e) { return !e.empty && app.containsLowered(e.lowered); });
}

const std::set<std::string>* ExclusionLists::ignoredRulesFor(const AppIdentity& app) const {
  for (const auto& e : ignoredShortcutsApps_) {
    if (e.hasApp && app.containsLowered(e.app)) return &e.words;
  }
  return nullptr;
}

bool ExclusionLists::isTerminalOrEditor(const std::optional<RunningApplication>& frontmost) const {
  if (!frontmost || !frontmost->bundleIdentifier) return false;
  const AppIdentity app = AppIdentity::of(*frontmost);
  for (auto marker : terminalEditorMarkers) {
    if (contains(app.bundleIdentifier, marker)) return true;
  }
  // The application piece is matched as a text to lower-case, as typed.
  const auto hasTerminalWord = [&](const Entry& e) { return e.terminalWord && app.matches(e.app); };
  return std::any_of(ignoredShortcutsApps_.begin(), ignoredShortcutsApps_.end(), hasTerminalWord) ||
         std::any_of(ignoredApps_.begin(), ignoredApps_.end(), hasTerminalWord);
}

bool ExclusionLists::matchesAnyTerminalSmartRule(const std::string& bundleIdentifierLower,
                                                 const std::string& nameLower) const {
  const auto matches = [&](const Entry& e) {
    if (!e.hasLoweredApp) return false;
    if (e.smart) return contains(bundleIdentifierLower, e.loweredApp);
    return e.loweredApp == nameLower;
  };
  return std::any_of(ignoredShortcutsApps_.begin(), ignoredShortcutsApps_.end(), matches) ||
         std::any_of(ignoredApps_.begin(), ignoredApps_.end(), matches);
}

bool isIgnoredApp(const AppIdentity& app, const std::vector<std::string>& ignoredApps) {
  return ExclusionLists(ignoredApps, {}).isIgnoredApp(app);
}

std::optional<std::set<std::string>> ignoredRulesFor(const AppIdentity& app,
                                                     const std::vector<std::string>& ignoredShortcutsApps) {
  const ExclusionLists lists({}, ignoredShortcutsApps);
  const auto* words = lists.ignoredRulesFor(app);
  if (!words) return std::nullopt;
  return *words;
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
  return ExclusionLists(ignoredApps, ignoredShortcutsApps).isTerminalOrEditor(frontmost);
}

bool matchesTerminalSmartRule(const std::string& entry, const std::string& frontmostBundleIdentifierLower,
                              const std::string& frontmostNameLower) {
  return ExclusionLists({entry}, {}).matchesAnyTerminalSmartRule(frontmostBundleIdentifierLower, frontmostNameLower);
}

bool isSmartTerminal(const std::string& bundleIdentifierLower) {
  return std::any_of(smartTerminalNames.begin(), smartTerminalNames.end(),
                     [&](std::string_view name) { return contains(bundleIdentifierLower, name); });
}

}  // namespace brisquel
