// SPDX-License-Identifier: MIT
#include "fcitx5/FocusSourceBus.h"

#include <dbus_public.h>
#include <fcitx-utils/dbus/objectvtable.h>
#include <fcitx/addonmanager.h>

#include "fcitx5/HostInterface.h"

namespace brisquel::fcitx5 {

class FocusSourceBus::Object final : public fcitx::dbus::ObjectVTable<FocusSourceBus::Object> {
 public:
  Object(std::function<std::string()> source, Told told) : source_(std::move(source)), told_(std::move(told)) {}
  std::string focusSource() { return source_(); }
  void focusChanged(const std::string& source, const std::string& appId) { told_(source, appId); }

 private:
  std::function<std::string()> source_;
  Told told_;
  FCITX_OBJECT_VTABLE_METHOD(focusSource, host::kFocusSource, "", "s");
  FCITX_OBJECT_VTABLE_METHOD(focusChanged, host::kFocusChanged, "ss", "");
};

FocusSourceBus::FocusSourceBus(fcitx::Instance& instance, std::function<std::string()> source, Told told)
    : object_(std::make_unique<Object>(std::move(source), std::move(told))) {
  fcitx::AddonInstance* dbus = instance.addonManager().addon("dbus");
  if (fcitx::dbus::Bus* bus = dbus ? dbus->call<fcitx::IDBusModule::bus>() : nullptr)
    bus->addObjectVTable(host::kFocusPath, host::kFocusInterface, *object_);
}

FocusSourceBus::~FocusSourceBus() = default;

}  // namespace brisquel::fcitx5
