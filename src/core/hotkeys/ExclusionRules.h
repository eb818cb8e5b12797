// SPDX-License-Identifier: MIT
#pragma once
// Which applications the edit shortcuts and the typo detector leave alone,
// and which applications need the terminal handling of the shortcuts.
//
// An entry of the shortcut exclusions is "app[|word]..."; the application
// text matches by substring of the lower-cased bundle identifier, name or
// bundle path. Rule words: a character ("c"), "ctrl+c", "fn+c", "ctrl", "fn",
// "terminal", anything containing "terminal-smart".

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Workspace.h"

namespace brisquel {

// Bundle identifier, name and bundle path, lower-cased; empty when unknown.
struct AppIdentity {
  std::string bundleIdentifier;
  std::string name;
  std::string path;

  static AppIdentity from(const std::optional<std::string>& bundleIdentifier, const std::optional<std::string>& name,
                          const std::optional<std::string>& path);
  static AppIdentity of(const RunningApplication& app);

  // The lower-cased text occurs in one of the three fields. An empty text
  // matches nothing.
  bool matches(const std::string& text) const;
  // The same for a text already lower-cased.
  bool containsLowered(std::string_view needle) const;

  friend bool operator==(const AppIdentity&, const AppIdentity&) = default;
};

// Non-empty pieces of an entry split at "|".
std::vector<std::string> splitEntry(const std::string& entry);

struct ShortcutExclusion {
  bool isIgnoredApp = false;
  // None: no rule applies. Empty: every shortcut is excluded. Otherwise the
  // rule words of the first rule that matched.
  std::optional<std::set<std::string>> ignoredRules;
};

// Both lists parsed once (entries lower-cased and split at "|"), so that
// matching an application at a key press needs neither case mapping nor
// allocation. The free functions below answer the same for raw lists.
// What the lists say about one application.
struct ExclusionMatch {
  bool isIgnoredApp = false;
  const std::set<std::string>* ignoredRules = nullptr;  // into the lists; null when no rule names it
};

class ExclusionLists {
 public:
  ExclusionLists() = default;
  ExclusionLists(const std::vector<std::string>& ignoredApps, const std::vector<std::string>& ignoredShortcutsApps);

  ExclusionMatch match(const AppIdentity& app) const { return {isIgnoredApp(app), ignoredRulesFor(app)}; }
  bool isIgnoredApp(const AppIdentity& app) const;
  // The words of the first shortcut rule naming the application, if any.
  const std::set<std::string>* ignoredRulesFor(const AppIdentity& app) const;
  bool isTerminalOrEditor(const std::optional<RunningApplication>& frontmost) const;
  // An entry of either list is a terminal-smart rule for the application.
  bool matchesAnyTerminalSmartRule(const std::string& bundleIdentifierLower, const std::string& nameLower) const;

 private:
  struct Entry {
    bool empty = true;            // the raw entry is ""
    std::string lowered;          // the whole entry lower-cased
    bool hasApp = false;          // some piece is non-empty
    std::string app;              // the first piece, lower-cased
    std::set<std::string> words;  // the other pieces, lower-cased
    bool terminalWord = false;    // some piece is "terminal", any case
    bool smart = false;           // contains "terminal-smart", any case
    bool hasLoweredApp = false;   // the lower-cased entry has a non-empty piece
    std::string loweredApp;       // its first piece

    explicit Entry(const std::string& raw);
  };

  std::vector<Entry> ignoredApps_;
  std::vector<Entry> ignoredShortcutsApps_;
};

bool isIgnoredApp(const AppIdentity& app, const std::vector<std::string>& ignoredApps);
std::optional<std::set<std::string>> ignoredRulesFor(const AppIdentity& app,
                                                     const std::vector<std::string>& ignoredShortcutsApps);

// The lists evaluated for the last-activated application; when something
// matched, confirmed (recomputed) with the application that owns the focused
// element, if that can be found.
// The same from the lists' match for the last-activated application;
// focusedMatch answers the optional match for the focused application.
template <typename FocusedMatch>
ShortcutExclusion confirmShortcutExclusion(const ExclusionMatch& lastActive, FocusedMatch&& focusedMatch) {
  const auto copy = [](const std::set<std::string>* words) {
    return words ? std::optional<std::set<std::string>>(*words) : std::nullopt;
  };
  ShortcutExclusion result;
  result.isIgnoredApp = lastActive.isIgnoredApp;
  if (!lastActive.isIgnoredApp && !lastActive.ignoredRules) return result;
  const std::optional<ExclusionMatch> focused = focusedMatch();
  if (!focused) {
    result.ignoredRules = copy(lastActive.ignoredRules);
    return result;
  }
  if (result.isIgnoredApp) result.isIgnoredApp = focused->isIgnoredApp;
  if (lastActive.ignoredRules) result.ignoredRules = copy(focused->ignoredRules);
  return result;
}

template <typename FocusedApp>
ShortcutExclusion evaluateShortcutExclusion(const AppIdentity& lastActive, const ExclusionLists& lists,
                                            FocusedApp&& focusedApplication) {
  return confirmShortcutExclusion(lists.match(lastActive), [&]() -> std::optional<ExclusionMatch> {
    const std::optional<AppIdentity> focused = focusedApplication();
    if (!focused) return std::nullopt;
    return lists.match(*focused);
  });
}

template <typename FocusedApp>
ShortcutExclusion evaluateShortcutExclusion(const AppIdentity& lastActive, const std::vector<std::string>& ignoredApps,
                                            const std::vector<std::string>& ignoredShortcutsApps,
                                            FocusedApp&& focusedApplication) {
  return evaluateShortcutExclusion(lastActive, ExclusionLists(ignoredApps, ignoredShortcutsApps),
                                   std::forward<FocusedApp>(focusedApplication));
}

bool isCharIgnored(const std::string& character, const std::set<std::string>& ignoredRules, bool isFnActive,
                   bool isCtrlActive);

inline constexpr std::array<std::string_view, 12> terminalEditorMarkers = {
    "vscode",    "code",  "cursor", "antigravity", "terminal", "iterm",
    "alacritty", "kitty", "warp",   "wezterm",     "hyper",    "ghostty",
};

// Terminals in which Control+C copies without interrupting.
inline constexpr std::array<std::string_view, 6> smartTerminalNames = {
    "tabby", "wezterm", "kitty", "alacritty", "hyper", "ghostty",
};

// The frontmost application is a terminal or code editor: by its bundle
// identifier, or by a "|terminal" word in an entry of either list that
// matches it. Never without a bundle identifier.
bool isTerminalOrEditor(const std::optional<RunningApplication>& frontmost,
                        const std::vector<std::string>& ignoredShortcutsApps,
                        const std::vector<std::string>& ignoredApps);

// An entry with "terminal-smart" names a bundle-identifier fragment of the
// frontmost application; any other entry must equal its name exactly.
bool matchesTerminalSmartRule(const std::string& entry, const std::string& frontmostBundleIdentifierLower,
                              const std::string& frontmostNameLower);

bool isSmartTerminal(const std::string& bundleIdentifierLower);

}  // namespace brisquel
