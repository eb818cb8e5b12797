// SPDX-License-Identifier: MIT
#pragma once
// The status item's menu on D-Bus (com.canonical.dbusmenu), read from the
// core's menu model: every row in order, its check mark or radio state,
// visibility and title; headings, warnings and long texts as rows of
// wrapped lines, links as rows that open the browser. A click goes back into
// the model as a click in the row; the rows it changes are announced at once.
//
// A panel closes a DBusMenu after every click, where the macOS menu stays open.

#include <fcitx-utils/dbus/message.h>
#include <fcitx-utils/dbus/objectvtable.h>

#include <cstdint>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "menu/MenuModel.h"
#include "platform/MainQueue.h"
#include "platform/Workspace.h"

namespace brisquel::fcitx5 {

class DBusMenu final : public fcitx::dbus::ObjectVTable<DBusMenu> {
 public:
  static constexpr const char* kInterface = "com.canonical.dbusmenu";
  static constexpr const char* kPath = "/MenuBar";

  DBusMenu(MainQueuePort& mainQueue, WorkspacePort& workspace);
  ~DBusMenu() override;

  void setMenu(std::shared_ptr<Menu> menu);

  // A row as the panel sees it.
  struct Node {
    enum class Kind { Root, Separator, Toggle, Standard, Submenu, Text, Link };
    Kind kind = Kind::Standard;
    std::vector<std::int32_t> children;
    std::shared_ptr<MenuItem> item;  // the model's row (hidden rows are invisible)
    std::shared_ptr<Button> button;  // a check box or radio button of the row
    std::string text;                // a text line, or a link's or an untitled check box's title
    LinkTarget link;
    bool enabled = true;
  };

 private:
  using Message = fcitx::dbus::Message;
  using Value = std::variant<std::string, std::int32_t, bool>;
  using Properties = std::map<std::string, Value>;

  std::int32_t add(Node node, std::int32_t parent);
  void addMenu(const Menu& menu, std::int32_t parent);
  void addView(const std::shared_ptr<MenuItem>& item, std::int32_t parent);
  Properties properties(std::int32_t id) const;
  void writeProperties(Message& msg, std::int32_t id, const std::set<std::string>& names) const;
  void writeLayout(Message& msg, std::int32_t id, int depth, const std::set<std::string>& names) const;
  bool clicked(std::int32_t id);
  bool isKnown(std::int32_t id) const { return id >= 0 && id < static_cast<std::int32_t>(nodes_.size()); }
  // The ids a call asks about, each once: a reply never grows past the menu.
  static std::vector<std::int32_t> distinct(const std::vector<std::int32_t>& ids);
  // At most this many clicks are taken from one call.
  static constexpr std::size_t kMaxEventsPerCall = 16;
  // Sends the rows whose properties changed since they were last sent; answers whether any did.
  bool announceChanges();

  // Right to left in Hebrew and Arabic.
  static std::string textDirection();

  bool getLayout(Message msg);
  bool getGroupProperties(Message msg);
  bool getProperty(Message msg);
  bool event(Message msg);
  bool eventGroup(Message msg);
  bool aboutToShow(Message msg);
  bool aboutToShowGroup(Message msg);

  fcitx::dbus::ObjectVTableMethod getLayoutMethod_{this, "GetLayout", "iias", "u(ia{sv}av)",
                                                   [this](Message msg) { return getLayout(std::move(msg)); }};
  fcitx::dbus::ObjectVTableMethod getGroupPropertiesMethod_{
      this, "GetGroupProperties", "aias", "a(ia{sv})",
      [this](Message msg) { return getGroupProperties(std::move(msg)); }};
  fcitx::dbus::ObjectVTableMethod getPropertyMethod_{this, "GetProperty", "is", "v",
                                                     [this](Message msg) { return getProperty(std::move(msg)); }};
  fcitx::dbus::ObjectVTableMethod eventMethod_{this, "Event", "isvu", "",
                                               [this](Message msg) { return event(std::move(msg)); }};
  fcitx::dbus::ObjectVTableMethod eventGroupMethod_{this, "EventGroup", "a(isvu)", "ai",
                                                    [this](Message msg) { return eventGroup(std::move(msg)); }};
  fcitx::dbus::ObjectVTableMethod aboutToShowMethod_{this, "AboutToShow", "i", "b",
                                                     [this](Message msg) { return aboutToShow(std::move(msg)); }};
  fcitx::dbus::ObjectVTableMethod aboutToShowGroupMethod_{
      this, "AboutToShowGroup", "ai", "aiai", [this](Message msg) { return aboutToShowGroup(std::move(msg)); }};
  fcitx::dbus::ObjectVTableSignal itemsPropertiesUpdated_{this, "ItemsPropertiesUpdated", "a(ia{sv})a(ias)"};
  FCITX_OBJECT_VTABLE_SIGNAL(layoutUpdated, "LayoutUpdated", "ui")
  FCITX_OBJECT_VTABLE_SIGNAL(itemActivationRequested, "ItemActivationRequested", "iu")
  FCITX_OBJECT_VTABLE_PROPERTY(version, "Version", "u", []() { return 3u; })
  FCITX_OBJECT_VTABLE_PROPERTY(textDirection, "TextDirection", "s", []() { return textDirection(); })
  FCITX_OBJECT_VTABLE_PROPERTY(status, "Status", "s", []() { return std::string("normal"); })
  FCITX_OBJECT_VTABLE_PROPERTY(iconThemePath, "IconThemePath", "as", []() { return std::vector<std::string>(); })

  MainQueuePort& mainQueue_;
  WorkspacePort& workspace_;
  std::shared_ptr<Menu> menu_;
  std::vector<Node> nodes_;  // indexed by id; 0 is the root
  // Each row's properties as last built and announced: built once per
  // change, not per call, so that a flood of calls costs little.
  std::vector<Properties> announced_;
  std::uint32_t revision_ = 1;
};

}  // namespace brisquel::fcitx5
