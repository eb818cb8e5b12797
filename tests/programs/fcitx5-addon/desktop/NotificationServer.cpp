// SPDX-License-Identifier: MIT
// A desktop notification server for tests: owns org.freedesktop.Notifications
// on the session bus and appends every Notify to a file, one line each:
// id, summary, then the actions' keys and labels, separated by tabs.
// A user clicking an action is played by calling org.brisquel.Test.Invoke
// (u id, s key): the server sends ActionInvoked and then NotificationClosed
// as a real server does.
//   notification-server RECORD_FILE
#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/message.h>
#include <fcitx-utils/event.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: notification-server RECORD_FILE\n");
    return 2;
  }
  const std::string record = argv[1];
  fcitx::EventLoop loop;
  fcitx::dbus::Bus bus(fcitx::dbus::BusType::Session);
  bus.attachEventLoop(&loop);
  std::uint32_t lastId = 0;

  auto object = bus.addObject(kPath, [&](fcitx::dbus::Message& message) {
    const std::string member = message.member();
    auto reply = message.createReply();
    if (message.interface() == kInterface && member == "Notify") {
      std::string app, icon, summary, body;
      std::uint32_t replaces = 0;
      std::vector<std::string> actions;
      if (!(message >> app >> replaces >> icon >> summary >> body >> actions)) return false;
      std::ofstream out(record, std::ios::app);
      out << ++lastId << '\t' << summary;
      for (const auto& action : actions) out << '\t' << action;
      out << '\n';
      reply << lastId;
    } else if (message.interface() == "org.brisquel.Test" && member == "Invoke") {
      std::uint32_t id = 0;
      std::string key;
      if (!(message >> id >> key)) return false;
      auto invoked = bus.createSignal(kPath, kInterface, "ActionInvoked");
      invoked << id << key;
      invoked.send();
      auto closed = bus.createSignal(kPath, kInterface, "NotificationClosed");
      closed << id << std::uint32_t{2};  // dismissed by the user
      closed.send();
    } else {
      return false;
    }
    reply.send();
    return true;
  });
  if (!object || !bus.requestName("org.freedesktop.Notifications", fcitx::Flags<fcitx::dbus::RequestNameFlag>(0))) {
    std::fprintf(stderr, "notification-server: cannot own org.freedesktop.Notifications\n");
    return 1;
  }
  loop.exec();
  return 0;
}
