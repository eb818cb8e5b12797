// SPDX-License-Identifier: MIT
#pragma once
// The donation reminder: once every 30 days an alert invites the user to
// support the program; its first button opens the donation page. The date
// of the last reminder lives in the defaults store.

#include <memory>
#include <string_view>

#include "l10n/L10n.h"
#include "platform/Defaults.h"
#include "platform/MainQueue.h"
#include "platform/Registration.h"
#include "platform/UserInterface.h"
#include "platform/Workspace.h"

namespace brisquel {

class DonationHelper : public std::enable_shared_from_this<DonationHelper> {
 public:
  static constexpr const char* lastPromptDateKey = "LAST_SUPPORT_PROMPT_DATE";
  static constexpr double promptIntervalSeconds = 2592000.0;  // 30 days
  static constexpr double checkIntervalSeconds = 86400.0;     // one day
  static constexpr std::string_view donationURL = kDonationURL;

  static std::shared_ptr<DonationHelper> create(DefaultsPort& defaults, ClockPort& clock, MainQueuePort& mainQueue,
                                                UserInterfacePort& ui, WorkspacePort& workspace);

  DonationHelper(const DonationHelper&) = delete;
  DonationHelper& operator=(const DonationHelper&) = delete;

  // Checks now, then once a day for as long as this object lives.
  void checkAndShowPromptIfNeeded();

  // Shows the alert and records today as the last reminder; `force` (the
  // menu entry) changes nothing about how it is shown or handled.
  void showSupportWindow(bool force);

 private:
  DonationHelper(DefaultsPort& defaults, ClockPort& clock, MainQueuePort& mainQueue, UserInterfacePort& ui,
                 WorkspacePort& workspace);

  void performCheck();
  void storeNow();

  DefaultsPort& defaults_;
  ClockPort& clock_;
  MainQueuePort& mainQueue_;
  UserInterfacePort& ui_;
  WorkspacePort& workspace_;
  Registration checkTimer_;
  bool isPromptOpen_ = false;
};

}  // namespace brisquel
