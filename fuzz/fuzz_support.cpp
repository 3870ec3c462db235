#include "fuzz/fuzz_support.h"

#include <sanitizer/common_interface_defs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "directory/query.h"
#include "directory/segment_record.h"
#include "platform/file_io.h"

namespace korvalind::fuzz {
namespace {

// Enough records and names to reach every path without making one run slow.
constexpr size_t kRecordsChecked = 64;
constexpr unsigned kPlacesChecked = 40;

// A copy of image without its index (when images have one), so that every reader walks the
// tables: the index must give the same answers as the walk.
template <typename Image>
Image WithoutIndex(const Image& image) {
  Image copy;
  copy.data = image.data;
  copy.placeTableEnd = image.placeTableEnd;
  copy.zoneTableEnd = image.zoneTableEnd;
  copy.recordsEnd = image.recordsEnd;
  return copy;
}

// The place table split at every "|", written independently of the readers: entry i (from 1) is
// entries[i - 1]; bytes after the last "|" are not in the list.
std::vector<std::string_view> TerminatedPlaces(const DirectoryImage& image) {
  std::vector<std::string_view> entries;
  size_t end = std::min<size_t>(image.placeTableEnd, image.data.size());
  std::string_view table(reinterpret_cast<const char*>(image.data.data()), end);
  size_t start = 0;
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i] != kEntryTerminator) continue;
    entries.push_back(table.substr(start, i - start));
    start = i + 1;
  }
  return entries;
}

// What a reader's 64-byte zero-filled buffer shows of an entry.
std::string ShownEntry(std::string_view entry) {
  std::string shown(entry.substr(0, kMaxEntryLength));
  return shown.substr(0, shown.find('\0'));
}

bool Same(const QueryAnswer& a, const QueryAnswer& b) {
  return a.outcome == b.outcome && a.province == b.province && a.city == b.city &&
         a.simType == b.simType && a.areaCode == b.areaCode && a.postCode == b.postCode;
}

void CheckAnswer(const QueryAnswer& answer) {
  if (answer.outcome != QueryAnswer::Outcome::kOk) {
    Require(answer.province.empty() && answer.city.empty() && answer.simType.empty() &&
                answer.areaCode.empty() && answer.postCode.empty(),
            "an answer that was not found carries texts");
    return;
  }
  for (const std::string* text :
       {&answer.province, &answer.city, &answer.areaCode, &answer.postCode}) {
    Require(text->size() <= kMaxEntryLength, "an answer text is longer than an entry can be");
    Require(text->find(kEntryTerminator) == std::string::npos, "an answer text holds a \"|\"");
    Require(text->find('\0') == std::string::npos, "an answer text holds a NUL");
  }
}

}  // namespace

void Require(bool holds, const char* what) {
  if (holds) return;
  std::string summary = std::string("property violated: ") + what;
  std::fprintf(stderr, "%s\n", summary.c_str());
  // Standard error may be closed (-close_fd_mask); the sanitizers' report channel is not.
  __sanitizer_report_error_summary(summary.c_str());
  std::abort();
}

std::string ScratchFolder() {
  struct stat info {};
  std::string base = ::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) ? "/dev/shm" : "/tmp";
  std::string folder = base + "/korvalind-fuzz-XXXXXX";
  Require(::mkdtemp(folder.data()) != nullptr, "cannot create a scratch folder");
  return folder;
}

void WriteScratchFile(const std::string& path, std::string_view bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  Require(file != nullptr, "cannot create a scratch file");
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  Require(std::fclose(file) == 0 && written, "cannot write a scratch file");
}

bool SameImage(const DirectoryImage& a, const DirectoryImage& b) {
  return a.data == b.data && a.placeTableEnd == b.placeTableEnd &&
         a.zoneTableEnd == b.zoneTableEnd && a.recordsEnd == b.recordsEnd;
}

void ExerciseImage(const DirectoryImage& image, std::string_view probe) {
  Require(image.placeTableEnd <= image.zoneTableEnd && image.zoneTableEnd <= image.recordsEnd,
          "region ends out of order");
  Require(image.data.size() == image.recordsEnd, "image size differs from recordsEnd");
  Require((image.recordsEnd - image.zoneTableEnd) % kSegmentRecordSize == 0,
          "record region is not whole records");
  const DirectoryImage walked = WithoutIndex(image);

  // Place names, against the independent split.
  std::vector<std::string_view> places = TerminatedPlaces(image);
  Require(PlaceName(image, 0).empty(), "place 0 names something");
  for (unsigned i = 1; i <= std::min<size_t>(places.size(), kPlacesChecked); ++i) {
    std::uint16_t index = static_cast<std::uint16_t>(i);
    Require(PlaceName(image, index) == ShownEntry(places[i - 1]), "place name differs");
  }
  for (std::uint16_t index :
       {std::uint16_t{65535}, static_cast<std::uint16_t>(places.size() + 2)}) {
    if (index > places.size() + 1) Require(PlaceName(image, index).empty(), "a missing place");
  }

  // Every record (up to a bound) is found by its own key, with the first such record's fields.
  const size_t count = SegmentCount(image);
  const std::uint8_t* records = image.data.data() + image.zoneTableEnd;
  for (size_t k = 0; k < std::min(count, kRecordsChecked); ++k) {
    const std::uint8_t* key = records + k * kSegmentRecordSize + 1;
    std::optional<SegmentRecord> found = FindSegmentRecord(image, key);
    Require(found.has_value(), "a record is not found by its own key");
    Require(std::equal(key, key + kSegmentKeySize, found->bytes.begin() + 1), "wrong key found");
    QueryAnswer answer = QuerySegmentKey(image, key);
    CheckAnswer(answer);
    Require(answer.outcome == QueryAnswer::Outcome::kOk, "a record's key is not answered");
    Require(Same(answer, QuerySegmentKey(walked, key)), "the index answers otherwise");
    SegmentFields fields = DecodeSegmentRecord(image, *found);
    Require(answer.province == fields.province, "province differs from the decoded record");
    std::string zone = ZoneLookup(image, fields.province, fields.city);
    Require(zone.size() <= kMaxEntryLength, "zone answer too long");
  }

  // Texts, from the input and fixed ones: validation, then the same answer either way.
  std::string digits;
  for (char c : probe.substr(0, 16))
    digits += static_cast<char>('0' + static_cast<unsigned char>(c) % 10);
  const std::string texts[] = {std::string(probe), "13" + digits, "1390123", "1300000",
                               "1320000",          "13a0000",     "1860000", ""};
  for (const std::string& text : texts) {
    QueryAnswer answer = QueryNumber(image, text);
    CheckAnswer(answer);
    Require(
        (answer.outcome == QueryAnswer::Outcome::kInvalid) == !IsAcceptedSegmentText(image, text),
        "validation and answer disagree");
    Require(IsAcceptedSegmentText(image, text) == IsAcceptedSegmentText(walked, text),
            "the index accepts a text otherwise");
    Require(Same(answer, QueryNumber(walked, text)), "the index answers a text otherwise");
  }
  Require(SegmentCount(image) == SegmentCount(walked), "segment count differs");
}

}  // namespace korvalind::fuzz
