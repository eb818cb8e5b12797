// SPDX-License-Identifier: MIT
#include "velmonte-launcher/ProcWorkspace.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

extern char** environ;

namespace velmonte {

namespace {

std::optional<std::filesystem::path> readLink(const std::filesystem::path& link) {
  std::error_code ec;
  auto target = std::filesystem::read_symlink(link, ec);
  if (ec) return std::nullopt;
  return target;
}

bool isNumber(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

ProcWorkspace::ProcWorkspace(std::string mainExecutableName, std::filesystem::path procRoot)
    : mainExecutableName_(std::move(mainExecutableName)), procRoot_(std::move(procRoot)) {}

std::vector<RunningApp> ProcWorkspace::runningApplications() {
  std::vector<RunningApp> apps;
  const uid_t me = ::getuid();
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(procRoot_, ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec)) {
    const std::string pid = it->path().filename().string();
    if (!isNumber(pid)) continue;
    struct stat st {};
    if (::stat(it->path().c_str(), &st) != 0 || st.st_uid != me) continue;
    RunningApp app;
    if (auto exe = readLink(it->path() / "exe")) {
      std::string name = exe->filename().string();
      // A replaced executable still names the program.
      constexpr std::string_view deleted = " (deleted)";
      if (name.ends_with(deleted)) name.resize(name.size() - deleted.size());
      if (name == mainExecutableName_) app.bundleIdentifier = kMainBundleIdentifier;
    }
    apps.push_back(app);
  }
  return apps;
}

std::filesystem::path ProcWorkspace::bundleOfExecutable(const std::filesystem::path& executable) {
  const auto macOS = executable.parent_path();
  const auto contents = macOS.parent_path();
  if (macOS.filename() == "MacOS" && contents.filename() == "Contents" && contents.has_parent_path()) {
    return contents.parent_path();
  }
  return executable;
}

std::filesystem::path ProcWorkspace::ownBundlePath() {
  return bundleOfExecutable(readLink(procRoot_ / "self" / "exe").value_or(std::filesystem::path()));
}

std::optional<pid_t> ProcWorkspace::spawn(const std::vector<std::string>& argv, bool ownSession) {
  if (argv.empty()) return std::nullopt;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (ownSession) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t child = 0;
  const bool started = ::posix_spawnp(&child, args[0], &actions, &attributes, args.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (!started) return std::nullopt;
  return child;
}

void ProcWorkspace::openApplication(const std::filesystem::path& bundle, std::function<void(bool)> completion) {
  const std::string program = (bundle / "Contents" / "MacOS" / mainExecutableName_).string();
  // Its own session: the main program outlives the launcher.
  completion(::access(program.c_str(), X_OK) == 0 && spawn({program}, true).has_value());
}

void ProcWorkspace::dispatchToMain(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
}

void ProcWorkspace::terminate() {
  {
    std::lock_guard lock(mutex_);
    terminated_ = true;
  }
  wake_.notify_one();
}

int ProcWorkspace::run() {
  std::unique_lock lock(mutex_);
  while (!terminated_) {
    wake_.wait(lock, [&] { return terminated_ || !tasks_.empty(); });
    while (!terminated_ && !tasks_.empty()) {
      auto task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      lock.lock();
    }
  }
  return 0;
}

int holdLaunchLock() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string file = runtime && *runtime ? std::string(runtime) + "/velmonte-launcher.lock"
                                               : "/tmp/velmonte-launcher-" + std::to_string(::getuid()) + ".lock";
  // Close-on-exec: the program started must not keep holding it.
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd);
      return -1;
    }
  }
  return fd;
}

}  // namespace velmonte
