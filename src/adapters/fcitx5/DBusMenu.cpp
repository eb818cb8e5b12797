// SPDX-License-Identifier: MIT
#include "fcitx5/DBusMenu.h"

#include <algorithm>
#include <set>
#include <sstream>

#include "l10n/L10n.h"
#include "menu/EditMenuSection.h"
#include "menu/MenuTracker.h"
#include "menu/MenuViews.h"

namespace brisquel::fcitx5 {
namespace {

using fcitx::dbus::Container;
using fcitx::dbus::ContainerEnd;
using fcitx::dbus::Signature;

// A long text becomes lines of about this many characters.
constexpr std::size_t kLineLength = 48;

std::size_t characters(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Lines no longer than kLineLength characters where the words allow; line
// feeds always break, and an empty line is an empty entry.
std::vector<std::string> wrappedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream paragraphs(text);
  for (std::string paragraph; std::getline(paragraphs, paragraph);) {
    std::istringstream words(paragraph);
    std::string line;
    for (std::string word; words >> word;) {
      if (!line.empty() && characters(line) + 1 + characters(word) > kLineLength) {
        lines.push_back(line);
        line.clear();
      }
      line += (line.empty() ? "" : " ") + word;
    }
    lines.push_back(line);
  }
  return lines;
}

// DBusMenu reads "_" as a mnemonic mark.
std::string escaped(const std::string& label) {
  std::string out;
  for (char c : label) out += c == '_' ? "__" : std::string(1, c);
  return out;
}

// A property value as the D-Bus variant of its own type.
template <typename Value>
void writeVariant(fcitx::dbus::Message& msg, const Value& value) {
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        const char* type = std::is_same_v<T, std::string> ? "s" : std::is_same_v<T, bool> ? "b" : "i";
        msg << Container(Container::Type::Variant, Signature(type)) << v << ContainerEnd();
      },
      value);
}

void collectLabels(const View& view, std::vector<std::shared_ptr<Label>>& out) {
  for (const auto& sub : view.subviews()) {
    if (auto label = std::dynamic_pointer_cast<Label>(sub)) {
      out.push_back(label);
    } else if (!std::dynamic_pointer_cast<Button>(sub)) {
      collectLabels(*sub, out);
    }
  }
}

}  // namespace

DBusMenu::DBusMenu(MainQueuePort& mainQueue, WorkspacePort& workspace) : mainQueue_(mainQueue), workspace_(workspace) {
  nodes_.push_back(Node{Node::Kind::Root, {}, nullptr, nullptr, {}, {}, true});
  announced_.push_back(properties(0));
}

DBusMenu::~DBusMenu() = default;

void DBusMenu::setMenu(std::shared_ptr<Menu> menu) {
  menu_ = std::move(menu);
  nodes_.resize(1);
  nodes_[0].children.clear();
  if (menu_) addMenu(*menu_, 0);
  announced_.clear();
  for (std::int32_t id = 0; id < static_cast<std::int32_t>(nodes_.size()); ++id) announced_.push_back(properties(id));
  if (isRegistered()) layoutUpdated(++revision_, 0);
}

std::int32_t DBusMenu::add(Node node, std::int32_t parent) {
  const auto id = static_cast<std::int32_t>(nodes_.size());
  nodes_.push_back(std::move(node));
  nodes_[static_cast<std::size_t>(parent)].children.push_back(id);
  return id;
}

void DBusMenu::addMenu(const Menu& menu, std::int32_t parent) {
  for (const auto& item : menu.items()) {
    if (item->isSeparatorItem()) {
      add(Node{Node::Kind::Separator, {}, item, nullptr, {}, {}, true}, parent);
    } else if (item->view()) {
      addView(item, parent);
    } else if (auto submenu = item->submenu()) {
      const auto id = add(Node{Node::Kind::Submenu, {}, item, nullptr, {}, {}, true}, parent);
      addMenu(*submenu, id);
    } else {
      add(Node{Node::Kind::Standard, {}, item, nullptr, {}, {}, true}, parent);
    }
  }
}

// A hosted view: a dashed line, a row of check boxes, or labels (a heading,
// a warning, a block of text with links).
void DBusMenu::addView(const std::shared_ptr<MenuItem>& item, std::int32_t parent) {
  const auto& view = item->view();
  if (dynamic_cast<const DashedSeparatorView*>(view.get())) {
    add(Node{Node::Kind::Separator, {}, item, nullptr, {}, {}, true}, parent);
    return;
  }
  std::vector<std::shared_ptr<Button>> buttons;
  if (auto* row = dynamic_cast<const StayOpenContainerView*>(view.get())) {
    if (row->associatedButton) buttons.push_back(row->associatedButton);
    if (row->associatedButtons)
      buttons.insert(buttons.end(), row->associatedButtons->begin(), row->associatedButtons->end());
  }
  std::vector<std::shared_ptr<Label>> labels;
  collectLabels(*view, labels);
  // A panel's menu cannot set a bare check box under an arrow: Toggle All
  // takes the title the interface has for it, and the arrow goes.
  std::erase_if(labels, [](const auto& label) { return label->tag() == kToggleAllArrowTag; });
  for (const auto& label : labels) {
    // Secondary text is a heading: shown greyed, like a disabled row.
    const bool heading = label->textColor == ColorRole::SecondaryLabel;
    for (const auto& line : wrappedLines(label->stringValue())) {
      if (line.empty()) {
        add(Node{Node::Kind::Separator, {}, item, nullptr, {}, {}, true}, parent);
      } else {
        add(Node{Node::Kind::Text, {}, item, nullptr, line, {}, !heading}, parent);
      }
    }
    if (const auto& attributed = label->attributedStringValue()) {
      for (const auto& run : attributed->runs()) {
        if (!run.attributes.link) continue;
        add(Node{Node::Kind::Link, {}, item, nullptr, std::string(attributed->text(run)), *run.attributes.link, true},
            parent);
      }
    }
  }
  for (const auto& button : buttons) {
    const bool toggleAll = button->tag() == kToggleAllTag && button->title().empty();
    add(Node{Node::Kind::Toggle, {}, item, button, toggleAll ? L("menu.ctrl.toggle_all") : std::string(), {}, true},
        parent);
  }
}

DBusMenu::Properties DBusMenu::properties(std::int32_t id) const {
  Properties p;
  if (id < 0 || id >= static_cast<std::int32_t>(nodes_.size())) return p;
  const Node& node = nodes_[static_cast<std::size_t>(id)];
  const bool hidden = (node.item && node.item->isHidden()) || (node.button && node.button->isHidden());
  p["visible"] = !hidden;
  auto title = [](const MenuItem& item) {
    return item.attributedTitle() ? item.attributedTitle()->string() : item.title();
  };
  switch (node.kind) {
    case Node::Kind::Root:
      p["children-display"] = std::string("submenu");
      break;
    case Node::Kind::Separator:
      p["type"] = std::string("separator");
      break;
    case Node::Kind::Toggle:
      p["label"] = escaped(node.button->title().empty() ? node.text : node.button->title());
      p["toggle-type"] = std::string(node.button->type() == ButtonType::Radio ? "radio" : "checkmark");
      p["toggle-state"] = std::int32_t{node.button->isOn() ? 1 : 0};
      p["enabled"] = node.button->isEnabled();
      break;
    case Node::Kind::Standard:
      p["label"] = escaped(title(*node.item));
      p["enabled"] = node.item->isEnabled();
      break;
    case Node::Kind::Submenu:
      p["label"] = escaped(title(*node.item));
      p["children-display"] = std::string("submenu");
      break;
    case Node::Kind::Text:
      p["label"] = escaped(node.text);
      p["enabled"] = node.enabled;
      break;
    case Node::Kind::Link:
      p["label"] = escaped(node.text);
      p["icon-name"] = std::string("text-html");
      break;
  }
  return p;
}

std::vector<std::int32_t> DBusMenu::distinct(const std::vector<std::int32_t>& ids) {
  std::vector<std::int32_t> out;
  std::set<std::int32_t> seen;
  for (auto id : ids)
    if (seen.insert(id).second) out.push_back(id);
  return out;
}

void DBusMenu::writeProperties(Message& msg, std::int32_t id, const std::set<std::string>& names) const {
  msg << Container(Container::Type::Array, Signature("{sv}"));
  static const Properties none;
  const Properties& all = isKnown(id) ? announced_[static_cast<std::size_t>(id)] : none;
  for (const auto& [name, value] : all) {
    if (!names.empty() && !names.contains(name)) continue;
    msg << Container(Container::Type::DictEntry, Signature("sv")) << name;
    writeVariant(msg, value);
    msg << ContainerEnd();
  }
  msg << ContainerEnd();
}

void DBusMenu::writeLayout(Message& msg, std::int32_t id, int depth, const std::set<std::string>& names) const {
  msg << Container(Container::Type::Struct, Signature("ia{sv}av")) << id;
  writeProperties(msg, id, names);
  msg << Container(Container::Type::Array, Signature("v"));
  if (depth != 0 && id >= 0 && id < static_cast<std::int32_t>(nodes_.size())) {
    for (auto child : nodes_[static_cast<std::size_t>(id)].children) {
      msg << Container(Container::Type::Variant, Signature("(ia{sv}av)"));
      writeLayout(msg, child, depth < 0 ? -1 : depth - 1, names);
      msg << ContainerEnd();
    }
  }
  msg << ContainerEnd() << ContainerEnd();
}

std::string DBusMenu::textDirection() {
  const auto language = L10n::current();
  return language == "he" || language == "ar" ? "rtl" : "ltr";
}

bool DBusMenu::getLayout(Message msg) {
  std::int32_t parent = 0, depth = -1;
  std::vector<std::string> names;
  msg >> parent >> depth >> names;
  if (parent < 0 || parent >= static_cast<std::int32_t>(nodes_.size())) {
    msg.createError("com.canonical.dbusmenu.Error.InvalidId", "no such menu item").send();
    return true;
  }
  auto reply = msg.createReply();
  reply << revision_;
  writeLayout(reply, parent, depth, {names.begin(), names.end()});
  reply.send();
  return true;
}

bool DBusMenu::getGroupProperties(Message msg) {
  std::vector<std::int32_t> ids;
  std::vector<std::string> names;
  msg >> ids >> names;
  const std::set<std::string> wanted(names.begin(), names.end());
  auto reply = msg.createReply();
  reply << Container(Container::Type::Array, Signature("(ia{sv})"));
  for (auto id : distinct(ids)) {
    if (!isKnown(id)) continue;
    reply << Container(Container::Type::Struct, Signature("ia{sv}")) << id;
    writeProperties(reply, id, wanted);
    reply << ContainerEnd();
  }
  reply << ContainerEnd();
  reply.send();
  return true;
}

bool DBusMenu::getProperty(Message msg) {
  std::int32_t id = 0;
  std::string name;
  msg >> id >> name;
  auto it = isKnown(id) ? announced_[static_cast<std::size_t>(id)].find(name) : announced_[0].end();
  if (!isKnown(id) || it == announced_[static_cast<std::size_t>(id)].end()) {
    msg.createError("com.canonical.dbusmenu.Error.UnknownProperty", "no such property").send();
    return true;
  }
  auto reply = msg.createReply();
  writeVariant(reply, it->second);
  reply.send();
  return true;
}

// A click runs after the reply, on the loop's next turn: the action may take
// a moment (writing the settings) and the panel is not kept waiting.
bool DBusMenu::clicked(std::int32_t id) {
  if (id <= 0 || id >= static_cast<std::int32_t>(nodes_.size())) return false;
  auto alive = watch();
  mainQueue_.async([this, alive, id] {
    if (!alive.isValid()) return;
    const Node node = nodes_[static_cast<std::size_t>(id)];
    if (node.kind == Node::Kind::Link) {
      workspace_.open(node.link);
      return;
    }
    auto menu = node.item ? node.item->menu() : nullptr;
    if (!menu) return;
    MenuTracker tracker(menu);
    if (node.kind == Node::Kind::Toggle) {
      // Where the check box is in its row, as a pointer would click it.
      const Rect frame = node.button->frame();
      tracker.click(node.item, {frame.x + frame.width / 2, frame.y + frame.height / 2});
    } else if (node.kind == Node::Kind::Standard) {
      tracker.click(node.item);
    }
    announceChanges();
  });
  return true;
}

bool DBusMenu::announceChanges() {
  if (!isRegistered()) return false;
  std::vector<std::int32_t> changed;
  for (std::int32_t id = 0; id < static_cast<std::int32_t>(nodes_.size()); ++id) {
    auto now = properties(id);
    if (now == announced_[static_cast<std::size_t>(id)]) continue;
    announced_[static_cast<std::size_t>(id)] = std::move(now);
    changed.push_back(id);
  }
  if (changed.empty()) return false;
  auto signal = itemsPropertiesUpdated_.createSignal();
  signal << Container(Container::Type::Array, Signature("(ia{sv})"));
  for (auto id : changed) {
    signal << Container(Container::Type::Struct, Signature("ia{sv}")) << id;
    writeProperties(signal, id, {});
    signal << ContainerEnd();
  }
  signal << ContainerEnd() << std::vector<fcitx::dbus::DBusStruct<std::int32_t, std::vector<std::string>>>();
  signal.send();
  layoutUpdated(++revision_, 0);
  return true;
}

bool DBusMenu::event(Message msg) {
  std::int32_t id = 0;
  std::string type;
  msg >> id >> type;
  if (type == "clicked") clicked(id);
  msg.createReply().send();
  return true;
}

bool DBusMenu::eventGroup(Message msg) {
  std::set<std::int32_t> unknown, clickedIds;
  if (msg >> Container(Container::Type::Array, Signature("(isvu)"))) {
    while (!msg.end()) {
      std::int32_t id = 0;
      std::string type;
      std::uint32_t timestamp = 0;
      msg >> Container(Container::Type::Struct, Signature("isvu")) >> id >> type;
      msg.skip();
      msg >> timestamp >> ContainerEnd();
      if (!msg) break;
      if (!isKnown(id)) {
        if (unknown.size() < nodes_.size()) unknown.insert(id);
      } else if (type == "clicked" && clickedIds.size() < kMaxEventsPerCall && clickedIds.insert(id).second) {
        clicked(id);
      }
    }
    msg >> ContainerEnd();
  }
  auto reply = msg.createReply();
  reply << std::vector<std::int32_t>(unknown.begin(), unknown.end());
  reply.send();
  return true;
}

// Rows changed by anything but a click (an answer to an alert) are announced
// when a menu opens.
bool DBusMenu::aboutToShow(Message msg) {
  auto reply = msg.createReply();
  reply << announceChanges();
  reply.send();
  return true;
}

bool DBusMenu::aboutToShowGroup(Message msg) {
  std::vector<std::int32_t> ids;
  msg >> ids;
  std::vector<std::int32_t> known, unknown;
  for (auto id : distinct(ids)) (isKnown(id) ? known : unknown).push_back(id);
  if (unknown.size() > nodes_.size()) unknown.resize(nodes_.size());
  auto reply = msg.createReply();
  reply << (announceChanges() ? known : std::vector<std::int32_t>()) << unknown;
  reply.send();
  return true;
}

}  // namespace brisquel::fcitx5
