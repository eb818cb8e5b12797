// SPDX-License-Identifier: MIT
// The status item's images drawn to pixels: the pictures in docs/ are what
// the drawing code draws today, and a template takes the ink of its backdrop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "draw/Pixmap.h"
#include "layouts/MenuBarIndicator.h"

namespace brisquel::draw {
namespace {

// The share of a's ink that b lacks or adds.
double shapeDifference(const Pixmap& a, const Pixmap& b) {
  double ink = 0, difference = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      ink += a.alphaAt(x, y);
      difference += std::abs(a.alphaAt(x, y) - b.alphaAt(x, y));
    }
  }
  return ink > 0 ? difference / ink : 1;
}

TEST(Draw, TheReadmePicturesAreWhatTheCodeDrawsAndTemplatesTakeTheBackdropsInk) {
  const std::filesystem::path docs = std::filesystem::path(BRISQUEL_SOURCE_DIR) / "docs";
  const std::filesystem::path out = std::filesystem::path(BRISQUEL_BINARY_DIR) / "test-tmp" / "draw";
  std::filesystem::create_directories(out);
  const std::pair<const char*, Image> cases[] = {
      {"menu-bar-icon.png", MenuBarIndicator::makeIconImage()},
      {"indicator-en.png", MenuBarIndicator::makeCodeImage("en")},
      {"indicator-ru.png", MenuBarIndicator::makeCodeImage("ru")},
  };
  for (const auto& [name, image] : cases) {
    SCOPED_TRACE(name);
    auto light = renderImage(image, 48, 48, Backdrop::Light);
    auto dark = renderImage(image, 48, 48, Backdrop::Dark);
    auto shipped = readPng(docs / name);
    ASSERT_TRUE(light && dark && shipped) << "regenerate with brisquel-draw-images docs";
    ASSERT_TRUE(writePng(*light, out / name));
    auto written = readPng(out / name);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->pixels, light->pixels) << "a PNG file keeps every pixel";
    EXPECT_LT(shapeDifference(*shipped, *light), 0.02) << "docs/ is out of date: brisquel-draw-images docs";
    EXPECT_EQ(shapeDifference(*light, *dark), 0) << "the same shape on either backdrop";
    const auto solid = (*std::max_element(dark->pixels.begin(), dark->pixels.end(),
                                          [](auto a, auto b) { return (a >> 24) < (b >> 24); }));
    EXPECT_GT(solid & 0xFF, 0xE0u) << "a full-coverage pixel is near-white on a dark panel";
    EXPECT_EQ(*std::max_element(light->pixels.begin(), light->pixels.end()) & 0xFFFFFF, 0u) << "black on a light one";
  }
  EXPECT_GT(shapeDifference(*renderImage(cases[1].second, 48, 48, Backdrop::Light),
                            *renderImage(cases[2].second, 48, 48, Backdrop::Light)),
            0.1)
      << "EN and RU differ";
  EXPECT_FALSE(renderImage(Image{}, 48, 48, Backdrop::Dark)) << "nothing to draw";
}

}  // namespace
}  // namespace brisquel::draw
