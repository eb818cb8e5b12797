// SPDX-License-Identifier: MIT
#pragma once
// Files and folders the program keeps.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace brisquel {

class FilesPort {
 public:
  virtual ~FilesPort() = default;
  // The user's application-support directory (not created).
  virtual std::filesystem::path applicationSupportDirectory() = 0;
  // The user's home directory (the LaunchAgents folder lies below it).
  virtual std::filesystem::path homeDirectory() = 0;
  virtual bool createDirectories(const std::filesystem::path& dir) = 0;
  // Replaces the file as a whole: readers see the old or the new content, never a mix.
  // A symbolic link stays a link: its target is replaced.
  virtual bool writeAtomically(const std::filesystem::path& file, const std::string& bytes) = 0;
  // At most the first maxBytes of the file; none when it cannot be read.
  virtual std::optional<std::string> read(const std::filesystem::path& file, std::size_t maxBytes) = 0;
  std::optional<std::string> read(const std::filesystem::path& file) { return read(file, SIZE_MAX); }
  virtual bool exists(const std::filesystem::path& file) = 0;
  virtual bool remove(const std::filesystem::path& file) = 0;
  virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
};

}  // namespace brisquel
