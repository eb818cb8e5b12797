// SPDX-License-Identifier: MIT
#include "typo/ValidityCache.h"

#include <algorithm>

namespace brisquel {

std::uint32_t ValidityCache::hashOf(std::u16string_view key) {
  std::uint32_t h = 2166136261u;  // FNV-1a over the code units
  for (char16_t u : key) h = (h ^ u) * 16777619u;
  return h;
}

std::size_t ValidityCache::slotFor(std::u16string_view key, std::uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.length == 0) return i;
    if (slot.hash == hash && slot.length == key.size() &&
        std::u16string_view(text_).substr(slot.offset, slot.length) == key)
      return i;
  }
}

std::optional<bool> ValidityCache::find(std::u16string_view key) const {
  const Slot& slot = slots_[slotFor(key, hashOf(key))];
  if (slot.length == 0) return std::nullopt;
  return slot.valid;
}

void ValidityCache::insert(std::u16string_view key, bool valid) {
  if (key.empty()) return;
  if ((size_ + 1) * 2 > slots_.size()) grow();
  const std::uint32_t hash = hashOf(key);
  Slot& slot = slots_[slotFor(key, hash)];
  if (slot.length != 0) return;
  slot = {hash, static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(key.size()), valid};
  text_ += key;
  ++size_;
}

void ValidityCache::clear() {
  std::fill(slots_.begin(), slots_.end(), Slot{});
  text_.clear();
  size_ = 0;
}

void ValidityCache::grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.length == 0) continue;
    std::size_t i = slot.hash & mask;
    while (slots_[i].length != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

}  // namespace brisquel
