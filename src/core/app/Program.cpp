// SPDX-License-Identifier: MIT
#include "app/Program.h"

#include "app/AppDelegate.h"
#include "donation/DonationHelper.h"
#include "l10n/L10n.h"
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel {

std::unique_ptr<Program> Program::build(const Platform& platform, ProgramOptions options) {
  std::unique_ptr<Program> program(new Program(platform));
  Program& p = *program;

  L10n::initialize(platform.workspace->preferredLanguages());

  p.settings_ = SettingsHelper::create(*platform.defaults, *platform.files, *platform.mainQueue, *platform.workspace,
                                       std::move(options.settingsNotices));
  SettingsHelper::installShared(p.settings_);

  p.typoDetector_ = TypoDetector::create({*platform.keyboard, *platform.accessibility, *platform.workspace,
                                          *platform.inputSources, *platform.spelling, *platform.mainQueue,
                                          *platform.clock, *platform.textField},
                                         LearnedWordsStore::of(*p.settings_));
  TypoDetector::setShared(p.typoDetector_);

  if (options.donationReminder) {
    p.donation_ =
        DonationHelper::create(*platform.defaults, *platform.clock, *platform.mainQueue, *platform.ui, *platform.workspace);
    DonationHelper::installShared(p.donation_);
  }

  p.delegate_ = AppDelegate::create(platform, AppServices{p.settings_, p.typoDetector_, p.donation_});
  std::weak_ptr<AppDelegate> delegate = p.delegate_;
  platform.application->setTerminationHandler([delegate] {
    if (auto d = delegate.lock()) d->applicationWillTerminate();
  });
  return program;
}

Program::~Program() {
  platform_.application->setTerminationHandler(nullptr);
  delegate_.reset();
  // Leave the shared instances alone when a later program has published its own.
  if (DonationHelper::hasShared() && &DonationHelper::shared() == donation_.get()) DonationHelper::installShared(nullptr);
  donation_.reset();
  if (TypoDetector::shared() == typoDetector_) TypoDetector::setShared(nullptr);
  typoDetector_.reset();
  if (SettingsHelper::hasShared() && &SettingsHelper::shared() == settings_.get()) SettingsHelper::installShared(nullptr);
  settings_.reset();
}

void Program::launch() {
  delegate_->applicationDidFinishLaunching();
}

}  // namespace brisquel
