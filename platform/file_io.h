#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "platform/large_buffer.h"
#include "platform/status.h"

namespace korvalind {

// Reads the whole file into *contents. The error names the file and the reason; the reason alone
// (the system's error text) also goes to *reason when given.
Status ReadWholeFile(const std::string& path, std::string* contents,
                     std::string* reason = nullptr);
// The same into a large buffer, read straight into place.
Status ReadWholeFile(const std::string& path, LargeBytes* contents, std::string* reason = nullptr);

// Walks the lines of a text held in memory. A line ends at LF; one CR right before the LF is
// dropped with it. The last line may lack a line end; a text that ends with a line end has no
// further (empty) line after it.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}

  // Stores the next line (without its terminator) and returns true; false at the end.
  bool Next(std::string_view* line);

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// Writes a file under a temporary name in the target's folder and renames it into place on
// Commit(), so that a failure or a crash never leaves a half-written file over a good one.
// Without Commit() the temporary file is removed and the target is untouched.
class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();

  Status Open(const std::string& path);
  // Write errors are remembered and reported by Finish() or Commit().
  void Write(std::string_view bytes);
  void Write(const void* data, size_t size);
  // Completes the temporary file (every byte written and closed) without renaming it, so that a
  // group of files can all be completed before any of them replaces its target.
  Status Finish();
  // Finish() if not yet done, then the rename into place.
  Status Commit();

 private:
  void Discard();

  std::string path_;
  std::string temp_path_;
  std::FILE* file_ = nullptr;
  int write_errno_ = 0;
  bool finished_ = false;
};

// Finishes every file first and renames them only when all are complete, so that a failure
// (a full disk, a size limit) leaves every target as it was.
Status CommitTogether(std::span<AtomicFile> files);

}  // namespace korvalind
