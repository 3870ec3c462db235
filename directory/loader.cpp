#include "directory/loader.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "cipher/file_cipher.h"
#include "directory/directory_index.h"
#include "platform/file_io.h"
#include "platform/paths.h"

#ifndef KORVALIND_INSTALLED_DIRECTORY
#define KORVALIND_INSTALLED_DIRECTORY "/usr/local/share/korvalind/Korvalind.dat"
#endif

namespace korvalind {
namespace {

// Every stored directory was a plain image of 2 + 8n bytes, enciphered with 6 fill bytes; other
// fill lengths are tried after that one.
constexpr size_t kFillOrder[] = {6, 1, 2, 3, 4, 5, 7, 8};

// The longest file the format can describe: recordsEnd is a 32-bit offset, followed by the
// trailer and at most 8 fill bytes. Anything longer is refused before it is read.
constexpr std::uint64_t kMaxDirectoryFileSize = std::uint64_t{0xFFFFFFFF} + kTrailerSize + 8;

std::uint32_t ReadU32(const char* p) {
  auto b = [p](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(p[i])); };
  return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

Status Damaged(std::string_view name, const std::string& why) {
  return Status::Corruption("directory file \"" + std::string(name) + "\" is damaged: " + why);
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The region ends of a deciphered file, after the checks ParseDeciphered describes.
Status FindTrailer(std::string_view deciphered, std::string_view name, std::uint32_t ends[3]) {
  const size_t length = deciphered.size();
  if (length == 0 || length % 8 != 0) {
    return Damaged(
        name, "its length (" + std::to_string(length) + " bytes) is not a positive multiple of 8");
  }
  for (size_t fill : kFillOrder) {
    if (length < kTrailerSize + fill) continue;
    std::string_view tail = deciphered.substr(length - fill);
    if (tail.find_first_not_of('\0') != std::string_view::npos) continue;
    const char* trailer = deciphered.data() + length - fill - kTrailerSize;
    std::uint32_t place_end = ReadU32(trailer);
    std::uint32_t zone_end = ReadU32(trailer + 4);
    std::uint32_t records_end = ReadU32(trailer + 8);
    if (static_cast<std::uint64_t>(records_end) + kTrailerSize + fill != length) continue;
    if (place_end > zone_end || zone_end > records_end) continue;
    if ((records_end - zone_end) % 8 != 0) continue;
    ends[0] = place_end;
    ends[1] = zone_end;
    ends[2] = records_end;
    return Status::Ok();
  }
  return Damaged(name, "no consistent trailer (region ends) was found");
}

void Install(LargeBytes bytes, const std::uint32_t ends[3], IndexPolicy policy,
             DirectoryImage* image) {
  bytes.resize(ends[2]);
  image->data = std::move(bytes);
  image->placeTableEnd = ends[0];
  image->zoneTableEnd = ends[1];
  image->recordsEnd = ends[2];
  if (policy == IndexPolicy::kBuild) image->index = DirectoryIndex::Build(*image);
}

Status LoadDeciphering(LargeBytes bytes, std::string_view name, IndexPolicy policy,
                       DirectoryImage* image) {
  if (bytes.empty() || bytes.size() % 8 != 0) {
    return Damaged(name, "its length (" + std::to_string(bytes.size()) +
                             " bytes) is not a positive multiple of 8");
  }
  if (!DecipherInPlace(bytes.data(), bytes.size(), CipherKey)) {
    return Damaged(name, "cannot be deciphered");
  }
  std::uint32_t ends[3];
  Status status = FindTrailer(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), name, ends);
  if (!status.ok()) return status;
  Install(std::move(bytes), ends, policy, image);
  return Status::Ok();
}

}  // namespace

Status ParseDeciphered(std::string_view deciphered, std::string_view name, DirectoryImage* image) {
  *image = DirectoryImage();
  std::uint32_t ends[3];
  if (Status status = FindTrailer(deciphered, name, ends); !status.ok()) return status;
  Install(LargeBytes(deciphered.begin(), deciphered.begin() + ends[2]), ends, IndexPolicy::kBuild,
          image);
  return Status::Ok();
}

Status ReadDirectoryFile(const std::string& path, LargeBytes* bytes) {
  std::string reason;
  if (!ReadRegularFile(path, kMaxDirectoryFileSize, bytes, &reason).ok()) {
    return Status::IoError("directory file \"" + path + "\" cannot be read: " + reason);
  }
  return Status::Ok();
}

Status LoadDirectory(const std::string& path, DirectoryImage* image, IndexPolicy policy) {
  *image = DirectoryImage();
  LargeBytes bytes;
  if (Status status = ReadDirectoryFile(path, &bytes); !status.ok()) return status;
  return LoadDeciphering(std::move(bytes), path, policy, image);
}

Status LoadEnciphered(LargeBytes bytes, std::string_view name, DirectoryImage* image) {
  *image = DirectoryImage();
  return LoadDeciphering(std::move(bytes), name, IndexPolicy::kBuild, image);
}

std::string DefaultDirectoryPath() {
  const char* from_environment = std::getenv("KORVALIND_DIRECTORY");
  if (from_environment != nullptr && *from_environment != '\0') return from_environment;
  const std::optional<std::string> folder = ExecutableFolder();
  if (!folder) return KORVALIND_INSTALLED_DIRECTORY;
  std::string beside = JoinPath(*folder, kDirectoryFileName);
  if (IsRegularFile(beside)) return beside;
  // An installed tree that was moved or unpacked under another prefix: bin/../share/korvalind.
  std::string relocated = JoinPath(*folder, "../share/korvalind/Korvalind.dat");
  if (IsRegularFile(relocated)) return relocated;
  if (IsRegularFile(KORVALIND_INSTALLED_DIRECTORY)) return KORVALIND_INSTALLED_DIRECTORY;
  return beside;
}

std::string CountLine(const DirectoryImage& image) {
  // "手机号码段共计:%d [2002-11-08]"
  char line[64];
  std::snprintf(line, sizeof line,
                "\xca\xd6\xbb\xfa\xba\xc5\xc2\xeb\xb6\xce\xb9\xb2\xbc\xc6:%u [2002-11-08]",
                static_cast<unsigned>(SegmentCount(image)));
  return line;
}

}  // namespace korvalind
