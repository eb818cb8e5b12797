// SPDX-License-Identifier: MIT
#pragma once
// Fresh folders for hermetic tests, named after the running test, and whole
// files read and written as bytes.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

namespace brisquel::testing {

// <build>/test-tmp/<area>/<suite>.<test>[-<name>], emptied.
inline std::filesystem::path freshFolder(const std::string& area, const std::string& name = {}) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string test = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : test) {
    if (c == '/') c = '_';
  }
  if (!name.empty()) test += "-" + name;
  auto dir = std::filesystem::path(BRISQUEL_BINARY_DIR) / "test-tmp" / area / test;
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::filesystem::create_directories(dir, ec);
  return dir;
}

// The file's bytes, or "<missing>" when there is no file.
inline std::string readFile(const std::filesystem::path& file) {
  if (!std::filesystem::exists(file)) return "<missing>";
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void writeFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// A script the shell runs, executable by its owner.
inline void writeScript(const std::filesystem::path& file, const std::string& body) {
  writeFile(file, "#!/bin/sh\n" + body);
  std::filesystem::permissions(file, std::filesystem::perms::owner_all);
}

}  // namespace brisquel::testing
