// SPDX-License-Identifier: MIT
#pragma once
// Storage on the simulated desktop: an in-memory defaults store, and files on
// the real file system under one root folder, dated with the virtual wall time.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/Defaults.h"
#include "platform/Files.h"
#include "sim/SimEventLoop.h"

namespace brisquel::sim {

class SimDefaults final : public MemoryDefaults {
 public:
  // Once the values were handed out for writing, a change may come at any
  // time: every query reports one.
  std::uint64_t changeCount() const override { return changes_ + (handedOut_ ? ++queries_ : 0); }

  std::map<std::string, DefaultsValue>& handOutValues() {
    handedOut_ = true;
    return values_;
  }

 private:
  mutable std::uint64_t queries_ = 0;
  bool handedOut_ = false;
};

class SimFiles final : public FilesPort {
 public:
  // Empty root: a fresh folder under the system's temporary folder, removed
  // with the desktop.
  explicit SimFiles(std::filesystem::path root);
  ~SimFiles() override;
  SimFiles(const SimFiles&) = delete;
  SimFiles& operator=(const SimFiles&) = delete;

  std::filesystem::path applicationSupportDirectory() override { return root_ / "Library" / "Application Support"; }
  std::filesystem::path homeDirectory() override { return root_; }
  bool createDirectories(const std::filesystem::path& dir) override;
  bool writeAtomically(const std::filesystem::path& file, const std::string& bytes) override;
  using FilesPort::read;
  std::optional<std::string> read(const std::filesystem::path& file, std::size_t maxBytes) override;
  bool exists(const std::filesystem::path& file) override;
  std::optional<FileStamp> stamp(const std::filesystem::path& file) override;
  bool remove(const std::filesystem::path& file) override;
  bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override;

  const std::filesystem::path& root() const { return root_; }
  void setWritesFail(bool fails) { writesFail_ = fails; }

 private:
  std::filesystem::path root_;
  bool ownsRoot_ = false;
  bool writesFail_ = false;
  std::uint64_t tempCounter_ = 0;
};

}  // namespace brisquel::sim
