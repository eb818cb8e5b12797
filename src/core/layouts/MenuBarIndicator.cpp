// SPDX-License-Identifier: MIT
#include "layouts/MenuBarIndicator.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "settings/SettingsHelper.h"

namespace brisquel {
namespace {

std::string upperCased(const std::string& text) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(text);
  u.toUpper(icu::Locale::getRoot());
  std::string out;
  u.toUTF8String(out);
  return out;
}

}  // namespace

Image MenuBarIndicator::makeCodeImage(const std::string& code) {
  Image image;
  image.size = kCodeImageSize;
  image.isTemplate = true;
  // The callback reads nothing but the code captured here: a new code makes a new image.
  image.draw = [code](Canvas& canvas) {
    const Rect dest{0, 0, kCodeImageSize.width, kCodeImageSize.height};
    const Rect frame{dest.x + kFrameInset, dest.y + kFrameInset, dest.width - 2 * kFrameInset,
                     dest.height - 2 * kFrameInset};
    canvas.strokeRoundedRect(frame, kFrameRadius, kFrameLineWidth, ColorRole::Black);
    const std::string text = upperCased(code);
    const Font font{kCodeFontSize, FontWeight::Bold};
    const double h = canvas.measureText(text, font).height;
    const Rect textRect{dest.x, dest.y + (dest.height - h) * 0.5 + kCodeRaise, dest.width, h};
    canvas.drawText(text, textRect, font, ColorRole::Black, TextAlignment::Center);
  };
  return image;
}

Image MenuBarIndicator::makeIconImage() {
  Image image;
  image.namedResource = kIconName;
  image.isTemplate = true;
  image.size = kIconSize;
  return image;
}

void MenuBarIndicator::updateMenuBarIcon(const std::string& code) {
  if (settings_.isShowLayoutInTrayEnabled()) {
    ui_.setStatusItemImage(makeCodeImage(code));
  } else {
    ui_.setStatusItemImage(makeIconImage());
  }
}

}  // namespace brisquel
