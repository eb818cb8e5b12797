// SPDX-License-Identifier: MIT
#include "base/KeyPath.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace brisquel::keypath {
namespace {

constexpr std::size_t kLine = 64;
// A program's key path reads about ten objects; past the list an object is
// only not warmed.
constexpr std::size_t kMaxObjects = 32;

struct Kept {
  const char* start = nullptr;
  std::size_t bytes = 0;
};

std::array<Kept, kMaxObjects> kept;
std::size_t keptCount = 0;

}  // namespace

KeptWarm::KeptWarm(const void* object, std::size_t bytes) : object_(object) {
  if (keptCount < kMaxObjects) kept[keptCount++] = {static_cast<const char*>(object), bytes};
}

KeptWarm::~KeptWarm() {
  const auto end = kept.begin() + static_cast<std::ptrdiff_t>(keptCount);
  const auto it = std::find_if(kept.begin(), end, [this](const Kept& k) { return k.start == object_; });
  if (it == end) return;
  *it = *(end - 1);
  --keptCount;
}

BRISQUEL_KEY_PATH void warm() {
#if defined(__GNUC__)
  for (std::size_t i = 0; i < keptCount; ++i) {
    // A prefetch never faults, so an address is safe to ask for whatever it holds.
    const auto first = reinterpret_cast<std::uintptr_t>(kept[i].start) & ~std::uintptr_t{kLine - 1};
    const auto last = reinterpret_cast<std::uintptr_t>(kept[i].start) + kept[i].bytes;
    for (auto line = first; line < last; line += kLine) __builtin_prefetch(reinterpret_cast<const void*>(line));
  }
#endif
}

}  // namespace brisquel::keypath
