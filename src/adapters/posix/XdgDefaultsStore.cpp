// SPDX-License-Identifier: MIT
#include "posix/XdgDefaultsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <system_error>
#include <utility>

#include "posix/PosixFiles.h"

namespace brisquel::posix {
namespace {

// An exclusive lock on a file beside the settings, held while a change is
// merged into the file and written. The kernel drops it when a holder dies.
// waitMs < 0 waits as long as it takes; otherwise the lock is tried every
// few milliseconds until waitMs has passed (0: once).
class FileLock {
 public:
  FileLock(const std::filesystem::path& file, int waitMs) {
    auto lockFile = file.parent_path() / ("." + file.filename().string() + ".lock");
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      held_ = true;  // a folder we cannot write: the write after fails and says so
      return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
      if (::flock(fd_, waitMs < 0 ? LOCK_EX : LOCK_EX | LOCK_NB) == 0) {
        held_ = true;
        return;
      }
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return held_; }

 private:
  int fd_ = -1;
  bool held_ = false;
};

}  // namespace

XdgDefaultsStore::XdgDefaultsStore(Locking locking)
    : XdgDefaultsStore(xdgConfigHome(), applicationDomain, locking) {}

XdgDefaultsStore::XdgDefaultsStore(std::filesystem::path folder, std::string domain, Locking locking)
    : file_(std::move(folder) / (std::move(domain) + ".plist")), locking_(locking) {
  plist::DefaultsDomain disk;
  if (readDisk(disk, true) == Disk::read) values_ = std::move(disk);
}

// The last changes are given a bounded wait for the lock: the process is ending.
XdgDefaultsStore::~XdgDefaultsStore() {
  if (!pending_.empty()) save(locking_ == Locking::wait ? -1 : finalSaveWaitMs);
}

void XdgDefaultsStore::applyChanges(plist::DefaultsDomain& values, const std::map<std::string, Change>& changes) {
  for (const auto& [key, change] : changes) {
    if (change.entries) {
      auto it = values.find(key);
      StringMap map;
      if (it != values.end())
        if (const auto* stored = std::get_if<StringMap>(&it->second)) map = *stored;
      for (const auto& [entry, value] : *change.entries) {
        if (value) {
          map[entry] = *value;
        } else {
          map.erase(entry);
        }
      }
      values[key] = std::move(map);
    } else if (change.value) {
      values[key] = *change.value;
    } else {
      values.erase(key);
    }
  }
}

std::optional<XdgDefaultsStore::Stamp> XdgDefaultsStore::stampOf(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  return Stamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
               static_cast<std::uint64_t>(st.st_size), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
               st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
}

XdgDefaultsStore::Disk XdgDefaultsStore::readDisk(plist::DefaultsDomain& into, bool moveAsideIfDamaged) {
  const auto target = linkTarget(file_);
  const auto stamp = stampOf(target);
  if (!stamp) {
    if (errno == ENOENT) {
      seen_.reset();
      unreadable_.reset();
      return Disk::missing;
    }
    unreadable_ = std::strerror(errno);
    return Disk::unreadable;
  }
  std::optional<plist::DefaultsDomain> decoded;
  if (stamp->size <= maxFileSize) {
    const FileRead r = readFileBytes(target, maxFileSize + 1);
    if (!r.bytes) {
      unreadable_ = std::strerror(r.error);
      return Disk::unreadable;
    }
    if (r.bytes->size() <= maxFileSize) decoded = plist::decodePropertyList(*r.bytes);
  }
  seen_ = stamp;
  if (decoded) {
    unreadable_.reset();
    into = std::move(*decoded);
    return Disk::read;
  }
  if (!moveAsideIfDamaged) return Disk::damaged;
  // Read and not ours to understand: keep it for the user under a new name.
  for (int n = 1; n <= 1000; ++n) {
    auto aside = target;
    aside += ".corrupt-";
    aside += std::to_string(n);
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(aside, ec))) continue;
    std::filesystem::rename(target, aside, ec);
    if (ec) break;
    setAside_ = aside;
    seen_.reset();
    unreadable_.reset();
    return Disk::damaged;
  }
  unreadable_ = "it is damaged and could not be moved aside";
  return Disk::unreadable;
}

void XdgDefaultsStore::set(const std::string& key, const DefaultsValue& value) {
  record(key, value);
  ++changes_;
  save();
}

void XdgDefaultsStore::setValues(const std::vector<std::pair<std::string, DefaultsValue>>& values) {
  for (const auto& [key, value] : values) record(key, value);
  ++changes_;
  save();
}

void XdgDefaultsStore::record(const std::string& key, const DefaultsValue& value) {
  const auto stored = values_.find(key);
  const auto* oldMap = stored == values_.end() ? nullptr : std::get_if<StringMap>(&stored->second);
  const auto* newMap = std::get_if<StringMap>(&value);
  auto pending = pending_.find(key);
  const bool wholePending = pending != pending_.end() && !pending->second.entries;
  if (newMap && (oldMap || stored == values_.end()) && !wholePending) {
    // Only the entries that changed, so that another writer's entries stay.
    static const StringMap none;
    const StringMap& before = oldMap ? *oldMap : none;
    auto& entries = pending_[key].entries;
    if (!entries) entries.emplace();
    for (const auto& [entry, text] : *newMap) {
      auto it = before.find(entry);
      if (it == before.end() || it->second != text) (*entries)[entry] = text;
    }
    for (const auto& [entry, text] : before)
      if (!newMap->contains(entry)) (*entries)[entry] = std::nullopt;
  } else {
    pending_[key] = Change{value, std::nullopt};
  }
  values_[key] = value;
}

void XdgDefaultsStore::remove(const std::string& key) {
  if (values_.erase(key) == 0) return;
  pending_[key] = Change{};
  ++changes_;
  save();
}

void XdgDefaultsStore::adopt(plist::DefaultsDomain values) {
  if (values == values_) return;
  values_ = std::move(values);
  ++changes_;
}

void XdgDefaultsStore::synchronize() {
  if (!pending_.empty()) {
    save();  // merges with the file, taking in the other keys as it goes
    if (pending_.empty()) return;
  }
  if (stampOf(linkTarget(file_)) == seen_ && !unreadable_) return;
  plist::DefaultsDomain disk;
  switch (readDisk(disk, false)) {
    case Disk::read:
    case Disk::missing:
      applyChanges(disk, pending_);  // ours not written yet stay on top
      adopt(std::move(disk));
      break;
    case Disk::damaged:
    case Disk::unreadable:
      break;  // keep what we had
  }
}

void XdgDefaultsStore::save(int waitMs) {
  if (pending_.empty()) return;
  const auto target = linkTarget(file_);
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  FileLock lock(target, waitMs);
  if (!lock.held()) {
    saved_ = false;  // another process is writing: the changes wait in memory
    return;
  }
  plist::DefaultsDomain merged;
  switch (readDisk(merged, true)) {
    case Disk::read:
      break;
    case Disk::missing:
      merged.clear();
      break;
    case Disk::damaged:
      merged = values_;  // what we last understood of it
      break;
    case Disk::unreadable:
      saved_ = false;
      return;
  }
  applyChanges(merged, pending_);
  saved_ = writeFileAtomically(file_, plist::encodePropertyList(merged));
  if (!saved_) return;
  pending_.clear();
  seen_ = stampOf(target);
  adopt(std::move(merged));
}

}  // namespace brisquel::posix
