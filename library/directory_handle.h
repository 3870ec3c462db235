#pragma once

#include <bitset>
#include <string>

#include "directory/directory_image.h"
#include "directory/number_text.h"
#include "korvalind/korvalind.h"
#include "library/answer_table.h"
#include "platform/large_buffer.h"
#include "platform/status.h"

// An opened directory: the image and everything worked out from it at open. Never changed after
// OpenDirectory, so any number of threads may read it at once.
struct korvalind_directory {
  korvalind::DirectoryImage image;
  std::string path;
  korvalind::library::AnswerTable answers;
  korvalind::SegmentAcceptance acceptance;
  std::bitset<100> held_prefixes;
  std::string count_line_gbk;
  std::string count_line_utf8;
};

namespace korvalind::library {

// The directory korvalind_open(NULL) opens: the command line's search order (KORVALIND_DIRECTORY,
// beside the running program, the installed copy), where the installed copy is also looked for
// under the prefix that holds this library, so that a library installed under any prefix finds
// the directory installed with it.
std::string DefaultPath();

// Deciphers and checks bytes, then prepares *directory for look-ups. name stands for the file in
// messages. Throws std::bad_alloc when memory runs out.
Status OpenDirectory(LargeBytes bytes, const std::string& name, korvalind_directory* directory);

// The status a failed open reports for status.
korvalind_status StatusOfFailure(const Status& status);

}  // namespace korvalind::library
