// SPDX-License-Identifier: MIT
#include "brisquel/DesktopNotify.h"

#if BRISQUEL_HAVE_FCITX5
#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/message.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>
#endif

namespace brisquel::cli {

#if BRISQUEL_HAVE_FCITX5
bool notifyDesktop(const std::string& title, const std::string& body) {
  std::unique_ptr<fcitx::dbus::Bus> bus;
  try {
    bus = std::make_unique<fcitx::dbus::Bus>(fcitx::dbus::BusType::Session);
  } catch (const std::exception&) {
    return false;
  }
  if (!bus->isOpen()) return false;
  auto message = bus->createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                       "org.freedesktop.Notifications", "Notify");
  message << std::string("Brisquel") << std::uint32_t{0} << std::string("input-keyboard") << title << body
          << std::vector<std::string>{};
  message << fcitx::dbus::Container(fcitx::dbus::Container::Type::Array, fcitx::dbus::Signature("{sv}"))
          << fcitx::dbus::ContainerEnd();
  message << std::int32_t{-1};
  return !message.call(2'000'000).isError();
}

bool updateRunningFcitx5(const std::string& group, const std::string& defaultLayout,
                         const std::vector<std::pair<std::string, std::string>>& items) {
  std::unique_ptr<fcitx::dbus::Bus> bus;
  try {
    bus = std::make_unique<fcitx::dbus::Bus>(fcitx::dbus::BusType::Session);
  } catch (const std::exception&) {
    return false;
  }
  constexpr std::uint64_t kTimeout = 2'000'000;
  // Its current owner, by unique name: a call to the well-known name would start fcitx5.
  const std::string owner = bus->serviceOwner("org.fcitx.Fcitx5", kTimeout);
  if (owner.empty()) return false;
  std::vector<fcitx::dbus::DBusStruct<std::string, std::string>> entries;
  for (const auto& [im, layout] : items) entries.emplace_back(im, layout);
  auto setGroup =
      bus->createMethodCall(owner.c_str(), "/controller", "org.fcitx.Fcitx.Controller1", "SetInputMethodGroupInfo");
  setGroup << group << defaultLayout << entries;
  if (setGroup.call(kTimeout).isError()) return false;
  auto reload = bus->createMethodCall(owner.c_str(), "/controller", "org.fcitx.Fcitx.Controller1", "ReloadConfig");
  return !reload.call(kTimeout).isError();
}
#else
bool notifyDesktop(const std::string&, const std::string&) {
  return false;
}
bool updateRunningFcitx5(const std::string&, const std::string&,
                         const std::vector<std::pair<std::string, std::string>>&) {
  return false;
}
#endif

}  // namespace brisquel::cli
