// SPDX-License-Identifier: MIT
// Asking the desktop host over fcitx5's session bus.
#include "brisquel/HostStatus.h"

#if BRISQUEL_HAVE_FCITX5
#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/message.h>

#include <memory>
#include <stdexcept>

#include "fcitx5/HostInterface.h"
#endif

namespace brisquel::cli {

#if BRISQUEL_HAVE_FCITX5
namespace {
// Who names the focused application besides fcitx5; "" from a host without it.
std::string askFocusSource(fcitx::dbus::Bus& bus, const std::string& owner, std::uint64_t usec) {
  namespace host = fcitx5::host;
  auto call = bus.createMethodCall(owner.c_str(), host::kFocusPath, host::kFocusInterface, host::kFocusSource);
  auto reply = call.call(usec);
  std::string source;
  if (!reply.isError()) reply >> source;
  return source;
}
}  // namespace

HostAnswer askHost(std::chrono::milliseconds timeout) {
  namespace host = fcitx5::host;
  using Reach = HostAnswer::Reach;
  HostAnswer answer;
  const auto usec = static_cast<std::uint64_t>(std::chrono::microseconds(timeout).count());
  std::unique_ptr<fcitx::dbus::Bus> bus;
  try {
    bus = std::make_unique<fcitx::dbus::Bus>(fcitx::dbus::BusType::Session);
  } catch (const std::exception&) {
  }
  if (!bus || !bus->isOpen()) {
    answer.reach = Reach::NoBus;
    return answer;
  }
  // fcitx5 is D-Bus activatable: a call to its well-known name would start
  // it. Its current owner, by unique name, is asked instead.
  const std::string owner = bus->serviceOwner(host::kBusName, usec);
  if (owner.empty()) {
    answer.reach = Reach::NotRunning;
    return answer;
  }
  auto call = bus->createMethodCall(owner.c_str(), host::kPath, host::kInterface, host::kGetStatus);
  auto reply = call.call(usec);
  if (reply.isError()) {
    const std::string error = reply.errorName();
    if (error == "org.freedesktop.DBus.Error.UnknownObject" || error == "org.freedesktop.DBus.Error.UnknownMethod" ||
        error == "org.freedesktop.DBus.Error.UnknownInterface") {
      answer.reach = Reach::WithoutAddon;
    } else if (error == "org.freedesktop.DBus.Error.ServiceUnknown" ||
               error == "org.freedesktop.DBus.Error.NameHasNoOwner") {
      answer.reach = Reach::NotRunning;  // it ended in between
    } else {
      answer.reach = Reach::NoAnswer;
    }
    return answer;
  }
  reply >> answer.version >> answer.layouts >> answer.currentLayout >> answer.frontends;
  answer.reach = reply ? Reach::Running : Reach::WithoutAddon;
  if (answer.reach == Reach::Running) answer.focusSource = askFocusSource(*bus, owner, usec);
  return answer;
}
#else
HostAnswer askHost(std::chrono::milliseconds) {
  return {};
}
#endif

}  // namespace brisquel::cli
