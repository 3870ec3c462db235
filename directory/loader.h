#pragma once

#include <string>
#include <string_view>

#include "directory/directory_image.h"
#include "platform/status.h"

namespace korvalind {

// The name of the directory file beside the executable.
inline constexpr char kDirectoryFileName[] = "Korvalind.dat";

// Whether the loaded image gets its index. Building it costs about as much as a few hundred
// walks over the records, so that a process answering a text or two is done sooner without.
enum class IndexPolicy { kBuild, kSkip };

// Deciphers the directory file at path in memory (nothing is written to disk) and installs the
// result in *image, with its index unless policy says otherwise. On any failure *image is left
// empty (no places, zones or records) and the status names the file: "directory file ... is
// damaged" or "... cannot be read: <reason>".
Status LoadDirectory(const std::string& path, DirectoryImage* image,
                     IndexPolicy policy = IndexPolicy::kBuild);

// Reads the enciphered directory file at path: a regular file only (a FIFO or a device would
// block or never end, a folder is refused as such), and only one small enough to be a directory.
// The error is "directory file \"<path>\" cannot be read: <reason>".
Status ReadDirectoryFile(const std::string& path, LargeBytes* bytes);

// The same for the bytes of an enciphered directory file already in memory, deciphered in place;
// name stands for the file in messages. The image always gets its index.
Status LoadEnciphered(LargeBytes bytes, std::string_view name, DirectoryImage* image);

// Checks a deciphered file and builds the image from it. Accepted only when the length is a
// positive multiple of 8 and a trailer is found, with 6 fill bytes tried first and then 1 to 8,
// whose fill bytes are zero, whose recordsEnd + 12 + fill equals the length, and whose offsets
// satisfy the image invariants. name is used in the error message. The image gets its index.
Status ParseDeciphered(std::string_view deciphered, std::string_view name, DirectoryImage* image);

// The directory the programs use: the KORVALIND_DIRECTORY environment variable, else
// "Korvalind.dat" beside the executable, else the installed copy when it exists: first under
// ../share/korvalind beside the executable's folder (so a moved install tree still works), then
// where the build installs it.
std::string DefaultDirectoryPath();

// "手机号码段共计:%d [2002-11-08]" with the segment count, code page 936.
std::string CountLine(const DirectoryImage& image);

}  // namespace korvalind
