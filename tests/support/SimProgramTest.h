// SPDX-License-Identifier: MIT
#pragma once
// The program built by the composition root (SimProgram) on a simulated
// desktop with English and Russian and a text editor in front, started as a
// user starts it.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "KeyScripts.h"
#include "TestFolders.h"
#include "simprogram/SimProgram.h"
#include "sim/SimDesktop.h"
#include "sim/SimWorkspace.h"

namespace brisquel::testing {

inline constexpr const char* kEditorID = "com.apple.TextEdit";

class SimProgramTest : public ::testing::Test {
 protected:
  explicit SimProgramTest(const std::string& area) : desktop(freshFolder(area)) {
    desktop.enableLayouts({"en", "ru"});
    desktop.addApplication({kEditorID, "TextEdit", "/System/Applications/TextEdit.app", 0});
    desktop.activate(kEditorID);
  }

  SimProgram& makeProgram(SimProgramOptions options = {}) {
    program.reset();
    program = std::make_unique<SimProgram>(desktop, std::move(options));
    return *program;
  }
  // The program as a user finds it a few seconds after starting it.
  SimProgram& startProgram(SimProgramOptions options = {}) {
    makeProgram(std::move(options)).start();
    return *program;
  }
  AppDelegate& delegate() { return program->delegate(); }

  static SimProgramOptions untrusted() {
    SimProgramOptions options;
    options.trusted = false;
    return options;
  }
  // As though a previous run had stored these values.
  static SimProgramOptions storing(std::vector<std::pair<std::string, DefaultsValue>> values) {
    SimProgramOptions options;
    options.storedDefaults = std::move(values);
    return options;
  }
  static SimProgramOptions storing(const std::string& key, DefaultsValue value) {
    return storing({{key, std::move(value)}});
  }

  void play(const std::string& script) { testing::play(desktop, script); }

  // The shortcuts an application receives for the chords pressed in it.
  std::string pressIn(const std::string& bundleId, const std::string& chords) {
    desktop.activate(bundleId);
    auto* app = desktop.application(bundleId);
    app->clearLog();
    EXPECT_TRUE(desktop.press(chords)) << chords;
    desktop.advance(1.0);
    return app->shortcutLog();
  }

  sim::Desktop desktop;
  std::unique_ptr<SimProgram> program;
};

}  // namespace brisquel::testing
