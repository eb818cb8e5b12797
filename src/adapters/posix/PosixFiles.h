// SPDX-License-Identifier: MIT
#pragma once
// Files on the real file system. Application support follows XDG_DATA_HOME
// (else ~/.local/share), the home directory HOME.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Files.h"

namespace brisquel::posix {

// The user's XDG folders, from the environment with the usual fallbacks.
std::filesystem::path homeDirectory();
std::filesystem::path xdgDataHome();
std::filesystem::path xdgConfigHome();

class PosixFiles final : public FilesPort {
 public:
  // Folders from the environment.
  PosixFiles();
  PosixFiles(std::filesystem::path applicationSupport, std::filesystem::path home);

  std::filesystem::path applicationSupportDirectory() override { return applicationSupport_; }
  std::filesystem::path homeDirectory() override { return home_; }
  bool createDirectories(const std::filesystem::path& dir) override;
  bool writeAtomically(const std::filesystem::path& file, const std::string& bytes) override;
  using FilesPort::read;
  std::optional<std::string> read(const std::filesystem::path& file, std::size_t maxBytes) override;
  bool exists(const std::filesystem::path& file) override;
  std::optional<FileStamp> stamp(const std::filesystem::path& file) override;
  bool remove(const std::filesystem::path& file) override;
  bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override;

 private:
  std::filesystem::path applicationSupport_;
  std::filesystem::path home_;
};

// Writes through a temporary file in the same folder, synced and renamed over
// the target, so a crash or a full disk leaves the old content whole. A
// symbolic link (as dotfile managers make) is followed: its target is replaced.
bool writeFileAtomically(const std::filesystem::path& file, const std::string& bytes);
// The file a path names once symbolic links are followed (the path itself
// when it is no link); a dangling link answers the path it points to.
std::filesystem::path linkTarget(const std::filesystem::path& file);

struct FileRead {
  std::optional<std::string> bytes;  // none when the file could not be read
  int error = 0;                     // errno of the failure
};
// At most maxBytes from the start of a regular file.
FileRead readFileBytes(const std::filesystem::path& file, std::size_t maxBytes = SIZE_MAX);
std::optional<std::string> readFile(const std::filesystem::path& file, std::size_t maxBytes = SIZE_MAX);

}  // namespace brisquel::posix
