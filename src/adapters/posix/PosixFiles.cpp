// SPDX-License-Identifier: MIT
#include "posix/PosixFiles.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace brisquel::posix {
namespace {

std::optional<std::filesystem::path> absoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  std::filesystem::path path(value);
  if (!path.is_absolute()) return std::nullopt;  // XDG says relative values are to be ignored
  return path;
}

bool writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

void syncFolder(const std::filesystem::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Temporaries that a writer killed halfway left behind. One younger than a
// minute may belong to a write still going on in another process.
void removeStaleTemporaries(const std::filesystem::path& dir, const std::string& name) {
  const std::string prefix = "." + name + ".";
  const auto staleBefore = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string entryName = entry.path().filename().string();
    if (entryName.size() != prefix.size() + 6 || !entryName.starts_with(prefix)) continue;
    std::error_code entryError;
    if (!entry.is_regular_file(entryError) || entry.last_write_time(entryError) > staleBefore || entryError) continue;
    std::filesystem::remove(entry.path(), entryError);
  }
}

}  // namespace

std::filesystem::path homeDirectory() {
  if (auto home = absoluteEnv("HOME")) return *home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
  return "/";
}

std::filesystem::path xdgDataHome() {
  if (auto dir = absoluteEnv("XDG_DATA_HOME")) return *dir;
  return homeDirectory() / ".local" / "share";
}

std::filesystem::path xdgConfigHome() {
  if (auto dir = absoluteEnv("XDG_CONFIG_HOME")) return *dir;
  return homeDirectory() / ".config";
}

std::filesystem::path linkTarget(const std::filesystem::path& path) {
  std::filesystem::path file = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(file, ec))) return file;
    const auto target = std::filesystem::read_symlink(file, ec);
    if (ec) return file;
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  return file;  // a loop: writing fails on it like on any other bad path
}

bool writeFileAtomically(const std::filesystem::path& link, const std::string& bytes) {
  const auto file = linkTarget(link);
  const auto dir = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  std::string name = ".";
  name += file.filename().string();
  name += ".XXXXXX";
  const std::string pattern = (dir / name).string();
  std::vector<char> templ(pattern.begin(), pattern.end());
  templ.push_back('\0');
  const int fd = ::mkstemp(templ.data());
  if (fd < 0) return false;
  const std::filesystem::path temp(templ.data());

  // Keep the permissions of the file being replaced; new files get the usual 0666 & ~umask.
  struct stat old {};
  if (::stat(file.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }

  bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), file.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  syncFolder(dir);
  removeStaleTemporaries(dir, file.filename().string());
  return true;
}

FileRead readFileBytes(const std::filesystem::path& file, std::size_t maxBytes) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return {std::nullopt, errno};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return {std::nullopt, error};
  }
  std::string bytes;
  bytes.resize(std::min<std::size_t>(maxBytes, static_cast<std::size_t>(st.st_size)));
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      if (done >= maxBytes) break;
      bytes.resize(std::min(maxBytes, done + 65536));  // the file grew while we read it
    }
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      return {std::nullopt, error};
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);
  return {std::move(bytes), 0};
}

std::optional<std::string> readFile(const std::filesystem::path& file, std::size_t maxBytes) {
  return readFileBytes(file, maxBytes).bytes;
}

PosixFiles::PosixFiles() : PosixFiles(xdgDataHome(), posix::homeDirectory()) {}

PosixFiles::PosixFiles(std::filesystem::path applicationSupport, std::filesystem::path home)
    : applicationSupport_(std::move(applicationSupport)), home_(std::move(home)) {}

bool PosixFiles::createDirectories(const std::filesystem::path& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return !ec && std::filesystem::is_directory(dir, ec);
}

bool PosixFiles::writeAtomically(const std::filesystem::path& file, const std::string& bytes) {
  return writeFileAtomically(file, bytes);
}

std::optional<std::string> PosixFiles::read(const std::filesystem::path& file, std::size_t maxBytes) {
  return readFile(file, maxBytes);
}

bool PosixFiles::exists(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::exists(file, ec);
}

std::optional<FileStamp> PosixFiles::stamp(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                   static_cast<std::uint64_t>(st.st_size), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
                   st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
}

bool PosixFiles::remove(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::remove(file, ec) && !ec;
}

bool PosixFiles::rename(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  return !ec;
}

}  // namespace brisquel::posix
