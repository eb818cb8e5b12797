// SPDX-License-Identifier: MIT
#pragma once
// The status item's image: the current layout's code in a rounded frame, or
// the program's icon, as the user chose.

#include <string>

#include "platform/UserInterface.h"

namespace brisquel {

class SettingsHelper;

class MenuBarIndicator {
 public:
  static constexpr Size kCodeImageSize{24, 16};
  static constexpr double kFrameInset = 1.0;
  static constexpr double kFrameRadius = 3.0;
  static constexpr double kFrameLineWidth = 1.2;
  static constexpr double kCodeFontSize = 9.0;
  static constexpr double kCodeRaise = 0.5;
  static constexpr Size kIconSize{18, 18};
  static constexpr const char* kIconName = "MenuBarIcon";

  MenuBarIndicator(const SettingsHelper& settings, UserInterfacePort& ui) : settings_(settings), ui_(ui) {}

  // Shows code (or the icon, when the setting is off) in the menu bar.
  void updateMenuBarIcon(const std::string& code);

  // The template image that draws code, upper-cased, centred in a rounded frame.
  static Image makeCodeImage(const std::string& code);
  // The program's own monochrome icon.
  static Image makeIconImage();

 private:
  const SettingsHelper& settings_;
  UserInterfacePort& ui_;
};

}  // namespace brisquel
