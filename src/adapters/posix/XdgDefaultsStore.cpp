#include "posix/XdgDefaultsStore.h"

#include <system_error>
#include <utility>

#include "posix/PosixFiles.h"

namespace brisquel::posix {

XdgDefaultsStore::XdgDefaultsStore() : XdgDefaultsStore(xdgConfigHome(), applicationDomain) {}

XdgDefaultsStore::XdgDefaultsStore(std::filesystem::path folder, std::string domain)
    : file_(std::move(folder) / (std::move(domain) + ".plist")) {
  load();
}

void XdgDefaultsStore::load() {
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(file_, ec))) return;
  if (auto bytes = readFile(file_)) {
    if (auto values = plist::decodePropertyList(*bytes)) {
      values_ = std::move(*values);
      return;
    }
  }
  // Unreadable or not ours to understand: keep it for the user, start empty.
  for (int n = 1; n <= 1000; ++n) {
    auto aside = file_;
    aside += ".corrupt-";
    aside += std::to_string(n);
    if (std::filesystem::exists(std::filesystem::symlink_status(aside, ec))) continue;
    std::filesystem::rename(file_, aside, ec);
    if (!ec) {
      setAside_ = aside;
      return;
    }
    break;
  }
  writable_ = false;
}

std::optional<DefaultsValue> XdgDefaultsStore::object(const std::string& key) const {
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void XdgDefaultsStore::set(const std::string& key, const DefaultsValue& value) {
  values_[key] = value;
  ++changes_;
  save();
}

void XdgDefaultsStore::remove(const std::string& key) {
  if (values_.erase(key) == 0) return;
  ++changes_;
  save();
}

void XdgDefaultsStore::save() {
  if (!writable_) {
    saved_ = false;
    return;
  }
  std::error_code ec;
  std::filesystem::create_directories(file_.parent_path(), ec);
  saved_ = writeFileAtomically(file_, plist::encodePropertyList(values_));
}

}  // namespace brisquel::posix
