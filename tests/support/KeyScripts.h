// SPDX-License-Identifier: MIT
#pragma once
// Key scripts played on the simulated desktop, and the program's posted keys
// written back the way a user reads them.

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "TestText.h"
#include "base/KeyCodes.h"
#include "sim/SimDesktop.h"

namespace brisquel::testing {

// Space-separated steps, 0.05 s apart: "+shift" holds a key, "-shift"
// releases it, any other name taps it. Names: shift, ctrl, opt, cmd, fn, a,
// c, space.
inline void play(sim::Desktop& desktop, const std::string& script) {
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

// The key-downs the program posted from index `from` on, as "bs bs left привет".
inline std::string postedKeys(const sim::Desktop& desktop, std::size_t from) {
  std::string out;
  std::string typed;
  auto add = [&](const std::string& word) { out += (out.empty() ? "" : " ") + word; };
  auto flush = [&] {
    if (!typed.empty()) add(typed);
    typed.clear();
  };
  const auto& posted = desktop.posted();
  for (std::size_t i = from; i < posted.size(); ++i) {
    const KeyEvent& e = posted[i].event;
    if (e.type != EventType::KeyDown) continue;
    const char* name = e.keyCode == KeyCode::Delete      ? "bs"
                       : e.keyCode == KeyCode::LeftArrow  ? "left"
                       : e.keyCode == KeyCode::RightArrow ? "right"
                                                          : nullptr;
    if (name) {
      flush();
      add(name);
    } else {
      typed += e.characters ? u8(*e.characters) : "?";
    }
  }
  flush();
  return out;
}

}  // namespace brisquel::testing
