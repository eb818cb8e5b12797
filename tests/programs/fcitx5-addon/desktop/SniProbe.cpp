// SPDX-License-Identifier: MIT
// The panel's side of a status item, on the session bus:
//   sni-probe watch                 is the StatusNotifierWatcher; prints "registered SERVICE" per item
//   sni-probe layout SERVICE        prints the item's menu, one row per line, as `brisquel menu` does
//   sni-probe click SERVICE LABEL   clicks the row titled LABEL; prints "updated" once the menu says it changed
//   sni-probe icon SERVICE PNG      prints "same" once the item's 48-pixel icon has PNG's shape (within 2%),
//                                   else how much of it differs after 5 seconds
//   sni-probe oversized SERVICE N   asks GetGroupProperties for N copies of one id; prints the rows answered
//   sni-probe flood SERVICE N       N GetLayout(0, -1, []) calls; prints the mean milliseconds per call
#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/matchrule.h>
#include <fcitx-utils/dbus/message.h>
#include <fcitx-utils/dbus/objectvtable.h>
#include <fcitx-utils/event.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "draw/Pixmap.h"

namespace {

using namespace fcitx::dbus;

class Watcher final : public ObjectVTable<Watcher> {
  void registerItem(const std::string& service) {
    std::cout << "registered " << service << std::endl;
    items_.push_back(service);
    registeredSignal(service);
  }
  FCITX_OBJECT_VTABLE_METHOD(registerItem, "RegisterStatusNotifierItem", "s", "");
  FCITX_OBJECT_VTABLE_SIGNAL(registeredSignal, "StatusNotifierItemRegistered", "s")
  FCITX_OBJECT_VTABLE_PROPERTY(items, "RegisteredStatusNotifierItems", "as", [this]() { return items_; })
  FCITX_OBJECT_VTABLE_PROPERTY(hostRegistered, "IsStatusNotifierHostRegistered", "b", []() { return true; })
  FCITX_OBJECT_VTABLE_PROPERTY(protocol, "ProtocolVersion", "i", []() { return 0; })
  std::vector<std::string> items_;
};

struct Row {
  int depth = 0;
  std::int32_t id = 0;
  std::map<std::string, std::string> props;  // values as text; booleans as "true"/"false"
};

void readNode(Message& m, int depth, std::vector<Row>& rows) {
  Row row;
  row.depth = depth;
  m >> Container(Container::Type::Struct, Signature("ia{sv}av")) >> row.id;
  m >> Container(Container::Type::Array, Signature("{sv}"));
  while (m && !m.end()) {
    std::string key;
    m >> Container(Container::Type::DictEntry, Signature("sv")) >> key;
    const auto type = m.peekType().second;
    m >> Container(Container::Type::Variant, Signature(type));
    if (type == "s") {
      m >> row.props[key];
    } else if (type == "i") {
      std::int32_t v = 0;
      m >> v;
      row.props[key] = std::to_string(v);
    } else if (type == "b") {
      bool v = false;
      m >> v;
      row.props[key] = v ? "true" : "false";
    } else {
      m.skip();
    }
    m >> ContainerEnd() >> ContainerEnd();
  }
  m >> ContainerEnd();
  if (depth >= 0) rows.push_back(row);
  m >> Container(Container::Type::Array, Signature("v"));
  while (m && !m.end()) {
    m >> Container(Container::Type::Variant, Signature("(ia{sv}av)"));
    readNode(m, depth + 1, rows);
    m >> ContainerEnd();
  }
  m >> ContainerEnd() >> ContainerEnd();
}

std::vector<Row> layout(Bus& bus, const std::string& service) {
  auto call = bus.createMethodCall(service.c_str(), "/MenuBar", "com.canonical.dbusmenu", "GetLayout");
  call << std::int32_t{0} << std::int32_t{-1} << std::vector<std::string>();
  auto reply = call.call(2000000);
  std::vector<Row> rows;
  if (reply.isError() || !reply) return rows;
  std::uint32_t revision = 0;
  reply >> revision;
  readNode(reply, -1, rows);
  return rows;
}

std::string label(const Row& row) {
  std::string out;
  const std::string& raw = row.props.count("label") ? row.props.at("label") : std::string();
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '_' && i + 1 < raw.size() && raw[i + 1] == '_') ++i;
    out += raw[i];
  }
  return out;
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The row as `brisquel menu` prints it, without tags.
std::string format(const Row& row) {
  auto prop = [&](const char* key) { return row.props.count(key) ? row.props.at(key) : std::string(); };
  const std::string hidden = prop("visible") == "false" ? " hidden" : "";
  std::string kind = "item";
  if (prop("type") == "separator") return std::string(row.depth * 2, ' ') + "separator" + hidden;
  if (prop("toggle-type") == "checkmark") kind = "check";
  if (prop("toggle-type") == "radio") kind = "radio";
  if (prop("children-display") == "submenu") kind = "submenu";
  std::string state;
  if (kind == "check" || kind == "radio") {
    state = prop("toggle-state") == "1" ? " on" : " off";
    if (prop("enabled") == "false") state += " disabled";
  }
  return std::string(row.depth * 2, ' ') + kind + hidden + state + " " + quoted(label(row));
}

// Runs the loop until done() holds or seconds pass; answers done().
template <typename Done>
bool runUntil(fcitx::EventLoop& loop, double seconds, Done done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  bool finished = false;
  auto tick = loop.addTimeEvent(CLOCK_MONOTONIC, fcitx::now(CLOCK_MONOTONIC), 0,
                                [&](fcitx::EventSourceTime* source, std::uint64_t) {
                                  finished = done();
                                  if (finished || std::chrono::steady_clock::now() >= until) {
                                    loop.exit();
                                  } else {
                                    source->setNextInterval(50000);
                                    source->setOneShot();
                                  }
                                  return true;
                                });
  loop.exec();
  return finished;
}

// The share of the expected image's ink that the item's 48-pixel icon lacks or adds.
double shapeDifference(Bus& bus, const std::string& service, const brisquel::draw::Pixmap& expected) {
  auto call = bus.createMethodCall(service.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get");
  call << std::string("org.kde.StatusNotifierItem") << std::string("IconPixmap");
  auto reply = call.call(2000000);
  if (reply.isError()) return 1;
  // Read by hand: the library's vector reader reuses one element for all.
  reply >> Container(Container::Type::Variant, Signature("a(iiay)")) >>
      Container(Container::Type::Array, Signature("(iiay)"));
  while (reply && !reply.end()) {
    std::int32_t width = 0, height = 0;
    std::vector<std::uint8_t> bytes;
    reply >> Container(Container::Type::Struct, Signature("iiay")) >> width >> height >> bytes >> ContainerEnd();
    if (width != expected.width || height != expected.height || bytes.size() != expected.pixels.size() * 4) continue;
    double ink = 0, difference = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const int want = expected.alphaAt(x, y);
        ink += want;
        difference += std::abs(want - bytes[static_cast<std::size_t>(y * width + x) * 4]);
      }
    }
    return ink > 0 ? difference / ink : 1;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return 2;
  Bus bus(BusType::Session);
  fcitx::EventLoop loop;
  bus.attachEventLoop(&loop);
  const std::string& mode = args[0];
  if (mode == "watch") {
    Watcher watcher;
    bus.addObjectVTable("/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher", watcher);
    if (!bus.requestName("org.kde.StatusNotifierWatcher", fcitx::Flags<RequestNameFlag>(0))) return 1;
    loop.exec();
    return 0;
  }
  if (args.size() < 2) return 2;
  const std::string& service = args[1];
  if (mode == "layout") {
    for (const auto& row : layout(bus, service)) std::cout << format(row) << "\n";
    return 0;
  }
  if (mode == "click" && args.size() == 3) {
    for (const auto& row : layout(bus, service)) {
      if (label(row) != args[2]) continue;
      bool updated = false;
      auto match =
          bus.addMatch(MatchRule(service, "/MenuBar", "com.canonical.dbusmenu", "LayoutUpdated"), [&updated](Message&) {
            updated = true;
            return true;
          });
      auto event = bus.createMethodCall(service.c_str(), "/MenuBar", "com.canonical.dbusmenu", "Event");
      event << row.id << std::string("clicked") << Container(Container::Type::Variant, Signature("i"))
            << std::int32_t{0} << ContainerEnd() << std::uint32_t{0};
      if (event.call(2000000).isError()) return 1;
      if (runUntil(loop, 3, [&] { return updated; })) std::cout << "updated\n";
      return 0;
    }
    std::cerr << "no row titled " << args[2] << "\n";
    return 1;
  }
  if (mode == "oversized" && args.size() == 3) {
    auto call = bus.createMethodCall(service.c_str(), "/MenuBar", "com.canonical.dbusmenu", "GetGroupProperties");
    call << std::vector<std::int32_t>(std::stoul(args[2]), 1) << std::vector<std::string>{};
    auto reply = call.call(10000000);
    if (reply.isError()) {
      std::cout << "error " << reply.errorName() << "\n";
      return 0;
    }
    std::size_t rows = 0;
    reply >> Container(Container::Type::Array, Signature("(ia{sv})"));
    while (reply && !reply.end()) {
      reply.skip();
      ++rows;
    }
    std::cout << rows << " rows\n";
    return 0;
  }
  if (mode == "flood" && args.size() == 3) {
    const int calls = std::stoi(args[2]);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) {
      auto call = bus.createMethodCall(service.c_str(), "/MenuBar", "com.canonical.dbusmenu", "GetLayout");
      call << std::int32_t{0} << std::int32_t{-1} << std::vector<std::string>{};
      if (call.call(2000000).isError()) return 1;
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::cout << took.count() / calls << "\n";
    return 0;
  }
  if (mode == "icon" && args.size() == 3) {
    const auto expected = brisquel::draw::readPng(args[2]);
    if (!expected) return 1;
    double difference = 1;
    runUntil(loop, 5, [&] { return (difference = shapeDifference(bus, service, *expected)) < 0.02; });
    if (difference < 0.02) {
      std::cout << "same\n";
    } else {
      std::cout << "differs by " << static_cast<int>(difference * 100) << "%\n";
    }
    return 0;
  }
  return 2;
}
