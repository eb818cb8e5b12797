// SPDX-License-Identifier: MIT
#include "draw/Pixmap.h"

#include <cairo.h>
#include <librsvg/rsvg.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace brisquel::draw {
namespace {

struct Rgb {
  double r, g, b;
};

// Template ink. Panels of the StatusNotifierItem kind show pixmaps as they
// are and never say what colour they are; the default panels of GNOME Shell,
// KDE Plasma (Breeze), Cinnamon, Budgie and Xfce are dark, so a template is
// drawn in a near-white there, as the menu bar tints it on macOS. On a light
// backdrop (the README's pages) it is black, as drawn.
Rgb inkFor(Backdrop backdrop) {
  return backdrop == Backdrop::Dark ? Rgb{0.95, 0.95, 0.95} : Rgb{0, 0, 0};
}

// The macOS system colours, for images that are not templates.
struct Paint {
  Rgb rgb;
  double alpha;
};
Paint paintFor(ColorRole role, Backdrop backdrop) {
  const bool dark = backdrop == Backdrop::Dark;
  const Rgb text = inkFor(backdrop);
  switch (role) {
    case ColorRole::Label:
      return {text, 0.85};
    case ColorRole::SecondaryLabel:
      return {text, 0.5};
    case ColorRole::TertiaryLabel:
      return {text, 0.26};
    case ColorRole::SystemBlue:
    case ColorRole::ControlAccent:
      return {dark ? Rgb{0.04, 0.52, 1} : Rgb{0, 0.48, 1}, 1};
    case ColorRole::SystemGreen:
      return {dark ? Rgb{0.19, 0.82, 0.35} : Rgb{0.2, 0.78, 0.35}, 1};
    case ColorRole::SystemGray:
      return {Rgb{0.56, 0.56, 0.58}, 1};
    case ColorRole::Separator:
      return {text, 0.1};
    case ColorRole::Black:
      return {Rgb{0, 0, 0}, 1};
  }
  return {text, 1};
}

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using Surface = std::unique_ptr<cairo_surface_t, Deleter<cairo_surface_t, cairo_surface_destroy>>;
using Context = std::unique_ptr<cairo_t, Deleter<cairo_t, cairo_destroy>>;
using Layout = std::unique_ptr<PangoLayout, Deleter<void, g_object_unref>>;
using FontDescription =
    std::unique_ptr<PangoFontDescription, Deleter<PangoFontDescription, pango_font_description_free>>;

PangoWeight pangoWeight(FontWeight weight) {
  switch (weight) {
    case FontWeight::Regular:
      return PANGO_WEIGHT_NORMAL;
    case FontWeight::Medium:
      return PANGO_WEIGHT_MEDIUM;
    case FontWeight::Semibold:
      return PANGO_WEIGHT_SEMIBOLD;
    case FontWeight::Bold:
      return PANGO_WEIGHT_BOLD;
  }
  return PANGO_WEIGHT_NORMAL;
}

PangoAlignment pangoAlignment(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::Left:
      return PANGO_ALIGN_LEFT;
    case TextAlignment::Center:
      return PANGO_ALIGN_CENTER;
    case TextAlignment::Right:
      return PANGO_ALIGN_RIGHT;
  }
  return PANGO_ALIGN_LEFT;
}

// The port's canvas on a cairo context whose user space is the image's points.
// The port's y grows upwards from the lower left; cairo's grows downwards.
class CairoCanvas final : public Canvas {
 public:
  CairoCanvas(cairo_t* cr, double height, Backdrop backdrop) : cr_(cr), height_(height), backdrop_(backdrop) {}

  void strokeRoundedRect(Rect rect, double radius, double lineWidth, ColorRole color) override {
    roundedRect(rect, radius);
    setColor(color, 1);
    cairo_set_line_width(cr_, lineWidth);
    cairo_stroke(cr_);
  }

  void fillRoundedRect(Rect rect, double radius, ColorRole color, double alpha) override {
    roundedRect(rect, radius);
    setColor(color, alpha);
    cairo_fill(cr_);
  }

  void strokeLine(Point from, Point to, double lineWidth, ColorRole color, const std::vector<double>& dashPattern,
                  double dashPhase) override {
    cairo_save(cr_);
    cairo_set_dash(cr_, dashPattern.data(), static_cast<int>(dashPattern.size()), dashPhase);
    cairo_move_to(cr_, from.x, height_ - from.y);
    cairo_line_to(cr_, to.x, height_ - to.y);
    setColor(color, 1);
    cairo_set_line_width(cr_, lineWidth);
    cairo_stroke(cr_);
    cairo_restore(cr_);
  }

  Size measureText(const std::string& text, Font font) override {
    auto layout = makeLayout(text, font);
    PangoRectangle logical;
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    return {static_cast<double>(logical.width) / PANGO_SCALE, static_cast<double>(logical.height) / PANGO_SCALE};
  }

  void drawText(const std::string& text, Rect rect, Font font, ColorRole color, TextAlignment alignment) override {
    auto layout = makeLayout(text, font);
    pango_layout_set_width(layout.get(), static_cast<int>(rect.width * PANGO_SCALE));
    pango_layout_set_alignment(layout.get(), pangoAlignment(alignment));
    setColor(color, 1);
    // The text's first line starts at the top of rect.
    cairo_move_to(cr_, rect.x, height_ - (rect.y + rect.height));
    pango_cairo_show_layout(cr_, layout.get());
  }

 private:
  void roundedRect(Rect rect, double radius) {
    radius = std::clamp(radius, 0.0, std::min(rect.width, rect.height) / 2);
    const double left = rect.x, right = rect.x + rect.width;
    const double top = height_ - (rect.y + rect.height), bottom = height_ - rect.y;
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, right - radius, top + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr_, right - radius, bottom - radius, radius, 0, M_PI / 2);
    cairo_arc(cr_, left + radius, bottom - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr_, left + radius, top + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr_);
  }

  void setColor(ColorRole role, double alpha) {
    const Paint paint = paintFor(role, backdrop_);
    cairo_set_source_rgba(cr_, paint.rgb.r, paint.rgb.g, paint.rgb.b, paint.alpha * alpha);
  }

  Layout makeLayout(const std::string& text, Font font) {
    Layout layout(pango_cairo_create_layout(cr_));
    // The system font: the desktop's sans-serif, sized in points of the image.
    FontDescription description(pango_font_description_new());
    pango_font_description_set_family(description.get(), "Sans");
    pango_font_description_set_weight(description.get(), pangoWeight(font.weight));
    pango_font_description_set_absolute_size(description.get(), font.size * PANGO_SCALE);
    pango_layout_set_font_description(layout.get(), description.get());
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    return layout;
  }

  cairo_t* cr_;
  double height_;
  Backdrop backdrop_;
};

bool drawResource(cairo_t* cr, std::string_view svg, Size size) {
  GError* error = nullptr;
  RsvgHandle* handle = rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error);
  if (!handle) {
    if (error) g_error_free(error);
    return false;
  }
  const RsvgRectangle viewport{0, 0, size.width, size.height};
  const bool drawn = rsvg_handle_render_document(handle, cr, &viewport, &error);
  if (error) g_error_free(error);
  g_object_unref(handle);
  return drawn;
}

// Only the shape of a template counts: every pixel takes the ink at its own coverage.
void inkTemplate(Pixmap& pixmap, Backdrop backdrop) {
  const Rgb ink = inkFor(backdrop);
  for (auto& pixel : pixmap.pixels) {
    const std::uint32_t a = pixel >> 24;
    auto channel = [&](double c) { return static_cast<std::uint32_t>(std::lround(c * a)); };
    pixel = a << 24 | channel(ink.r) << 16 | channel(ink.g) << 8 | channel(ink.b);
  }
}

Pixmap copyPixels(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  Pixmap pixmap;
  pixmap.width = cairo_image_surface_get_width(surface);
  pixmap.height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  pixmap.pixels.resize(static_cast<std::size_t>(pixmap.width) * pixmap.height);
  for (int y = 0; y < pixmap.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    std::copy(row, row + pixmap.width, pixmap.pixels.begin() + static_cast<std::ptrdiff_t>(y) * pixmap.width);
  }
  return pixmap;
}

}  // namespace

std::optional<Pixmap> renderImage(const Image& image, int width, int height, Backdrop backdrop) {
  if (width <= 0 || height <= 0 || image.size.width <= 0 || image.size.height <= 0) return std::nullopt;
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  Context cr(cairo_create(surface.get()));
  const double scale = std::min(width / image.size.width, height / image.size.height);
  cairo_translate(cr.get(), (width - image.size.width * scale) / 2, (height - image.size.height * scale) / 2);
  cairo_scale(cr.get(), scale, scale);
  if (!image.namedResource.empty()) {
    const auto svg = resourceData(image.namedResource);
    if (svg.empty() || !drawResource(cr.get(), svg, image.size)) return std::nullopt;
  } else if (image.draw) {
    CairoCanvas canvas(cr.get(), image.size.height, backdrop);
    image.draw(canvas);
  } else {
    return std::nullopt;
  }
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  Pixmap pixmap = copyPixels(surface.get());
  if (image.isTemplate) inkTemplate(pixmap, backdrop);
  return pixmap;
}

bool writePng(const Pixmap& pixmap, const std::filesystem::path& path) {
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixmap.width, pixmap.height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return false;
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < pixmap.height; ++y) {
    std::copy_n(pixmap.pixels.begin() + static_cast<std::ptrdiff_t>(y) * pixmap.width, pixmap.width,
                reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride));
  }
  cairo_surface_mark_dirty(surface.get());
  return cairo_surface_write_to_png(surface.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::optional<Pixmap> readPng(const std::filesystem::path& path) {
  Surface surface(cairo_image_surface_create_from_png(path.c_str()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
  if (cairo_image_surface_get_format(surface.get()) == CAIRO_FORMAT_ARGB32) return copyPixels(surface.get());
  // Other formats (an opaque RGB file) are drawn onto an ARGB32 surface first.
  const int width = cairo_image_surface_get_width(surface.get());
  const int height = cairo_image_surface_get_height(surface.get());
  Surface argb(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  Context cr(cairo_create(argb.get()));
  cairo_set_source_surface(cr.get(), surface.get(), 0, 0);
  cairo_paint(cr.get());
  return copyPixels(argb.get());
}

}  // namespace brisquel::draw
