// SPDX-License-Identifier: MIT
#pragma once
// Applications on fcitx5: the frontmost application is the focused input
// context's program (what people write in the list files: "firefox",
// "org.gnome.TextEditor", "kitty"); a focus moving to another program is an
// activation. Also the running program itself inside fcitx5, child
// processes and, until the tray exists, the user interface.

#include <fcitx-utils/trackableobject.h>

#include <cstdint>
#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <string>

#include "fcitx5/Notifications.h"
#include "fcitx5/Session.h"
#include "fcitx5/StatusItem.h"
#include "platform/MainQueue.h"
#include "platform/Process.h"
#include "platform/UserInterface.h"
#include "platform/Workspace.h"

namespace brisquel::fcitx5 {

class Applications final : public WorkspacePort, public fcitx::TrackableObject<Applications> {
 public:
  Applications(Session& session, MainQueuePort& mainQueue);
  ~Applications() override;

  std::optional<RunningApplication> frontmostApplication() override;
  std::vector<RunningApplication> runningApplications() override;
  Registration observeActivation(std::function<void(const RunningApplication&)> handler) override;
  bool openURL(const std::string& url) override;
  bool openFile(const std::filesystem::path& path) override;
  // The input-permission settings are `brisquel setup` (else im-config):
  // making fcitx5 the session's input method gives the program the keys.
  bool open(DesktopPlace place) override;
  std::vector<std::string> preferredLanguages() override;

  // The host calls this when an input context takes focus.
  void focusChanged(fcitx::InputContext& ic);
  // The compositor's activated application (its app_id), which names the
  // input contexts fcitx5 names no program for.
  void compositorFocusChanged(const std::string& appId);
  // A key was typed in the focused context (not a modifier, not a release).
  void keyTyped() { ++keysTyped_; }

 private:
  RunningApplication applicationOf(const std::string& program);
  std::string programOf(const fcitx::InputContext& ic) const;
  void activate(const std::string& program);

  Session& session_;
  MainQueuePort& mainQueue_;
  std::map<std::string, std::optional<std::string>> executables_;
  std::string activeProgram_;
  std::string compositorApp_;
  std::uint64_t keysTyped_ = 0;
  std::list<std::shared_ptr<std::function<void(const RunningApplication&)>>> handlers_;
};

// The program inside fcitx5. Ending it makes the host pass every key on
// untouched; fcitx5 itself, the user's input method, keeps running, and its
// restart starts the program again.
class HostedApplication final : public ApplicationPort {
 public:
  HostedApplication(Session& session, std::filesystem::path installation, std::string version)
      : session_(session), installation_(std::move(installation)), version_(std::move(version)) {}
  std::filesystem::path mainBundlePath() override { return installation_; }
  std::string bundleVersion() override { return version_; }
  void terminate() override;
  void setTerminationHandler(std::function<void()> handler) override { onTerminate_ = std::move(handler); }
  void exitNow(int status) override;

 private:
  Session& session_;
  std::filesystem::path installation_;
  std::string version_;
  std::function<void()> onTerminate_;
};

class Processes final : public ProcessPort {
 public:
  bool launch(const std::string& program, const std::vector<std::string>& arguments) override;
};

// The user interface on fcitx5: the image and the menu go to the status item
// (a StatusNotifierItem); alerts are desktop notifications.
class LoggedInterface final : public UserInterfacePort {
 public:
  explicit LoggedInterface(Notifications& notifications) : notifications_(notifications) {}
  // The status item that shows the image and the menu.
  void setStatusItem(StatusItem* item) { statusItem_ = item; }
  void setStatusItemImage(const Image& image) override;
  void setStatusItemMenu(std::shared_ptr<Menu> menu) override;
  void showAlert(const AlertSpec& alert, std::function<void(AlertAnswer)> onAnswer) override {
    notifications_.show(alert, std::move(onAnswer));
  }
 private:
  Notifications& notifications_;
  StatusItem* statusItem_ = nullptr;
};

}  // namespace brisquel::fcitx5
