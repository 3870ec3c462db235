#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "platform/large_buffer.h"
#include "platform/status.h"

namespace korvalind {

// Reads the whole file into *contents. The error names the file and the reason; the reason alone
// (the system's error text) also goes to *reason when given.
Status ReadWholeFile(const std::string& path, std::string* contents, std::string* reason = nullptr);
// The same into a large buffer, read straight into place.
Status ReadWholeFile(const std::string& path, LargeBytes* contents, std::string* reason = nullptr);

// Reads a regular file of at most maxBytes into *contents. Anything else (a folder, a device such
// as /dev/zero, a FIFO) and a longer file are refused before a byte is read, with *reason saying
// why. The file is opened without waiting (a FIFO cannot hold the open) and checked on the opened
// descriptor, so that nothing can be swapped in between the check and the read; a file that grows
// past maxBytes while it is read is refused too.
Status ReadRegularFile(const std::string& path, std::uint64_t maxBytes, LargeBytes* contents,
                       std::string* reason = nullptr);
Status ReadRegularFile(const std::string& path, std::uint64_t maxBytes, std::string* contents,
                       std::string* reason = nullptr);

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
// Without Commit() the temporary file is removed and the target is untouched. The temporary name
// is short and fixed in length (".korvalind.tmp-" and six characters), so that any target name
// the folder allows can be written, and it is registered for removal on SIGINT, SIGTERM and
// SIGHUP (see temp_files.h). The file is flushed to the disk before the rename and the folder
// after it, so that a power cut leaves the old file or the new one, never an empty one. A target
// that exists keeps its permission bits; a new one gets 0666 less the umask.
class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();

  Status Open(const std::string& path);
  const std::string& path() const { return path_; }
  // Whether a write has failed (reported by Finish() or Commit()).
  bool write_failed() const { return write_errno_ != 0; }
  // Write errors are remembered and reported by Finish() or Commit().
  void Write(std::string_view bytes);
  void Write(const void* data, size_t size);
  // Completes the temporary file (every byte written and closed) without renaming it, so that a
  // group of files can all be completed before any of them replaces its target.
  Status Finish();
  // Finish() if not yet done, then the rename into place.
  Status Commit();

 private:
  friend Status CommitTogether(std::span<AtomicFile> files);

  Status Rename();
  void ForgetTemporary();
  void Discard();

  std::string path_;
  std::string temp_path_;
  std::FILE* file_ = nullptr;
  int temp_slot_ = -1;
  int write_errno_ = 0;
  bool finished_ = false;
};

// Finishes every file first and renames them only when all are complete, so that a failure
// (a full disk, a size limit) leaves every target as it was. Before the first rename every target
// is checked (a folder cannot be replaced); the files are renamed in the order given, so put the
// riskiest first. Should a rename still fail, the targets already replaced get their previous
// files back (kept as hard links until then) and new ones are removed. SIGINT, SIGTERM and SIGHUP
// are held back during the renames, so that a signal finds every target old or every one new.
Status CommitTogether(std::span<AtomicFile> files);

}  // namespace korvalind
