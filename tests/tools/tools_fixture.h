#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>

#include "support/temp_dir.h"

namespace korvalind::testing {

// GBK spellings of the place names the tests use.
inline constexpr char kHebei[] = "\xba\xd3\xb1\xb1";                 // 河北
inline constexpr char kShijiazhuang[] = "\xca\xaf\xbc\xd2\xd7\xaf";  // 石家庄
inline constexpr char kBaoding[] = "\xb1\xa3\xb6\xa8";               // 保定
inline constexpr char kBeijing[] = "\xb1\xb1\xbe\xa9";               // 北京
inline constexpr char kShandong[] = "\xc9\xbd\xb6\xab";              // 山东
inline constexpr char kJinan[] = "\xbc\xc3\xc4\xcf";                 // 济南
inline constexpr char kJing[] = "\xbe\xa9";                          // 京 (one character)
inline constexpr char kPlaceHeading[] = "\xb5\xd8\xc3\xfb";          // 地名

// Bytes given by value, for binary expectations.
std::string Bytes(std::initializer_list<int> values);

// Every regular file of a folder with its content, to show that a failed run wrote nothing.
std::map<std::string, std::string> Snapshot(const std::string& folder);

// Starts every test with empty process-wide lists, as a fresh process has them.
class ToolsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  TempDir dir_;
};

}  // namespace korvalind::testing
