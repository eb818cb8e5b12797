// SPDX-License-Identifier: MIT
#include "fcitx5/Notifications.h"

#include <dbus_public.h>
#include <fcitx-utils/dbus/matchrule.h>
#include <fcitx-utils/dbus/message.h>
#include <fcitx-utils/log.h>
#include <fcitx/addonmanager.h>

#include <charconv>
#include <string>
#include <utility>
#include <vector>

namespace brisquel::fcitx5 {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";

const char* iconOf(AlertStyle style) {
  switch (style) {
    case AlertStyle::Informational:
      return "dialog-information";
    case AlertStyle::Warning:
      return "dialog-warning";
    case AlertStyle::Critical:
      return "dialog-error";
  }
  return "";
}

// Actions come in pairs: the key (the button's response code) and its label.
std::vector<std::string> actionsOf(const AlertSpec& alert) {
  std::vector<std::string> actions;
  for (std::size_t i = 0; i < alert.buttons.size(); ++i) {
    actions.push_back(std::to_string(kAlertFirstButtonReturn + static_cast<int>(i)));
    actions.push_back(alert.buttons[i]);
  }
  return actions;
}

AlertAnswer responseOf(const std::string& actionKey) {
  int code = 0;
  const auto [end, error] = std::from_chars(actionKey.data(), actionKey.data() + actionKey.size(), code);
  if (error != std::errc{} || end != actionKey.data() + actionKey.size()) return std::nullopt;
  return code;
}

}  // namespace

Notifications::Notifications(fcitx::Instance& instance, MainQueuePort& mainQueue)
    : instance_(instance), mainQueue_(mainQueue) {}

Notifications::~Notifications() = default;

fcitx::dbus::Bus* Notifications::bus() {
  if (bus_) return bus_;
  auto* module = instance_.addonManager().addon("dbus", true);
  if (!module) return nullptr;
  bus_ = module->call<fcitx::IDBusModule::bus>();
  if (!bus_) return nullptr;
  actionInvoked_ = bus_->addMatch(fcitx::dbus::MatchRule(kService, kPath, kInterface, "ActionInvoked"),
                                  [this](fcitx::dbus::Message& message) {
                                    std::uint32_t id = 0;
                                    std::string key;
                                    if (message >> id >> key) answerShown(id, responseOf(key));
                                    return true;
                                  });
  // A server closes the notification after an action too: the action answered first.
  closed_ = bus_->addMatch(fcitx::dbus::MatchRule(kService, kPath, kInterface, "NotificationClosed"),
                           [this](fcitx::dbus::Message& message) {
                             std::uint32_t id = 0;
                             if (message >> id) answerShown(id, std::nullopt);
                             return true;
                           });
  watcher_ = std::make_unique<fcitx::dbus::ServiceWatcher>(*bus_);
  serverChange_ =
      watcher_->watchService(kService, [this](const std::string&, const std::string& oldOwner, const std::string&) {
        if (oldOwner.empty()) return;
        auto open = std::move(shown_);
        shown_.clear();
        for (auto& [id, onAnswer] : open) answer(std::move(onAnswer), std::nullopt);
      });
  return bus_;
}

void Notifications::show(const AlertSpec& alert, std::function<void(AlertAnswer)> onAnswer) {
  auto* bus = this->bus();
  if (!bus) return unshown(alert, std::move(onAnswer), "no session bus");

  auto message = bus->createMethodCall(kService, kPath, kInterface, "Notify");
  message << std::string("Brisquel") << std::uint32_t{0} << std::string(iconOf(alert.style)) << alert.messageText
          << alert.informativeText << actionsOf(alert);
  message << fcitx::dbus::Container(fcitx::dbus::Container::Type::Array, fcitx::dbus::Signature("{sv}"))
          << fcitx::dbus::ContainerEnd();
  message << std::int32_t{0};  // never expires: the user answers it

  const std::uint64_t call = nextCall_++;
  auto slot = message.callAsync(0, [this, call, alert, onAnswer](fcitx::dbus::Message& reply) {
    std::uint32_t id = 0;
    if (reply.isError() || !(reply >> id)) {
      unshown(alert, onAnswer, reply.isError() ? reply.errorName() : "no notification id");
    } else {
      shown_[id] = onAnswer;
    }
    calls_.erase(call);  // destroys this callback: nothing of it is used after
    return true;
  });
  if (!slot) return unshown(alert, std::move(onAnswer), "Notify not sent");
  calls_[call] = std::move(slot);
}

void Notifications::answer(Answer onAnswer, AlertAnswer value) {
  if (onAnswer) mainQueue_.async([onAnswer = std::move(onAnswer), value] { onAnswer(value); });
}

void Notifications::answerShown(std::uint32_t id, AlertAnswer value) {
  const auto found = shown_.find(id);
  if (found == shown_.end()) return;  // not ours, or answered already
  Answer onAnswer = std::move(found->second);
  shown_.erase(found);
  answer(std::move(onAnswer), value);
}

void Notifications::unshown(const AlertSpec& alert, Answer onAnswer, const std::string& why) {
  FCITX_WARN() << "Brisquel: " << alert.messageText << " " << alert.informativeText << " (not shown: " << why << ")";
  answer(std::move(onAnswer), std::nullopt);
}

}  // namespace brisquel::fcitx5
