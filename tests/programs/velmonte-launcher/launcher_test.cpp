// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>
#include <utility>

#include "TestFolders.h"
#include "velmonte-launcher/Launcher.h"
#include "velmonte-launcher/ProcWorkspace.h"

namespace velmonte {
namespace {

namespace fs = std::filesystem;

// Records what the launcher asks for; completions and main-queue tasks run when the test says.
class FakeWorkspace final : public LauncherWorkspace {
 public:
  std::vector<RunningApp> running;
  fs::path bundle = "/Applications/Brisquel.app/Contents/Library/LoginItems/VelmonteLauncher.app";
  std::vector<fs::path> opened;
  std::vector<std::function<void(bool)>> completions;
  std::vector<std::function<void()>> mainQueue;
  int terminations = 0;

  std::vector<RunningApp> runningApplications() override { return running; }
  fs::path ownBundlePath() override { return bundle; }
  void openApplication(const fs::path& path, std::function<void(bool)> completion) override {
    opened.push_back(path);
    completions.push_back(std::move(completion));
  }
  void dispatchToMain(std::function<void()> task) override { mainQueue.push_back(std::move(task)); }
  void terminate() override { ++terminations; }

  void runMainQueue() {
    for (auto& task : std::exchange(mainQueue, {})) task();
  }
};

TEST(Launcher, QuitsWithoutOpeningWhenTheMainProgramRuns) {
  FakeWorkspace ws;
  ws.running = {{std::nullopt}, {"com.example.editor"}, {"com.mebrun.velmonte"}, {"com.example.other"}};
  VelmonteLauncher(ws).applicationDidFinishLaunching();
  EXPECT_EQ(ws.terminations, 1);
  EXPECT_TRUE(ws.opened.empty());
}

// The main program's bundle lies four path components up; the launcher quits
// once the open request completes, whether it succeeded or not.
TEST(Launcher, OpensTheBundleFourLevelsUpAndQuitsOnceTheOpenCompletes) {
  struct Case {
    fs::path launcherBundle;
    fs::path expected;
  };
  const Case cases[] = {
      {"/M.app/a/b/c/L.app", "/M.app"},
      {"/opt/x/M.app/a/b/c/L.app/", "/opt/x/M.app"},
      {"/usr/lib/brisquel/Brisquel.app/Contents/Library/LoginItems/VelmonteLauncher.app",
       "/usr/lib/brisquel/Brisquel.app"},
      {"/a/b/L.app", "/"},  // installed elsewhere: whatever lies four levels up
      {"/L.app", "/"},
      {"b/c/d/L.app", ""},
  };
  for (const Case& c : cases) {
    for (bool openSucceeds : {true, false}) {
      FakeWorkspace ws;
      // Identifiers are compared exactly; apps without one are skipped.
      ws.running = {{std::nullopt}, {"com.mebrun.velmonte.helper"}, {"COM.MEBRUN.VELMONTE"}};
      ws.bundle = c.launcherBundle;
      VelmonteLauncher(ws).applicationDidFinishLaunching();
      ASSERT_EQ(ws.opened, std::vector<fs::path>{c.expected}) << "launcher at " << c.launcherBundle;
      EXPECT_EQ(ws.terminations, 0) << "must not quit before the open request completes";
      ws.completions.front()(openSucceeds);
      EXPECT_EQ(ws.terminations, 0) << "quitting goes through the main queue";
      ws.runMainQueue();
      EXPECT_EQ(ws.terminations, 1) << "open succeeded: " << openSucceeds;
    }
  }
}

TEST(LauncherDesktop, SeesTheUsersProcessesByExecutableName) {
  const fs::path dir = brisquel::testing::freshFolder("launcher");
  // A process whose executable carries a name nobody else uses.
  const std::string name = "brisquel-probe-" + std::to_string(::getpid());
  fs::copy_file("/bin/sleep", dir / name);
  const pid_t child = ::fork();
  if (child == 0) {
    const std::string program = (dir / name).string();
    ::execl(program.c_str(), program.c_str(), "30", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(child, 0);
  ProcWorkspace probe(name);
  bool seen = false;
  for (int i = 0; i < 500 && !seen; ++i) {
    for (const auto& app : probe.runningApplications()) seen |= app.bundleIdentifier == kMainBundleIdentifier;
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(child, SIGTERM);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(seen) << "the running " << name << " was not found in /proc";

  ProcWorkspace nobody("brisquel-not-running-" + std::to_string(::getpid()));
  for (const auto& app : nobody.runningApplications()) EXPECT_FALSE(app.bundleIdentifier.has_value());
}

#if !BRISQUEL_LAUNCHER_FCITX5
bool waitForFile(const fs::path& file) {
  for (int i = 0; i < 500 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return fs::exists(file);
}

// The installed launcher binary, placed as the install layout places it. (On
// the fcitx5 host it starts fcitx5: the desktop tests run it.)
TEST(LauncherDesktop, InstalledLauncherStartsTheMainProgramOfItsBundle) {
  const fs::path dir = brisquel::testing::freshFolder("launcher");
  const fs::path bundle = dir / "Brisquel.app";
  const fs::path launcherDir = bundle / "Contents/Library/LoginItems/VelmonteLauncher.app/Contents/MacOS";
  fs::create_directories(launcherDir);
  fs::create_directories(bundle / "Contents/MacOS");
  fs::copy_file(fs::path(BRISQUEL_BINARY_DIR) / "src" / "velmonte-launcher", launcherDir / "velmonte-launcher");
  const fs::path marker = dir / "started";
  const fs::path program = bundle / "Contents/MacOS" / ProcWorkspace::kMainExecutableName;
  brisquel::testing::writeScript(program, "echo started > '" + marker.string() + "'\n");

  const auto mainProgramRuns = [] {
    for (const auto& app : ProcWorkspace().runningApplications()) {
      if (app.bundleIdentifier) return true;
    }
    return false;
  };
  if (mainProgramRuns()) GTEST_SKIP() << "a brisquel process of this user runs, so the launcher would open nothing";

  const std::string command = (launcherDir / "velmonte-launcher").string();
  const int status = std::system(("'" + command + "'").c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "launcher status " << status;
  if (!waitForFile(marker)) {
    if (mainProgramRuns())
      GTEST_SKIP() << "a brisquel process of this user runs, so the launcher rightly opened nothing";
    FAIL() << "the launcher did not start " << program;
  }
}
#endif

}  // namespace
}  // namespace velmonte
