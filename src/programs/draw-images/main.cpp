// SPDX-License-Identifier: MIT
// brisquel-draw-images DIR: writes the status item's images, drawn by the
// program's own drawing code, as the PNG files the README shows: the menu-bar
// icon and the layout indicator showing EN and RU, 48 pixels square (the
// largest size the desktop panel gets), in black on a transparent ground.
#include <iostream>
#include <string>

#include "draw/Pixmap.h"
#include "layouts/MenuBarIndicator.h"

int main(int argc, char** argv) {
  using namespace brisquel;
  if (argc != 2) {
    std::cerr << "usage: brisquel-draw-images DIR\n";
    return 2;
  }
  constexpr int kPixels = 48;
  const std::filesystem::path dir = argv[1];
  const std::pair<std::string, Image> images[] = {
      {"menu-bar-icon.png", MenuBarIndicator::makeIconImage()},
      {"indicator-en.png", MenuBarIndicator::makeCodeImage("en")},
      {"indicator-ru.png", MenuBarIndicator::makeCodeImage("ru")},
  };
  for (const auto& [name, image] : images) {
    auto pixmap = draw::renderImage(image, kPixels, kPixels, draw::Backdrop::Light);
    if (!pixmap || !draw::writePng(*pixmap, dir / name)) {
      std::cerr << "brisquel-draw-images: cannot write " << (dir / name).string() << "\n";
      return 1;
    }
  }
  return 0;
}
