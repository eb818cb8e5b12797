// SPDX-License-Identifier: MIT
#include "menu/MenuPrinter.h"

#include <sstream>

#include "menu/MenuViews.h"

namespace brisquel {
namespace {

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string links(const std::optional<AttributedString>& text, const PlaceNames& placeName) {
  std::string out;
  if (!text) return out;
  for (const auto& run : text->runs()) {
    if (!run.attributes.link) continue;
    const auto* place = std::get_if<DesktopPlace>(&*run.attributes.link);
    out += " link=" + quoted(std::string(text->text(run))) + "->" +
           (place ? placeName(*place) : std::get<std::string>(*run.attributes.link));
  }
  return out;
}

const char* buttonKind(const Button& button) {
  switch (button.type()) {
    case ButtonType::Radio:
      return "radio";
    case ButtonType::Switch:
      return "check";
    case ButtonType::Push:
      return "button";
  }
  return "button";
}

std::string stateName(const Button& button) {
  switch (button.state()) {
    case ControlState::On:
      return "on";
    case ControlState::Off:
      return "off";
    case ControlState::Mixed:
      return "mixed";
  }
  return "off";
}

class Printer {
 public:
  explicit Printer(const PlaceNames& placeName) : placeName_(placeName) {}
  std::string result() const { return out_.str(); }

  void menu(const Menu& menu, int depth) {
    for (const auto& item : menu.items()) this->item(*item, depth);
  }

 private:
  void line(int depth, const std::string& text) {
    out_ << std::string(static_cast<std::size_t>(depth) * 2, ' ') << text << "\n";
  }

  static std::string tagAndHidden(std::int64_t tag, bool hidden, bool showTag) {
    std::string out;
    if (showTag) out += " tag=" + std::to_string(tag);
    if (hidden) out += " hidden";
    return out;
  }

  void button(const Button& b, int depth, bool hidden) {
    line(depth, std::string(buttonKind(b)) + tagAndHidden(b.tag(), hidden || b.isHidden(), true) + " " + stateName(b) +
                    (b.isEnabled() ? "" : " disabled") + " " + quoted(b.title()));
  }

  void views(const View& view, int depth, bool hidden) {
    for (const auto& sub : view.subviews()) {
      const bool subHidden = hidden || sub->isHidden();
      if (auto* b = dynamic_cast<const Button*>(sub.get())) {
        button(*b, depth, subHidden);
      } else if (auto* label = dynamic_cast<const Label*>(sub.get())) {
        line(depth, std::string("label") + tagAndHidden(label->tag(), subHidden, label->tag() != 0) + " " +
                        quoted(label->stringValue()) + links(label->attributedStringValue(), placeName_));
      } else if (dynamic_cast<const DashedSeparatorView*>(sub.get())) {
        line(depth, std::string("dashed") + tagAndHidden(0, subHidden, false));
      } else {
        views(*sub, depth, subHidden);
      }
    }
  }

  void item(const MenuItem& item, int depth) {
    const bool hidden = item.isHidden();
    const bool hasTag = item.tag() != 0;
    if (item.isSeparatorItem()) {
      line(depth, "separator" + tagAndHidden(item.tag(), hidden, false));
      return;
    }
    if (auto view = item.view()) {
      if (dynamic_cast<const DashedSeparatorView*>(view.get())) {
        line(depth, "dashed" + tagAndHidden(item.tag(), hidden, hasTag));
        return;
      }
      if (auto* row = dynamic_cast<const StayOpenContainerView*>(view.get())) {
        if (row->associatedButton) {
          button(*row->associatedButton, depth, hidden);
          return;
        }
        line(depth, "switches" + tagAndHidden(item.tag(), hidden, true));
        views(*row, depth + 1, hidden);
        return;
      }
      const bool isWarning = item.tag() == kWarningItemTag;
      if (isWarning || hasTag) {
        line(depth, std::string(isWarning ? "warning" : "view") + tagAndHidden(item.tag(), hidden, true));
        views(*view, depth + 1, hidden);
      } else {
        views(*view, depth, hidden);
      }
      return;
    }
    const std::string title = item.attributedTitle() ? item.attributedTitle()->string() : item.title();
    if (auto sub = item.submenu()) {
      line(depth, "submenu" + tagAndHidden(item.tag(), hidden, hasTag) + " " + quoted(title));
      menu(*sub, depth + 1);
      return;
    }
    line(depth, "item" + tagAndHidden(item.tag(), hidden, hasTag) + " " + quoted(title) +
                    (item.action.empty() ? "" : " -> " + item.action));
  }

  std::ostringstream out_;
  const PlaceNames& placeName_;
};

}  // namespace

std::string formatMenuTree(const Menu& menu, const PlaceNames& placeName) {
  Printer printer(placeName);
  printer.menu(menu, 0);
  return printer.result();
}

}  // namespace brisquel
