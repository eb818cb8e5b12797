// SPDX-License-Identifier: MIT
#pragma once
// Observers of a simulated-desktop event, kept by id so that a handler may
// unregister itself (or others) while they run.

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Registration.h"

namespace brisquel::sim {

template <typename Handler>
class HandlerList : public std::enable_shared_from_this<HandlerList<Handler>> {
 public:
  // Create with std::make_shared: the registration holds the list weakly, so
  // it may outlive the desktop.
  Registration add(Handler handler) {
    int id = next_++;
    handlers_.emplace(id, std::make_shared<Handler>(std::move(handler)));
    std::weak_ptr<HandlerList> weakSelf = this->weak_from_this();
    return Registration([weakSelf, id] {
      if (auto self = weakSelf.lock()) self->handlers_.erase(id);
    });
  }
  template <typename... Args>
  void call(const Args&... args) {
    std::vector<std::pair<int, std::shared_ptr<Handler>>> snapshot(handlers_.begin(), handlers_.end());
    for (auto& [id, handler] : snapshot) {
      if (handlers_.count(id)) (*handler)(args...);
    }
  }

 private:
  std::map<int, std::shared_ptr<Handler>> handlers_;
  int next_ = 1;
};

}  // namespace brisquel::sim
