// SPDX-License-Identifier: MIT
#include "sim/SimApplications.h"

#include <algorithm>

#include "sim/SimEventLoop.h"

namespace brisquel::sim {

namespace {

constexpr std::int64_t kFirstPid = 501;

}  // namespace

SimApplications::SimApplications(SimEventLoop& loop) : loop_(loop), nextPid_(kFirstPid) {}

SimApp& SimApplications::add(AppSpec spec) {
  if (spec.pid <= 0) spec.pid = nextPid_;
  nextPid_ = std::max(nextPid_, spec.pid + 1);
  std::weak_ptr<SimEventLoop> weakLoop = loop_.weak_from_this();
  auto clock = [weakLoop] {
    auto loop = weakLoop.lock();
    return loop ? loop->now() : 0.0;
  };
  apps_.push_back(std::make_unique<SimApp>(std::move(spec), clock, clipboard_));
  SimApp& app = *apps_.back();
  if (!frontmost_) frontmost_ = &app;
  return app;
}

void SimApplications::remove(const std::string& bundleId) {
  auto it = std::find_if(apps_.begin(), apps_.end(), [&](const auto& app) { return app->bundleId() == bundleId; });
  if (it == apps_.end()) return;
  if (frontmost_ == it->get()) frontmost_ = nullptr;
  apps_.erase(it);
}

SimApp* SimApplications::byBundleId(const std::string& bundleId) {
  for (auto& app : apps_) {
    if (app->bundleId() == bundleId) return app.get();
  }
  return nullptr;
}

SimApp* SimApplications::byPid(std::int64_t pid) {
  for (auto& app : apps_) {
    if (app->pid() == pid) return app.get();
  }
  return nullptr;
}

void SimApplications::activate(const std::string& bundleId) {
  SimApp* app = byBundleId(bundleId);
  if (!app || app == frontmost_) return;
  frontmost_ = app;
  std::weak_ptr<ActivationList> weakObservers = activationObservers_;
  loop_.async([weakObservers, info = app->runningApplication()] {
    if (auto observers = weakObservers.lock()) observers->call(info);
  });
}

Registration SimApplications::observeActivation(std::function<void(const RunningApplication&)> handler) {
  return activationObservers_->add(std::move(handler));
}

}  // namespace brisquel::sim
