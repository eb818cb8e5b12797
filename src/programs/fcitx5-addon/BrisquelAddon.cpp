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

#include <memory>

#include "app/Program.h"
#include "fcitx5/Desktop.h"
#include "posix/PosixFiles.h"
#include "posix/XdgDefaultsStore.h"
#include "spell/DictionarySpellChecker.h"

namespace brisquel {
namespace {

class BrisquelAddon final : public fcitx::AddonInstance {
 public:
  explicit BrisquelAddon(fcitx::Instance& instance)
      : desktop_(instance, fcitx5::DesktopOptions{BRISQUEL_INSTALL_DIR, BRISQUEL_VERSION}) {
    Platform platform = desktop_.platform();
    platform.defaults = &defaults_;
    platform.files = &files_;
    platform.spelling = &spelling_;
    program_ = Program::build(platform, ProgramOptions{});
    // fcitx5 creates modules before it reads its input-method groups and
    // starts its frontends: the program starts on the loop's first turn.
    platform.mainQueue->async([this] {
      program_->launch();
      announceWhenReady();
    });
  }

 private:
  // One line in fcitx5's log once the first languages can be checked, for
  // people (and tests) waiting for corrections to start.
  void announceWhenReady() {
    readiness_ = desktop_.platform().mainQueue->scheduleRepeatingTimer(0.1, [this] {
      if (!spelling_.isReady("en_US") || !spelling_.isReady("ru_RU")) return;
      FCITX_INFO() << "Brisquel is ready";
      readiness_.reset();
    });
  }

  // The ports outlive the program, and the desktop's background worker is
  // joined before the dictionaries it may be loading go.
  spell::DictionarySpellChecker spelling_;
  posix::XdgDefaultsStore defaults_;
  posix::PosixFiles files_;
  fcitx5::Desktop desktop_;
  std::unique_ptr<Program> program_;
  Registration readiness_;
};

class BrisquelAddonFactory final : public fcitx::AddonFactory {
  fcitx::AddonInstance* create(fcitx::AddonManager* manager) override {
    return new BrisquelAddon(*manager->instance());
  }
};

}  // namespace
}  // namespace brisquel

FCITX_ADDON_FACTORY(brisquel::BrisquelAddonFactory)
