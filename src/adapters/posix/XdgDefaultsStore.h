#pragma once
// The defaults of one domain, kept as a property-list file in a folder (by
// default the XDG config folder). Every change replaces the file atomically.
// A file that cannot be read or understood is moved aside, never
// overwritten, and the store starts empty.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Defaults.h"
#include "base/PropertyList.h"

namespace brisquel::posix {

class XdgDefaultsStore final : public DefaultsPort {
 public:
  static constexpr const char* applicationDomain = "com.mebrun.velmonte";

  // The store of the program's domain under XDG_CONFIG_HOME (else ~/.config).
  XdgDefaultsStore();
  XdgDefaultsStore(std::filesystem::path folder, std::string domain);

  std::optional<DefaultsValue> object(const std::string& key) const override;
  void set(const std::string& key, const DefaultsValue& value) override;
  void remove(const std::string& key) override;
  std::uint64_t changeCount() const override { return changes_; }

  // <folder>/<domain>.plist
  const std::filesystem::path& file() const { return file_; }
  // Where an unreadable file found at start was moved, if one was.
  const std::optional<std::filesystem::path>& setAside() const { return setAside_; }
  // False after a failed write; the values stay in memory and the next change tries again.
  bool isSaved() const { return saved_; }

 private:
  void load();
  void save();

  std::filesystem::path file_;
  plist::DefaultsDomain values_;
  std::optional<std::filesystem::path> setAside_;
  bool writable_ = true;  // false when a bad file could not be moved aside
  bool saved_ = true;
  std::uint64_t changes_ = 0;
};

}  // namespace brisquel::posix
