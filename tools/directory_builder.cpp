#include "tools/directory_builder.h"

#include <filesystem>
#include <vector>

#include "cipher/file_cipher.h"
#include "directory/directory_image.h"
#include "directory/image_check.h"
#include "directory/segment_record.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "platform/paths.h"
#include "tools/area_code_conversion.h"
#include "tools/data_folder.h"
#include "tools/place_list.h"

namespace korvalind {
namespace {

constexpr std::uint64_t kMaxOffset = 0xFFFFFFFFu;

void AppendU32(std::uint32_t value, LargeBytes* out) {
  for (int shift = 0; shift < 32; shift += 8)
    out->push_back(static_cast<std::uint8_t>(value >> shift));
}

void AppendEntry(std::string_view entry, LargeBytes* out) {
  out->insert(out->end(), entry.begin(), entry.end());
  out->push_back(kEntryTerminator);
}

std::vector<std::string> LinesOf(std::string_view text) {
  std::vector<std::string> lines;
  LineCursor cursor(text);
  std::string_view line;
  while (cursor.Next(&line)) lines.emplace_back(line);
  return lines;
}

// Restores both lists to their length at construction unless Keep() was called.
class ListsGuard {
 public:
  ListsGuard() : places_(PlaceList.size()), zones_(ZoneList.size()) {}
  ListsGuard(const ListsGuard&) = delete;
  ListsGuard& operator=(const ListsGuard&) = delete;
  ~ListsGuard() {
    if (keep_) return;
    PlaceList.TruncateTo(places_);
    ZoneList.TruncateTo(zones_);
  }
  void Keep() { keep_ = true; }

 private:
  size_t places_;
  size_t zones_;
  bool keep_ = false;
};

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  std::filesystem::path pa = std::filesystem::weakly_canonical(a, error);
  if (error) return false;
  std::filesystem::path pb = std::filesystem::weakly_canonical(b, error);
  return !error && pa == pb;
}

}  // namespace

Status AssembleDirectoryImage(std::span<const std::string> places,
                              std::span<const std::string> zones, std::string_view records,
                              const std::string& recordsName, LargeBytes* image,
                              ImageStats* stats) {
  image->clear();
  if (records.size() % kSegmentRecordSize != 0) {
    return Status::Corruption("record file \"" + recordsName + "\" is damaged: its length (" +
                              std::to_string(records.size()) + " bytes) is not a multiple of 8");
  }
  // A "|" inside a name would end its entry early: every later place index would name the
  // wrong place, and a zone would answer with a cut code. Readers see at most 63 bytes of an
  // entry, so a longer one would be answered cut (a zone then loses its postal or area code).
  // Whatever the loader would refuse is refused here, so that every image written loads.
  for (const auto& [table, kind] :
       {std::pair{places, TableKind::kPlace}, std::pair{zones, TableKind::kZone}}) {
    const char* what = kind == TableKind::kPlace ? "place name" : "zone";
    for (const std::string& entry : table) {
      if (std::string why = DirectoryEntryFault(entry, kind); !why.empty()) {
        return Status::InvalidArgument(std::string("the ") + what + " \"" +
                                       GbkToUtf8ForMessage(entry) + "\" " + why);
      }
    }
  }
  std::uint64_t tables = 0;
  for (const std::string& place : places) tables += place.size() + 1;
  const std::uint64_t place_table_end = tables;
  for (const std::string& zone : zones) tables += zone.size() + 1;
  const std::uint64_t padding =
      (kZoneTableEndRemainder + kZoneTableEndModulus - tables % kZoneTableEndModulus) %
      kZoneTableEndModulus;
  const std::uint64_t zone_table_end = tables + padding;
  const std::uint64_t records_end = zone_table_end + records.size();
  if (records_end > kMaxOffset) {
    return Status::InvalidArgument("the directory would be " + std::to_string(records_end) +
                                   " bytes long, beyond the 32-bit offsets of its format");
  }

  image->reserve(static_cast<size_t>(records_end) + kTrailerSize);
  for (const std::string& place : places) AppendEntry(place, image);
  for (const std::string& zone : zones) AppendEntry(zone, image);
  image->insert(image->end(), static_cast<size_t>(padding), kEntryTerminator);
  image->insert(image->end(), records.begin(), records.end());
  AppendU32(static_cast<std::uint32_t>(place_table_end), image);
  AppendU32(static_cast<std::uint32_t>(zone_table_end), image);
  AppendU32(static_cast<std::uint32_t>(records_end), image);
  if (stats != nullptr) {
    stats->places = places.size();
    stats->zones = zones.size();
    stats->zonePadding = static_cast<size_t>(padding);
    stats->records = records.size() / kSegmentRecordSize;
    stats->plainSize = image->size();
  }
  return Status::Ok();
}

Status LoadZoneList(const std::string& dataFolder) {
  std::string text;
  Status status = ReadInputFile(JoinPath(dataFolder, "zone"), &text);
  if (!status.ok()) return status;
  for (const std::string& line : LinesOf(text)) ZoneList.Append(line);
  return Status::Ok();
}

Status BuildDirectory(const std::string& dataFolder, ImageStats* stats) {
  if (Status status = CheckDataFolder(dataFolder); !status.ok()) return status;
  const std::string records_path = JoinPath(dataFolder, "binary");
  std::string place_names, zone_text;
  LargeBytes records;
  Status status = ReadInputFile(JoinPath(dataFolder, "city"), &place_names);
  if (status.ok()) status = ReadInputFile(JoinPath(dataFolder, "zone"), &zone_text);
  if (status.ok()) status = ReadInputFile(records_path, &records);
  if (!status.ok()) return status;

  ListsGuard guard;
  AppendPlaceNames(place_names);
  for (const std::string& line : LinesOf(zone_text)) ZoneList.Append(line);
  LargeBytes image;
  status = AssembleDirectoryImage(PlaceList.entries(), ZoneList.entries(), BytesView(records),
                                  records_path, &image, stats);
  if (!status.ok()) return status;

  AtomicFile out;
  status = out.Open(JoinPath(dataFolder, "Korvalind.dat"));
  if (!status.ok()) return status;
  out.Write(BytesView(image));
  status = out.Commit();
  if (status.ok()) guard.Keep();
  return status;
}

Status MakeDirectory(const std::string& dataFolder, const std::string& outputPath,
                     const ProgressCallback& progress, MakeDirectoryStats* stats) {
  if (Status status = CheckDataFolder(dataFolder); !status.ok()) return status;
  struct Output {
    std::string name;
    std::string_view bytes;
  };
  const std::string dump_path = JoinPath(dataFolder, "simcard2.sql");
  const char* const kDataFiles[] = {"areacode", "city",   "simcard2.sql", "zone",
                                    "binary",   "offset", "output.txt",   "Korvalind.dat"};
  for (const char* name : kDataFiles) {
    if (SameFile(outputPath, JoinPath(dataFolder, name))) {
      return Status::InvalidArgument("output \"" + outputPath + "\" is one of the files the " +
                                     "pipeline reads or writes in \"" + dataFolder + "\"");
    }
  }

  std::string area_codes, place_names;
  LargeBytes dump;
  Status status = ReadInputFile(JoinPath(dataFolder, "areacode"), &area_codes);
  if (status.ok()) status = ReadInputFile(JoinPath(dataFolder, "city"), &place_names);
  if (status.ok()) status = ReadInputFile(dump_path, &dump);
  if (!status.ok()) return status;

  ListsGuard guard;
  const std::vector<std::string> zone_lines = ZoneLinesOf(area_codes);
  for (const std::string& line : zone_lines) ZoneList.Append(line);
  AppendPlaceNames(place_names);
  SegmentOutput segments;
  status = ConvertSegmentDump(BytesView(dump), dump_path, progress, &segments);
  if (!status.ok()) return status;

  LargeBytes image;
  ImageStats image_stats;
  status = AssembleDirectoryImage(PlaceList.entries(), zone_lines, BytesView(segments.records),
                                  JoinPath(dataFolder, "binary"), &image, &image_stats);
  if (!status.ok()) return status;
  const std::string enciphered = EncipherBytes(BytesView(image), CipherKey);
  if (enciphered.empty()) return Status::InvalidArgument("the directory key is not usable");

  const std::string zone_text = ZoneFileText(zone_lines);
  // The output named by the caller is the riskiest (another folder, perhaps another owner or
  // file system): renamed first, its failure replaces nothing.
  const Output outputs[] = {{outputPath, enciphered},
                            {JoinPath(dataFolder, "zone"), zone_text},
                            {JoinPath(dataFolder, "output.txt"), BytesView(segments.listing)},
                            {JoinPath(dataFolder, "binary"), BytesView(segments.records)},
                            {JoinPath(dataFolder, "offset"), {}},
                            {JoinPath(dataFolder, "Korvalind.dat"), BytesView(image)}};
  AtomicFile files[std::size(outputs)];
  for (size_t i = 0; i < std::size(outputs) && status.ok(); ++i) {
    status = files[i].Open(outputs[i].name);
    files[i].Write(outputs[i].bytes);
  }
  if (status.ok()) status = CommitTogether(files);
  if (!status.ok()) return status;

  guard.Keep();
  if (stats != nullptr) {
    stats->rows = segments.stats.rows;
    stats->places = image_stats.places;
    stats->newCities = segments.stats.newCities;
    stats->zones = image_stats.zones;
    stats->zonePadding = image_stats.zonePadding;
    stats->records = image_stats.records;
    stats->plainSize = image_stats.plainSize;
    stats->outputSize = enciphered.size();
  }
  return Status::Ok();
}

}  // namespace korvalind
