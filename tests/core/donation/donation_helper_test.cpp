// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "donation/DonationHelper.h"
#include "l10n/L10n.h"
#include "sim/SimDesktop.h"

namespace brisquel {
namespace {

constexpr double kDay = 86400.0;
constexpr const char* kKey = "LAST_SUPPORT_PROMPT_DATE";

struct Reminder {
  sim::Desktop desk;
  Platform p = desk.platform();
  std::shared_ptr<DonationHelper> helper =
      DonationHelper::create(*p.defaults, *p.clock, *p.mainQueue, *p.ui, *p.workspace);

  Reminder() { L10n::setCurrentForTesting("en"); }

  void storeDateAge(double seconds) { desk.defaultsValues()[kKey] = DefaultsDate{desk.wallTime() - seconds}; }
  std::optional<double> storedDate() {
    auto& values = desk.defaultsValues();
    auto it = values.find(kKey);
    if (it == values.end()) return std::nullopt;
    if (auto* date = std::get_if<DefaultsDate>(&it->second)) return date->secondsSince1970;
    return std::nullopt;
  }
  std::size_t alertCount() { return desk.alerts().size(); }
};

// Due 30 days after the last one; every answer stores the date and only
// the support button opens the page. The alert speaks the interface language.
TEST(DonationReminder, DueAfterThirtyDays) {
  struct Case {
    const char* name;
    std::optional<DefaultsValue> stored;  // relative dates are given as an age below
    double age;
    bool alert;
    bool dateReset;
    AlertAnswer answer = kAlertFirstButtonReturn + 1;  // "remind later"
    const char* language = "en";
    const char* title = "Enjoying Brisquel?";
  };
  const Case cases[] = {
      {"29 days 23 hours", std::nullopt, 30 * kDay - 3600, false, false},
      {"exactly 30 days", std::nullopt, 2592000.0, true, true},
      {"a year, support", std::nullopt, 365 * kDay, true, true, kAlertFirstButtonReturn, "ru", "Нравится Brisquel?"},
      {"40 days, closed without a choice", std::nullopt, 40 * kDay, true, true, std::nullopt, "el",
       "Σας αρέσει το Brisquel;"},
      {"in the future", std::nullopt, -10 * kDay, false, false},
      {"not a date", DefaultsValue{std::string("2020-01-01")}, 0, false, true},
      {"a number", DefaultsValue{std::int64_t{0}}, 0, false, true},
      {"first start: none stored", std::nullopt, 0, false, true},
  };
  for (const Case& c : cases) {
    Reminder r;
    ASSERT_TRUE(L10n::setCurrentForTesting(c.language));
    r.desk.queueAlertResponse(c.answer);
    r.desk.advance(3);
    if (c.stored) {
      r.desk.defaultsValues()[kKey] = *c.stored;
    } else if (c.age != 0) {
      r.storeDateAge(c.age);
    }
    const auto before = r.storedDate();
    r.helper->checkAndShowPromptIfNeeded();
    EXPECT_EQ(r.alertCount(), 0u) << c.name << ": the alert comes from the main queue, not at once";
    r.desk.runUntilIdle();
    ASSERT_EQ(r.alertCount(), c.alert ? 1u : 0u) << c.name;
    if (c.alert) {
      const AlertSpec& alert = r.desk.alerts().front();
      EXPECT_EQ(alert.style, AlertStyle::Informational);
      EXPECT_EQ(alert.messageText, c.title);
      EXPECT_EQ(alert.informativeText, L("donation.message"));
      EXPECT_EQ(alert.buttons, (std::vector<std::string>{L("donation.btn_support"), L("donation.btn_later")}));
      EXPECT_TRUE(alert.activateApplication);
    }
    if (c.dateReset) {
      EXPECT_EQ(r.storedDate(), r.desk.wallTime()) << c.name;
    } else {
      EXPECT_EQ(r.storedDate(), before) << c.name;
    }
    const bool support = c.alert && c.answer == kAlertFirstButtonReturn;
    EXPECT_EQ(r.desk.openedURLs(), support ? std::vector<std::string>{"https://brisquel.app/donate"}
                                           : std::vector<std::string>{})
        << c.name;
  }
  L10n::setCurrentForTesting("en");
}

// The daily check shows the alert the day it becomes due, the menu entry at
// any time; either way the next one is 30 days after the last.
TEST(DonationReminder, ShownWhenDueOrFromTheMenuAndThirtyDaysApart) {
  struct Case {
    const char* name;
    double age;
    bool fromMenu;    // after ten days, shown from the menu
    double dueAfter;  // the daily check's alert
  };
  const Case cases[] = {{"daily check", 30 * kDay - 3600, false, kDay}, {"menu entry", kDay, true, 10 * kDay}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reminder r;
    r.storeDateAge(c.age);
    r.helper->checkAndShowPromptIfNeeded();
    r.helper->checkAndShowPromptIfNeeded();  // checking again keeps one daily timer
    r.desk.advance(c.dueAfter - 1);
    EXPECT_EQ(r.alertCount(), 0u);
    r.desk.advance(1);
    if (c.fromMenu) r.helper->showSupportWindow(true);
    EXPECT_EQ(r.alertCount(), 1u);
    EXPECT_EQ(r.storedDate(), r.desk.wallTime());
    r.desk.advance(29 * kDay);
    EXPECT_EQ(r.alertCount(), 1u) << "the next one is 30 days after the last";
    r.desk.advance(kDay);
    EXPECT_EQ(r.alertCount(), 2u);
  }
}

TEST(DonationReminder, NothingHappensOnceTheReminderIsGone) {
  for (bool shown : {false, true}) {
    Reminder r;
    r.desk.holdAlertAnswers(true);
    r.storeDateAge(40 * kDay);
    const auto before = r.storedDate();
    r.helper->checkAndShowPromptIfNeeded();
    // While the alert waits for its answer, the daily check shows no second one.
    if (shown) r.desk.advance(2 * kDay);
    r.helper.reset();  // the due alert is still queued, or shown and not answered yet
    r.desk.answerHeldAlerts();  // with the support button
    r.desk.advance(3 * kDay);
    EXPECT_EQ(r.alertCount(), shown ? 1u : 0u);
    EXPECT_TRUE(r.desk.openedURLs().empty());
    EXPECT_EQ(r.storedDate(), before);
  }
}

}  // namespace
}  // namespace brisquel
