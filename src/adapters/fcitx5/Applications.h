#pragma once
// Applications on fcitx5: the frontmost application is the focused input
// context's program (what people write in the list files: "firefox",
// "org.gnome.TextEditor", "kitty"); a focus moving to another program is an
// activation. Also the running program itself inside fcitx5, child
// processes, the login item and, until the tray exists, the user interface.

#include <filesystem>
#include <list>
#include <memory>
#include <string>

#include "fcitx5/Notifications.h"
#include "fcitx5/Session.h"
#include "platform/MainQueue.h"
#include "platform/Process.h"
#include "platform/UserInterface.h"
#include "platform/Workspace.h"

namespace brisquel::fcitx5 {

class Applications final : public WorkspacePort {
 public:
  Applications(Session& session, MainQueuePort& mainQueue);
  ~Applications() override;

  std::optional<RunningApplication> frontmostApplication() override;
  std::vector<RunningApplication> runningApplications() override;
  Registration observeActivation(std::function<void(const RunningApplication&)> handler) override;
  bool openURL(const std::string& url) override;
  bool openFile(const std::filesystem::path& path) override;
  // macOS application paths the program knows stand for the desktop's own:
  // Activity Monitor for the task manager, Finder for the file manager.
  void openApplication(const std::filesystem::path& bundlePath, std::function<void(bool)> completion) override;
  std::vector<std::string> preferredLanguages() override;

  // The host calls this when an input context takes focus.
  void focusChanged(fcitx::InputContext& ic);

 private:
  Session& session_;
  MainQueuePort& mainQueue_;
  std::string activeProgram_;
  std::list<std::shared_ptr<std::function<void(const RunningApplication&)>>> handlers_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
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

// fcitx5 starts the program with the session once it is the input method;
// it cannot be removed from the start-up from inside (the user disables the
// addon in fcitx5's configuration).
class SessionStart final : public LoginItemPort {
 public:
  bool isServiceAvailable() override { return true; }
  LoginItemStatus status() override { return LoginItemStatus::Enabled; }
  bool registerMainApp() override { return true; }
  bool unregisterMainApp() override { return false; }
};

// Until the tray: the status item is only remembered. Alerts are desktop
// notifications.
class LoggedInterface final : public UserInterfacePort {
 public:
  explicit LoggedInterface(Notifications& notifications) : notifications_(notifications) {}
  void setStatusItemImage(const Image& image) override { statusDescription_ = image.accessibilityDescription; }
  void setStatusItemMenu(std::shared_ptr<Menu> menu) override { menu_ = std::move(menu); }
  void showAlert(const AlertSpec& alert, std::function<void(AlertAnswer)> onAnswer) override {
    notifications_.show(alert, std::move(onAnswer));
  }
  const std::string& statusDescription() const { return statusDescription_; }

 private:
  Notifications& notifications_;
  std::string statusDescription_;
  std::shared_ptr<Menu> menu_;
};

}  // namespace brisquel::fcitx5
