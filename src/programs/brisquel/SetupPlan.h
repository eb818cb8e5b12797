// SPDX-License-Identifier: MIT
#pragma once
// `brisquel setup`, the planning half: from what the desktop and the user's
// files hold (read by the caller) to the list of changes that make fcitx5
// with Brisquel the session's input method with the user's own layouts.
// Pure functions over text, so that every desktop is tested without one.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisquel::cli::setup {

enum class Desktop { Gnome, Kde, Sway, X11 };

// "gnome", "kde", "sway", "x11".
std::optional<Desktop> desktopNamed(std::string_view name);
std::string desktopTitle(Desktop desktop);
// From XDG_CURRENT_DESKTOP ("ubuntu:GNOME", "KDE", "sway"); a desktop it does
// not know is taken for plain X11 when there is an X display.
std::optional<Desktop> desktopOfSession(std::string_view xdgCurrentDesktop, bool hasX11Display);

struct Layout {
  std::string layout, variant;  // xkb names: "ru", "phonetic"
  bool operator==(const Layout&) const = default;
};
// fcitx5's input method for the layout: "keyboard-ru", "keyboard-ru-phonetic".
std::string inputMethodOf(const Layout& layout);
// "us", "ru(phonetic)": how the user sees it.
std::string layoutTitle(const Layout& layout);

// The layouts each desktop keeps, in its order, without repeats.
// GNOME: `gsettings get org.gnome.desktop.input-sources sources`, e.g.
// "[('xkb', 'us'), ('xkb', 'ru+phonetic'), ('ibus', 'anthy')]" (input
// methods that are not xkb layouts are left out).
std::vector<Layout> gnomeLayouts(std::string_view sources);
// KDE: ~/.config/kxkbrc, [Layout] LayoutList and VariantList (when Use=true).
std::vector<Layout> kdeLayouts(std::string_view kxkbrc);
// sway: xkb_layout and xkb_variant of the config's keyboard `input` blocks.
std::vector<Layout> swayLayouts(std::string_view config);
// X11: `setxkbmap -query`'s layout and variant lines.
std::vector<Layout> xkbQueryLayouts(std::string_view query);
// "us,ru(phonetic)" or "us,ru+phonetic", as given on the command line.
std::vector<Layout> layoutsArgument(std::string_view text);

// What the planner is given.
struct Facts {
  Desktop desktop = Desktop::X11;
  std::vector<Layout> layouts;
  std::string layoutsSource;  // where they were read, for the messages
  std::filesystem::path home, configHome;
  std::filesystem::path launcher;  // the program that starts fcitx5 with Brisquel at login
  bool imConfig = false;           // im-config is installed
  // The current content of every file the plan may change (none: no file).
  struct File {
    std::filesystem::path path;
    std::optional<std::string> text;
  };
  std::vector<File> files;
  // GNOME's settings as gsettings prints them (none: no such schema here).
  struct Setting {
    std::optional<std::string> value, defaultValue;
  };
  Setting gnomeSources, gnomeExtensions;
};

// The GNOME Shell extension and the KWin script the package installs.
inline constexpr const char* kGnomeExtension = "brisquel@brisquel.app";
inline constexpr const char* kKwinScript = "brisquel";

struct FileChange {
  std::filesystem::path path;
  std::optional<std::string> before;  // none: the file does not exist
  std::string after;
  std::string why;
};

// A gsettings key, with what undoing it takes.
struct SettingChange {
  std::string schema, key;
  std::string before;
  bool beforeIsDefault = false;  // undone by a reset
  std::string after;
  std::string why;
};

struct Plan {
  std::vector<FileChange> files;
  std::vector<SettingChange> settings;
  bool empty() const { return files.empty() && settings.empty(); }
};

struct Planned {
  std::optional<Plan> plan;
  std::string error;  // why there is no plan
};

// The files the plan reads and may write, for the caller to read into Facts.
std::vector<std::filesystem::path> filesOfInterest(const Facts& facts);
// Only the changes that change something: an empty plan once set up.
Planned planSetup(const Facts& facts);

// Edits of the files' text, exposed for tests. An INI file's value set in
// its section (added where missing), everything else kept as it was.
std::string withIniValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value);
// fcitx5's profile with its first group holding the layouts' input methods
// first (other input methods it held after them); none with `error` set when
// the text is no fcitx5 profile.
std::optional<std::string> withProfileLayouts(const std::optional<std::string>& profile,
                                              const std::vector<Layout>& layouts, std::string& error);

// The first group of an fcitx5 profile, as fcitx5's controller takes it.
struct ProfileGroup {
  std::string name, defaultLayout;
  std::vector<std::pair<std::string, std::string>> items;  // input method, layout
};
std::optional<ProfileGroup> firstProfileGroup(std::string_view profile);

}  // namespace brisquel::cli::setup
