// SPDX-License-Identifier: MIT
#pragma once
// Input sources on the simulated desktop: the enabled sources, the current
// one with the keyboard table it types with, and the change notification.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/InputSources.h"
#include "sim/HandlerList.h"
#include "sim/SimContext.h"

namespace brisquel::sim {

class SimInputSources final : public InputSourcePort {
 public:
  explicit SimInputSources(SimContext& context) : context_(context) {}

  std::vector<InputSourceRef> enabledInputSources() override { return enabled_; }
  std::uint64_t enabledSourcesVersion() override { return version_; }
  InputSourceRef currentKeyboardInputSource() override { return context_.current.source; }
  void select(const InputSourceRef& source) override;
  Registration observeSelectedSourceChanged(std::function<void()> handler) override;
  // From the source's X11 table.
  std::optional<KeyboardTable> keyboardTable(const InputSourceRef& source) override;

  // See Desktop for these.
  void enableLayouts(const std::vector<std::string>& codes);
  static InputSource standardSource(const std::string& code);
  InputSourceRef addSource(InputSource source, std::optional<std::string> keyboardLayout);
  void clearSources();
  void setCurrentSource(InputSourceRef source);
  bool selectLayout(const std::string& code);
  const std::vector<std::string>& selectLog() const { return selectLog_; }
  void clearSelectLog() { selectLog_.clear(); }

 private:
  const KeyboardLayout* tableOf(const InputSourceRef& source) const;
  void makeCurrent(InputSourceRef source);

  SimContext& context_;
  std::vector<InputSourceRef> enabled_;
  std::uint64_t version_ = 1;
  std::map<const InputSource*, std::string> tables_;
  std::vector<std::string> selectLog_;
  using ObserverList = HandlerList<std::function<void()>>;
  std::shared_ptr<ObserverList> observers_ = std::make_shared<ObserverList>();
};

}  // namespace brisquel::sim
