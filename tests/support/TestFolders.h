#pragma once
// Fresh folders for hermetic tests, named after the running test.

#include <gtest/gtest.h>

#include <filesystem>
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

}  // namespace brisquel::testing
