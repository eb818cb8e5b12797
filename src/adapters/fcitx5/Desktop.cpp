// SPDX-License-Identifier: MIT
#include "fcitx5/Desktop.h"

#include <fcitx-utils/log.h>

#include <string_view>

namespace brisquel::fcitx5 {

Desktop::Desktop(fcitx::Instance& instance, DesktopOptions options)
    : session_(instance),
      mainQueue_(instance.eventLoop()),
      wayland_(instance),
      keyboard_(session_, mainQueue_, wayland_),
      text_(session_, keyboard_),
      layouts_(session_, mainQueue_),
      applications_(session_, mainQueue_),
      application_(session_, options.installation, std::move(options.version)),
      loginItems_(posix::launcherEntry(options.installation)),
      notifications_(instance, mainQueue_),
      ui_(notifications_),
      statusItem_(instance.eventLoop(), mainQueue_, background_, applications_),
      hostBus_(instance, layouts_, application_.bundleVersion()),
      waylandFocus_(instance.eventLoop(),
                    [this](const std::string& appId) { applications_.compositorFocusChanged(appId); }),
      focusSourceBus_(
          instance, [this] { return toldBy_.empty() ? waylandFocus_.source() : toldBy_; },
          [this](const std::string& source, const std::string& appId) {
            toldBy_ = source;
            applications_.compositorFocusChanged(appId);
          }) {
  ui_.setStatusItem(&statusItem_);
  // Text sent from a timer or a task (a conversion on a lone Alt) would wait
  // on a Wayland connection until fcitx5's next Wayland activity.
  mainQueue_.setAfterEach([this] { wayland_.flush(); });
  using fcitx::EventType;
  using fcitx::EventWatcherPhase;
  // Ahead of the input method: the program decides before anything else sees the key.
  watchers_.push_back(instance.watchEvent(EventType::InputContextKeyEvent, EventWatcherPhase::PreInputMethod,
                                          [this](fcitx::Event& event) {
                                            lastKeyAt_ = clock_.now();
                                            auto& key = static_cast<fcitx::KeyEvent&>(event);
                                            if (!key.isRelease() && !key.rawKey().isModifier())
                                              applications_.keyTyped();
                                            keyboard_.handle(key);
                                          }));
  watchers_.push_back(instance.watchEvent(
      EventType::InputContextKeyEvent, EventWatcherPhase::PostInputMethod,
      [this](fcitx::Event& event) { keyboard_.passedOn(static_cast<fcitx::KeyEvent&>(event)); }));
  watchers_.push_back(
      instance.watchEvent(EventType::InputContextCommitString, EventWatcherPhase::Default, [this](fcitx::Event& event) {
        keyboard_.textCommitted(*static_cast<fcitx::InputContextEvent&>(event).inputContext());
      }));
  watchers_.push_back(instance.watchEvent(EventType::InputContextForwardKey, EventWatcherPhase::Default,
                                          [this](fcitx::Event&) { keyboard_.keyForwarded(); }));
  watchers_.push_back(
      instance.watchEvent(EventType::InputContextFocusIn, EventWatcherPhase::Default, [this](fcitx::Event& event) {
        auto* ic = static_cast<fcitx::InputContextEvent&>(event).inputContext();
        // Wayland's input-method protocol gives every client one context: the
        // text the last client reported is not the new one's (foot reports none).
        if (std::string_view(ic->frontend()) == "wayland_v2") ic->surroundingText().invalidate();
        session_.setFocus(ic);
        applications_.focusChanged(*ic);
        keyboard_.caretMoved(CaretMove::FocusChanged);
      }));
  // Toolkits reset the input method when the user clicks into the text, and
  // also right after some keys (BackSpace in GTK): only a reset with no key
  // just before it is taken for a click.
  watchers_.push_back(
      instance.watchEvent(EventType::InputContextReset, EventWatcherPhase::Default, [this](fcitx::Event& event) {
        auto* ic = static_cast<fcitx::InputContextEvent&>(event).inputContext();
        if (!ic->hasFocus()) return;
        keyboard_.composingEnded();
        if (clock_.now() - lastKeyAt_ > kKeyResetWindow) keyboard_.caretMoved(CaretMove::InputMethodReset);
      }));
  watchers_.push_back(
      instance.watchEvent(EventType::InputContextFocusOut, EventWatcherPhase::Default, [this](fcitx::Event& event) {
        keyboard_.focusLost(*static_cast<fcitx::InputContextEvent&>(event).inputContext());
      }));
  watchers_.push_back(instance.watchEvent(
      EventType::InputContextSwitchInputMethod, EventWatcherPhase::Default, [this](fcitx::Event& event) {
        keyboard_.inputMethodChanged(*static_cast<fcitx::InputContextEvent&>(event).inputContext());
      }));
}

Desktop::~Desktop() {
  if (const auto t = keyboard_.timings(); t.keys > 0) {
    FCITX_INFO() << "Brisquel decided " << t.keys << " key events: median " << t.median << " us, p99 " << t.p99
                 << " us, max " << t.max << " us; without fcitx5's own work (switching input methods, messages to "
                 << "the applications): median " << t.ownMedian << " us, p99 " << t.ownP99 << " us, max " << t.ownMax
                 << " us";
  }
}

Platform Desktop::platform() {
  Platform p;
  p.keyboard = &keyboard_;
  p.accessibility = &text_;
  p.textField = &text_;
  p.inputSources = &layouts_;
  p.workspace = &applications_;
  p.mainQueue = &mainQueue_;
  p.background = &background_;
  p.clock = &clock_;
  p.application = &application_;
  p.processes = &processes_;
  p.loginItems = &loginItems_;
  p.ui = &ui_;
  return p;
}

}  // namespace brisquel::fcitx5
