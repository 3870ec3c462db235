// Inputs that never end or never come: /dev/zero and a FIFO without a writer, given as a dump,
// a phone.dat file and a cipher source (every maintainer input goes through one reader). Before,
// they were read until memory ran out or waited on for ever; now each is refused before a byte is
// read, naming the file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fault/dump_writer.h"
#include "fault/fault_support.h"
#include "support/temp_dir.h"

namespace korvalind {
namespace {

TEST(EndlessInput, DevicesAndFifosAreRefusedByName) {
  struct Case {
    std::vector<std::string> args;  // "@" stands for the data folder
    std::string input;              // the input replaced, in the data folder
  };
  const Case cases[] = {
      {{"make-directory", "--data", "@", "--output", "@/out.dat"}, "simcard2.sql"},
      {{"import-phone-dat", "@/phone.dat", "--data", "@"}, "phone.dat"},
      {{"encipher", "@/plain", "@/out"}, "plain"},
  };
  for (bool fifo : {false, true}) {
    for (const Case& c : cases) {
      testing::TempDir dir;
      const std::string data = dir.path();
      testing::WriteWorkedData(data);
      const std::string input = data + "/" + c.input;
      std::filesystem::remove(input);
      if (fifo) {
        ASSERT_EQ(::mkfifo(input.c_str(), 0600), 0);
      } else {
        std::filesystem::create_symlink("/dev/zero", input);
      }
      std::vector<std::string> args;
      for (const std::string& arg : c.args) {
        args.push_back(arg[0] == '@' ? data + arg.substr(1) : arg);
      }
      SCOPED_TRACE(args[0] + " " + c.input + (fifo ? " as a FIFO" : " as /dev/zero"));
      const testing::ChildResult run = testing::RunChild(args);
      EXPECT_GT(run.exitCode, 0) << "ended by signal " << run.signal;
      EXPECT_NE(run.err.find("\"" + input + "\": it is not a regular file"), std::string::npos)
          << run.err;
    }
  }
}

}  // namespace
}  // namespace korvalind
