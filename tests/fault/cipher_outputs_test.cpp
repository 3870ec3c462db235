// encipher and decipher over a target they cannot finish: on a full file system (a small tmpfs
// in a private mount namespace, root only) the target keeps its bytes and permissions.
#include <gtest/gtest.h>

#include <string>

#include "fault/fault_support.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

using testing::ProgramPath;
using testing::TempDir;

TEST(CipherOutputs, FullDiskLeavesTheTargetAsItWas) {
  TempDir sources;
  TempDir mount_point;
  // 2 MiB of source against the 0.4 MiB left beside the 2.5 MB directory on a 3 MiB tmpfs.
  testing::WriteFile(sources.File("new.plain"), std::string(2 << 20, 'n'));
  testing::WriteFile(sources.File("short"), std::string(1003, 's'));  // 125 blocks and 3 bytes
  const std::string script = R"sh(
    mount -t tmpfs -o size=3m none "$2" || exit 99
    cd "$2" || exit 98
    printf old > dd.TMP && chmod 640 dd.TMP
    "$1" decipher "$4/short" dd.TMP; echo "decipher $?"
    echo "decipher wrote $(stat -c %s dd.TMP)"
    cp "$3" Korvalind.dat && chmod 640 Korvalind.dat
    "$1" encipher "$4/new.plain" Korvalind.dat; echo "encipher $?"
    cmp -s "$3" Korvalind.dat && echo "target kept"
    echo "modes $(stat -c %a Korvalind.dat) $(stat -c %a dd.TMP)"
    echo "files" *
    ls -A | grep -c tmp
  )sh";
  testing::ProcessResult r = testing::RunProcess(
      "/usr/bin/unshare", {"-m", "/bin/sh", "-c", script, "sh", ProgramPath(), mount_point.path(),
                           testing::BundledDirectoryPath(), sources.path()});
  if (r.exitCode == 99 || r.err.find("unshare") != std::string::npos) {
    GTEST_SKIP() << "no private mount namespace with a tmpfs here: " << r.err;
  }
  EXPECT_EQ(r.out,
            "decipher 1\n"           // the short tail still fails the run
            "decipher wrote 1000\n"  // after the whole blocks were put in place
            "encipher 1\n"
            "target kept\n"
            "modes 640 640\n"
            "files Korvalind.dat dd.TMP\n"
            "0\n")
      << r.err;
  EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace korvalind
