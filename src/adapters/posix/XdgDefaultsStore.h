// SPDX-License-Identifier: MIT
#pragma once
// The defaults of one domain, kept as a property-list file in a folder (by
// default the XDG config folder), shared with other processes:
// - every change is merged per key into what the file holds at that moment
//   (under a lock) and the file is replaced atomically, so two processes
//   never undo each other's changes; a dictionary is merged per entry;
// - a store that must not wait (inside fcitx5, where every application's
//   typing waits on us) answers from memory at once and, while another
//   process holds the lock, keeps its changes until a later change or
//   synchronize() finds the lock free;
// - synchronize() takes in what other processes wrote since;
// - a file that was read and does not parse (or is larger than any we
//   write) is moved aside, never overwritten, and the store starts empty;
// - a file that cannot be read is left alone: the store runs on defaults
//   and does not write over it;
// - a symbolic link stays a link; its target is what is replaced.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/Defaults.h"
#include "base/PropertyList.h"

namespace brisquel::posix {

class XdgDefaultsStore final : public MemoryDefaults {
 public:
  static constexpr const char* applicationDomain = "com.mebrun.velmonte";
  // Larger settings files were not written by us and are set aside.
  static constexpr std::size_t maxFileSize = 4 * 1024 * 1024;

  enum class Locking {
    wait,          // a command: wait for the lock
    skipWhenBusy,  // an event loop: never wait; try again later
  };
  // How long a store that does not wait gives the lock when it is destroyed.
  static constexpr int finalSaveWaitMs = 2000;

  // The store of the program's domain under XDG_CONFIG_HOME (else ~/.config).
  explicit XdgDefaultsStore(Locking locking = Locking::wait);
  XdgDefaultsStore(std::filesystem::path folder, std::string domain, Locking locking = Locking::wait);
  ~XdgDefaultsStore() override;
  XdgDefaultsStore(const XdgDefaultsStore&) = delete;
  XdgDefaultsStore& operator=(const XdgDefaultsStore&) = delete;

  void set(const std::string& key, const DefaultsValue& value) override;
  void setValues(const std::vector<std::pair<std::string, DefaultsValue>>& values) override;
  void remove(const std::string& key) override;
  void synchronize() override;

  // <folder>/<domain>.plist
  const std::filesystem::path& file() const { return file_; }
  // Where a damaged file was moved, if one was.
  const std::optional<std::filesystem::path>& setAside() const { return setAside_; }
  // Why the file could not be read, while it cannot: nothing is written then.
  const std::optional<std::string>& unreadable() const { return unreadable_; }
  // False after a failed write or while the lock is busy; the values stay in
  // memory and the next change or synchronize() tries again.
  bool isSaved() const { return saved_; }

 private:
  struct Stamp {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtimeNs = 0, ctimeNs = 0;
    friend bool operator==(const Stamp&, const Stamp&) = default;
  };
  enum class Disk { missing, read, unreadable, damaged };
  // The file's identity and times; none with errno set when it cannot be seen.
  static std::optional<Stamp> stampOf(const std::filesystem::path& file);
  // Reads the file into `into`, recording its stamp; a damaged file is moved
  // aside when asked (not while merely looking: an editor may be saving it).
  Disk readDisk(plist::DefaultsDomain& into, bool moveAsideIfDamaged);
  void adopt(plist::DefaultsDomain disk);
  // Notes a change in memory, to be written by the next save.
  void record(const std::string& key, const DefaultsValue& value);
  // Writes the pending changes; waitMs < 0 waits for the lock as long as it takes.
  void save(int waitMs);
  void save() { save(locking_ == Locking::wait ? -1 : 0); }

  // A change not yet in the file: a whole value, a removal (no value), or
  // for a dictionary the entries set or removed (so two writers each keep
  // the entries they added).
  using EntryChanges = std::map<std::string, std::optional<std::string>>;
  struct Change {
    std::optional<DefaultsValue> value;
    std::optional<EntryChanges> entries;
  };
  static void applyChanges(plist::DefaultsDomain& values, const std::map<std::string, Change>& changes);

  std::filesystem::path file_;
  // Changes made here that the file does not hold yet; none means removed.
  std::map<std::string, Change> pending_;
  std::optional<Stamp> seen_;  // the file as last read or written
  std::optional<std::filesystem::path> setAside_;
  std::optional<std::string> unreadable_;
  bool saved_ = true;
  Locking locking_ = Locking::wait;
};

}  // namespace brisquel::posix
