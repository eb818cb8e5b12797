// SPDX-License-Identifier: MIT
// The D-Bus methods of the status item and its menu, called on a private
// bus with messages built from the fuzzer's bytes: any method of the item,
// its menu or the standard interfaces, with its own argument types or any
// others, ids in and out of the menu, arrays up to 100,000 elements. Every
// call is answered, and by the item: it never leaves the bus.
#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/message.h>
#include <fcitx-utils/event.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "FuzzSupport.h"
#include "simprogram/SimProgram.h"
#include "fcitx5/EventLoop.h"
#include "fcitx5/StatusItem.h"
#include "sim/SimDesktop.h"

extern char** environ;

namespace {

using namespace fcitx::dbus;

struct Bytes {
  const std::uint8_t* data;
  std::size_t size;
  std::uint8_t next() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  std::uint32_t u32() { return next() | (next() << 8) | (next() << 16) | (static_cast<std::uint32_t>(next()) << 24); }
};

// A dbus-daemon of our own, for the whole run.
std::string startBus() {
  int out[2];
  if (::pipe(out) != 0) std::abort();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  // Not the test's own output: a daemon left behind by a crash would hold it open.
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>("--session"), const_cast<char*>("--nofork"),
                  const_cast<char*>("--print-address=1"), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "dbus-daemon", &actions, nullptr, argv, environ) != 0) {
    std::fputs("fuzz_status_item: dbus-daemon could not be started\n", stderr);
    std::abort();
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string address;
  char c = 0;
  while (::read(out[0], &c, 1) == 1 && c != '\n') address += c;
  ::close(out[0]);
  static pid_t daemon = pid;
  std::atexit([] { ::kill(daemon, SIGTERM); });
  return address;
}

// The item with its menu on its own thread's event loop, as inside fcitx5;
// the fuzzer calls it over the bus and waits for each reply.
struct Host {
  Host() {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", startBus().c_str(), 1);
    desktop.enableLayouts({"en", "ru"});
    program = std::make_unique<brisquel::SimProgram>(desktop);
    program->launch();
    item = std::make_unique<brisquel::fcitx5::StatusItem>(loop, queue, worker, *desktop.platform().workspace);
    item->setMenu(desktop.statusItemMenu());
    client = std::make_unique<Bus>(BusType::Session);
    // The item's connection is the one other than ours and the daemon's.
    auto list = client->createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                         "ListNames");
    auto reply = list.call(2000000);
    reply >> Container(Container::Type::Array, Signature("s"));
    while (reply && !reply.end()) {
      std::string name;
      reply >> name;
      if (name.starts_with(':') && name != client->uniqueName()) service = name;
    }
    FUZZ_CHECK(!service.empty());
    // From here on only the loop's thread touches the item and the program.
    thread = std::thread([this] { loop.exec(); });
  }

  brisquel::sim::Desktop desktop;
  std::unique_ptr<brisquel::SimProgram> program;
  fcitx::EventLoop loop;
  brisquel::fcitx5::LoopQueue queue{loop};
  brisquel::fcitx5::WorkerQueue worker;
  std::unique_ptr<brisquel::fcitx5::StatusItem> item;
  std::unique_ptr<Bus> client;
  std::string service;
  std::thread thread;
};

struct Method {
  const char* path;
  const char* interface;
  const char* member;
  const char* signature;  // its own arguments
};
constexpr Method kMethods[] = {
    {"/MenuBar", "com.canonical.dbusmenu", "GetLayout", "iias"},
    {"/MenuBar", "com.canonical.dbusmenu", "GetGroupProperties", "aias"},
    {"/MenuBar", "com.canonical.dbusmenu", "GetProperty", "is"},
    {"/MenuBar", "com.canonical.dbusmenu", "Event", "isvu"},
    {"/MenuBar", "com.canonical.dbusmenu", "EventGroup", "a(isvu)"},
    {"/MenuBar", "com.canonical.dbusmenu", "AboutToShow", "i"},
    {"/MenuBar", "com.canonical.dbusmenu", "AboutToShowGroup", "ai"},
    {"/MenuBar", "org.freedesktop.DBus.Properties", "GetAll", "s"},
    {"/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", "ii"},
    {"/StatusNotifierItem", "org.kde.StatusNotifierItem", "ContextMenu", "ii"},
    {"/StatusNotifierItem", "org.kde.StatusNotifierItem", "Scroll", "is"},
    {"/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get", "ss"},
    {"/StatusNotifierItem", "org.freedesktop.DBus.Properties", "GetAll", "s"},
    {"/StatusNotifierItem", "org.freedesktop.DBus.Introspectable", "Introspect", ""},
};
constexpr const char* kStrings[] = {"clicked", "hovered", "opened", "label", "visible", "toggle-state", "",
                                    "org.kde.StatusNotifierItem", "com.canonical.dbusmenu", "IconPixmap", "Menu"};

std::size_t typeLength(std::string_view s) {
  if (s.empty()) return 0;
  if (s[0] == 'a') return 1 + typeLength(s.substr(1));
  if (s[0] == '(' || s[0] == '{') {
    const char close = s[0] == '(' ? ')' : '}';
    std::size_t i = 1;
    while (i < s.size() && s[i] != close) i += typeLength(s.substr(i));
    return i + 1;
  }
  return 1;
}

std::string randomType(Bytes& b, int depth) {
  const int pick = b.next() % (depth > 3 ? 8 : 12);
  switch (pick) {
    case 0: return "i";
    case 1: return "u";
    case 2: return "s";
    case 3: return "b";
    case 4: return "x";
    case 5: return "d";
    case 6: return "y";
    case 7: return "o";
    case 8: return "v";
    case 9: return "a" + randomType(b, depth + 1);
    case 10: return "(" + randomType(b, depth + 1) + randomType(b, depth + 1) + ")";
    default: return "a{s" + randomType(b, depth + 1) + "}";
  }
}

void write(Message& m, std::string_view type, Bytes& b, int depth) {
  switch (type[0]) {
    case 'i': {
      // Mostly ids around the menu's, now and then any.
      const std::uint8_t how = b.next();
      m << (how < 200 ? static_cast<std::int32_t>(how % 90) - 5 : static_cast<std::int32_t>(b.u32()));
      break;
    }
    case 'u': m << b.u32(); break;
    case 'x': m << static_cast<std::int64_t>(b.u32()); break;
    case 'd': m << static_cast<double>(b.u32()); break;
    case 'b': m << static_cast<bool>(b.next() & 1); break;
    case 'y': m << b.next(); break;
    case 'o': m << ObjectPath("/MenuBar"); break;
    case 's': {
      const std::uint8_t how = b.next();
      if (how < 220) {
        m << std::string(kStrings[how % std::size(kStrings)]);
      } else {
        std::string raw;
        for (int n = b.next() % 16; n > 0; --n) raw += static_cast<char>(b.next() % 0x7F + 1);
        m << raw;
      }
      break;
    }
    case 'v': {
      const std::string inner = randomType(b, depth + 1);
      m << Container(Container::Type::Variant, Signature(inner));
      write(m, inner, b, depth + 1);
      m << ContainerEnd();
      break;
    }
    case 'a': {
      const std::string_view element = type.substr(1, typeLength(type.substr(1)));
      const std::uint8_t how = b.next();
      // A few elements, or now and then very many of a simple one.
      std::size_t count = how % 6;
      if (how >= 250 && element.size() == 1 && element != "v") count = 1000 + (b.u32() % 99000);
      m << Container(Container::Type::Array, Signature(std::string(element)));
      Bytes same = b;  // many elements repeat one value
      for (std::size_t i = 0; i < count; ++i) {
        Bytes each = count > 100 ? same : b;
        write(m, element, each, depth + 1);
        if (count <= 100) b = each;
      }
      m << ContainerEnd();
      break;
    }
    case '(':
    case '{': {
      const std::string_view inner = type.substr(1, typeLength(type) - 2);
      m << Container(type[0] == '(' ? Container::Type::Struct : Container::Type::DictEntry, Signature(std::string(inner)));
      for (std::size_t i = 0; i < inner.size(); i += typeLength(inner.substr(i))) write(m, inner.substr(i), b, depth + 1);
      m << ContainerEnd();
      break;
    }
    default: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Host* host = new Host;  // never destroyed: its loop runs until the process ends
  if (size < 2) return 0;
  Bytes b{data, size};
  const Method& method = kMethods[b.next() % std::size(kMethods)];
  auto call = host->client->createMethodCall(host->service.c_str(), method.path, method.interface, method.member);
  const std::uint8_t shape = b.next();
  std::string signature = method.signature;
  if (shape >= 160) {
    signature.clear();
    for (int n = shape % 4; n > 0; --n) signature += randomType(b, 0);
  }
  for (std::size_t i = 0; i < signature.size(); i += typeLength(std::string_view(signature).substr(i)))
    write(call, std::string_view(signature).substr(i), b, 0);
  if (!call) return 0;  // not a message the bus would carry (a bad string)

  auto reply = call.call(5000000);
  // An error of the item's own is an answer; one of the bus means the item
  // is gone or did not answer.
  const std::string error = reply.isError() ? reply.errorName() : std::string();
  FUZZ_CHECK(error != "org.freedesktop.DBus.Error.ServiceUnknown" && error != "org.freedesktop.DBus.Error.NoReply" &&
             error != "org.freedesktop.DBus.Error.NameHasNoOwner" && error != "org.freedesktop.DBus.Error.Disconnected" &&
             error != "org.freedesktop.DBus.Error.Timeout");
  return 0;
}
