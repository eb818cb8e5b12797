// SPDX-License-Identifier: MIT
#pragma once
// The applications running on the simulated desktop: which one is frontmost,
// activation with its notification, and the pasteboard they share.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/HandlerList.h"
#include "sim/SimApp.h"

namespace brisquel::sim {

class SimEventLoop;

class SimApplications {
 public:
  explicit SimApplications(SimEventLoop& loop);

  // The first application added is frontmost from the start (no notification).
  SimApp& add(AppSpec spec);
  void remove(const std::string& bundleId);
  SimApp* byBundleId(const std::string& bundleId);
  SimApp* byPid(std::int64_t pid);
  SimApp* frontmost() { return frontmost_; }
  const std::vector<std::unique_ptr<SimApp>>& all() const { return apps_; }
  std::u16string& clipboard() { return *clipboard_; }

  // Makes it frontmost at once; the observers hear of it on the main queue.
  void activate(const std::string& bundleId);
  Registration observeActivation(std::function<void(const RunningApplication&)> handler);

 private:
  SimEventLoop& loop_;
  std::vector<std::unique_ptr<SimApp>> apps_;
  SimApp* frontmost_ = nullptr;
  std::int64_t nextPid_;
  std::shared_ptr<std::u16string> clipboard_ = std::make_shared<std::u16string>();
  using ActivationList = HandlerList<std::function<void(const RunningApplication&)>>;
  std::shared_ptr<ActivationList> activationObservers_ = std::make_shared<ActivationList>();
};

}  // namespace brisquel::sim
