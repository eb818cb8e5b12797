// SPDX-License-Identifier: MIT
// "What does Brisquel do with this chord in that application": starts the
// program on the simulated desktop as it starts, activates the application
// and presses each chord, printing what the application received.
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

#include "app/AppDelegate.h"
#include "brisquel/Commands.h"
#include "brisquel/SettingArguments.h"
#include "simprogram/SimProgram.h"
#include "base/KeyCodes.h"
#include "sim/SimDesktop.h"
#include "settings/SettingsHelper.h"

namespace brisquel::cli {
namespace {

constexpr const char* kPressUsage =
    "usage: brisquel press --app BUNDLE_ID [--name NAME] [--path PATH] [--set KEY=VALUE]... CHORD...\n"
    "  CHORD: keys joined by '+', e.g. ctrl+c, ctrl+shift+c, fn+v, ctrl+alt+delete, shift+ctrl\n"
    "  --set: true/false for a switch, an integer for WIN_EDIT_HOTKEYS_V2, 0 to 4 for INDEX_HOT_KEY;\n"
    "         IGNORED_APPS and IGNORED_SHORTCUTS_APPS take one entry per --set (the first\n"
    "         replaces the stored list; an empty value empties it)\n";

struct Modifier {
  std::uint16_t keyCode;
  std::uint64_t flag;
  const char* name;  // as printed
};

// In the order they are pressed and printed.
const std::vector<Modifier>& modifiers() {
  static const std::vector<Modifier> list = {
      {KeyCode::Function, Flags::Fn, "fn"},      {KeyCode::Control, Flags::Control, "ctrl"},
      {KeyCode::Option, Flags::Option, "alt"},   {KeyCode::Shift, Flags::Shift, "shift"},
      {KeyCode::Command, Flags::Command, "cmd"},
  };
  return list;
}

const std::map<std::string, std::size_t>& modifierNames() {
  static const std::map<std::string, std::size_t> names = {
      {"fn", 0},     {"ctrl", 1},  {"control", 1}, {"alt", 2},     {"opt", 2},
      {"option", 2}, {"shift", 3}, {"cmd", 4},     {"command", 4},
  };
  return names;
}

// Ordinary keys by name; the first name of a code is the one printed.
const std::vector<std::pair<std::string, std::uint16_t>>& keyNames() {
  static const std::vector<std::pair<std::string, std::uint16_t>> names = [] {
    std::vector<std::pair<std::string, std::uint16_t>> n = {
        {"a", KeyCode::ANSI_A},
        {"b", KeyCode::ANSI_B},
        {"c", KeyCode::ANSI_C},
        {"d", KeyCode::ANSI_D},
        {"e", KeyCode::ANSI_E},
        {"f", KeyCode::ANSI_F},
        {"g", KeyCode::ANSI_G},
        {"h", KeyCode::ANSI_H},
        {"i", KeyCode::ANSI_I},
        {"j", KeyCode::ANSI_J},
        {"k", KeyCode::ANSI_K},
        {"l", KeyCode::ANSI_L},
        {"m", KeyCode::ANSI_M},
        {"n", KeyCode::ANSI_N},
        {"o", KeyCode::ANSI_O},
        {"p", KeyCode::ANSI_P},
        {"q", KeyCode::ANSI_Q},
        {"r", KeyCode::ANSI_R},
        {"s", KeyCode::ANSI_S},
        {"t", KeyCode::ANSI_T},
        {"u", KeyCode::ANSI_U},
        {"v", KeyCode::ANSI_V},
        {"w", KeyCode::ANSI_W},
        {"x", KeyCode::ANSI_X},
        {"y", KeyCode::ANSI_Y},
        {"z", KeyCode::ANSI_Z},
        {"0", KeyCode::ANSI_0},
        {"1", KeyCode::ANSI_1},
        {"2", KeyCode::ANSI_2},
        {"3", KeyCode::ANSI_3},
        {"4", KeyCode::ANSI_4},
        {"5", KeyCode::ANSI_5},
        {"6", KeyCode::ANSI_6},
        {"7", KeyCode::ANSI_7},
        {"8", KeyCode::ANSI_8},
        {"9", KeyCode::ANSI_9},
        {"-", KeyCode::ANSI_Minus},
        {"minus", KeyCode::ANSI_Minus},
        {"=", KeyCode::ANSI_Equal},
        {"equal", KeyCode::ANSI_Equal},
        {"[", KeyCode::ANSI_LeftBracket},
        {"]", KeyCode::ANSI_RightBracket},
        {";", KeyCode::ANSI_Semicolon},
        {"'", KeyCode::ANSI_Quote},
        {",", KeyCode::ANSI_Comma},
        {".", KeyCode::ANSI_Period},
        {"/", KeyCode::ANSI_Slash},
        {"\\", KeyCode::ANSI_Backslash},
        {"`", KeyCode::ANSI_Grave},
        {"space", KeyCode::Space},
        {"return", KeyCode::Return},
        {"enter", KeyCode::Return},
        {"tab", KeyCode::Tab},
        {"esc", KeyCode::Escape},
        {"escape", KeyCode::Escape},
        // The Mac keyboard's Delete is the backspace key.
        {"delete", KeyCode::Delete},
        {"backspace", KeyCode::Delete},
        {"forwarddelete", KeyCode::ForwardDelete},
        {"left", KeyCode::LeftArrow},
        {"right", KeyCode::RightArrow},
        {"up", KeyCode::UpArrow},
        {"down", KeyCode::DownArrow},
    };
    return n;
  }();
  return names;
}

std::optional<std::uint16_t> keyCodeNamed(const std::string& name) {
  for (const auto& [n, code] : keyNames()) {
    if (n == name) return code;
  }
  return std::nullopt;
}

std::string nameOfKey(std::uint16_t keyCode) {
  for (const auto& m : modifiers()) {
    if (m.keyCode == keyCode) return m.name;
  }
  for (const auto& [n, code] : keyNames()) {
    if (code == keyCode) return n;
  }
  return "key" + std::to_string(keyCode);
}

std::string lowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

struct Chord {
  std::vector<std::size_t> modifiers;  // indexes into modifiers()
  std::optional<std::uint16_t> key;
};

std::optional<Chord> parseChord(const std::string& text) {
  Chord chord;
  std::size_t start = 0;
  while (true) {
    const std::size_t plus = text.find('+', start);
    const bool last = plus == std::string::npos;
    const std::string part = lowerAscii(text.substr(start, last ? std::string::npos : plus - start));
    if (auto m = modifierNames().find(part); m != modifierNames().end()) {
      chord.modifiers.push_back(m->second);
    } else if (auto code = keyCodeNamed(part); code && last) {
      chord.key = code;  // one ordinary key, after the modifiers
    } else {
      return std::nullopt;
    }
    if (last) return chord;
    start = plus + 1;
  }
}

void printKnownKeys(std::ostream& os) {
  os << "known key names:\n  modifiers:";
  for (const auto& [name, index] : modifierNames()) os << " " << name;
  os << "\n  keys:";
  for (const auto& [name, code] : keyNames()) os << " " << name;
  os << "\n";
}

std::string formatEvent(const KeyEvent& event) {
  std::string out;
  for (const auto& m : modifiers()) {
    if (event.flags & m.flag) out += std::string(m.name) + "+";
  }
  return out + nameOfKey(event.keyCode);
}

struct PressOptions {
  std::string bundleId;
  std::optional<std::string> name;
  std::optional<std::string> path;
  SettingArguments settings;
  std::vector<Chord> chords;
  bool help = false;
};

// Parses the arguments; prints the problem and answers none on a usage error.
std::optional<PressOptions> parseArguments(const std::vector<std::string>& args, Streams io) {
  PressOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return options;
    }
    const bool takesValue = arg == "--app" || arg == "--name" || arg == "--path" || arg == "--set";
    if (takesValue) {
      if (i + 1 >= args.size()) {
        io.err << "brisquel press: " << arg << " needs a value\n" << kPressUsage;
        return std::nullopt;
      }
      const std::string& value = args[++i];
      if (arg == "--app") options.bundleId = value;
      if (arg == "--name") options.name = value;
      if (arg == "--path") options.path = value;
      std::string error;
      if (arg == "--set" && !options.settings.add(value, error)) {
        io.err << "brisquel press: " << error << "\n";
        return std::nullopt;
      }
    } else if (arg.starts_with("--")) {
      io.err << "brisquel press: unknown option '" << arg << "'\n" << kPressUsage;
      return std::nullopt;
    } else if (auto chord = parseChord(arg)) {
      options.chords.push_back(*chord);
    } else {
      io.err << "brisquel press: unknown chord '" << arg << "'\n";
      printKnownKeys(io.err);
      return std::nullopt;
    }
  }
  if (options.bundleId.empty() || options.chords.empty()) {
    io.err << kPressUsage;
    return std::nullopt;
  }
  return options;
}

std::string defaultName(const std::string& bundleId) {
  const auto dot = bundleId.rfind('.');
  return dot == std::string::npos ? bundleId : bundleId.substr(dot + 1);
}

}  // namespace

int pressCommand(const std::vector<std::string>& args, Streams io) {
  const auto options = parseArguments(args, io);
  if (!options) return kExitUsage;
  if (options->help) {
    io.out << kPressUsage;
    return kExitOk;
  }

  sim::Desktop desktop;
  desktop.enableLayouts({"en", "ru"});
  const std::string name = options->name.value_or(defaultName(options->bundleId));
  auto& app =
      desktop.addApplication({options->bundleId, name, options->path.value_or("/Applications/" + name + ".app"), 0});

  SimProgram program(desktop);  // a first start: default settings and lists
  for (const auto& [key, value] : options->settings.values()) program.settings().store().set(key, value);
  program.start();
  desktop.activate(options->bundleId);
  desktop.advance(1.0);

  constexpr double settleTime = 1.0;  // longer than any delayed half of a shortcut
  for (const auto& chord : options->chords) {
    const std::size_t receivedBefore = app.received().size();
    const std::size_t openedBefore = desktop.openedApplications().size();
    const std::string layoutBefore = desktop.currentLayoutCode();

    for (auto m : chord.modifiers) desktop.keyDown(modifiers()[m].keyCode);
    if (chord.key) {
      desktop.keyDown(*chord.key);
      desktop.keyUp(*chord.key);
    }
    for (auto it = chord.modifiers.rbegin(); it != chord.modifiers.rend(); ++it) {
      desktop.keyUp(modifiers()[*it].keyCode);
    }
    desktop.advance(settleTime);

    std::vector<std::string> parts;
    std::string keys;
    std::optional<double> previous;
    for (std::size_t i = receivedBefore; i < app.received().size(); ++i) {
      const auto& r = app.received()[i];
      if (r.event.type != EventType::KeyDown) continue;
      if (!keys.empty()) keys += " ";
      keys += formatEvent(r.event);
      // The delay since the previous key-down the application received.
      const auto ms = previous ? std::llround((r.time - *previous) * 1000) : 0;
      if (ms > 0) keys += "@" + std::to_string(ms) + "ms";
      previous = r.time;
    }
    if (!keys.empty()) parts.push_back(keys);
    if (desktop.currentLayoutCode() != layoutBefore) parts.push_back("layout " + desktop.currentLayoutCode());
    for (std::size_t i = openedBefore; i < desktop.openedApplications().size(); ++i) {
      parts.push_back("open " + desktop.openedApplications()[i].string());
    }
    if (parts.empty()) parts.push_back("nothing");

    std::string line;
    for (const auto& p : parts) line += (line.empty() ? "" : "; ") + p;
    io.out << line << "\n";
  }
  return kExitOk;
}

}  // namespace brisquel::cli
