// SPDX-License-Identifier: MIT
#pragma once
// The defaults of one domain, kept as a property-list file in a folder (by
// default the XDG config folder), shared with other processes:
// - every change is merged per key into what the file holds at that moment
//   (under a lock) and the file is replaced atomically, so two processes
//   never undo each other's changes; a dictionary is merged per entry;
// - a store that must not wait (inside fcitx5, where every application's
//   typing waits on us) answers from memory at once and hands its saves to
//   a save queue: the lock, the merge and the write happen on the writer
//   thread, in order with the list files' saves, and the file's content
//   comes back to the main queue;
// - synchronize() takes in what other processes wrote since;
// - a file that was read and does not parse (or is larger than any we
//   write) is moved aside, never overwritten, and the store starts empty;
// - a file that cannot be read is left alone: the store runs on defaults
//   and does not write over it;
// - a symbolic link stays a link; its target is what is replaced.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/Defaults.h"
#include "platform/Saves.h"
#include "base/PropertyList.h"

namespace brisquel::posix {

class XdgDefaultsStore final : public MemoryDefaults {
 public:
  static constexpr const char* applicationDomain = "com.mebrun.velmonte";
  // Larger settings files were not written by us and are set aside.
  static constexpr std::size_t maxFileSize = 4 * 1024 * 1024;

  // How long a store that saves through a queue gives its last saves when it is destroyed.
  static constexpr int finalSaveWaitMs = 2000;

  // The store of the program's domain under XDG_CONFIG_HOME (else ~/.config);
  // a change is saved before set() returns, waiting for the lock (a command).
  XdgDefaultsStore();
  XdgDefaultsStore(std::filesystem::path folder, std::string domain);
  // Saves through `saves` (which outlives the store); the calling thread
  // never waits (an event loop).
  explicit XdgDefaultsStore(SaveQueuePort& saves);
  XdgDefaultsStore(std::filesystem::path folder, std::string domain, SaveQueuePort& saves);
  ~XdgDefaultsStore() override;
  XdgDefaultsStore(const XdgDefaultsStore&) = delete;
  XdgDefaultsStore& operator=(const XdgDefaultsStore&) = delete;

  void set(const std::string& key, const DefaultsValue& value) override;
  void setValues(const std::vector<std::pair<std::string, DefaultsValue>>& values) override;
  void remove(const std::string& key) override;
  std::uint64_t changesFromElsewhere() const override { return changesFromElsewhere_; }
  void synchronize() override;

  // <folder>/<domain>.plist
  const std::filesystem::path& file() const { return file_; }
  // Where a damaged file was moved, if one was.
  const std::optional<std::filesystem::path>& setAside() const { return setAside_; }
  // Why the file could not be read, while it cannot: nothing is written then.
  const std::optional<std::string>& unreadable() const { return unreadable_; }
  // False after a failed write, while the lock is busy or while a save is on
  // its way; the values stay in memory and the next change or synchronize()
  // tries again.
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
  // A look at the file; touches nothing of the store, so a writer thread may take it.
  struct DiskRead {
    Disk disk = Disk::missing;
    plist::DefaultsDomain values;
    std::optional<Stamp> stamp;  // of the file read (none when missing or moved aside)
    std::optional<std::filesystem::path> setAside;
    std::optional<std::string> unreadable;
  };
  // A damaged file is moved aside when asked (not while merely looking: an
  // editor may be saving it).
  static DiskRead readDiskAt(const std::filesystem::path& file, bool moveAsideIfDamaged);
  // readDiskAt, noting what it found in the store.
  Disk readDisk(plist::DefaultsDomain& into, bool moveAsideIfDamaged);
  void note(const DiskRead& read);
  // Changes `values` came to hold that this store did not make.
  void adopt(plist::DefaultsDomain values);
  // Notes a change in memory, to be written by the next save.
  void record(const std::string& key, const DefaultsValue& value);
  // Writes the pending changes at once, waiting for the lock.
  void save();
  // Hands the pending changes to the save queue, unless this state already
  // is on its way or enough saves are (again: also then, after a save that
  // failed); a save that ends hands on what came since.
  void saveLater(bool again = false);
  static constexpr int kSavesQueuedAtMost = 2;

  // A change not yet in the file: a whole value, a removal (no value), or
  // for a dictionary the entries set or removed (so two writers each keep
  // the entries they added). The generation tells a change a save took
  // from one made after it.
  using EntryChanges = std::map<std::string, std::optional<std::string>>;
  struct Change {
    std::optional<DefaultsValue> value;
    std::optional<EntryChanges> entries;
    std::uint64_t generation = 0;
  };
  using Changes = std::map<std::string, Change>;
  static void applyChanges(plist::DefaultsDomain& values, const Changes& changes);

  // One save: the lock, the file's content merged with the changes, the
  // write. Touches nothing of the store. `fallback` is what a damaged file
  // is replaced by (none: nothing is written, the file is only set aside).
  struct SaveResult {
    bool lockHeld = false;
    bool saved = false;
    DiskRead disk;  // with saved, values is what the file holds now
    std::optional<Stamp> written;
  };
  // The lock is waited for until giveUp is set (none: for good).
  static SaveResult saveChanges(const std::filesystem::path& file, const Changes& changes,
                                const std::atomic<bool>* giveUp, const plist::DefaultsDomain* fallback);
  // Takes a save's outcome in: the changes it wrote are no longer pending.
  void finishSave(SaveResult result, const Changes& written);

  std::filesystem::path file_;
  // Changes made here that the file does not hold yet; none means removed.
  Changes pending_;
  std::uint64_t generation_ = 0;
  std::optional<Stamp> seen_;  // the file as last read or written
  std::optional<std::filesystem::path> setAside_;
  std::optional<std::string> unreadable_;
  bool saved_ = true;
  std::uint64_t changesFromElsewhere_ = 0;
  SaveQueuePort* saves_ = nullptr;
  int savesOnTheirWay_ = 0;
  std::uint64_t queuedGeneration_ = 0;  // the last state handed to the save queue
  // Set when the store ends: a save still waiting for the lock gives up, and
  // a save's result coming back later is dropped.
  std::shared_ptr<std::atomic<bool>> giveUp_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace brisquel::posix
