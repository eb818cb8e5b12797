// SPDX-License-Identifier: MIT
#pragma once
// Typed user defaults of the application's domain.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/PropertyValue.h"

namespace brisquel {

class DefaultsPort {
 public:
  virtual ~DefaultsPort() = default;
  virtual std::optional<DefaultsValue> object(const std::string& key) const = 0;
  virtual void set(const std::string& key, const DefaultsValue& value) = 0;
  virtual void remove(const std::string& key) = 0;
  // Several values stored together (one write of a store kept in a file).
  virtual void setValues(const std::vector<std::pair<std::string, DefaultsValue>>& values) {
    for (const auto& [key, value] : values) set(key, value);
  }
  // Grows with every set and remove, so readers can keep what they parsed
  // from the values until it moves.
  virtual std::uint64_t changeCount() const = 0;
  // Grows when values other processes stored were taken in (by
  // synchronize() or by a save merging with the file), so that what shows
  // the settings can follow.
  virtual std::uint64_t changesFromElsewhere() const { return 0; }
  // Takes in what other processes stored since the last look (a store kept
  // in memory only has none). Changes made here stay on top of theirs.
  virtual void synchronize() {}
};

// Values held in memory: the whole store on the simulated desktop, and a
// store kept in a file between its reads and writes.
class MemoryDefaults : public DefaultsPort {
 public:
  std::optional<DefaultsValue> object(const std::string& key) const override {
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  void set(const std::string& key, const DefaultsValue& value) override {
    values_[key] = value;
    ++changes_;
  }
  void remove(const std::string& key) override {
    values_.erase(key);
    ++changes_;
  }
  std::uint64_t changeCount() const override { return changes_; }

 protected:
  std::map<std::string, DefaultsValue> values_;
  std::uint64_t changes_ = 0;
};

}  // namespace brisquel
