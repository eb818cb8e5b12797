// SPDX-License-Identifier: MIT
#include "sim/RecordingCanvas.h"

#include <sstream>

#include "base/Text.h"

namespace brisquel::sim {

namespace {

const char* name(ColorRole role) {
  switch (role) {
    case ColorRole::Label:
      return "Label";
    case ColorRole::SecondaryLabel:
      return "SecondaryLabel";
    case ColorRole::TertiaryLabel:
      return "TertiaryLabel";
    case ColorRole::SystemBlue:
      return "SystemBlue";
    case ColorRole::SystemGreen:
      return "SystemGreen";
    case ColorRole::SystemGray:
      return "SystemGray";
    case ColorRole::ControlAccent:
      return "ControlAccent";
    case ColorRole::Separator:
      return "Separator";
    case ColorRole::Black:
      return "Black";
  }
  return "?";
}

const char* name(FontWeight weight) {
  switch (weight) {
    case FontWeight::Regular:
      return "Regular";
    case FontWeight::Medium:
      return "Medium";
    case FontWeight::Semibold:
      return "Semibold";
    case FontWeight::Bold:
      return "Bold";
  }
  return "?";
}

const char* name(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::Left:
      return "Left";
    case TextAlignment::Center:
      return "Center";
    case TextAlignment::Right:
      return "Right";
  }
  return "?";
}

std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << r.x << ',' << r.y << ',' << r.width << ',' << r.height;
}

}  // namespace

void RecordingCanvas::strokeRoundedRect(Rect rect, double radius, double lineWidth, ColorRole color) {
  std::ostringstream out;
  out << "roundedRect " << rect << " r=" << radius << " w=" << lineWidth << ' ' << name(color);
  commands_.push_back(out.str());
}

Size RecordingCanvas::measureText(const std::string& s, Font font) {
  auto graphemes = static_cast<double>(text::characterCount(text::fromUtf8(s)));
  return {0.6 * font.size * graphemes, 1.2 * font.size};
}

void RecordingCanvas::drawText(const std::string& s, Rect rect, Font font, ColorRole color, TextAlignment alignment) {
  std::ostringstream out;
  out << "text \"" << s << "\" " << rect << " size=" << font.size << ' ' << name(font.weight) << ' ' << name(color)
      << ' ' << name(alignment);
  commands_.push_back(out.str());
}

void RecordingCanvas::fillRoundedRect(Rect rect, double radius, ColorRole color, double alpha) {
  std::ostringstream out;
  out << "fillRoundedRect " << rect.x << ',' << rect.y << ',' << rect.width << ',' << rect.height << " r=" << radius
      << ' ' << name(color) << " a=" << alpha;
  commands_.push_back(out.str());
}

void RecordingCanvas::strokeLine(Point from, Point to, double lineWidth, ColorRole color,
                                 const std::vector<double>& dashPattern, double dashPhase) {
  std::ostringstream out;
  out << "line " << from.x << ',' << from.y << ' ' << to.x << ',' << to.y << " w=" << lineWidth << ' ' << name(color);
  if (!dashPattern.empty()) {
    out << " dash=";
    for (std::size_t i = 0; i < dashPattern.size(); ++i) out << (i ? "," : "") << dashPattern[i];
    out << " phase=" << dashPhase;
  }
  commands_.push_back(out.str());
}

}  // namespace brisquel::sim
