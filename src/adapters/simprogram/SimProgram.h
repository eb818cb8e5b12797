// SPDX-License-Identifier: MIT
#pragma once
// The program built by the composition root on a simulated desktop: the
// commands that run the program there and the end-to-end tests use this.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Program.h"
#include "platform/Defaults.h"

namespace brisquel {

namespace sim {
class Desktop;
}

struct SimProgramOptions {
  // Sets the desktop's accessibility trust before launch; none leaves it as the desktop has it.
  std::optional<bool> trusted = true;
  // Values put into the defaults store before the program first reads it
  // (as though a previous run had stored them).
  std::vector<std::pair<std::string, DefaultsValue>> storedDefaults;
  // Replaces some of the desktop's ports before the program is built: the
  // real dictionaries for its word lists, a port wrapped to watch it.
  std::function<void(Platform&)> ports;
  ProgramOptions program;
};

class SimProgram {
 public:
  // Builds the program on the desktop's ports. The desktop must outlive the
  // program. Nothing runs until launch().
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

  sim::Desktop& desktop() { return desktop_; }
  Program& program() { return *program_; }
  AppDelegate& delegate() { return program_->delegate(); }
  SettingsHelper& settings() { return program_->settings(); }
  TypoDetector& typoDetector() { return program_->typoDetector(); }

 private:
  sim::Desktop& desktop_;
  std::unique_ptr<Program> program_;
};

}  // namespace brisquel
