#include "login/LoginItem.h"

#include "l10n/L10n.h"
#include "login/PropertyListWriter.h"
#include "settings/SettingsHelper.h"

namespace brisquel {

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
  const plist::Value agent = plist::Dictionary{
      {"Label", identifier},
      {"ProgramArguments", plist::Array{"/usr/bin/open", "-a", application_.mainBundlePath().string()}},
      {"RunAtLoad", true},
  };
  const auto xml = plist::toXML(agent);
  if (!xml) return false;
  return files_.writeAtomically(file, *xml);
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
  ui_.runModalAlert(alert);
  return settings_.isAutostartEnable();
}

}  // namespace brisquel
