// SPDX-License-Identifier: MIT
#pragma once
// Keyboard layouts on fcitx5: the keyboard input methods ("keyboard-us",
// "keyboard-ru", ...) of the current group, in the group's order. Selecting
// one switches the focused input context to it; fcitx5's input-method
// switches drive the change notification.
//
// fcitx5 keeps a separate input method per window unless its "Share Input
// State" option says otherwise; with "All" the program's per-application
// layouts are the only rule (see the README).

#include <fcitx-utils/handlertable.h>
#include <fcitx-utils/trackableobject.h>
#include <fcitx/event.h>

#include <list>
#include <map>
#include <memory>
#include <thread>

#include "fcitx5/Session.h"
#include "platform/InputSources.h"
#include "platform/MainQueue.h"

namespace brisquel::fcitx5 {

class Layouts final : public InputSourcePort, public fcitx::TrackableObject<Layouts> {
 public:
  Layouts(Session& session, MainQueuePort& mainQueue);
  ~Layouts() override;

  std::vector<InputSourceRef> enabledInputSources() override;
  std::uint64_t enabledSourcesVersion() override;
  InputSourceRef currentKeyboardInputSource() override;
  void select(const InputSourceRef& source) override;
  Registration observeSelectedSourceChanged(std::function<void()> handler) override;
  // Read from xkb once per layout: compiling a keymap takes milliseconds.
  std::optional<KeyboardTable> keyboardTable(const InputSourceRef& source) override;

 private:
  InputSourceRef source(const std::string& inputMethod);
  // Reads the enabled layouts' key tables on a worker thread, once the group
  // is known: compiling them (milliseconds each) must not fall on a key.
  void prefetchTables(const std::vector<InputSourceRef>& sources);

  Session& session_;
  MainQueuePort& mainQueue_;
  std::map<std::string, InputSourceRef> sources_;
  std::map<std::string, std::optional<KeyboardTable>> tables_;
  std::list<std::shared_ptr<std::function<void()>>> handlers_;
  std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>> watcher_;
  std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>> groupWatcher_;
  std::uint64_t groupChanges_ = 1;  // fcitx5's group changes seen
  std::uint64_t prefetchedFor_ = 0;  // the group change whose layouts were last read ahead
  bool prefetching_ = false;  // a worker is reading tables, until the loop has its results
  std::thread prefetcher_;  // declared last: joined before the members its results go to
};

}  // namespace brisquel::fcitx5
