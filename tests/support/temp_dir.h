#pragma once

#include <string>
#include <string_view>

namespace korvalind::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();

  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string File(std::string_view name) const;

 private:
  std::string path_;
};

// Whole-file helpers for tests; failures are reported through GoogleTest.
void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace korvalind::testing
