#pragma once
// The program started on a simulated desktop as a user starts it, and a
// small key-script language for modifier scenarios.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "TestFolders.h"
#include "app/AppDelegate.h"
#include "brisquel/SimProgram.h"
#include "base/KeyCodes.h"
#include "sim/SimDesktop.h"
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel::testing {

inline constexpr const char* kEditorID = "com.apple.TextEdit";
inline constexpr const char* kNotesID = "com.apple.Notes";
inline constexpr const char* kSpotlightID = "com.apple.Spotlight";
inline constexpr const char* kDockID = "com.apple.dock";

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() : desktop(freshFolder("app")) {
    desktop.enableLayouts({"en", "ru"});
    desktop.addApplication({kEditorID, "TextEdit", "/System/Applications/TextEdit.app", 0});
    desktop.addApplication({kNotesID, "Notes", "/System/Applications/Notes.app", 0});
    desktop.addApplication({kSpotlightID, "Spotlight", "/System/Library/CoreServices/Spotlight.app", 0});
    desktop.addApplication({kDockID, "Dock", "/System/Library/CoreServices/Dock.app", 0});
    desktop.activate(kEditorID);
  }

  SimProgram& makeProgram(SimProgramOptions options = {}) {
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
  static SimProgramOptions storing(const std::string& key, DefaultsValue value) {
    SimProgramOptions options;
    options.storedDefaults.emplace_back(key, std::move(value));
    return options;
  }

  // Space-separated steps: "+shift" holds a key, "-shift" releases it, any
  // other name taps it. Names: shift, ctrl, opt, cmd, fn, a, c, space.
  void play(const std::string& script) {
    static const std::map<std::string, std::uint16_t> keys = {
        {"shift", KeyCode::Shift}, {"ctrl", KeyCode::Control}, {"opt", KeyCode::Option}, {"cmd", KeyCode::Command},
        {"fn", KeyCode::Function}, {"a", KeyCode::ANSI_A},     {"c", KeyCode::ANSI_C},   {"space", KeyCode::Space},
    };
    std::istringstream in(script);
    std::string step;
    while (in >> step) {
      const char op = step[0];
      const std::string name = (op == '+' || op == '-') ? step.substr(1) : step;
      auto it = keys.find(name);
      ASSERT_NE(it, keys.end()) << "unknown key in script: " << step;
      if (op == '+') {
        desktop.keyDown(it->second);
      } else if (op == '-') {
        desktop.keyUp(it->second);
      } else {
        desktop.tapKey(it->second);
      }
      desktop.advance(0.05);
    }
  }

  sim::Desktop desktop;
  std::unique_ptr<SimProgram> program;
};

}  // namespace brisquel::testing
