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
// It is waited for as long as it takes, or, with giveUp, until that is set.
class FileLock {
 public:
  FileLock(const std::filesystem::path& file, const std::atomic<bool>* giveUp) {
    auto lockFile = file.parent_path() / ("." + file.filename().string() + ".lock");
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      held_ = true;  // a folder we cannot write: the write after fails and says so
      return;
    }
    for (;;) {
      if (::flock(fd_, giveUp == nullptr ? LOCK_EX : LOCK_EX | LOCK_NB) == 0) {
        held_ = true;
        return;
      }
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK || giveUp->load()) return;
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

XdgDefaultsStore::XdgDefaultsStore() : XdgDefaultsStore(xdgConfigHome(), applicationDomain) {}

XdgDefaultsStore::XdgDefaultsStore(std::filesystem::path folder, std::string domain)
    : file_(std::move(folder) / (std::move(domain) + ".plist")) {
  plist::DefaultsDomain disk;
  if (readDisk(disk, true) == Disk::read) values_ = std::move(disk);
}

XdgDefaultsStore::XdgDefaultsStore(SaveQueuePort& saves)
    : XdgDefaultsStore(xdgConfigHome(), applicationDomain, saves) {}

XdgDefaultsStore::XdgDefaultsStore(std::filesystem::path folder, std::string domain, SaveQueuePort& saves)
    : XdgDefaultsStore(std::move(folder), std::move(domain)) {
  saves_ = &saves;
}

// The last changes are given a bounded wait: the process is ending.
XdgDefaultsStore::~XdgDefaultsStore() {
  if (saves_ != nullptr) {
    if (!pending_.empty() && (savesOnTheirWay_ == 0 || queuedGeneration_ != generation_)) saveLater(true);
    saves_->waitUntilSaved(finalSaveWaitMs / 1000.0);
    giveUp_->store(true);  // a save still waiting for the lock ends without writing
    return;
  }
  if (!pending_.empty()) save();
}

void XdgDefaultsStore::applyChanges(plist::DefaultsDomain& values, const Changes& changes) {
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

XdgDefaultsStore::DiskRead XdgDefaultsStore::readDiskAt(const std::filesystem::path& file, bool moveAsideIfDamaged) {
  DiskRead r;
  const auto target = linkTarget(file);
  const auto stamp = stampOf(target);
  if (!stamp) {
    if (errno == ENOENT) return r;
    r.disk = Disk::unreadable;
    r.unreadable = std::strerror(errno);
    return r;
  }
  std::optional<plist::DefaultsDomain> decoded;
  if (stamp->size <= maxFileSize) {
    const FileRead bytes = readFileBytes(target, maxFileSize + 1);
    if (!bytes.bytes) {
      r.disk = Disk::unreadable;
      r.unreadable = std::strerror(bytes.error);
      return r;
    }
    if (bytes.bytes->size() <= maxFileSize) decoded = plist::decodePropertyList(*bytes.bytes);
  }
  r.stamp = stamp;
  if (decoded) {
    r.disk = Disk::read;
    r.values = std::move(*decoded);
    return r;
  }
  r.disk = Disk::damaged;
  if (!moveAsideIfDamaged) return r;
  // Read and not ours to understand: keep it for the user under a new name.
  for (int n = 1; n <= 1000; ++n) {
    auto aside = target;
    aside += ".corrupt-";
    aside += std::to_string(n);
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(aside, ec))) continue;
    std::filesystem::rename(target, aside, ec);
    if (ec) break;
    r.setAside = aside;
    r.stamp.reset();
    return r;
  }
  r.disk = Disk::unreadable;
  r.unreadable = "it is damaged and could not be moved aside";
  return r;
}

void XdgDefaultsStore::note(const DiskRead& read) {
  if (read.setAside) setAside_ = read.setAside;
  unreadable_ = read.unreadable;
  if (read.disk == Disk::unreadable) return;
  seen_ = read.stamp;
}

XdgDefaultsStore::Disk XdgDefaultsStore::readDisk(plist::DefaultsDomain& into, bool moveAsideIfDamaged) {
  DiskRead read = readDiskAt(file_, moveAsideIfDamaged);
  note(read);
  if (read.disk == Disk::read) into = std::move(read.values);
  return read.disk;
}

void XdgDefaultsStore::set(const std::string& key, const DefaultsValue& value) {
  record(key, value);
  ++changes_;
  if (saves_ != nullptr) return saveLater();
  save();
}

void XdgDefaultsStore::setValues(const std::vector<std::pair<std::string, DefaultsValue>>& values) {
  for (const auto& [key, value] : values) record(key, value);
  ++changes_;
  if (saves_ != nullptr) return saveLater();
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
  pending_[key].generation = ++generation_;
  values_[key] = value;
}

void XdgDefaultsStore::remove(const std::string& key) {
  if (values_.erase(key) == 0) return;
  pending_[key] = Change{std::nullopt, std::nullopt, ++generation_};
  ++changes_;
  if (saves_ != nullptr) return saveLater();
  save();
}

void XdgDefaultsStore::adopt(plist::DefaultsDomain values) {
  if (values == values_) return;
  values_ = std::move(values);
  ++changes_;
  ++changesFromElsewhere_;
}

void XdgDefaultsStore::synchronize() {
  if (saves_ != nullptr) {
    if (savesOnTheirWay_ > 0) return;  // each brings the file's content back
    if (!pending_.empty()) return saveLater(true);
  } else if (!pending_.empty()) {
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

XdgDefaultsStore::SaveResult XdgDefaultsStore::saveChanges(const std::filesystem::path& file, const Changes& changes,
                                                            const std::atomic<bool>* giveUp,
                                                            const plist::DefaultsDomain* fallback) {
  SaveResult r;
  const auto target = linkTarget(file);
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  FileLock lock(target, giveUp);
  if (!lock.held()) return r;  // another process is writing: the changes wait in memory
  r.lockHeld = true;
  r.disk = readDiskAt(file, true);
  plist::DefaultsDomain merged;
  switch (r.disk.disk) {
    case Disk::read:
      merged = std::move(r.disk.values);
      break;
    case Disk::missing:
      break;
    case Disk::damaged:
      if (fallback == nullptr) return r;  // set aside: the store writes all it holds next
      merged = *fallback;  // what we last understood of it
      break;
    case Disk::unreadable:
      return r;
  }
  applyChanges(merged, changes);
  r.saved = writeFileAtomically(file, plist::encodePropertyList(merged));
  if (!r.saved) return r;
  r.written = stampOf(target);
  r.disk.values = std::move(merged);
  return r;
}

void XdgDefaultsStore::finishSave(SaveResult result, const Changes& written) {
  if (result.lockHeld) note(result.disk);
  if (result.saved) {
    for (const auto& [key, change] : written) {
      auto it = pending_.find(key);
      if (it != pending_.end() && it->second.generation == change.generation) pending_.erase(it);
    }
    seen_ = result.written;
    applyChanges(result.disk.values, pending_);  // made since, still on their way
    adopt(std::move(result.disk.values));
  } else if (result.lockHeld && result.disk.disk == Disk::damaged) {
    // The damaged file was set aside: everything held here is written afresh.
    for (const auto& [key, value] : values_) pending_[key] = Change{value, std::nullopt, ++generation_};
  }
  saved_ = pending_.empty();
}

void XdgDefaultsStore::save() {
  if (pending_.empty()) return;
  const Changes written = pending_;
  finishSave(saveChanges(file_, written, nullptr, &values_), written);
}

void XdgDefaultsStore::saveLater(bool again) {
  if (pending_.empty()) return;
  // While another process holds the lock for long, changes gather in memory,
  // not in a queue of saves each holding a copy of them.
  if (!again && (queuedGeneration_ == generation_ || savesOnTheirWay_ >= kSavesQueuedAtMost)) return;
  queuedGeneration_ = generation_;
  ++savesOnTheirWay_;
  saved_ = false;
  auto written = std::make_shared<const Changes>(pending_);
  auto result = std::make_shared<SaveResult>();
  saves_->save(
      [file = file_, written, result, giveUp = giveUp_] {
        *result = saveChanges(file, *written, giveUp.get(), nullptr);
      },
      [this, gone = giveUp_, written, result] {
        if (gone->load()) return;  // the store has ended
        --savesOnTheirWay_;
        const bool damaged = result->lockHeld && result->disk.disk == Disk::damaged && !result->saved;
        finishSave(std::move(*result), *written);
        saveLater(damaged);  // what came since; all of it when the file was set aside
      });
}

}  // namespace brisquel::posix
