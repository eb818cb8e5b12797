// SPDX-License-Identifier: MIT
#pragma once
// The menu-bar user interface: the status item, its menu, alerts and images
// drawn by a callback. The menu model itself lives in the core (menu/); an
// adapter renders it and forwards the user's clicks back into it.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisquel {

struct Point {
  double x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};
struct Size {
  double width = 0, height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};
struct Rect {
  double x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

enum class ColorRole {
  Label,
  SecondaryLabel,
  TertiaryLabel,
  SystemBlue,
  SystemGreen,
  SystemGray,
  ControlAccent,
  Separator,
  Black,
};

enum class FontWeight { Regular, Medium, Semibold, Bold };

struct Font {
  double size = 13;
  FontWeight weight = FontWeight::Regular;
  friend bool operator==(const Font&, const Font&) = default;
};

enum class TextAlignment { Left, Center, Right };

// What an image's drawing callback draws on.
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void strokeRoundedRect(Rect rect, double radius, double lineWidth, ColorRole color) = 0;
  virtual Size measureText(const std::string& text, Font font) = 0;
  virtual void drawText(const std::string& text, Rect rect, Font font, ColorRole color, TextAlignment alignment) = 0;
  // alpha 0..1 scales the colour's opacity.
  virtual void fillRoundedRect(Rect rect, double radius, ColorRole color, double alpha) = 0;
  // An empty dash pattern draws a solid line.
  virtual void strokeLine(Point from, Point to, double lineWidth, ColorRole color, const std::vector<double>& dashPattern,
                          double dashPhase) = 0;
};

struct Image {
  Size size;
  bool isTemplate = false;
  std::string namedResource;              // a shipped image ("MenuBarIcon"), or empty
  std::function<void(Canvas&)> draw;      // a drawn image, when namedResource is empty
  std::string systemSymbol;               // a symbol of the system's icon set ("globe"), or empty
  std::string accessibilityDescription;
};

enum class AlertStyle { Informational, Warning, Critical };

struct AlertSpec {
  AlertStyle style = AlertStyle::Warning;
  std::string messageText;
  std::string informativeText;
  std::vector<std::string> buttons;  // first button answers 1000, the next 1001, ...
  // Bring the program to the front, ignoring other applications, before the alert runs.
  bool activateApplication = false;
};

inline constexpr int kAlertFirstButtonReturn = 1000;

// The response code of the chosen button, or none when the alert was closed
// without a choice (dismissed, expired, or no one could be asked).
using AlertAnswer = std::optional<int>;

class Menu;  // the core's menu model

class UserInterfacePort {
 public:
  virtual ~UserInterfacePort() = default;
  virtual void setStatusItemImage(const Image& image) = 0;
  virtual void setStatusItemMenu(std::shared_ptr<Menu> menu) = 0;
  // Shows the alert without waiting for it. `onAnswer` (may be empty) runs
  // once, on the main queue: later, or before this returns when the desktop
  // answers at once. Callers hold their owner weakly in it.
  virtual void showAlert(const AlertSpec& alert, std::function<void(AlertAnswer)> onAnswer) = 0;
};

}  // namespace brisquel
