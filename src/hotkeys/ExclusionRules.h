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
};

// Non-empty pieces of an entry split at "|".
std::vector<std::string> splitEntry(const std::string& entry);

struct ShortcutExclusion {
  bool isIgnoredApp = false;
  // None: no rule applies. Empty: every shortcut is excluded. Otherwise the
  // rule words of the first rule that matched.
  std::optional<std::set<std::string>> ignoredRules;
};

bool isIgnoredApp(const AppIdentity& app, const std::vector<std::string>& ignoredApps);
std::optional<std::set<std::string>> ignoredRulesFor(const AppIdentity& app,
                                                     const std::vector<std::string>& ignoredShortcutsApps);

// The lists evaluated for the last-activated application; when something
// matched, confirmed (recomputed) with the application that owns the focused
// element, if that can be found.
template <typename FocusedApp>
ShortcutExclusion evaluateShortcutExclusion(const AppIdentity& lastActive, const std::vector<std::string>& ignoredApps,
                                            const std::vector<std::string>& ignoredShortcutsApps,
                                            FocusedApp&& focusedApplication) {
  ShortcutExclusion result;
  result.isIgnoredApp = isIgnoredApp(lastActive, ignoredApps);
  result.ignoredRules = ignoredRulesFor(lastActive, ignoredShortcutsApps);
  if (!result.isIgnoredApp && !result.ignoredRules) return result;
  const std::optional<AppIdentity> focused = focusedApplication();
  if (!focused) return result;
  if (result.isIgnoredApp) result.isIgnoredApp = isIgnoredApp(*focused, ignoredApps);
  if (result.ignoredRules) result.ignoredRules = ignoredRulesFor(*focused, ignoredShortcutsApps);
  return result;
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
