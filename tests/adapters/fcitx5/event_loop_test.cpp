// SPDX-License-Identifier: MIT
// The main queue on fcitx5's loop: what is queued runs after the work that
// queued it, in order, whichever thread queued it, and never once the queue
// is gone.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FcitxHarness.h"
#include "fcitx5/EventLoop.h"

namespace brisquel {
namespace {

using fcitx5test::FcitxHarness;
using fcitx5test::Step;

TEST(LoopQueue, RunsTasksInTheOrderQueuedAfterTheWorkThatQueuedThem) {
  FcitxHarness host;
  auto queue = std::make_unique<fcitx5::LoopQueue>(host.instance().eventLoop());
  std::vector<std::string> ran;
  std::size_t ranWhenGone = 0;
  host.run({
      Step([&] {
        queue->async([&] {
          ran.push_back("first");
          queue->async([&] { ran.push_back("queued by a task"); });
        });
        queue->async([&] { ran.push_back("second"); });
        ran.push_back("the work that queued them");
      }),
      Step([&] { std::thread([&] { queue->async([&] { ran.push_back("from another thread"); }); }).join(); }),
      Step::waitUntil([&] { return ran.size() == 5; }),
      Step([&] {
        queue->async([&] { ran.push_back("queued before the queue went"); });
        queue.reset();
        ranWhenGone = ran.size();
      }),
      Step([] {}, 0.05),
  });
  EXPECT_EQ(ran, (std::vector<std::string>{"the work that queued them", "first", "second", "queued by a task",
                                           "from another thread"}));
  EXPECT_EQ(ranWhenGone, 5u);
}

}  // namespace
}  // namespace brisquel
