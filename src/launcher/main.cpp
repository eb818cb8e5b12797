// VelmonteLauncher: starts Brisquel at login unless it already runs.
#include "launcher/Launcher.h"
#include "launcher/ProcWorkspace.h"

namespace {
velmonte::ProcWorkspace workspace;
velmonte::VelmonteLauncher delegate(workspace);
}  // namespace

int main() {
  workspace.dispatchToMain([] { delegate.applicationDidFinishLaunching(); });
  return workspace.run();
}
