// SPDX-License-Identifier: MIT
// The status item's menu as a panel reads it over D-Bus: the program's real
// menu exported on a private bus, on fcitx5's loop, and called the way
// panels call it, replies and signals read back as the panel gets them.
#include <fcitx-utils/dbus/bus.h>
#include <fcitx-utils/dbus/matchrule.h>
#include <fcitx-utils/dbus/message.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "FcitxHarness.h"
#include "SimProgramTest.h"
#include "fcitx5/DBusMenu.h"
#include "fcitx5/EventLoop.h"
#include "l10n/L10n.h"

namespace brisquel::fcitx5 {
namespace {

using fcitx::dbus::Container;
using fcitx::dbus::ContainerEnd;
using fcitx::dbus::Message;
using fcitx::dbus::Signature;
using fcitx5test::Step;

// A dbus-daemon of the test's own, ended with it.
class PrivateBus {
 public:
  PrivateBus() {
    if (FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r")) {
      char line[512] = {};
      if (std::fgets(line, sizeof line, out)) address_ = std::string(line, std::strcspn(line, "\n"));
      if (std::fscanf(out, "%d", &pid_) != 1) pid_ = 0;
      ::pclose(out);
    }
  }
  ~PrivateBus() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
  }
  const std::string& address() const { return address_; }

 private:
  pid_t pid_ = 0;
  std::string address_;
};

// The complete types a signature lists, one by one.
std::vector<std::string> types(std::string_view signature) {
  std::vector<std::string> out;
  while (!signature.empty()) {
    std::size_t length = 0;
    for (int depth = 0; length == 0 || depth > 0 || signature[length - 1] == 'a';) {
      const char c = signature[length++];
      depth += (c == '(' || c == '{') - (c == ')' || c == '}');
    }
    out.emplace_back(signature.substr(0, length));
    signature.remove_prefix(length);
  }
  return out;
}

template <typename T>
T read(Message& m) {
  T value{};
  m >> value;
  return value;
}

// A value of the message as text: "quoted" strings, [arrays], (structs),
// {key: value} dictionaries; a variant shows as its value.
std::string print(Message& m, const std::string& type) {
  auto contents = [&](Container::Type kind, const std::string& inner, const char* open, const char* separator,
                      const char* close, const std::vector<std::string>& each) {
    m >> Container(kind, Signature(inner));
    std::string out = open;
    for (std::size_t i = 0; m && !m.end(); ++i)
      out += (i > 0 ? separator : "") + print(m, each.at(each.size() == 1 ? 0 : i));
    m >> ContainerEnd();
    return out + close;
  };
  const std::string inner = type.substr(1, type.size() - (type[0] == 'a' ? 1 : 2));
  switch (type[0]) {
    case 'a':
      return contents(Container::Type::Array, inner, inner[0] == '{' ? "{" : "[", ", ", inner[0] == '{' ? "}" : "]",
                      {inner});
    case '(':
      return contents(Container::Type::Struct, inner, "(", " ", ")", types(inner));
    case '{':
      return contents(Container::Type::DictEntry, inner, "", ": ", "", types(inner));
    case 'v':
      return contents(Container::Type::Variant, m.peekType().second, "", "", "", {m.peekType().second});
    case 's':
      return '"' + read<std::string>(m) + '"';
    case 'b':
      return read<bool>(m) ? "true" : "false";
    case 'u':
      return std::to_string(read<std::uint32_t>(m));
    default:
      return std::to_string(read<std::int32_t>(m));
  }
}

// A reply's values, separated by " ; ".
std::string printed(Message& m) {
  std::string out;
  for (const auto& type : types(m.signature())) out += (out.empty() ? "" : " ; ") + print(m, type);
  return out;
}

class DBusMenuTest : public testing::SimProgramTest {
 protected:
  DBusMenuTest() : SimProgramTest("dbus-menu") {
    L10n::setCurrentForTesting("en");
    startProgram();
    menu_.setMenu(desktop.statusItemMenu());
    server_.attachEventLoop(&host_.instance().eventLoop());
    server_.addObjectVTable(DBusMenu::kPath, DBusMenu::kInterface, menu_);
    client_.attachEventLoop(&host_.instance().eventLoop());
    signals_ = client_.addMatch(fcitx::dbus::MatchRule(server_.uniqueName(), DBusMenu::kPath, DBusMenu::kInterface),
                                [this](Message& m) {
                                  received_.push_back(m.member());
                                  return true;
                                });
  }

  // Steps that call the menu and wait for its reply (as text; an error by its
  // name), then give what the call set off a moment: a click runs on the
  // loop's next turn, and the signals it sends are kept in `signals`.
  std::vector<Step> call(const char* method, std::function<void(Message&)> arguments, std::string& reply,
                         std::vector<std::string>& signals) {
    return {Step([this, method, arguments, &reply] {
              received_.clear();
              answered_ = false;
              auto msg =
                  client_.createMethodCall(server_.uniqueName().c_str(), DBusMenu::kPath, DBusMenu::kInterface, method);
              arguments(msg);
              pending_ = msg.callAsync(5000000, [this, &reply](Message& r) {
                reply = r.isError() ? "error " + r.errorName() : printed(r);
                answered_ = true;
                return true;
              });
            }),
            Step::waitUntil([this] { return answered_; }), Step([] {}, 0.05),
            Step([this, &signals] { signals = received_; })};
  }

  PrivateBus bus_;
  fcitx5test::FcitxHarness host_;
  LoopQueue queue_{host_.instance().eventLoop()};
  DBusMenu menu_{queue_, *desktop.platform().workspace};
  fcitx::dbus::Bus server_{bus_.address()};
  fcitx::dbus::Bus client_{bus_.address()};
  std::unique_ptr<fcitx::dbus::Slot> signals_;
  std::unique_ptr<fcitx::dbus::Slot> pending_;
  bool answered_ = false;
  std::vector<std::string> received_;
};

// An event's arguments: a click on the row.
void click(Message& m, std::int32_t id) {
  m << id << std::string("clicked") << Container(Container::Type::Variant, Signature("i")) << 0 << ContainerEnd()
    << std::uint32_t{0};
}

// The id of the row shown with this label in a printed layout, or -1.
std::int32_t idIn(const std::string& layout, const std::string& label) {
  std::smatch match;
  const std::string quoted = std::regex_replace(label, std::regex("[()+.*?]"), "\\$&");
  if (!std::regex_search(layout, match, std::regex("\\((\\d+) \\{\"label\": \"" + quoted + "\""))) return -1;
  return std::stoi(match[1]);
}

TEST_F(DBusMenuTest, PanelsReadTheRowsAndClickThem) {
  ASSERT_FALSE(bus_.address().empty()) << "dbus-daemon did not start";
  std::int32_t box = -1, radio = -1;  // the rows as the panel finds them by their labels
  const std::vector<std::string> toggle{"toggle-type", "toggle-state", "label"};
  using Args = std::function<void(Message&)>;
  const struct Row {
    const char* what;
    const char* method;
    Args arguments;
    std::string reply;                      // "#" stands for the check box's id
    std::vector<std::string> signals = {};  // what the menu announced meanwhile
  } rows[] = {
      {"a check box, the properties asked for", "GetLayout", [&](Message& m) { m << box << 0 << toggle; },
       "(# {\"label\": \"Auto 'typo' switcher\", \"toggle-state\": 1, \"toggle-type\": \"checkmark\"} [])"},
      {"a radio button of the switching methods", "GetProperty",
       [&](Message& m) { m << radio << std::string("toggle-type"); }, "\"radio\""},
      {"every property of the root", "GetLayout", [](Message& m) { m << 0 << 0 << std::vector<std::string>(); },
       "(0 {\"children-display\": \"submenu\", \"visible\": true} [])"},
      {"a row that is not there", "GetLayout", [](Message& m) { m << 100000 << 0 << std::vector<std::string>(); },
       "error com.canonical.dbusmenu.Error.InvalidId"},
      {"a property that is not there", "GetProperty", [&](Message& m) { m << box << std::string("colour"); },
       "error com.canonical.dbusmenu.Error.UnknownProperty"},
      {"a row asked for many times is answered once, unknown ones not at all", "GetGroupProperties",
       [&](Message& m) {
         std::vector<std::int32_t> ids(100000, box);
         ids.push_back(-7);
         m << ids << std::vector<std::string>{"toggle-state"};
       },
       "[(# {\"toggle-state\": 1})]"},
      {"a click", "Event", [&](Message& m) { click(m, box); }, "", {"ItemsPropertiesUpdated", "LayoutUpdated"}},
      {"... the row shows it", "GetProperty", [&](Message& m) { m << box << std::string("toggle-state"); }, "0"},
      {"nothing changed since: nothing to update", "AboutToShow", [](Message& m) { m << 0; }, "false"},
      {"clicks in one call, twice on a row and on rows that are not there",
       "EventGroup",
       [&](Message& m) {
         m << Container(Container::Type::Array, Signature("(isvu)"));
         for (std::int32_t id : {box, box, 100000, 100000, 100001}) {
           m << Container(Container::Type::Struct, Signature("isvu"));
           click(m, id);
           m << ContainerEnd();
         }
         m << ContainerEnd();
       },
       "[100000, 100001]",
       {"ItemsPropertiesUpdated", "LayoutUpdated"}},
      {"... clicked once", "GetProperty", [&](Message& m) { m << box << std::string("toggle-state"); }, "1"},
      {"menus about to show, known and unknown", "AboutToShowGroup",
       [&](Message& m) {
         m << std::vector<std::int32_t>{0, box, 100000, 100000};
       },
       "[] ; [100000]"},
  };
  std::string layout;
  std::vector<std::string> layoutSignals;
  std::vector<Step> steps = call(
      "GetLayout", [](Message& m) { m << 0 << -1 << std::vector<std::string>{"label"}; }, layout, layoutSignals);
  steps.emplace_back([&] {
    box = idIn(layout, "Auto 'typo' switcher");
    radio = idIn(layout, "Shift ⇧ + Option ⌥");
  });
  std::vector<std::string> replies(std::size(rows));
  std::vector<std::vector<std::string>> signals(std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    auto more = call(rows[i].method, rows[i].arguments, replies[i], signals[i]);
    steps.insert(steps.end(), more.begin(), more.end());
  }
  host_.run(steps);

  ASSERT_GT(box, 0) << layout;
  ASSERT_GT(radio, 0) << layout;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].what);
    std::string reply = replies[i];
    // GetLayout answers the menu's revision first.
    if (std::string(rows[i].method) == "GetLayout" && !reply.starts_with("error"))
      reply.erase(0, reply.find(" ; ") + 3);
    EXPECT_EQ(reply, std::regex_replace(rows[i].reply, std::regex("#"), std::to_string(box)));
    EXPECT_EQ(signals[i], rows[i].signals);
  }
}

}  // namespace
}  // namespace brisquel::fcitx5
