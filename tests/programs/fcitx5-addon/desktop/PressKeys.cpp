// SPDX-License-Identifier: MIT
// Presses keys on the Xvfb keyboard device, so that they look physical to
// every client and to fcitx5 (XTest through the device, not the core XTest
// keyboard), after giving the input focus to a window found by its name.
//   press-keys [--window NAME] [--gap MS] TOKEN...
//   TOKEN: =TEXT types each character at its US key ("=ghbdtn vbh ");
//          NAME taps a key (space, Return, BackSpace, Alt_L);
//          +NAME / -NAME press / release it; @MS waits.
// Every Space press is logged as "<realtime us> +space" on standard output,
// every release of Alt, Control or Super as "<realtime us> -NAME".
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace {

long long realtimeMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void sleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Window findWindow(Display* display, Window window, const std::string& name) {
  char* title = nullptr;
  XWindowAttributes attributes;
  bool match = false;
  if (XFetchName(display, window, &title) && title) {
    match = name == title;
    XFree(title);
  } else {
    // Chromium names its windows in UTF-8 only (_NET_WM_NAME).
    XTextProperty property{};
    if (XGetTextProperty(display, window, &property, XInternAtom(display, "_NET_WM_NAME", False)) && property.value) {
      match = name == reinterpret_cast<const char*>(property.value);
      XFree(property.value);
    }
  }
  if (match && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable) return window;
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && !found; ++i) found = findWindow(display, children[i], name);
  if (children) XFree(children);
  return found;
}

class Keyboard {
 public:
  Keyboard(Display* display, XDevice* device, int gapMs) : display_(display), device_(device), gapMs_(gapMs) {}

  bool send(const std::string& name, bool press) {
    const KeySym sym = XStringToKeysym(name.c_str());
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display_, sym);
    if (!code) {
      std::fprintf(stderr, "press-keys: no key for %s\n", name.c_str());
      return false;
    }
    if (press && name == "space") std::printf("%lld +space\n", realtimeMicroseconds());
    std::fflush(stdout);
    // The moment the key goes up, before the clients can have seen it.
    if (!press && (name.starts_with("Alt_") || name.starts_with("Control_") || name.starts_with("Super_")))
      std::printf("%lld -%s\n", realtimeMicroseconds(), name.c_str());
    XTestFakeDeviceKeyEvent(display_, device_, code, press, nullptr, 0, CurrentTime);
    XSync(display_, False);
    sleepMs(gapMs_);
    return true;
  }
  bool tap(const std::string& name) { return send(name, true) && send(name, false); }
  // Each character at its key of the US layout, with Shift where that layout needs it.
  bool type(const std::string& text) {
    static const std::map<char, std::string> named = {
        {' ', "space"},  {',', "comma"},      {'.', "period"},       {';', "semicolon"}, {'\'', "apostrophe"},
        {'[', "bracketleft"}, {']', "bracketright"}, {'/', "slash"}, {'-', "minus"},     {'=', "equal"},
        {'`', "grave"},  {'\\', "backslash"}};
    static const std::string shifted = "~!@#$%^&*()_+{}|:\"<>?";
    static const std::string unshifted = "`1234567890-=[]\\;',./";
    for (char c : text) {
      char key = c;
      bool shift = false;
      if (c >= 'A' && c <= 'Z') {
        key = static_cast<char>(c - 'A' + 'a');
        shift = true;
      } else if (const auto at = shifted.find(c); at != std::string::npos) {
        key = unshifted[at];
        shift = true;
      }
      const auto it = named.find(key);
      const std::string name = it != named.end() ? it->second : std::string(1, key);
      if (shift && !send("Shift_L", true)) return false;
      const bool typed = tap(name);
      if (shift && !send("Shift_L", false)) return false;
      if (!typed) return false;
    }
    return true;
  }

 private:
  Display* display_;
  XDevice* device_;
  int gapMs_;
};

}  // namespace

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "press-keys: cannot open the display\n");
    return 1;
  }
  int gapMs = 30;  // a key every 60 ms: a fast typist
  std::string windowName;
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == '-' && argv[i][1] == '-'; i += 2) {
    if (!std::strcmp(argv[i], "--gap")) gapMs = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--window")) windowName = argv[i + 1];
  }
  int devices = 0;
  XDeviceInfo* info = XListInputDevices(display, &devices);
  XID keyboardId = 0;
  for (int d = 0; d < devices; ++d)
    if (!std::strcmp(info[d].name, "Xvfb keyboard")) keyboardId = info[d].id;
  XFreeDeviceList(info);
  XDevice* device = keyboardId ? XOpenDevice(display, keyboardId) : nullptr;
  if (!device) {
    std::fprintf(stderr, "press-keys: no \"Xvfb keyboard\" device\n");
    return 2;
  }
  if (!windowName.empty()) {
    Window window = 0;
    for (int tries = 0; tries < 200 && !window; ++tries) {
      window = findWindow(display, DefaultRootWindow(display), windowName);
      if (!window) sleepMs(50);
    }
    if (!window) {
      std::fprintf(stderr, "press-keys: no window named %s\n", windowName.c_str());
      return 3;
    }
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    sleepMs(300);  // the toolkit's focus-in reaches the input method
  }
  Keyboard keyboard(display, device, gapMs);
  for (; i < argc; ++i) {
    const std::string token = argv[i];
    bool ok = true;
    if (token[0] == '@') {
      sleepMs(std::atoi(token.c_str() + 1));
    } else if (token[0] == '=') {
      ok = keyboard.type(token.substr(1));
    } else if (token[0] == '+' && token.size() > 1) {
      ok = keyboard.send(token.substr(1), true);
    } else if (token[0] == '-' && token.size() > 1) {
      ok = keyboard.send(token.substr(1), false);
    } else {
      ok = keyboard.tap(token);
    }
    if (!ok) return 4;
  }
  XCloseDevice(display, device);
  XCloseDisplay(display);
  return 0;
}
