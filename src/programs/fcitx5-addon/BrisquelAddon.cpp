// SPDX-License-Identifier: MIT
// Brisquel inside fcitx5: a Module addon, loaded when fcitx5 starts, that
// holds the whole program on the fcitx5 desktop. fcitx5 serves the keyboard,
// the focused text, the layouts and the applications; the settings, the
// user's files and the spelling dictionaries are the same as the command
// line's.
#include <fcitx-utils/log.h>
#include <fcitx/addonfactory.h>
#include <fcitx/addoninstance.h>
#include <fcitx/addonmanager.h>
#include <fcitx/instance.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/Program.h"
#include "app/Relaunch.h"
#include "fcitx5/Desktop.h"
#include "posix/PosixFiles.h"
#include "posix/SaveWriter.h"
#include "posix/XdgDefaultsStore.h"
#include "spell/DictionarySpellChecker.h"

namespace brisquel {
namespace {

// The program asks to be started again once the keys reach it (its
// relaunch). Inside fcitx5 that is a new program in the same process:
// restarting fcitx5 would cut every application's input connection and
// forget the input contexts that just showed the keys arrive.
class RelaunchInPlace final : public ProcessPort {
 public:
  RelaunchInPlace(ProcessPort& processes, std::filesystem::path bundle, std::function<void()> relaunch)
      : processes_(processes), relaunch_(relaunchCommand(bundle)), onRelaunch_(std::move(relaunch)) {}
  bool launch(const std::string& program, const std::vector<std::string>& arguments) override {
    if (program == relaunch_.program && arguments == relaunch_.arguments) {
      onRelaunch_();
      return true;
    }
    return processes_.launch(program, arguments);
  }

 private:
  ProcessPort& processes_;
  ChildCommand relaunch_;
  std::function<void()> onRelaunch_;
};

class BrisquelAddon final : public fcitx::AddonInstance {
 public:
  explicit BrisquelAddon(fcitx::Instance& instance)
      : desktop_(instance, fcitx5::DesktopOptions{BRISQUEL_INSTALL_DIR, BRISQUEL_VERSION}),
        platform_(desktop_.platform()),
        processes_(*platform_.processes, platform_.application->mainBundlePath(), [this] { relaunch(); }) {
    platform_.defaults = &defaults_;
    platform_.files = &files_;
    platform_.saves = &saves_;
    platform_.spelling = &spelling_;
    platform_.processes = &processes_;
    // The indexes of the first languages are mapped (or built) in the
    // background from now on, not a second later when the program asks;
    // without the permission the program asks for none.
    if (platform_.accessibility->isProcessTrusted(false)) {
      spelling_.prepare("en_US");
      spelling_.prepare("ru_RU");
    }
    // fcitx5 creates modules before it reads its input-method groups and
    // starts its frontends: the program starts on the loop's first turn.
    start();
  }

 private:
  void start() {
    ProgramOptions options;
    options.settingsNotices = [this](const std::string& message) { tellFileProblem(message); };
    program_ = Program::build(platform_, std::move(options));
    tellSetAside();
    // The store may set a damaged file aside whenever it reads one.
    setAsideWatch_ = platform_.mainQueue->scheduleRepeatingTimer(2.0, [this] { tellSetAside(); });
    platform_.mainQueue->async([this] {
      program_->launch();
      // The keys reach this host without a prompt: where nothing needs one,
      // the keyboard monitors go in now rather than after the usual delay.
      if (platform_.accessibility->isProcessTrusted(false)) program_->delegate().checkAccessibilityAndPrompt();
      announceWhenReady();
    });
  }

  // After the program has terminated, on a later turn of the loop.
  void relaunch() {
    platform_.mainQueue->async([this] {
      if (!desktop_.stopped()) return;
      FCITX_INFO() << "Brisquel starts again";
      program_.reset();
      desktop_.resume();
      start();
    });
  }

  // A problem with the person's files: once in fcitx5's log and as a notification.
  void tellFileProblem(const std::string& message) {
    FCITX_WARN() << "Brisquel: " << message;
    AlertSpec alert;
    alert.style = AlertStyle::Warning;
    alert.messageText = "Brisquel";
    alert.informativeText = message;
    platform_.ui->showAlert(alert, nullptr);
  }

  void tellSetAside() {
    const auto& aside = defaults_.setAside();
    if (!aside || aside == toldSetAside_) return;
    toldSetAside_ = aside;
    tellFileProblem("the settings file could not be read; it was kept as " + aside->string() +
                    " and the settings start from their defaults");
  }

  // One line in fcitx5's log once the first languages can be checked, for
  // people (and tests) waiting for corrections to start.
  // Without one of those languages it gives up after a first start's
  // indexing time, rather than wake the loop for the whole session.
  void announceWhenReady() {
    auto ticks = std::make_shared<int>(0);
    readiness_ = platform_.mainQueue->scheduleRepeatingTimer(kReadinessTick, [this, ticks] {
      const bool ready = spelling_.isReady("en_US") && spelling_.isReady("ru_RU") &&
                         program_->delegate().hasInitializedEventMonitors();
      if (ready) FCITX_INFO() << "Brisquel is ready";
      if (ready || ++*ticks >= kReadinessTicks) readiness_.reset();
    });
  }
  static constexpr double kReadinessTick = 0.02;
  static constexpr int kReadinessTicks = 15000;  // 5 minutes

  // The ports outlive the program, and the desktop's background worker is
  // joined before the dictionaries it may be loading go. Saves run on their
  // own writer, which hands results to the desktop's main queue: it goes
  // before the desktop, after the settings store has given it its last saves.
  spell::DictionarySpellChecker spelling_;
  posix::PosixFiles files_;
  fcitx5::Desktop desktop_;
  Platform platform_;
  posix::SaveWriter saves_{*platform_.mainQueue};
  posix::XdgDefaultsStore defaults_{saves_};
  RelaunchInPlace processes_;
  std::unique_ptr<Program> program_;
  Registration readiness_;
  std::optional<std::filesystem::path> toldSetAside_;
  Registration setAsideWatch_;
};

class BrisquelAddonFactory final : public fcitx::AddonFactory {
  fcitx::AddonInstance* create(fcitx::AddonManager* manager) override {
    return new BrisquelAddon(*manager->instance());
  }
};

}  // namespace
}  // namespace brisquel

FCITX_ADDON_FACTORY(brisquel::BrisquelAddonFactory)
