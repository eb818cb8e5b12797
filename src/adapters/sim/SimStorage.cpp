// SPDX-License-Identifier: MIT
#include "sim/SimStorage.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace brisquel::sim {

namespace {

std::filesystem::path freshTemporaryFolder() {
  std::random_device random;
  std::ostringstream name;
  name << "brisquel-sim-" << std::hex << random() << random();
  return std::filesystem::temp_directory_path() / name.str();
}

}  // namespace

// ---------------------------------------------------------------------------
// Files

SimFiles::SimFiles(std::filesystem::path root) {
  if (root.empty()) {
    root = freshTemporaryFolder();
    ownsRoot_ = true;
  }
  std::error_code ec;
  std::filesystem::create_directories(root, ec);
  root_ = std::move(root);
}

SimFiles::~SimFiles() {
  if (ownsRoot_) {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
}

bool SimFiles::createDirectories(const std::filesystem::path& dir) {
  if (writesFail_) return false;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return std::filesystem::is_directory(dir, ec);
}

bool SimFiles::writeAtomically(const std::filesystem::path& file, const std::string& bytes) {
  if (writesFail_) return false;
  std::error_code ec;
  auto parent = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
  if (!std::filesystem::is_directory(parent, ec)) return false;
  auto temporary = parent / ("." + file.filename().string() + ".tmp" + std::to_string(tempCounter_++));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::filesystem::remove(temporary, ec);
      return false;
    }
  }
  std::filesystem::rename(temporary, file, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    return false;
  }
  return true;
}

std::optional<std::string> SimFiles::read(const std::filesystem::path& file, std::size_t maxBytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string content;
  char buffer[65536];
  while (content.size() < maxBytes && in.read(buffer, sizeof buffer).gcount() > 0) {
    content.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(in.gcount()), maxBytes - content.size()));
  }
  if (in.bad()) return std::nullopt;
  return content;
}

bool SimFiles::exists(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::exists(file, ec);
}

std::optional<FileStamp> SimFiles::stamp(const std::filesystem::path& file) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec) return std::nullopt;
  const auto modified = std::filesystem::last_write_time(file, ec);
  if (ec) return std::nullopt;
  FileStamp s;
  s.size = size;
  s.modifiedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
  return s;
}

bool SimFiles::remove(const std::filesystem::path& file) {
  if (writesFail_) return false;
  std::error_code ec;
  bool removed = std::filesystem::remove(file, ec);
  return removed && !ec;
}

bool SimFiles::rename(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (writesFail_) return false;
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  if (ec) return false;
  return true;
}

}  // namespace brisquel::sim
