// VelmonteLauncher: starts Brisquel at login unless it already runs.
#include "velmonte-launcher/Launcher.h"
#include "velmonte-launcher/ProcWorkspace.h"

namespace {
velmonte::ProcWorkspace workspace;
velmonte::VelmonteLauncher delegate(workspace);
}  // namespace

int main() {
  workspace.dispatchToMain([] { delegate.applicationDidFinishLaunching(); });
  return workspace.run();
}
