// SPDX-License-Identifier: MIT
#include "donation/DonationHelper.h"

#include <string>
#include <variant>

namespace brisquel {

std::shared_ptr<DonationHelper> DonationHelper::create(DefaultsPort& defaults, ClockPort& clock,
                                                       MainQueuePort& mainQueue, UserInterfacePort& ui,
                                                       WorkspacePort& workspace) {
  return std::shared_ptr<DonationHelper>(new DonationHelper(defaults, clock, mainQueue, ui, workspace));
}

DonationHelper::DonationHelper(DefaultsPort& defaults, ClockPort& clock, MainQueuePort& mainQueue,
                               UserInterfacePort& ui, WorkspacePort& workspace)
    : defaults_(defaults), clock_(clock), mainQueue_(mainQueue), ui_(ui), workspace_(workspace) {}

void DonationHelper::checkAndShowPromptIfNeeded() {
  performCheck();
  checkTimer_.reset();
  checkTimer_ = mainQueue_.scheduleRepeatingTimer(checkIntervalSeconds, [weak = weak_from_this()] {
    if (auto self = weak.lock()) self->performCheck();
  });
}

void DonationHelper::performCheck() {
  const auto stored = defaults_.object(lastPromptDateKey);
  const auto* date = stored ? std::get_if<DefaultsDate>(&*stored) : nullptr;
  if (!date) {
    // First start (or a value of another type): the first reminder comes 30 days later.
    storeNow();
    return;
  }
  const double elapsed = clock_.wallTime() - date->secondsSince1970;
  // An alert still waiting for its answer is the reminder: no second one beside it.
  if (elapsed >= promptIntervalSeconds && !isPromptOpen_) {
    mainQueue_.async([weak = weak_from_this()] {
      if (auto self = weak.lock()) self->showSupportWindow(false);
    });
  }
}

void DonationHelper::showSupportWindow(bool /*force*/) {
  AlertSpec alert;
  alert.style = AlertStyle::Informational;
  alert.messageText = L("donation.title");
  alert.informativeText = L("donation.message");
  alert.buttons = {L("donation.btn_support"), L("donation.btn_later")};
  alert.activateApplication = true;
  isPromptOpen_ = true;
  ui_.showAlert(alert, [weak = weak_from_this()](AlertAnswer answer) {
    auto self = weak.lock();
    if (!self) return;
    self->isPromptOpen_ = false;
    // Closed without a choice counts as "later": the next reminder comes in 30 days.
    self->storeNow();
    if (answer == kAlertFirstButtonReturn) self->workspace_.openURL(std::string(donationURL));
  });
}

void DonationHelper::storeNow() {
  defaults_.set(lastPromptDateKey, DefaultsDate{clock_.wallTime()});
}

}  // namespace brisquel
