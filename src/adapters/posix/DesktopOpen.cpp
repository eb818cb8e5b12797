// SPDX-License-Identifier: MIT
#include "posix/DesktopOpen.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace brisquel::posix {

OpenResult openWithDefaultApplication(const std::filesystem::path& path) {
  auto isSet = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) return {false, "no graphical session to open it in"};

  std::string program = "xdg-open";
  std::string argument = path.string();
  std::vector<char*> argv = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return {false, "xdg-open could not be started"};
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return {false, "xdg-open was lost"};
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {false, "xdg-open found no application for it"};
  return {true, {}};
}

}  // namespace brisquel::posix
