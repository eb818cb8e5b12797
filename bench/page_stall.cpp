// SPDX-License-Identifier: MIT
// How long this machine takes to touch memory again after a pause, for the
// latency runs: on some virtual machines memory that the guest leaves idle is
// slow to touch again (the host has taken it back or moved it), and the first
// touch of such a page stalls for a hundred microseconds or more, whoever
// touches it. A key that meets such a page waits as long: the keys' tail
// depends on this machine's rate.
//   page_stall [MiB]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kPage = 4096;
constexpr double kStallUs = 50;

}  // namespace

int main(int argc, char** argv) {
  const long mib = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 64;
  if (mib <= 0 || mib > 4096) {
    std::fprintf(stderr, "page_stall: the size is 1 to 4096 MiB, not %s\n", argv[1]);
    return 2;
  }
  const std::size_t pages = static_cast<std::size_t>(mib) * 1024 * 1024 / kPage;
  std::vector<unsigned char> memory(pages * kPage, 1);
  volatile unsigned char sink = 0;  // keeps each read
  for (const double pause : {0.5, 2.0}) {
    for (std::size_t i = 0; i < pages; ++i) ++memory[i * kPage];
    std::this_thread::sleep_for(std::chrono::duration<double>(pause));
    std::vector<double> stalls;
    for (std::size_t i = 0; i < pages; ++i) {
      const auto before = std::chrono::steady_clock::now();
      sink = memory[i * kPage + 64];
      const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - before).count();
      if (us > kStallUs) stalls.push_back(us);
    }
    std::sort(stalls.begin(), stalls.end());
    std::printf("machine: after %.1f s untouched, %.2f %% of %zu pages stalled over %.0f us at their next touch", pause,
                100.0 * static_cast<double>(stalls.size()) / static_cast<double>(pages), pages, kStallUs);
    if (!stalls.empty()) std::printf(" (median %.0f us, max %.0f us)", stalls[stalls.size() / 2], stalls.back());
    std::printf("\n");
  }
  (void)sink;
  return 0;
}
