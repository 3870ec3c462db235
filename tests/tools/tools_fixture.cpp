#include "tools_fixture.h"

#include <filesystem>

#include "tools/place_list.h"

namespace korvalind::testing {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files[entry.path().filename().string()] = ReadFile(entry.path().string());
    }
  }
  return files;
}

void ToolsTest::SetUp() {
  PlaceList.ResetForTesting();
  ZoneList.ResetForTesting();
}

void ToolsTest::TearDown() {
  PlaceList.ResetForTesting();
  ZoneList.ResetForTesting();
}

}  // namespace korvalind::testing
