// SPDX-License-Identifier: MIT
#pragma once
// The spelling answers the correction rules have had, by key. Asked on every
// key and added to on most: open addressing over one buffer of the keys'
// text, so that remembering an answer allocates only when the table grows.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisquel {

class ValidityCache {
 public:
  std::optional<bool> find(std::u16string_view key) const;
  // A key already there keeps its answer.
  void insert(std::u16string_view key, bool valid);
  void clear();
  std::size_t size() const { return size_; }

 private:
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t offset = 0;  // of the key in text_
    std::uint32_t length = 0;  // 0: empty (no key is empty)
    bool valid = false;
  };
  static std::uint32_t hashOf(std::u16string_view key);
  // The key's slot, or the empty one where it would go.
  std::size_t slotFor(std::u16string_view key, std::uint32_t hash) const;
  void grow();

  std::vector<Slot> slots_ = std::vector<Slot>(256);  // a power of two, at most half full
  std::u16string text_;
  std::size_t size_ = 0;
};

}  // namespace brisquel
