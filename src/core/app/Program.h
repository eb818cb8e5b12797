// SPDX-License-Identifier: MIT
#pragma once
// The composition root: the one place that creates and wires the program's
// objects from a set of ports, in the order the program starts, and tears
// them down in reverse.
// Every host builds the program here: the simulated desktop's commands and
// tests, and the desktop host.

#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace brisquel {

class AppDelegate;
class DonationHelper;
class SettingsHelper;
class TypoDetector;

struct ProgramOptions {
  // The periodic donation window; commands that only type or convert leave it out.
  bool donationReminder = true;
  // Told what the person should hear about their list files (a part left
  // unread, a copy kept aside, a write that failed); none keeps it quiet.
  std::function<void(const std::string&)> settingsNotices;
};

class Program {
 public:
  // Builds every object the program needs on the ports, which must outlive it.
  // Nothing runs until launch().
  [[nodiscard]] static std::unique_ptr<Program> build(const Platform& platform, ProgramOptions options = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The application finished launching: start-up runs; the permission check
  // and what it installs follow on the main queue.
  void launch();

  const Platform& platform() const { return platform_; }
  AppDelegate& delegate() { return *delegate_; }
  SettingsHelper& settings() { return *settings_; }
  TypoDetector& typoDetector() { return *typoDetector_; }
  // None when the options leave the reminder out.
  DonationHelper* donation() { return donation_.get(); }

 private:
  explicit Program(const Platform& platform) : platform_(platform) {}

  Platform platform_;
  std::shared_ptr<SettingsHelper> settings_;
  std::shared_ptr<TypoDetector> typoDetector_;
  std::shared_ptr<DonationHelper> donation_;
  std::shared_ptr<AppDelegate> delegate_;
};

}  // namespace brisquel
