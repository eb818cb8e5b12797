// SPDX-License-Identifier: MIT
#include "fcitx5/StatusItem.h"

#include <fcitx-utils/dbus/message.h>
#include <fcitx-utils/dbus/objectvtable.h>
#include <fcitx-utils/log.h>

#include <cstdint>
#include <vector>

#include "draw/Pixmap.h"
#include "fcitx5/DBusMenu.h"

namespace brisquel::fcitx5 {

using IconPixmaps = std::vector<fcitx::dbus::DBusStruct<std::int32_t, std::int32_t, std::vector<std::uint8_t>>>;
using ToolTip = fcitx::dbus::DBusStruct<std::string, IconPixmaps, std::string, std::string>;

class NotifierItem final : public fcitx::dbus::ObjectVTable<NotifierItem> {
 public:
  static constexpr const char* kInterface = "org.kde.StatusNotifierItem";
  static constexpr const char* kPath = "/StatusNotifierItem";
  // The themed icon shown while there is no drawn one.
  static constexpr const char* kFallbackIcon = "input-keyboard";
  static constexpr const char* kTitle = "Brisquel";

  IconPixmaps pixmaps;
  std::string description;

  void changed() {
    if (!isRegistered()) return;
    newIcon();
    newToolTip();
  }

 private:
  // The item is its menu: every click opens it.
  void activate(std::int32_t, std::int32_t) {}
  void secondaryActivate(std::int32_t, std::int32_t) {}
  void contextMenu(std::int32_t, std::int32_t) {}
  void scroll(std::int32_t, const std::string&) {}
  ToolTip toolTipValue() const {
    ToolTip tip;
    std::get<2>(tip) = kTitle;
    std::get<3>(tip) = description;
    return tip;
  }

  FCITX_OBJECT_VTABLE_METHOD(activate, "Activate", "ii", "");
  FCITX_OBJECT_VTABLE_METHOD(secondaryActivate, "SecondaryActivate", "ii", "");
  FCITX_OBJECT_VTABLE_METHOD(contextMenu, "ContextMenu", "ii", "");
  FCITX_OBJECT_VTABLE_METHOD(scroll, "Scroll", "is", "");
  FCITX_OBJECT_VTABLE_SIGNAL(newIcon, "NewIcon", "")
  FCITX_OBJECT_VTABLE_SIGNAL(newToolTip, "NewToolTip", "")
  FCITX_OBJECT_VTABLE_SIGNAL(newTitle, "NewTitle", "")
  FCITX_OBJECT_VTABLE_SIGNAL(newAttentionIcon, "NewAttentionIcon", "")
  FCITX_OBJECT_VTABLE_SIGNAL(newOverlayIcon, "NewOverlayIcon", "")
  FCITX_OBJECT_VTABLE_SIGNAL(newStatus, "NewStatus", "s")
  FCITX_OBJECT_VTABLE_PROPERTY(category, "Category", "s", []() { return std::string("ApplicationStatus"); })
  FCITX_OBJECT_VTABLE_PROPERTY(id, "Id", "s", []() { return std::string("brisquel"); })
  FCITX_OBJECT_VTABLE_PROPERTY(title, "Title", "s", []() { return std::string(kTitle); })
  FCITX_OBJECT_VTABLE_PROPERTY(status, "Status", "s", []() { return std::string("Active"); })
  FCITX_OBJECT_VTABLE_PROPERTY(windowId, "WindowId", "i", []() { return std::int32_t{0}; })
  // Panels prefer a name to pixels: the name only while nothing is drawn.
  FCITX_OBJECT_VTABLE_PROPERTY(iconName, "IconName", "s",
                               [this]() { return std::string(pixmaps.empty() ? kFallbackIcon : ""); })
  FCITX_OBJECT_VTABLE_PROPERTY(iconPixmap, "IconPixmap", "a(iiay)", [this]() { return pixmaps; })
  FCITX_OBJECT_VTABLE_PROPERTY(overlayIconName, "OverlayIconName", "s", []() { return std::string(); })
  FCITX_OBJECT_VTABLE_PROPERTY(overlayIconPixmap, "OverlayIconPixmap", "a(iiay)", []() { return IconPixmaps(); })
  FCITX_OBJECT_VTABLE_PROPERTY(attentionIconName, "AttentionIconName", "s", []() { return std::string(); })
  FCITX_OBJECT_VTABLE_PROPERTY(attentionIconPixmap, "AttentionIconPixmap", "a(iiay)", []() { return IconPixmaps(); })
  FCITX_OBJECT_VTABLE_PROPERTY(attentionMovieName, "AttentionMovieName", "s", []() { return std::string(); })
  FCITX_OBJECT_VTABLE_PROPERTY(toolTip, "ToolTip", "(sa(iiay)ss)", [this]() { return toolTipValue(); })
  FCITX_OBJECT_VTABLE_PROPERTY(itemIsMenu, "ItemIsMenu", "b", []() { return true; })
  FCITX_OBJECT_VTABLE_PROPERTY(menu, "Menu", "o", []() { return fcitx::dbus::ObjectPath(DBusMenu::kPath); })
  FCITX_OBJECT_VTABLE_PROPERTY(iconThemePath, "IconThemePath", "s", []() { return std::string(); })
};

namespace {

// The item's pixmaps: straight (not premultiplied) ARGB32 in network byte order.
std::vector<std::uint8_t> networkArgb(const draw::Pixmap& pixmap) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(pixmap.pixels.size() * 4);
  for (std::uint32_t pixel : pixmap.pixels) {
    const std::uint32_t a = pixel >> 24;
    auto straight = [a](std::uint32_t c) { return static_cast<std::uint8_t>(a == 0 ? 0 : (c * 255 + a / 2) / a); };
    bytes.push_back(static_cast<std::uint8_t>(a));
    bytes.push_back(straight((pixel >> 16) & 0xFF));
    bytes.push_back(straight((pixel >> 8) & 0xFF));
    bytes.push_back(straight(pixel & 0xFF));
  }
  return bytes;
}

}  // namespace

StatusItem::StatusItem(fcitx::EventLoop& loop, MainQueuePort& mainQueue, BackgroundQueuePort& background,
                       WorkspacePort& workspace)
    : mainQueue_(mainQueue),
      background_(background),
      item_(std::make_unique<NotifierItem>()),
      menu_(std::make_unique<DBusMenu>(mainQueue, workspace)),
      loop_(loop) {
  if (!connect()) return;
  auto alive = watch();
  connectionCheck_ = mainQueue_.scheduleRepeatingTimer(kConnectionCheckInterval, [this, alive] {
    if (alive.isValid()) reconnectIfLost();
  });
}

bool StatusItem::connect() {
  // Its own connection to the session bus fcitx5 uses, so the item's name
  // is its own.
  try {
    bus_ = std::make_unique<fcitx::dbus::Bus>(fcitx::dbus::BusType::Session);
  } catch (const std::exception& e) {
    FCITX_WARN() << "Brisquel: no session bus, so no status item: " << e.what();
    return false;
  }
  bus_->attachEventLoop(&loop_);
  bus_->addObjectVTable(NotifierItem::kPath, NotifierItem::kInterface, *item_);
  bus_->addObjectVTable(DBusMenu::kPath, DBusMenu::kInterface, *menu_);
  watcher_ = std::make_unique<fcitx::dbus::ServiceWatcher>(*bus_);
  watcherEntry_ = watcher_->watchService(kWatcherName, [this](const std::string&, const std::string&,
                                                              const std::string& owner) { watcherChanged(owner); });
  return true;
}

void StatusItem::reconnectIfLost() {
  if (!bus_ || bus_->isOpen()) return;
  FCITX_WARN() << "Brisquel: the status item's connection to the session bus was lost; it is made again";
  pendingRegistration_.reset();
  watcherEntry_.reset();
  watcher_.reset();
  item_->releaseSlot();
  menu_->releaseSlot();
  bus_.reset();
  connect();
}

StatusItem::~StatusItem() = default;

void StatusItem::watcherChanged(const std::string& owner) {
  pendingRegistration_.reset();
  if (owner.empty()) {
    if (!toldNoWatcher_) {
      FCITX_INFO() << "Brisquel: no StatusNotifierWatcher on the session bus (no panel shows status items); "
                      "the status item appears when one starts";
      toldNoWatcher_ = true;
    }
    return;
  }
  auto call =
      bus_->createMethodCall(owner.c_str(), "/StatusNotifierWatcher", kWatcherName, "RegisterStatusNotifierItem");
  call << bus_->uniqueName();
  pendingRegistration_ = call.callAsync(0, [this](fcitx::dbus::Message& reply) {
    if (reply.isError()) FCITX_WARN() << "Brisquel: the status item was not registered: " << reply.errorMessage();
    auto done = std::move(pendingRegistration_);  // released after the callback returns
    return true;
  });
}

void StatusItem::setImage(const Image& image) {
  // The icon is set again at every layout change: a shipped image already
  // shown is not drawn and announced again.
  const std::string resource = image.draw ? std::string() : image.namedResource;
  if (!resource.empty() && resource == requestedResource_) return;
  requestedResource_ = resource;
  const std::uint64_t generation = ++imageGeneration_;
  auto alive = watch();
  // The drawing reads nothing but the image; the main queue outlives the worker.
  background_.async(QualityOfService::UserInteractive, [this, image, generation, alive, &main = mainQueue_] {
    IconPixmaps pixmaps;
    for (int size : kPixmapSizes) {
      if (auto pixmap = draw::renderImage(image, size, size, draw::Backdrop::Dark)) {
        pixmaps.emplace_back(size, size, networkArgb(*pixmap));
      }
    }
    main.async([this, alive, generation, pixmaps = std::move(pixmaps),
                description = image.accessibilityDescription]() mutable {
      if (!alive.isValid() || generation != imageGeneration_) return;
      item_->pixmaps = std::move(pixmaps);
      item_->description = std::move(description);
      item_->changed();
    });
  });
}

void StatusItem::setMenu(std::shared_ptr<Menu> menu) {
  menu_->setMenu(std::move(menu));
}

}  // namespace brisquel::fcitx5
