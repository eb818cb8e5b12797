// SPDX-License-Identifier: MIT
#include "simprogram/SimProgram.h"

#include "app/AppDelegate.h"
#include "sim/SimDesktop.h"

namespace brisquel {

SimProgram::SimProgram(sim::Desktop& desktop, SimProgramOptions options) : desktop_(desktop) {
  if (options.trusted) desktop.setTrusted(*options.trusted);
  Platform platform = desktop.platform();
  if (options.ports) options.ports(platform);
  for (const auto& [key, value] : options.storedDefaults) platform.defaults->set(key, value);
  program_ = Program::build(platform, options.program);
}

SimProgram::~SimProgram() = default;

void SimProgram::launch() {
  program_->launch();
}

void SimProgram::settle() {
  desktop_.advance(AppDelegate::permissionCheckDelay + AppDelegate::donationCheckDelay);
}

void SimProgram::start() {
  launch();
  settle();
}

}  // namespace brisquel
