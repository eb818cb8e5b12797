// SPDX-License-Identifier: MIT
#pragma once
// Drawing on the simulated desktop: a canvas that records commands with
// deterministic text metrics (width 0.6 * size per grapheme cluster, height
// 1.2 * size).

#include <string>
#include <vector>

#include "platform/UserInterface.h"

namespace brisquel::sim {

class RecordingCanvas final : public Canvas {
 public:
  void strokeRoundedRect(Rect rect, double radius, double lineWidth, ColorRole color) override;
  Size measureText(const std::string& text, Font font) override;
  void drawText(const std::string& text, Rect rect, Font font, ColorRole color, TextAlignment alignment) override;
  // "fillRoundedRect 4,1,312,22 r=6 SystemBlue a=0.1"
  void fillRoundedRect(Rect rect, double radius, ColorRole color, double alpha) override;
  // "line 20,5.5 300,5.5 w=1 Separator dash=3,3 phase=0" (no dash part for a solid line)
  void strokeLine(Point from, Point to, double lineWidth, ColorRole color, const std::vector<double>& dashPattern,
                  double dashPhase) override;
  // e.g. "roundedRect 1,1,20,14 r=3 w=1 Label", "text \"EN\" 1,1,20,14 size=11 Bold Label Center"
  const std::vector<std::string>& commands() const { return commands_; }

 private:
  std::vector<std::string> commands_;
};

}  // namespace brisquel::sim
