// SPDX-License-Identifier: MIT
#include "brisquel/SettingsFiles.h"

namespace brisquel::cli {

std::unique_ptr<posix::XdgDefaultsStore> openSettingsStore(const std::string& command, std::ostream& err) {
  auto store = std::make_unique<posix::XdgDefaultsStore>();
  if (store->setAside()) {
    err << "brisquel " << command << ": the settings file " << store->file().string()
        << " could not be understood; it was kept as " << store->setAside()->string()
        << " and the settings start from their defaults\n";
  }
  if (store->unreadable()) {
    err << "brisquel " << command << ": cannot read the settings file " << store->file().string() << " ("
        << *store->unreadable() << "); running on the defaults and leaving the file as it is\n";
  }
  return store;
}

SettingsHelper::Notify printNotices(const std::string& command, std::ostream& err) {
  return [command, &err](const std::string& message) { err << "brisquel " << command << ": " << message << "\n"; };
}

}  // namespace brisquel::cli
