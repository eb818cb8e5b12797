// SPDX-License-Identifier: MIT
#pragma once
// Recording fakes of the ports the program only tells things to: its own
// application (bundle, termination), processes it launches, its login item,
// and the user interface (status item, alerts).

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Process.h"
#include "platform/UserInterface.h"
#include "sim/SimDesktop.h"

namespace brisquel::sim {

class SimApplicationRecorder final : public ApplicationPort {
 public:
  std::filesystem::path mainBundlePath() override { return mainBundlePath_; }
  std::string bundleVersion() override { return bundleVersion_; }
  void terminate() override;
  void setTerminationHandler(std::function<void()> handler) override { terminationHandler_ = std::move(handler); }
  // The test process goes on.
  void exitNow(int status) override { exitStatuses_.push_back(status); }

  void setMainBundlePath(std::filesystem::path path) { mainBundlePath_ = std::move(path); }
  void setBundleVersion(std::string version) { bundleVersion_ = std::move(version); }
  int terminateCount() const { return terminateCount_; }
  const std::vector<int>& exitStatuses() const { return exitStatuses_; }

 private:
  std::filesystem::path mainBundlePath_ = "/Applications/Brisquel.app";
  std::string bundleVersion_ = "1.01";
  int terminateCount_ = 0;
  std::function<void()> terminationHandler_;
  std::vector<int> exitStatuses_;
};

class SimProcessRecorder final : public ProcessPort {
 public:
  bool launch(const std::string& program, const std::vector<std::string>& arguments) override;

  const std::vector<Desktop::Launch>& launches() const { return launches_; }
  void setLaunchFails(bool fails) { launchFails_ = fails; }

 private:
  std::vector<Desktop::Launch> launches_;
  bool launchFails_ = false;
};

class SimLoginItems final : public LoginItemPort {
 public:
  bool isServiceAvailable() override { return serviceAvailable_; }
  LoginItemStatus status() override { return status_; }
  bool registerMainApp() override;
  bool unregisterMainApp() override;

  void setServiceAvailable(bool available) { serviceAvailable_ = available; }
  void setRegistrationRefused(bool refused) { registrationRefused_ = refused; }
  void setStatus(LoginItemStatus status) { status_ = status; }

 private:
  bool serviceAvailable_ = true;
  bool registrationRefused_ = false;
  LoginItemStatus status_ = LoginItemStatus::NotRegistered;
};

class SimUserInterface final : public UserInterfacePort {
 public:
  void setStatusItemImage(const Image& image) override;
  void setStatusItemMenu(std::shared_ptr<Menu> menu) override { statusMenu_ = std::move(menu); }
  void showAlert(const AlertSpec& alert, std::function<void(AlertAnswer)> onAnswer) override;

  const std::optional<Image>& statusItemImage() const { return statusImage_; }
  int statusItemImageCount() const { return statusImageCount_; }
  std::vector<std::string> drawStatusItemImage() const;
  std::shared_ptr<Menu> statusItemMenu() const { return statusMenu_; }
  const std::vector<AlertSpec>& alerts() const { return alerts_; }
  void queueAlertResponse(AlertAnswer response) { alertResponses_.push_back(response); }
  void holdAlertAnswers(bool held) { holdAnswers_ = held; }
  void answerHeldAlerts();

 private:
  std::optional<Image> statusImage_;
  int statusImageCount_ = 0;
  std::shared_ptr<Menu> statusMenu_;
  std::vector<AlertSpec> alerts_;
  std::deque<AlertAnswer> alertResponses_;
  bool holdAnswers_ = false;
  std::vector<std::pair<std::function<void(AlertAnswer)>, AlertAnswer>> heldAnswers_;
};

}  // namespace brisquel::sim
