#pragma once

#include <string>
#include <vector>

#include "scoped_env.h"
#include "support/temp_dir.h"

namespace korvalind::testing {

// A stand-in for xdg-open, first in PATH while the object lives: it records each URL it is
// asked to open, one a line, and exits with the given status (0 opened, 3 no handler). A held
// stand-in exits only after Release() (or 30 s), so that a test sees what happens meanwhile.
class OpenerStub {
 public:
  explicit OpenerStub(int exitStatus = 0, bool held = false);
  // The URLs opened so far, oldest first.
  std::vector<std::string> Opened() const;
  // Lets a held stand-in exit.
  void Release() const;
  // True once a stand-in has exited.
  bool Ended() const;

 private:
  TempDir bin_;
  ScopedEnv path_;
};

}  // namespace korvalind::testing
