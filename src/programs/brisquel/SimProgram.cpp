#include "brisquel/SimProgram.h"

#include "app/AppDelegate.h"
#include "donation/DonationHelper.h"
#include "l10n/L10n.h"
#include "sim/SimDesktop.h"
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel {

struct SimProgram::Parts {
  sim::Desktop* desktop = nullptr;
  std::shared_ptr<SettingsHelper> settings;
  std::shared_ptr<TypoDetector> typoDetector;
  std::shared_ptr<DonationHelper> donation;
  std::shared_ptr<AppDelegate> delegate;
};

SimProgram::SimProgram(sim::Desktop& desktop, SimProgramOptions options) : parts_(std::make_unique<Parts>()) {
  parts_->desktop = &desktop;
  if (options.trusted) desktop.setTrusted(*options.trusted);
  const Platform platform = desktop.platform();
  for (const auto& [key, value] : options.storedDefaults) platform.defaults->set(key, value);

  L10n::initialize(platform.workspace->preferredLanguages());

  // The process-wide objects, published as their classes' shared instances.
  parts_->settings =
      SettingsHelper::create(*platform.defaults, *platform.files, *platform.mainQueue, *platform.workspace);
  SettingsHelper::installShared(parts_->settings);

  std::weak_ptr<SettingsHelper> settings = parts_->settings;
  LearnedWordsStore learnedWords{[settings] {
                                   auto s = settings.lock();
                                   return s ? s->sharedLearnedWords() : nullptr;
                                 },
                                 [settings](const StringMap& words) {
                                   if (auto s = settings.lock()) s->setLearnedWords(words);
                                 }};
  parts_->typoDetector = TypoDetector::create(platform, std::move(learnedWords));
  TypoDetector::setShared(parts_->typoDetector);

  parts_->donation = DonationHelper::create(*platform.defaults, *platform.clock, *platform.mainQueue, *platform.ui,
                                            *platform.workspace);
  DonationHelper::installShared(parts_->donation);

  parts_->delegate =
      AppDelegate::create(platform, AppServices{parts_->settings, parts_->typoDetector, parts_->donation});
  std::weak_ptr<AppDelegate> delegate = parts_->delegate;
  platform.application->setTerminationHandler([delegate] {
    if (auto d = delegate.lock()) d->applicationWillTerminate();
  });
}

SimProgram::~SimProgram() {
  parts_->desktop->platform().application->setTerminationHandler(nullptr);
  parts_->delegate.reset();
  if (TypoDetector::shared() == parts_->typoDetector) TypoDetector::setShared(nullptr);
  parts_->typoDetector.reset();
  // Leave the shared instances alone when a later program has published its own.
  if (DonationHelper::hasShared() && &DonationHelper::shared() == parts_->donation.get()) {
    DonationHelper::installShared(nullptr);
  }
  parts_->donation.reset();
  if (SettingsHelper::hasShared() && &SettingsHelper::shared() == parts_->settings.get()) {
    SettingsHelper::installShared(nullptr);
  }
  parts_->settings.reset();
}

void SimProgram::launch() {
  parts_->delegate->applicationDidFinishLaunching();
}

void SimProgram::settle() {
  parts_->desktop->advance(AppDelegate::permissionCheckDelay + AppDelegate::donationCheckDelay);
}

void SimProgram::start() {
  launch();
  settle();
}

sim::Desktop& SimProgram::desktop() {
  return *parts_->desktop;
}
AppDelegate& SimProgram::delegate() {
  return *parts_->delegate;
}
SettingsHelper& SimProgram::settings() {
  return *parts_->settings;
}
TypoDetector& SimProgram::typoDetector() {
  return *parts_->typoDetector;
}

}  // namespace brisquel
