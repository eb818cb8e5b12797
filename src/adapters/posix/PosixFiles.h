#pragma once
// Files on the real file system. Application support follows XDG_DATA_HOME
// (else ~/.local/share), the home directory HOME.

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
  std::optional<std::string> read(const std::filesystem::path& file) override;
  std::optional<double> modificationDate(const std::filesystem::path& file) override;
  bool exists(const std::filesystem::path& file) override;
  bool remove(const std::filesystem::path& file) override;
  bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override;

 private:
  std::filesystem::path applicationSupport_;
  std::filesystem::path home_;
};

// Writes through a temporary file in the same folder, synced and renamed over
// the target, so a crash or a full disk leaves the old content whole.
bool writeFileAtomically(const std::filesystem::path& file, const std::string& bytes);
std::optional<std::string> readFile(const std::filesystem::path& file);

}  // namespace brisquel::posix
