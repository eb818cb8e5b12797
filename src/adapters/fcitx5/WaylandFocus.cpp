// SPDX-License-Identifier: MIT
#include "fcitx5/WaylandFocus.h"

#include <fcitx-utils/log.h>
#include <wayland-client.h>

#include <cstdlib>
#include <cstring>
#include <map>

namespace brisquel::fcitx5 {
namespace {

// The protocol's interfaces as wayland-scanner writes them from
// wlr-foreign-toplevel-management-unstable-v1.xml, version 2 (no Debian
// package ships that file). Opcodes are the order of the requests and
// events there.
extern const wl_interface kHandleInterface;
const wl_interface* kNone[] = {nullptr, nullptr, nullptr, nullptr, nullptr};
const wl_interface* kNewHandle[] = {&kHandleInterface};
const wl_interface* kOutput[] = {&wl_output_interface};
const wl_interface* kSeat[] = {&wl_seat_interface};
const wl_interface* kRectangle[] = {&wl_surface_interface, nullptr, nullptr, nullptr, nullptr};

const wl_message kManagerRequests[] = {{"stop", "", kNone}};
const wl_message kManagerEvents[] = {{"toplevel", "n", kNewHandle}, {"finished", "", kNone}};
const wl_message kHandleRequests[] = {
    {"set_maximized", "", kNone},           {"unset_maximized", "", kNone}, {"set_minimized", "", kNone},
    {"unset_minimized", "", kNone},         {"activate", "o", kSeat},       {"close", "", kNone},
    {"set_rectangle", "oiiii", kRectangle}, {"destroy", "", kNone},         {"set_fullscreen", "2?o", kOutput},
    {"unset_fullscreen", "2", kNone}};
const wl_message kHandleEvents[] = {
    {"title", "s", kNone}, {"app_id", "s", kNone}, {"output_enter", "o", kOutput}, {"output_leave", "o", kOutput},
    {"state", "a", kNone}, {"done", "", kNone},    {"closed", "", kNone}};
const wl_interface kManagerInterface = {"zwlr_foreign_toplevel_manager_v1", 2, 1, kManagerRequests, 2, kManagerEvents};
const wl_interface kHandleInterface = {"zwlr_foreign_toplevel_handle_v1", 2, 10, kHandleRequests, 7, kHandleEvents};
constexpr std::uint32_t kHandleDestroy = 7;
constexpr std::uint32_t kManagerStop = 0;
constexpr std::uint32_t kStateActivated = 2;

struct HandleListener {
  void (*title)(void*, wl_proxy*, const char*);
  void (*appId)(void*, wl_proxy*, const char*);
  void (*outputEnter)(void*, wl_proxy*, wl_proxy*);
  void (*outputLeave)(void*, wl_proxy*, wl_proxy*);
  void (*state)(void*, wl_proxy*, wl_array*);
  void (*done)(void*, wl_proxy*);
  void (*closed)(void*, wl_proxy*);
};
struct ManagerListener {
  void (*toplevel)(void*, wl_proxy*, wl_proxy*);
  void (*finished)(void*, wl_proxy*);
};

}  // namespace

struct WaylandFocus::Connection {
  struct Toplevel {
    std::string appId, pendingAppId;
    bool activated = false, pendingActivated = false;
  };

  std::function<void(const std::string&)> onActivated;
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_proxy* manager = nullptr;
  std::map<wl_proxy*, Toplevel> toplevels;
  std::string activated;
  std::unique_ptr<fcitx::EventSourceIO> io;

  ~Connection() {
    io.reset();
    close();
  }

  void close() {
    for (auto& [proxy, _] : toplevels) {
      wl_proxy_marshal(proxy, kHandleDestroy);
      wl_proxy_destroy(proxy);
    }
    toplevels.clear();
    if (manager) {
      wl_proxy_marshal(manager, kManagerStop);
      wl_proxy_destroy(manager);
      manager = nullptr;
    }
    if (registry) wl_registry_destroy(registry);
    registry = nullptr;
    if (display) {
      wl_display_flush(display);
      wl_display_disconnect(display);
    }
    display = nullptr;
  }

  // Whatever the socket holds, never more: the fd is non-blocking for reads.
  void readAvailable() {
    while (wl_display_prepare_read(display) != 0) {
      if (wl_display_dispatch_pending(display) < 0) return lost();
    }
    if (wl_display_read_events(display) < 0) return lost();
    if (wl_display_dispatch_pending(display) < 0) return lost();
    wl_display_flush(display);
  }

  // Inside the watcher's own callback: it is switched off here and goes with the connection.
  void lost() {
    FCITX_INFO() << "Brisquel: the compositor's connection for the focused application ended";
    if (io) io->setEnabled(false);
    close();
  }

  static Connection& of(void* data) { return *static_cast<Connection*>(data); }

  static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t version) {
    auto& c = of(data);
    if (c.manager || std::strcmp(interface, kManagerInterface.name) != 0) return;
    c.manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kManagerInterface, version < 2 ? version : 2));
    static const ManagerListener listener{&Connection::toplevel, &Connection::finished};
    wl_proxy_add_listener(c.manager, reinterpret_cast<void (**)(void)>(const_cast<ManagerListener*>(&listener)), data);
  }
  static void globalRemove(void*, wl_registry*, std::uint32_t) {}

  static void toplevel(void* data, wl_proxy*, wl_proxy* handle) {
    static const HandleListener listener{&Connection::title,  &Connection::appId, &Connection::output,
                                         &Connection::output, &Connection::state, &Connection::done,
                                         &Connection::closed};
    of(data).toplevels[handle];
    wl_proxy_add_listener(handle, reinterpret_cast<void (**)(void)>(const_cast<HandleListener*>(&listener)), data);
  }
  static void finished(void* data, wl_proxy*) {
    auto& c = of(data);
    wl_proxy_destroy(c.manager);
    c.manager = nullptr;
  }
  static void title(void*, wl_proxy*, const char*) {}
  static void output(void*, wl_proxy*, wl_proxy*) {}
  static void appId(void* data, wl_proxy* handle, const char* id) {
    of(data).toplevels[handle].pendingAppId = id ? id : "";
  }
  static void state(void* data, wl_proxy* handle, wl_array* states) {
    bool active = false;
    const auto* s = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) active = active || s[i] == kStateActivated;
    of(data).toplevels[handle].pendingActivated = active;
  }
  static void done(void* data, wl_proxy* handle) {
    auto& c = of(data);
    auto& t = c.toplevels[handle];
    t.appId = t.pendingAppId;
    t.activated = t.pendingActivated;
    if (t.activated && !t.appId.empty() && t.appId != c.activated) {
      c.activated = t.appId;
      c.onActivated(c.activated);
    }
  }
  static void closed(void* data, wl_proxy* handle) {
    auto& c = of(data);
    c.toplevels.erase(handle);
    wl_proxy_marshal(handle, kHandleDestroy);
    wl_proxy_destroy(handle);
  }
};

WaylandFocus::WaylandFocus(fcitx::EventLoop& loop, std::function<void(const std::string& appId)> onActivated)
    : connection_(std::make_unique<Connection>()) {
  auto& c = *connection_;
  c.onActivated = std::move(onActivated);
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (!name || !*name) return;
  c.display = wl_display_connect(nullptr);
  if (!c.display) return;
  c.registry = wl_display_get_registry(c.display);
  static const wl_registry_listener registryListener{&Connection::global, &Connection::globalRemove};
  wl_registry_add_listener(c.registry, &registryListener, &c);
  wl_display_flush(c.display);
  c.io = loop.addIOEvent(wl_display_get_fd(c.display),
                         fcitx::IOEventFlags{fcitx::IOEventFlag::In, fcitx::IOEventFlag::Err, fcitx::IOEventFlag::Hup},
                         [&c](fcitx::EventSourceIO*, int, fcitx::IOEventFlags flags) {
                           if (flags.test(fcitx::IOEventFlag::Err) || flags.test(fcitx::IOEventFlag::Hup)) {
                             c.lost();
                           } else {
                             c.readAvailable();
                           }
                           return true;
                         });
}

WaylandFocus::~WaylandFocus() = default;

std::string WaylandFocus::source() const {
  return connection_->manager ? kManagerInterface.name : "";
}

}  // namespace brisquel::fcitx5
