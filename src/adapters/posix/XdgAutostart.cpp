// SPDX-License-Identifier: MIT
#include "posix/XdgAutostart.h"

#include <system_error>

#include "posix/PosixFiles.h"

namespace brisquel::posix {

namespace {

bool hasControlCharacters(const std::string& s) {
  for (unsigned char c : s) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

// One argument of the Exec key: quoted when it holds a reserved character,
// with the quoting rule's own escapes; "%" doubled as a literal percent.
std::string execArgument(const std::string& argument) {
  static constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
  const bool quote = argument.empty() || argument.find_first_of(reserved) != std::string::npos;
  std::string out;
  if (quote) out += '"';
  for (char c : argument) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  if (quote) out += '"';
  return out;
}

// A value of type string: backslashes are escaped once more at this level.
std::string escapeValue(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

AutostartEntry mainProgramEntry(const std::filesystem::path& mainBundle) {
  AutostartEntry entry;
  entry.executable = mainBundle / "Contents" / "MacOS" / "brisquel";
  return entry;
}

AutostartEntry launcherEntry(const std::filesystem::path& installation) {
  AutostartEntry entry;
  entry.executable = installation / "velmonte-launcher";
  return entry;
}

std::optional<std::string> desktopEntryText(const AutostartEntry& entry) {
  if (entry.name.empty() || !entry.executable.is_absolute()) return std::nullopt;
  std::string exec = execArgument(entry.executable.string());
  for (const auto& argument : entry.arguments) exec += ' ' + execArgument(argument);
  if (hasControlCharacters(exec) || hasControlCharacters(entry.name)) return std::nullopt;
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" +
         escapeValue(entry.name) +
         "\n"
         "Exec=" +
         escapeValue(exec) +
         "\n"
         "Terminal=false\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

XdgAutostart::XdgAutostart(AutostartEntry entry, std::filesystem::path autostartDirectory)
    : entry_(std::move(entry)), directory_(std::move(autostartDirectory)) {
  if (directory_.empty()) directory_ = xdgConfigHome() / "autostart";
}

std::filesystem::path XdgAutostart::entryFile() const {
  return directory_ / (entry_.id + ".desktop");
}

LoginItemStatus XdgAutostart::status() {
  std::error_code ec;
  return std::filesystem::is_regular_file(entryFile(), ec) ? LoginItemStatus::Enabled : LoginItemStatus::NotRegistered;
}

bool XdgAutostart::registerMainApp() {
  const auto text = desktopEntryText(entry_);
  if (!text || entry_.id.empty() || entry_.id.find('/') != std::string::npos) return false;
  std::error_code ec;
  std::filesystem::create_directories(directory_, ec);
  if (ec) return false;
  return writeFileAtomically(entryFile(), *text);
}

bool XdgAutostart::unregisterMainApp() {
  std::error_code ec;
  std::filesystem::remove(entryFile(), ec);
  return !ec;
}

}  // namespace brisquel::posix
