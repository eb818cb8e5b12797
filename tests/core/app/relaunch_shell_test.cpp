// SPDX-License-Identifier: MIT
// The relaunch command run by a real shell: whatever the bundle path holds,
// the shell hands it to "open" unchanged and runs nothing from it.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestFolders.h"
#include "app/Relaunch.h"

extern char** environ;

namespace brisquel {
namespace {

namespace fs = std::filesystem;

using testing::writeScript;

// Runs the command with PATH led by our stand-ins for "sleep" and "open";
// answers the shell's exit status.
int run(const ChildCommand& cmd, const fs::path& bin, const fs::path& out) {
  std::vector<std::string> argv{cmd.program};
  argv.insert(argv.end(), cmd.arguments.begin(), cmd.arguments.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  std::string path = "PATH=" + bin.string() + ":/usr/bin:/bin";
  std::string outVar = "OPENED=" + out.string();
  std::vector<char*> env{path.data(), outVar.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, cmd.program.c_str(), nullptr, nullptr, cargv.data(), env.data()) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RelaunchShell, OpensTheBundlePathLiterally) {
  if (!fs::exists(kRelaunchShell)) GTEST_SKIP() << kRelaunchShell << " is not available";
  const fs::path dir = testing::freshFolder("app");
  const fs::path bin = dir / "bin";
  fs::create_directories(bin);
  const fs::path out = dir / "opened";
  const fs::path marker = dir / "pwned";
  writeScript(bin / "sleep", "exit 0\n");
  writeScript(bin / "open", "printf '%s|%s' \"$#\" \"$1\" > \"$OPENED\"\n");

  const std::vector<std::string> paths = {
      "/Applications/Brisquel.app",
      "/Users/ann/My Apps/Brisquel.app",
      "/Users/ann/\"quoted\"/Brisquel.app",
      "/Users/ann/$HOME/${PATH}/Brisquel.app",
      "/Users/ann/`touch " + marker.string() + "`/Brisquel.app",
      "/Users/ann/$(touch " + marker.string() + ")/Brisquel.app",
      "/Users/ann/back\\slash\\\"/Brisquel.app",
      "/Users/ann/\"; touch " + marker.string() + "; echo \"/Brisquel.app",
      "/Users/o'neil/it's/Brisquel.app",
  };
  for (const std::string& bundle : paths) {
    fs::remove(out);
    EXPECT_EQ(run(relaunchCommand(bundle), bin, out), 0) << bundle;
    EXPECT_EQ(testing::readFile(out), "1|" + bundle) << "expected open to get exactly one argument, the path";
    EXPECT_FALSE(fs::exists(marker)) << "the shell ran a command from the path " << bundle;
  }
}

}  // namespace
}  // namespace brisquel
