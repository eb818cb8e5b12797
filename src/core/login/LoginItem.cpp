// SPDX-License-Identifier: MIT
#include "login/LoginItem.h"

#include "l10n/L10n.h"
#include "base/PropertyList.h"
#include "base/Text.h"
#include "settings/SettingsHelper.h"

namespace brisquel {
namespace {

// A property list is XML: no control characters but tab and line breaks, no U+FFFE or U+FFFF.
bool xmlCanHold(std::string_view s) {
  if (!text::isValidUtf8(s)) return false;
  for (char32_t c : text::fromUtf8(s)) {
    if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF) return false;
  }
  return true;
}

}  // namespace

LoginItem::LoginItem(LoginItemPort& loginItems, FilesPort& files, ApplicationPort& application, UserInterfacePort& ui,
                     SettingsHelper& settings, std::optional<std::string> bundleIdentifier)
    : loginItems_(loginItems),
      files_(files),
      application_(application),
      ui_(ui),
      settings_(settings),
      bundleIdentifier_(std::move(bundleIdentifier)) {}

std::string LoginItem::bundleIdentifier() const {
  return bundleIdentifier_ && !bundleIdentifier_->empty() ? *bundleIdentifier_ : defaultBundleIdentifier;
}

std::filesystem::path LoginItem::launchAgentsDirectory() const {
  const std::filesystem::path home = files_.homeDirectory();
  if (home.empty()) return {};
  return home / "Library" / "LaunchAgents";
}

std::filesystem::path LoginItem::launchAgentFile() const {
  const auto dir = launchAgentsDirectory();
  if (dir.empty()) return {};
  return dir / (bundleIdentifier() + ".plist");
}

bool LoginItem::launchAtLogin(bool enabled) {
  if (loginItems_.isServiceAvailable()) {
    return enabled ? loginItems_.registerMainApp() : loginItems_.unregisterMainApp();
  }
  return setLaunchAgentEnabled(enabled);
}

bool LoginItem::setLaunchAgentEnabled(bool enabled) {
  const auto dir = launchAgentsDirectory();
  if (dir.empty()) return false;  // no user Library location
  if (!files_.exists(dir) && !files_.createDirectories(dir)) return false;
  const auto file = launchAgentFile();

  if (!enabled) {
    if (files_.exists(file) && !files_.remove(file)) return false;
    return true;
  }

  const std::string identifier = bundleIdentifier();
  const std::string bundle = application_.mainBundlePath().string();
  if (!xmlCanHold(identifier) || !xmlCanHold(bundle)) return false;
  const plist::DefaultsDomain agent = {
      {"Label", identifier},
      {"ProgramArguments", StringList{"/usr/bin/open", "-a", bundle}},
      {"RunAtLoad", true},
  };
  return files_.writeAtomically(file, plist::encodePropertyList(agent));
}

bool LoginItem::applicationAutostart(bool requested) {
  if (launchAtLogin(requested)) {
    settings_.store().set(SettingsHelper::enableAutostart, requested);
    return requested;
  }
  AlertSpec alert;
  alert.style = AlertStyle::Warning;
  alert.messageText = L("alert.autostart.title");
  alert.informativeText = L("alert.autostart.message");
  alert.buttons = {L("alert.ok")};
  ui_.showAlert(alert, {});  // one button, nothing to do after it, and the same when closed
  return settings_.isAutostartEnable();
}

}  // namespace brisquel
