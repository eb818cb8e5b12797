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
#else
bool notifyDesktop(const std::string&, const std::string&) {
  return false;
}
#endif

}  // namespace brisquel::cli
