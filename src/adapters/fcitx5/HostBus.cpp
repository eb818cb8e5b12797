// SPDX-License-Identifier: MIT
#include "fcitx5/HostBus.h"

#include <dbus_public.h>
#include <fcitx-utils/dbus/objectvtable.h>
#include <fcitx-utils/log.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputcontextmanager.h>

#include <tuple>
#include <vector>

#include "fcitx5/HostInterface.h"

namespace brisquel::fcitx5 {

class HostBus::Object final : public fcitx::dbus::ObjectVTable<HostBus::Object> {
 public:
  Object(InputSourcePort& layouts, std::string version, const std::set<std::string>& frontends)
      : layouts_(layouts), version_(std::move(version)), frontends_(frontends) {}

  // Answered from what the host holds at the moment: bounded work, no waiting.
  std::tuple<std::string, std::vector<std::string>, std::string, std::vector<std::string>> status() {
    std::vector<std::string> layouts;
    for (const auto& source : layouts_.enabledInputSources())
      if (source && source->id) layouts.push_back(*source->id);
    const auto current = layouts_.currentKeyboardInputSource();
    return {version_, layouts, current && current->id ? *current->id : std::string(),
            std::vector<std::string>(frontends_.begin(), frontends_.end())};
  }

 private:
  InputSourcePort& layouts_;
  std::string version_;
  const std::set<std::string>& frontends_;
  FCITX_OBJECT_VTABLE_METHOD(status, host::kGetStatus, "", "sassas");
};

HostBus::HostBus(fcitx::Instance& instance, InputSourcePort& layouts, std::string version)
    : object_(std::make_unique<Object>(layouts, std::move(version), frontends_)) {
  instance.inputContextManager().foreach ([this](fcitx::InputContext* ic) {
    frontends_.insert(ic->frontend());
    return true;
  });
  watcher_ = instance.watchEvent(fcitx::EventType::InputContextCreated, fcitx::EventWatcherPhase::Default,
                                 [this](fcitx::Event& event) {
                                   auto* ic = static_cast<fcitx::InputContextEvent&>(event).inputContext();
                                   frontends_.insert(ic->frontend());
                                 });
  // fcitx5 loads its D-Bus module first when it has one (our optional dependency).
  fcitx::AddonInstance* dbus = instance.addonManager().addon("dbus");
  fcitx::dbus::Bus* bus = dbus ? dbus->call<fcitx::IDBusModule::bus>() : nullptr;
  if (!bus || !bus->addObjectVTable(host::kPath, host::kInterface, *object_))
    FCITX_INFO() << "Brisquel: not on fcitx5's session bus, so `brisquel status` cannot reach this host";
}

HostBus::~HostBus() = default;

}  // namespace brisquel::fcitx5
