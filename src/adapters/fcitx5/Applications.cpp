// SPDX-License-Identifier: MIT
#include "fcitx5/Applications.h"

#include <fcitx-utils/misc.h>
#include <fcitx/inputcontextmanager.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

#include "posix/Environment.h"

namespace brisquel::fcitx5 {
namespace {

std::optional<std::string> findOnPath(const std::string& program) {
  if (program.empty()) return std::nullopt;
  if (program.find('/') != std::string::npos) {
    if (access(program.c_str(), X_OK) == 0) return program;
    return std::nullopt;
  }
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (folder.empty()) continue;
    std::string candidate = folder + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

bool isOnPath(const std::string& program) {
  return findOnPath(program).has_value();
}

bool startFirstOf(std::initializer_list<std::vector<std::string>> commands) {
  Processes processes;
  for (const auto& command : commands)
    if (processes.launch(command.front(), {command.begin() + 1, command.end()})) return true;
  return false;
}

}  // namespace

Applications::Applications(Session& session, MainQueuePort& mainQueue) : session_(session), mainQueue_(mainQueue) {}

Applications::~Applications() = default;

// The program's executable, where its name is one on the PATH ("gedit");
// an application id ("org.gnome.TextEditor") has none.
RunningApplication Applications::applicationOf(const std::string& program) {
  RunningApplication app;
  app.bundleIdentifier = program;
  app.localizedName = program;
  auto [it, added] = executables_.try_emplace(program);
  if (added) it->second = findOnPath(program);
  app.bundlePath = it->second;
  return app;
}

std::string Applications::programOf(const fcitx::InputContext& ic) const {
  return ic.program().empty() ? compositorApp_ : ic.program();
}

std::optional<RunningApplication> Applications::frontmostApplication() {
  fcitx::InputContext* ic = session_.focused();
  if (!ic) ic = session_.focus.get();
  const std::string program = ic ? programOf(*ic) : compositorApp_;
  if (program.empty()) return std::nullopt;
  return applicationOf(program);
}

std::vector<RunningApplication> Applications::runningApplications() {
  std::set<std::string> programs;
  session_.instance.inputContextManager().foreach([&](fcitx::InputContext* ic) {
    if (!ic->program().empty()) programs.insert(ic->program());
    return true;
  });
  std::vector<RunningApplication> apps;
  for (const auto& program : programs) apps.push_back(applicationOf(program));
  return apps;
}

Registration Applications::observeActivation(std::function<void(const RunningApplication&)> handler) {
  auto entry = std::make_shared<std::function<void(const RunningApplication&)>>(std::move(handler));
  handlers_.push_back(entry);
  auto alive = watch();
  return Registration([this, alive, entry] {
    if (alive.isValid()) handlers_.remove(entry);
  });
}

void Applications::focusChanged(fcitx::InputContext& ic) {
  activate(programOf(ic));
}

// fcitx5's program name wins; the compositor's counts where fcitx5 has none.
void Applications::compositorFocusChanged(const std::string& appId) {
  compositorApp_ = appId;
  const fcitx::InputContext* ic = session_.focused();
  if (!ic || ic->program().empty()) activate(appId);
}

void Applications::activate(const std::string& program) {
  if (program.empty() || program == activeProgram_) return;
  activeProgram_ = program;
  // After fcitx5 has set up the newly focused context.
  auto alive = watch();
  mainQueue_.async([this, alive, app = applicationOf(program), keys = keysTyped_] {
    if (!alive.isValid()) return;
    // A client that kept its focus while fcitx5 gave it to another tells
    // fcitx5 again only with its next key, which then went in the layout in
    // force: switching now would change the layout in the middle of a word.
    fcitx::InputContext* ic = session_.focus.get();
    const std::string typedIn = keys != keysTyped_ && ic ? session_.instance.inputMethod(ic) : std::string();
    const auto handlers = handlers_;
    for (const auto& handler : handlers) (*handler)(app);
    ic = session_.focus.get();
    if (!typedIn.empty() && ic && session_.instance.inputMethod(ic) != typedIn)
      session_.instance.setCurrentInputMethod(ic, typedIn, false);
  });
}

bool Applications::openURL(const std::string& url) {
  return startFirstOf({{"xdg-open", url}});
}

bool Applications::openFile(const std::filesystem::path& path) {
  return startFirstOf({{"xdg-open", path.string()}});
}

bool Applications::open(DesktopPlace place) {
  switch (place) {
    case DesktopPlace::InputPermissionSettings:
      // Making fcitx5 the session's input method is what gives the program the
      // keys: brisquel setup does it and tells its result in a notification.
      return startFirstOf({{"brisquel", "setup", "--notify"}, {"im-config"}, {"fcitx5-configtool"}});
    case DesktopPlace::KeyboardSettings:  // the modifier keys are the input method's keyboard options here
      return startFirstOf({{"im-config"}, {"fcitx5-configtool"}});
    case DesktopPlace::TaskManager:
      return startFirstOf({{"gnome-system-monitor"}, {"plasma-systemmonitor"}, {"ksysguard"}, {"xfce4-taskmanager"},
                           {"mate-system-monitor"}, {"lxtask"}});
  }
  return false;
}

std::vector<std::string> Applications::preferredLanguages() {
  return posix::preferredLanguages();
}

void HostedApplication::terminate() {
  if (onTerminate_) onTerminate_();
  session_.stopped = true;
}

void HostedApplication::exitNow(int) {
  session_.stopped = true;
}

bool Processes::launch(const std::string& program, const std::vector<std::string>& arguments) {
  if (!isOnPath(program)) return false;
  std::vector<std::string> command{program};
  command.insert(command.end(), arguments.begin(), arguments.end());
  fcitx::startProcess(command);
  return true;
}

void LoggedInterface::setStatusItemImage(const Image& image) {
  if (statusItem_) statusItem_->setImage(image);
}

void LoggedInterface::setStatusItemMenu(std::shared_ptr<Menu> menu) {
  if (statusItem_) statusItem_->setMenu(std::move(menu));
}

}  // namespace brisquel::fcitx5
