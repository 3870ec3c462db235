#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korvalind::testing {

struct ProcessResult {
  int exitCode = -1;  // -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// Runs program with args (without argv[0]), feeding input to its standard input, in the folder
// cwd when not empty, with extra environment variables set. Waits for it to end.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input = "", const std::string& cwd = "",
                         const std::vector<std::pair<std::string, std::string>>& env = {});

}  // namespace korvalind::testing
