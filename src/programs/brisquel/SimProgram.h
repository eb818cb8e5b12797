#pragma once
// The whole program started on a simulated desktop exactly as main starts
// it: the settings, the typo detector and the application delegate with
// every component it owns, wired together; then the delegate's launch.
// The commands that run the program on the simulated desktop and the
// end-to-end tests use this.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Defaults.h"

namespace brisquel {

class AppDelegate;
class SettingsHelper;
class TypoDetector;

namespace sim {
class Desktop;
}

struct SimProgramOptions {
  // Sets the desktop's accessibility trust before launch; none leaves it as the desktop has it.
  std::optional<bool> trusted = true;
  // Values put into the defaults store before the program first reads it
  // (as though a previous run had stored them).
  std::vector<std::pair<std::string, DefaultsValue>> storedDefaults;
};

class SimProgram {
 public:
  // Builds every object main builds, on the desktop's ports. The desktop
  // must outlive the program. Nothing runs until launch().
  explicit SimProgram(sim::Desktop& desktop, SimProgramOptions options = {});
  ~SimProgram();
  SimProgram(const SimProgram&) = delete;
  SimProgram& operator=(const SimProgram&) = delete;

  // The application finished launching: start-up runs up to the delayed
  // permission check (which runs 1 s later on the desktop's clock).
  void launch();
  // Advances the desktop's clock past the 1 s permission check and the 3 s
  // donation check.
  void settle();
  // launch() then settle(): the program as a user finds it after starting it.
  void start();

  sim::Desktop& desktop();
  AppDelegate& delegate();
  SettingsHelper& settings();
  TypoDetector& typoDetector();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace brisquel
