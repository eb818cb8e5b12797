// SPDX-License-Identifier: MIT
#pragma once
// Files and folders the program keeps.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace brisquel {

// What tells one version of a file from another: any write, replacement or
// touch changes it. Fields a platform cannot tell stay 0.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};

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
  // The file's stamp, following symbolic links; none when it is missing or
  // the platform cannot tell (the caller then reads the file).
  virtual std::optional<FileStamp> stamp(const std::filesystem::path&) { return std::nullopt; }
  virtual bool remove(const std::filesystem::path& file) = 0;
  virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
};

}  // namespace brisquel
