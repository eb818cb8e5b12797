// SPDX-License-Identifier: MIT
// Presses keys on a Wayland virtual keyboard (zwp_virtual_keyboard_v1) that
// uploads the standard keymap (evdev rules, pc105, us), so the keycodes are
// the physical keys' and fcitx5 reads them as it reads a real keyboard's.
// Modifier keys change the modifier state the keymap gives them, as a real
// keyboard's do.
//   wayland-keys [--gap MS] TOKEN...
//   wayland-keys --lines     reads "GAP<TAB>TOKEN<TAB>TOKEN..." lines, "done" after each
//   TOKEN: =TEXT types each character at its US key ("=ghbdtn ");
//          NAME taps a key (Return, BackSpace, Alt_L);
//          +NAME / -NAME press / release it; @MS waits.
// Every release of a modifier key is logged as "<realtime us> -NAME" on
// standard output.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

// virtual-keyboard-unstable-v1, as wayland-scanner writes it (no Debian
// package ships the protocol file).
extern const wl_interface kKeyboardInterface;
const wl_interface* kNone[] = {nullptr, nullptr, nullptr, nullptr};
const wl_interface* kCreate[] = {&wl_seat_interface, &kKeyboardInterface};
const wl_message kManagerRequests[] = {{"create_virtual_keyboard", "on", kCreate}};
const wl_message kKeyboardRequests[] = {
    {"keymap", "uhu", kNone}, {"key", "uuu", kNone}, {"modifiers", "uuuu", kNone}, {"destroy", "", kNone}};
const wl_interface kManagerInterface = {"zwp_virtual_keyboard_manager_v1", 1, 1, kManagerRequests, 0, nullptr};
const wl_interface kKeyboardInterface = {"zwp_virtual_keyboard_v1", 1, 4, kKeyboardRequests, 0, nullptr};
enum : std::uint32_t { kKeymap = 0, kKey = 1, kModifiers = 2 };

struct Globals {
  wl_seat* seat = nullptr;
  wl_proxy* manager = nullptr;
};

void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
  auto& g = *static_cast<Globals*>(data);
  if (std::strcmp(interface, "wl_seat") == 0 && !g.seat)
    g.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  if (std::strcmp(interface, kManagerInterface.name) == 0)
    g.manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kManagerInterface, 1));
}
void globalRemove(void*, wl_registry*, std::uint32_t) {}

long long realtimeMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::uint32_t now() {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

}  // namespace

int main(int argc, char** argv) {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "wayland-keys: no Wayland display\n");
    return 1;
  }
  Globals g;
  static const wl_registry_listener listener{&global, &globalRemove};
  wl_registry_add_listener(wl_display_get_registry(display), &listener, &g);
  wl_display_roundtrip(display);
  if (!g.seat || !g.manager) {
    std::fprintf(stderr, "wayland-keys: the compositor offers no virtual keyboard\n");
    return 1;
  }
  auto* keyboard = wl_proxy_marshal_constructor(g.manager, 0, &kKeyboardInterface, g.seat, nullptr);

  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
  xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
  const std::size_t size = std::strlen(text) + 1;
  const int fd = memfd_create("keymap", MFD_CLOEXEC);
  if (fd < 0 || write(fd, text, size) != static_cast<ssize_t>(size)) return 1;
  wl_proxy_marshal(keyboard, kKeymap, XKB_KEYMAP_FORMAT_TEXT_V1, fd, static_cast<std::uint32_t>(size));
  wl_display_roundtrip(display);
  xkb_state* state = xkb_state_new(keymap);
  const xkb_keycode_t shiftKey = [&] {
    for (xkb_keycode_t k = xkb_keymap_min_keycode(keymap); k <= xkb_keymap_max_keycode(keymap); ++k) {
      const xkb_keysym_t* syms = nullptr;
      if (xkb_keymap_key_get_syms_by_level(keymap, k, 0, 0, &syms) == 1 && syms[0] == XKB_KEY_Shift_L) return k;
    }
    return xkb_keycode_t{0};
  }();

  // The xkb keycode and Shift level that type a keysym on the US layout.
  const auto find = [&](xkb_keysym_t sym, xkb_keycode_t& code, bool& shift) {
    for (xkb_keycode_t k = xkb_keymap_min_keycode(keymap); k <= xkb_keymap_max_keycode(keymap); ++k) {
      for (xkb_level_index_t level = 0; level < 2; ++level) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap, k, 0, level, &syms) == 1 && syms[0] == sym) {
          code = k;
          shift = level == 1;
          return true;
        }
      }
    }
    return false;
  };
  int gapMs = 20;
  // A key goes down or up, then the modifier state follows it.
  const auto send = [&](xkb_keycode_t code, bool press) {
    const long long sentAt = realtimeMicroseconds();  // before the clients can have seen it
    wl_proxy_marshal(keyboard, kKey, now(), code - 8, press ? 1u : 0u);
    const bool modifier = xkb_state_update_key(state, code, press ? XKB_KEY_DOWN : XKB_KEY_UP) != 0;
    if (modifier) {
      wl_proxy_marshal(keyboard, kModifiers, xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
                       xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
                       xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED),
                       xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
    }
    wl_display_roundtrip(display);
    if (modifier && !press) {
      char name[64];
      xkb_keysym_get_name(xkb_state_key_get_one_sym(state, code), name, sizeof name);
      std::printf("%lld -%s\n", sentAt, name);
      std::fflush(stdout);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
  };
  const auto keyOf = [&](const std::string& name, xkb_keycode_t& code, bool& shift) {
    return find(xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS), code, shift);
  };
  const auto tap = [&](xkb_keysym_t sym) {
    xkb_keycode_t code = 0;
    bool shift = false;
    if (!find(sym, code, shift)) return false;
    if (shift) send(shiftKey, true);
    send(code, true);
    send(code, false);
    if (shift) send(shiftKey, false);
    return true;
  };

  int status = 0;
  const auto press = [&](const std::string& token) {
    xkb_keycode_t code = 0;
    bool shift = false;
    if (token.starts_with("@")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(token.substr(1))));
    } else if (token.starts_with("=")) {
      for (unsigned char c : token.substr(1)) status |= tap(xkb_utf32_to_keysym(c)) ? 0 : 1;
    } else if (token.size() > 1 && (token[0] == '+' || token[0] == '-') && keyOf(token.substr(1), code, shift)) {
      send(code, token[0] == '+');
    } else {
      status |= tap(xkb_keysym_from_name(token.c_str(), XKB_KEYSYM_NO_FLAGS)) ? 0 : 1;
    }
  };
  int i = 1;
  if (argc > 2 && std::string(argv[1]) == "--gap") {
    gapMs = std::stoi(argv[2]);
    i = 3;
  }
  if (i < argc && std::string(argv[i]) == "--lines") {
    // One keyboard for a whole session: sway 1.7 crashes when a keyboard it
    // gave the input method's grab goes away and another sends modifiers.
    // Each line: the gap, then the tokens, separated by tabs; "done" after each.
    std::string line;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
      line += buffer;
      if (line.empty() || line.back() != '\n') continue;
      line.pop_back();
      std::size_t from = 0;
      for (bool first = true; from <= line.size(); first = false) {
        const std::size_t to = std::min(line.find('\t', from), line.size());
        const std::string token = line.substr(from, to - from);
        if (first) {
          gapMs = std::atoi(token.c_str());
        } else if (!token.empty()) {
          press(token);
        }
        from = to + 1;
      }
      line.clear();
      std::printf("done\n");
      std::fflush(stdout);
    }
    ++i;
  }
  for (; i < argc; ++i) press(argv[i]);
  wl_display_roundtrip(display);
  if (status) std::fprintf(stderr, "wayland-keys: a key is not on the US layout\n");
  return status;
}
