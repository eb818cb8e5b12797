// SPDX-License-Identifier: MIT
#include "brisquel/SetupPlan.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "base/Text.h"
#include "posix/XdgAutostart.h"

namespace brisquel::cli::setup {
namespace {

using Lines = std::vector<std::string>;

// Split at '\n' so that joining gives the same bytes back.
Lines linesOf(std::string_view text) {
  Lines lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return lines;
}

std::string joined(const Lines& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
  return text;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      parts.emplace_back(trimmed(text.substr(start, i - start)));
      start = i + 1;
    }
  }
  return parts;
}

// "[name]" -> "name"; anything else -> none.
std::optional<std::string> sectionName(std::string_view line) {
  line = trimmed(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return std::string(line.substr(1, line.size() - 2));
}

struct Entry {
  std::string key, value;
};
std::optional<Entry> entryOf(std::string_view line) {
  line = trimmed(line);
  if (line.empty() || line.front() == '#' || line.front() == ';') return std::nullopt;
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Entry{std::string(trimmed(line.substr(0, eq))), std::string(trimmed(line.substr(eq + 1)))};
}

// A section's lines: its header at `header`, its body up to `end`.
struct Span {
  std::size_t header, end;
};
std::optional<Span> findSection(const Lines& lines, std::string_view name) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (sectionName(lines[i]) != name) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !sectionName(lines[end])) ++end;
    return Span{i, end};
  }
  return std::nullopt;
}

std::optional<std::string> valueIn(const Lines& lines, Span span, std::string_view key) {
  for (std::size_t i = span.header + 1; i < span.end; ++i)
    if (auto e = entryOf(lines[i]); e && e->key == key) return e->value;
  return std::nullopt;
}

// Sets key=value inside the section, in place; answers whether anything changed.
bool setValue(Lines& lines, std::string_view section, std::string_view key, std::string_view value) {
  const std::string line = std::string(key) + "=" + std::string(value);
  auto span = findSection(lines, section);
  if (!span) {
    // A blank line between sections, and a final newline.
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (!lines.empty() && !trimmed(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(line);
    lines.emplace_back();
    return true;
  }
  std::size_t last = span->header;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    if (auto e = entryOf(lines[i]); e && e->key == key) {
      if (e->value == value) return false;
      lines[i] = line;
      return true;
    }
    if (!trimmed(lines[i]).empty()) last = i;
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last + 1), line);
  return true;
}

// An xkb name, nothing that could break the line of a file it is written into.
bool isXkbName(const std::string& name) {
  return std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '-'; });
}

// Keeps order, drops repeats, empty names and names that are no xkb names.
std::vector<Layout> unique(std::vector<Layout> layouts) {
  std::vector<Layout> out;
  for (auto& l : layouts)
    if (!l.layout.empty() && isXkbName(l.layout) && isXkbName(l.variant) &&
        std::find(out.begin(), out.end(), l) == out.end())
      out.push_back(std::move(l));
  return out;
}

std::vector<Layout> zipped(std::string_view layouts, std::string_view variants) {
  const auto names = split(layouts, ',');
  const auto kinds = split(variants, ',');
  std::vector<Layout> out;
  for (std::size_t i = 0; i < names.size(); ++i) out.push_back({names[i], i < kinds.size() ? kinds[i] : ""});
  return unique(std::move(out));
}

std::string unquoted(std::string_view s) {
  s = trimmed(s);
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) s = s.substr(1, s.size() - 2);
  return std::string(s);
}

constexpr const char* kKeyboardPrefix = "keyboard-";
constexpr const char* kFcitx5Entry = "/usr/share/applications/org.fcitx.Fcitx5.desktop";
constexpr const char* kEnvironmentText =
    "# brisquel setup: fcitx5 is the input method of GTK, Qt and X11 applications\n"
    "GTK_IM_MODULE=fcitx\n"
    "QT_IM_MODULE=fcitx\n"
    "XMODIFIERS=@im=fcitx\n";
constexpr const char* kXinputrcText =
    "# brisquel setup: fcitx5 is the session's input method (im-config(8))\n"
    "run_im fcitx5\n";

}  // namespace

std::optional<Desktop> desktopNamed(std::string_view name) {
  static const std::map<std::string, Desktop, std::less<>> names{
      {"gnome", Desktop::Gnome}, {"kde", Desktop::Kde}, {"sway", Desktop::Sway}, {"x11", Desktop::X11}};
  auto it = names.find(text::toLower(name));
  if (it == names.end()) return std::nullopt;
  return it->second;
}

std::string desktopTitle(Desktop desktop) {
  switch (desktop) {
    case Desktop::Gnome:
      return "GNOME";
    case Desktop::Kde:
      return "KDE Plasma";
    case Desktop::Sway:
      return "sway";
    case Desktop::X11:
      return "X11";
  }
  return "X11";
}

std::optional<Desktop> desktopOfSession(std::string_view xdgCurrentDesktop, bool hasX11Display) {
  for (const auto& name : split(xdgCurrentDesktop, ':')) {
    const std::string n = text::toLower(name);
    if (n == "gnome" || n == "gnome-classic") return Desktop::Gnome;
    if (n == "kde") return Desktop::Kde;
    if (n == "sway") return Desktop::Sway;
  }
  if (hasX11Display) return Desktop::X11;
  return std::nullopt;
}

std::string inputMethodOf(const Layout& layout) {
  return kKeyboardPrefix + layout.layout + (layout.variant.empty() ? "" : "-" + layout.variant);
}

std::string layoutTitle(const Layout& layout) {
  return layout.layout + (layout.variant.empty() ? "" : "(" + layout.variant + ")");
}

std::vector<Layout> gnomeLayouts(std::string_view sources) {
  // A GVariant a(ss) as gsettings prints it: tuples of two quoted strings.
  std::vector<std::string> strings;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (sources[i] != '\'' && sources[i] != '"') continue;
    const char quote = sources[i];
    std::string s;
    for (++i; i < sources.size() && sources[i] != quote; ++i) {
      if (sources[i] == '\\' && i + 1 < sources.size()) ++i;
      s += sources[i];
    }
    strings.push_back(std::move(s));
  }
  std::vector<Layout> out;
  for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
    if (strings[i] != "xkb") continue;
    const auto plus = strings[i + 1].find('+');
    out.push_back({strings[i + 1].substr(0, plus), plus == std::string::npos ? "" : strings[i + 1].substr(plus + 1)});
  }
  return unique(std::move(out));
}

std::vector<Layout> kdeLayouts(std::string_view kxkbrc) {
  const Lines lines = linesOf(kxkbrc);
  const auto span = findSection(lines, "Layout");
  if (!span || valueIn(lines, *span, "Use").value_or("false") != "true") return {};
  return zipped(valueIn(lines, *span, "LayoutList").value_or(""), valueIn(lines, *span, "VariantList").value_or(""));
}

std::vector<Layout> swayLayouts(std::string_view config) {
  // `input <id> xkb_layout us,ru` on one line, or inside `input <id> { ... }`;
  // the keyboard blocks (type:keyboard, "*", a keyboard's id) all count, the
  // first that names layouts wins.
  std::string layouts, variants;
  int depth = 0;
  bool inInput = false;
  for (auto raw : linesOf(config)) {
    std::replace(raw.begin(), raw.end(), '\t', ' ');
    std::string_view line = trimmed(raw);
    if (line.empty() || line.front() == '#') continue;
    std::vector<std::string> words;
    for (const auto& w : split(line, ' '))
      if (!w.empty()) words.push_back(w);
    std::size_t at = 0;
    if (depth == 0 && !words.empty() && words[0] == "input" && words.size() >= 2) {
      at = 2;
      if (words.size() > 2 && words[2] == "{") {
        inInput = true;
        ++depth;
        continue;
      }
    } else if (depth > 0) {
      if (line == "}") {
        if (--depth == 0) inInput = false;
        continue;
      }
      if (!inInput) continue;
    } else {
      if (line.back() == '{') ++depth;
      continue;
    }
    if (words.size() < at + 2) continue;
    std::string value;
    for (std::size_t i = at + 1; i < words.size(); ++i) value += (i > at + 1 ? " " : "") + words[i];
    if (words[at] == "xkb_layout" && layouts.empty()) layouts = unquoted(value);
    if (words[at] == "xkb_variant" && variants.empty()) variants = unquoted(value);
  }
  return zipped(layouts, variants);
}

std::vector<Layout> xkbQueryLayouts(std::string_view query) {
  std::string layouts, variants;
  for (const auto& line : linesOf(query)) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    const auto key = trimmed(std::string_view(line).substr(0, colon));
    const auto value = std::string(trimmed(std::string_view(line).substr(colon + 1)));
    if (key == "layout") layouts = value;
    if (key == "variant") variants = value;
  }
  return zipped(layouts, variants);
}

std::vector<Layout> layoutsArgument(std::string_view text) {
  std::vector<Layout> out;
  for (const auto& item : split(text, ',')) {
    const auto open = item.find_first_of("(+");
    if (open == std::string::npos) {
      out.push_back({item, ""});
      continue;
    }
    std::string variant = item.substr(open + 1);
    if (item[open] == '(' && !variant.empty() && variant.back() == ')') variant.pop_back();
    out.push_back({item.substr(0, open), variant});
  }
  return unique(std::move(out));
}

std::string withIniValue(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value) {
  Lines lines = linesOf(text);
  if (text.empty()) lines.clear();
  if (!setValue(lines, section, key, value)) return std::string(text);
  return joined(lines);
}

std::optional<std::string> withProfileLayouts(const std::optional<std::string>& profile,
                                              const std::vector<Layout>& layouts, std::string& error) {
  const std::string text = profile.value_or("");
  Lines lines = linesOf(text);
  if (text.empty()) lines.clear();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto line = trimmed(lines[i]);
    const bool fine = line.empty() || line.front() == '#' || line.front() == ';' || sectionName(line) ||
                      line.find('=') != std::string_view::npos;
    if (!fine || lines[i].find('\0') != std::string::npos) {
      error = "line " + std::to_string(i + 1) + " is not an fcitx5 setting";
      return std::nullopt;
    }
  }

  // The first group in fcitx5's order, else the first group, else a new one.
  std::string group = "Groups/0";
  std::string groupName = "Default";
  bool haveGroup = false;
  const auto order = findSection(lines, "GroupOrder");
  const auto first = order ? valueIn(lines, *order, "0") : std::nullopt;
  for (int g = 0; g < 64 && !haveGroup; ++g) {
    const std::string name = "Groups/" + std::to_string(g);
    const auto span = findSection(lines, name);
    if (!span) continue;
    const auto named = valueIn(lines, *span, "Name").value_or("");
    if (!first || named == *first) {
      group = name;
      groupName = named;
      haveGroup = true;
    }
  }
  if (!haveGroup && first) {
    error = "its group order names a group \"" + *first + "\" that it does not hold";
    return std::nullopt;
  }

  // The group's items in order: their section names and input methods.
  struct Item {
    std::string name;
    Lines body;  // the lines after the header, kept for input methods that are not layouts
  };
  std::vector<Item> items;
  for (int i = 0;; ++i) {
    const auto span = findSection(lines, group + "/Items/" + std::to_string(i));
    if (!span) break;
    Item item{valueIn(lines, *span, "Name").value_or(""),
              Lines(lines.begin() + static_cast<std::ptrdiff_t>(span->header + 1),
                    lines.begin() + static_cast<std::ptrdiff_t>(span->end))};
    items.push_back(std::move(item));
  }
  // The desktop's layouts first, then the group's other layouts and input methods.
  std::vector<std::string> wanted;
  for (const auto& l : layouts) wanted.push_back(inputMethodOf(l));
  for (const auto& item : items)
    if (!item.name.empty() && std::find(wanted.begin(), wanted.end(), item.name) == wanted.end())
      wanted.push_back(item.name);
  std::vector<std::string> had;
  for (const auto& item : items) had.push_back(item.name);

  const std::string defaultLayout =
      layouts.empty() ? "us"
                      : layouts.front().layout + (layouts.front().variant.empty() ? "" : "-" + layouts.front().variant);
  const std::string defaultIm = wanted.size() > 1 ? wanted[1] : wanted.empty() ? "" : wanted[0];
  const auto groupSpan = findSection(lines, group);
  if (haveGroup && groupSpan && had == wanted &&
      valueIn(lines, *groupSpan, "Default Layout") == std::optional<std::string>(defaultLayout)) {
    return text;  // already so
  }

  // Items out, the new ones in after the group's own section.
  for (;;) {
    bool removed = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const auto name = sectionName(lines[i]);
      if (!name || !name->starts_with(group + "/Items/")) continue;
      const auto span = findSection(lines, *name);
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(span->header),
                  lines.begin() + static_cast<std::ptrdiff_t>(span->end));
      removed = true;
      break;
    }
    if (!removed) break;
  }
  if (!findSection(lines, group)) {
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (!lines.empty()) lines.emplace_back();
    lines.push_back("[" + group + "]");
    lines.push_back("Name=" + groupName);
    lines.emplace_back();
  }
  setValue(lines, group, "Default Layout", defaultLayout);
  setValue(lines, group, "DefaultIM", defaultIm);
  Lines added;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    added.push_back("[" + group + "/Items/" + std::to_string(i) + "]");
    const auto kept = std::find_if(items.begin(), items.end(), [&](const Item& it) { return it.name == wanted[i]; });
    if (kept != items.end() && !wanted[i].starts_with(kKeyboardPrefix)) {
      Lines body = kept->body;
      while (!body.empty() && trimmed(body.back()).empty()) body.pop_back();
      added.insert(added.end(), body.begin(), body.end());
    } else {
      added.push_back("Name=" + wanted[i]);
      added.push_back("Layout=");
    }
    added.emplace_back();
  }
  const auto span = findSection(lines, group);
  const std::size_t at = span->end;
  if (!trimmed(lines[at - 1]).empty()) added.insert(added.begin(), "");
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
  if (!findSection(lines, "GroupOrder")) {
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    lines.emplace_back();
    lines.push_back("[GroupOrder]");
    lines.push_back("0=" + groupName);
    lines.emplace_back();
  }
  if (lines.empty() || !lines.back().empty()) lines.emplace_back();
  return joined(lines);
}

std::optional<ProfileGroup> firstProfileGroup(std::string_view profile) {
  const Lines lines = linesOf(profile);
  const auto order = findSection(lines, "GroupOrder");
  const auto first = order ? valueIn(lines, *order, "0") : std::nullopt;
  for (int g = 0; g < 64; ++g) {
    const std::string group = "Groups/" + std::to_string(g);
    const auto span = findSection(lines, group);
    if (!span) continue;
    ProfileGroup result{
        valueIn(lines, *span, "Name").value_or(""), valueIn(lines, *span, "Default Layout").value_or(""), {}};
    if (first && result.name != *first) continue;
    for (int i = 0;; ++i) {
      const auto item = findSection(lines, group + "/Items/" + std::to_string(i));
      if (!item) break;
      result.items.emplace_back(valueIn(lines, *item, "Name").value_or(""),
                                valueIn(lines, *item, "Layout").value_or(""));
    }
    return result;
  }
  return std::nullopt;
}

std::vector<std::filesystem::path> filesOfInterest(const Facts& facts) {
  const auto& c = facts.configHome;
  std::vector<std::filesystem::path> files{c / "fcitx5/profile", c / "fcitx5/config"};
  files.push_back(facts.imConfig ? facts.home / ".xinputrc" : c / "environment.d/90-brisquel-fcitx5.conf");
  if (facts.desktop == Desktop::Sway) {
    files.push_back(c / "sway/config");
  } else {
    files.push_back(c / "autostart/com.mebrun.velmonte.desktop");
  }
  if (facts.desktop == Desktop::Kde) files.push_back(c / "kwinrc");
  return files;
}

Planned planSetup(const Facts& facts) {
  Planned result;
  if (facts.layouts.empty()) {
    result.error = "found no keyboard layouts in " + facts.layoutsSource;
    return result;
  }
  const auto current = [&](const std::filesystem::path& path) -> std::optional<std::string> {
    for (const auto& f : facts.files)
      if (f.path == path) return f.text;
    return std::nullopt;
  };
  Plan plan;
  const auto change = [&](const std::filesystem::path& path, const std::string& after, std::string why) {
    const auto before = current(path);
    if (before != after) plan.files.push_back({path, before, after, std::move(why)});
  };
  const auto& c = facts.configHome;

  std::string problem;
  const auto profile = withProfileLayouts(current(c / "fcitx5/profile"), facts.layouts, problem);
  if (!profile) {
    result.error = (c / "fcitx5/profile").string() + " is not an fcitx5 profile (" + problem +
                   "): move it away or mend it, then run brisquel setup again";
    return result;
  }
  std::string names;
  for (const auto& l : facts.layouts) names += (names.empty() ? "" : ", ") + inputMethodOf(l);
  change(c / "fcitx5/profile", *profile, "fcitx5's first group holds " + names);
  change(c / "fcitx5/config",
         withIniValue(current(c / "fcitx5/config").value_or(""), "Behavior", "ShareInputState", "All"),
         "fcitx5 keeps one layout for the whole session (Share Input State: All); Brisquel remembers each "
         "application's");

  if (facts.imConfig) {
    const auto rc = current(facts.home / ".xinputrc");
    bool already = false;
    for (const auto& line : linesOf(rc.value_or(""))) {
      std::vector<std::string> words;
      for (const auto& w : split(trimmed(line), ' '))
        if (!w.empty()) words.push_back(w);
      if (words.size() == 2 && words[0] == "run_im") already = words[1] == "fcitx5";
    }
    if (!already) change(facts.home / ".xinputrc", kXinputrcText, "im-config makes fcitx5 the session's input method");
  } else {
    change(c / "environment.d/90-brisquel-fcitx5.conf", kEnvironmentText,
           "applications of the next session use fcitx5 (GTK_IM_MODULE, QT_IM_MODULE, XMODIFIERS)");
  }

  if (facts.desktop == Desktop::Sway) {
    const auto config = current(c / "sway/config");
    const std::string exec = "exec " + facts.launcher.string();
    std::string text = config.value_or("include /etc/sway/config\n");
    bool has = false;
    for (const auto& line : linesOf(text)) has = has || trimmed(line) == exec;
    if (!has) {
      if (!text.empty() && text.back() != '\n') text += "\n";
      text += "\n# brisquel setup: fcitx5 with Brisquel\n" + exec + "\n";
    }
    change(c / "sway/config", text, "sway starts fcitx5 with Brisquel");
  } else {
    auto entry = posix::desktopEntryText(posix::launcherEntry(facts.launcher.parent_path()));
    if (entry) change(c / "autostart/com.mebrun.velmonte.desktop", *entry, "fcitx5 with Brisquel starts at login");
  }

  if (facts.desktop == Desktop::Kde) {
    std::string kwinrc = current(c / "kwinrc").value_or("");
    kwinrc = withIniValue(kwinrc, "Wayland", "InputMethod[$e]", kFcitx5Entry);
    kwinrc = withIniValue(kwinrc, "Wayland", "VirtualKeyboardEnabled", "true");
    kwinrc = withIniValue(kwinrc, "Plugins", std::string(kKwinScript) + "Enabled", "true");
    change(c / "kwinrc", kwinrc,
           "KWin starts fcitx5 as the Wayland session's virtual keyboard and tells Brisquel the focused "
           "window's application (its script)");
  }

  const auto setting = [&](const char* schema, const char* key, const Facts::Setting& now, std::string after,
                           std::string why) {
    plan.settings.push_back({schema, key, *now.value, now.value == now.defaultValue, std::move(after), std::move(why)});
  };
  if (facts.desktop == Desktop::Gnome && facts.gnomeSources.value) {
    // fcitx5 switches the layouts: GNOME keeps one, or both would translate the keys.
    const auto& first = facts.layouts.front();
    const std::string one = "[('xkb', '" + first.layout + (first.variant.empty() ? "" : "+" + first.variant) + "')]";
    const bool onlyFirst = gnomeLayouts(*facts.gnomeSources.value) == std::vector<Layout>{first} &&
                           facts.gnomeSources.value->find("'ibus'") == std::string::npos;
    if (!onlyFirst)
      setting("org.gnome.desktop.input-sources", "sources", facts.gnomeSources, one,
              "GNOME keeps only " + layoutTitle(first) + "; fcitx5 switches between the layouts");
  }
  if (facts.desktop == Desktop::Gnome && facts.gnomeExtensions.value) {
    // An `as` as gsettings prints it: "@as []" or "['a@b', 'c@d']".
    const std::string& list = *facts.gnomeExtensions.value;
    const std::string quoted = std::string("'") + kGnomeExtension + "'";
    if (list.find(quoted) == std::string::npos) {
      const auto open = list.find('[');
      const auto close = list.rfind(']');
      const std::string inside = open == std::string::npos || close == std::string::npos || close <= open
                                     ? ""
                                     : std::string(trimmed(std::string_view(list).substr(open + 1, close - open - 1)));
      setting("org.gnome.shell", "enabled-extensions", facts.gnomeExtensions,
              "[" + inside + (inside.empty() ? "" : ", ") + quoted + "]",
              "GNOME Shell tells Brisquel the focused window's application (its extension " +
                  std::string(kGnomeExtension) + ")");
    }
  }
  result.plan = std::move(plan);
  return result;
}

}  // namespace brisquel::cli::setup
