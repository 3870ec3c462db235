// Arbitrary small dumps through the whole maintainer pipeline. The input is split at its first
// two 0xFF bytes (a byte no GBK text holds) into the area-code dump, the place-name file and the
// segment dump. A run either fails and leaves no file behind, or writes a directory that loads
// back and answers every segment it converted with that row's places.
#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "directory/loader.h"
#include "directory/query.h"
#include "fuzz/fuzz_support.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "tools/directory_builder.h"
#include "tools/place_list.h"
#include "tools/row_fields.h"

namespace korvalind::fuzz {
namespace {

const char* const kOutputs[] = {"zone",       "binary",        "offset",
                                "output.txt", "Korvalind.dat", "out.dat"};

std::set<std::string> FolderNames(const std::string& folder) {
  std::set<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  Require(dir != nullptr, "cannot list the scratch folder");
  while (dirent* entry = ::readdir(dir)) names.insert(entry->d_name);
  ::closedir(dir);
  return names;
}

// Cut off at the first 0xFF; the rest goes to *rest (empty when there is no 0xFF).
std::string_view TakePart(std::string_view* rest) {
  size_t cut = rest->find('\xff');
  std::string_view part = rest->substr(0, cut);
  *rest = cut == std::string_view::npos ? std::string_view() : rest->substr(cut + 1);
  return part;
}

// Whether a name is stored so that its place index names it again: no "|" (which would split
// the entry), no NUL and no more than a reader sees of an entry.
bool StoredIntact(std::string_view name) {
  return name.size() <= kMaxEntryLength && name.find('|') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

// The place names of a run precede a row's places when the places come from this run's files.
bool AllNamesIntact(std::string_view city_file, std::string_view dump) {
  LineCursor lines(city_file);
  std::string_view line;
  lines.Next(&line);
  while (lines.Next(&line)) {
    if (!StoredIntact(line)) return false;
  }
  LineCursor rows(dump);
  while (rows.Next(&line)) {
    if (std::optional<SegmentRow> row = ParseSegmentRow(line)) {
      if (!StoredIntact(row->fields.city)) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const std::string folder = ScratchFolder();
  std::string_view rest = AsText(data, size);
  std::string_view area_codes = TakePart(&rest);
  std::string_view city = TakePart(&rest);
  std::string_view dump = rest;
  for (const char* name : kOutputs) ::unlink(JoinPath(folder, name).c_str());
  WriteScratchFile(JoinPath(folder, "areacode"), area_codes);
  WriteScratchFile(JoinPath(folder, "city"), city);
  WriteScratchFile(JoinPath(folder, "simcard2.sql"), dump);
  const std::set<std::string> before = FolderNames(folder);

  PlaceList.ResetForTesting();
  ZoneList.ResetForTesting();
  const std::string output = JoinPath(folder, "out.dat");
  MakeDirectoryStats stats;
  Status status = MakeDirectory(folder, output, nullptr, &stats);
  if (!status.ok()) {
    Require(FolderNames(folder) == before, "a failed run left files behind");
    Require(PlaceList.empty() && ZoneList.empty(), "a failed run changed the lists");
    return 0;
  }

  DirectoryImage image;
  Status loaded = LoadDirectory(output, &image);
  Require(loaded.ok(), "the directory just made does not load");
  Require(SegmentCount(image) == stats.records, "segment count differs from the records made");
  std::string plain;
  Require(ReadWholeFile(JoinPath(folder, "Korvalind.dat"), &plain).ok(), "no plain image");
  DirectoryImage from_plain;
  Require(ParseDeciphered(plain + std::string(6, '\0'), "plain", &from_plain).ok() &&
              SameImage(image, from_plain),
          "the plain image and the enciphered one differ");
  ExerciseImage(image, dump.substr(0, 16));

  // The first row of each key is answered with its own places, as long as no name of the run is
  // stored split or cut (which would move every later place index). A name is known to a row
  // when the place-name file lists it or an earlier row, or the row itself, added it as a city;
  // provinces are only looked up, so a province a later row adds as a city stays unnamed here.
  if (!AllNamesIntact(city, dump)) return 0;
  std::set<std::string> known;
  LineCursor names(city);
  std::string_view line;
  names.Next(&line);
  while (names.Next(&line)) known.emplace(line);
  LineCursor rows(dump);
  std::set<std::string> keys;
  while (rows.Next(&line)) {
    std::optional<SegmentRow> row = ParseSegmentRow(line);
    if (!row) continue;
    const std::string& province = row->fields.province;
    const std::string& city_name = row->fields.city;
    if (city_name.size() > 2) known.insert(city_name);
    SegmentRecord record;
    MakeSegmentRecord(row->fields, &record);
    if (!keys.insert(std::string(record.bytes.begin() + 1, record.bytes.begin() + 4)).second) {
      continue;
    }
    QueryAnswer answer = QuerySegmentKey(image, &record.bytes[1]);
    Require(answer.outcome == QueryAnswer::Outcome::kOk, "a converted segment is not found");
    std::string expected_province = known.count(province) != 0 ? province : "";
    std::string expected_city =
        !city_name.empty() && known.count(city_name) != 0 ? city_name : expected_province;
    Require(answer.province == expected_province, "a segment answers with another province");
    Require(answer.city == expected_city, "a segment answers with another city");
  }
  return 0;
}

}  // namespace korvalind::fuzz
