// SPDX-License-Identifier: MIT
#pragma once
// Images of the user-interface port rendered to pixels with cairo and pango:
// the status item's icon for a desktop panel, and the PNG files of the README.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/UserInterface.h"

namespace brisquel::draw {

// What the image will be shown on. A template image is only a shape: its
// pixels take the ink that reads on that background.
enum class Backdrop { Light, Dark };

struct Pixmap {
  int width = 0;
  int height = 0;
  // Premultiplied ARGB32 in native byte order, rows top to bottom.
  std::vector<std::uint32_t> pixels;

  std::uint8_t alphaAt(int x, int y) const { return static_cast<std::uint8_t>(pixels[y * width + x] >> 24); }
};

// image drawn into a width x height pixel area, scaled to fit and centred.
// None when the image has nothing to draw (an unknown resource, no callback)
// or cairo fails.
std::optional<Pixmap> renderImage(const Image& image, int width, int height, Backdrop backdrop);

bool writePng(const Pixmap& pixmap, const std::filesystem::path& path);
std::optional<Pixmap> readPng(const std::filesystem::path& path);

// The shipped image of that name (an SVG document), or empty.
std::string_view resourceData(std::string_view name);

}  // namespace brisquel::draw
