// SPDX-License-Identifier: MIT
#include "fcitx5/Layouts.h"

#include <fcitx/inputmethodgroup.h>
#include <fcitx/inputmethodmanager.h>

#include "fcitx5/KeyMapping.h"
#include "fcitx5/XkbLayouts.h"

namespace brisquel::fcitx5 {

Layouts::Layouts(Session& session, MainQueuePort& mainQueue) : session_(session), mainQueue_(mainQueue) {
  watcher_ = session_.instance.watchEvent(
      fcitx::EventType::InputContextSwitchInputMethod, fcitx::EventWatcherPhase::PostInputMethod,
      [this](fcitx::Event&) {
        // After fcitx5 has finished the switch, never inside a tap's decision.
        auto alive = watch();
        mainQueue_.async([this, alive] {
          if (!alive.isValid()) return;
          const auto handlers = handlers_;
          for (const auto& handler : handlers) (*handler)();
        });
      });
  // fcitx5 reads its groups after loading the modules: the tables are read once the group is there.
  groupWatcher_ = session_.instance.watchEvent(fcitx::EventType::InputMethodGroupChanged,
                                               fcitx::EventWatcherPhase::PostInputMethod, [this](fcitx::Event&) {
                                                 ++groupChanges_;
                                                 (void)enabledInputSources();
                                               });
}

Layouts::~Layouts() {
  if (prefetcher_.joinable()) prefetcher_.join();
}

InputSourceRef Layouts::source(const std::string& inputMethod) {
  auto& ref = sources_[inputMethod];
  if (!ref) {
    InputSource s;
    s.category = kKeyboardInputSourceCategory;
    s.selectCapable = true;
    s.id = inputMethod;
    if (auto languages = layoutLanguages(inputMethod); !languages.empty()) s.languages = std::move(languages);
    ref = std::make_shared<const InputSource>(std::move(s));
  }
  return ref;
}

std::vector<InputSourceRef> Layouts::enabledInputSources() {
  std::vector<InputSourceRef> sources;
  const auto& manager = session_.instance.inputMethodManager();
  if (manager.groupCount() == 0) return sources;  // fcitx5 reads its groups after loading the modules
  const auto& group = manager.currentGroup();
  for (const auto& item : group.inputMethodList())
    if (item.name().starts_with("keyboard-")) sources.push_back(source(item.name()));
  if (groupChanges_ != prefetchedFor_) prefetchTables(sources);
  return sources;
}

std::uint64_t Layouts::enabledSourcesVersion() {
  // The group's list changes only with fcitx5's group-changed event (also
  // when the current group is edited); before fcitx5 has read its groups, nothing is known.
  return session_.instance.inputMethodManager().groupCount() == 0 ? 0 : groupChanges_;
}

void Layouts::prefetchTables(const std::vector<InputSourceRef>& sources) {
  // A worker still reading gives its tables first; the group is then read again.
  if (prefetching_) return;
  prefetchedFor_ = groupChanges_;
  std::vector<std::string> names;
  for (const auto& layout : sources)
    if (layout && layout->id && !tables_.count(*layout->id)) names.push_back(*layout->id);
  if (names.empty()) return;
  if (prefetcher_.joinable()) prefetcher_.join();  // it has finished: nothing to wait for
  prefetching_ = true;
  auto alive = watch();
  prefetcher_ = std::thread([this, alive, names] {
    // Each table is built with its own xkb context: nothing is shared with the loop.
    std::vector<std::pair<std::string, std::optional<KeyboardTable>>> read;
    for (const auto& name : names) {
      std::optional<KeyboardTable> table;
      if (auto xkb = xkbLayoutOf(name)) table = xkbKeyboardTable(*xkb);
      read.emplace_back(name, std::move(table));
    }
    mainQueue_.async([this, alive, read = std::move(read)]() mutable {
      if (!alive.isValid()) return;
      prefetching_ = false;  // the worker has only to return now
      // A table asked for meanwhile was built on the loop: the same one.
      for (auto& [name, table] : read) tables_.try_emplace(name, std::move(table));
      if (prefetchedFor_ != groupChanges_) (void)enabledInputSources();
    });
  });
}

InputSourceRef Layouts::currentKeyboardInputSource() {
  fcitx::InputContext* ic = session_.focused();
  if (!ic) ic = session_.focus.get();
  const auto& manager = session_.instance.inputMethodManager();
  if (!ic && manager.groupCount() == 0) return nullptr;
  // With no input context yet, the layout a new one starts on: the group's
  // first (fcitx5's "default" input method is the one it toggles to, never the first).
  const auto& group = manager.currentGroup();
  std::string name = group.defaultInputMethod();
  if (ic) {
    name = session_.instance.inputMethod(ic);
  } else if (!group.inputMethodList().empty()) {
    name = group.inputMethodList().front().name();
  }
  if (!name.starts_with("keyboard-")) return nullptr;
  return source(name);
}

void Layouts::select(const InputSourceRef& layout) {
  if (!layout || !layout->id) return;
  const Session::HostWork host(session_);
  if (fcitx::InputContext* ic = session_.focus.get()) {
    session_.instance.setCurrentInputMethod(ic, *layout->id, false);
  } else {
    session_.instance.setCurrentInputMethod(*layout->id);
  }
}

std::optional<KeyboardTable> Layouts::keyboardTable(const InputSourceRef& layout) {
  if (!layout || !layout->id) return std::nullopt;
  auto [it, added] = tables_.try_emplace(*layout->id);
  if (added) {
    if (auto name = xkbLayoutOf(*layout->id)) it->second = xkbKeyboardTable(*name);
  }
  return it->second;
}

Registration Layouts::observeSelectedSourceChanged(std::function<void()> handler) {
  auto entry = std::make_shared<std::function<void()>>(std::move(handler));
  handlers_.push_back(entry);
  auto alive = watch();
  return Registration([this, alive, entry] {
    if (alive.isValid()) handlers_.remove(entry);
  });
}

}  // namespace brisquel::fcitx5
