// SPDX-License-Identifier: MIT
// VelmonteLauncher: starts Brisquel at login unless it already runs.
#include "velmonte-launcher/Launcher.h"
#include "velmonte-launcher/ProcWorkspace.h"
#if BRISQUEL_LAUNCHER_FCITX5
#include "velmonte-launcher/FcitxWorkspace.h"
#endif

namespace {
#if BRISQUEL_LAUNCHER_FCITX5
velmonte::FcitxWorkspace workspace;
#else
velmonte::ProcWorkspace workspace;
#endif
velmonte::VelmonteLauncher delegate(workspace);
}  // namespace

int main() {
  // Held until the launcher quits, so a second launcher looks only after the
  // first one's main program runs.
  [[maybe_unused]] const int lock = velmonte::holdLaunchLock();
  workspace.dispatchToMain([] { delegate.applicationDidFinishLaunching(); });
  return workspace.run();
}
