// The filled and dashed shapes of the recording canvas.
#include <sstream>

#include "platform/sim/SimDesktop.h"

namespace brisquel::sim {
namespace {

const char* colorName(ColorRole color) {
  switch (color) {
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

}  // namespace

void RecordingCanvas::fillRoundedRect(Rect rect, double radius, ColorRole color, double alpha) {
  std::ostringstream out;
  out << "fillRoundedRect " << rect.x << ',' << rect.y << ',' << rect.width << ',' << rect.height << " r=" << radius
      << ' ' << colorName(color) << " a=" << alpha;
  commands_.push_back(out.str());
}

void RecordingCanvas::strokeLine(Point from, Point to, double lineWidth, ColorRole color,
                                 const std::vector<double>& dashPattern, double dashPhase) {
  std::ostringstream out;
  out << "line " << from.x << ',' << from.y << ' ' << to.x << ',' << to.y << " w=" << lineWidth << ' '
      << colorName(color);
  if (!dashPattern.empty()) {
    out << " dash=";
    for (std::size_t i = 0; i < dashPattern.size(); ++i) out << (i ? "," : "") << dashPattern[i];
    out << " phase=" << dashPhase;
  }
  commands_.push_back(out.str());
}

}  // namespace brisquel::sim
