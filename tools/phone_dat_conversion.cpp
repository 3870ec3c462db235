#include "tools/phone_dat_conversion.h"

#include <unordered_map>
#include <vector>

#include "directory/image_regions.h"
#include "directory/number_plan.h"
#include "platform/gbk.h"
#include "tools/segment_answers.h"

namespace korvalind {
namespace {

// Kind of each card type 1 to 8 (index 0 unused).
constexpr int kKindOfCardType[] = {0, 1, 3, 6, 6, 3, 1, 7, 7};
// Card type of each kind 0 to 7.
constexpr std::uint8_t kCardTypeOfKind[] = {0,
                                            kCardChinaMobile,
                                            kCardChinaMobile,
                                            kCardChinaUnicom,
                                            kCardChinaUnicom,
                                            kCardChinaUnicom,
                                            kCardChinaTelecom,
                                            kCardChinaBroadnet};

// A record's four fields in GBK, as the directory will hold them.
struct GbkRecord {
  std::string province, city, postCode, areaCode;
};

Status ToGbk(const PhoneDatRecord& record, std::string_view name, GbkRecord* out) {
  const std::pair<const std::string*, std::string*> fields[] = {{&record.province, &out->province},
                                                                {&record.city, &out->city},
                                                                {&record.postCode, &out->postCode},
                                                                {&record.areaCode, &out->areaCode}};
  for (const auto& [utf8, gbk] : fields) {
    std::string why;
    if (!Utf8ToGbkExact(*utf8, gbk)) {
      why = "has a character without a GBK form";
    } else if (gbk->size() > kMaxEntryLength) {
      why = "is " + std::to_string(gbk->size()) + " bytes long in GBK, more than the " +
            std::to_string(kMaxEntryLength) + " of a directory entry";
    }
    if (!why.empty()) {
      return Status::InvalidArgument("phone.dat file \"" + std::string(name) + "\": the text \"" +
                                     *utf8 + "\" " + why);
    }
  }
  if (out->province.empty()) {
    return Status::InvalidArgument("phone.dat file \"" + std::string(name) + "\": the record \"|" +
                                   record.city + "|" + record.postCode + "|" + record.areaCode +
                                   "\" has no province");
  }
  return Status::Ok();
}

Status InFile(std::string_view name, const Status& status) {
  return Status::InvalidArgument("phone.dat file \"" + std::string(name) +
                                 "\": " + status.message());
}

}  // namespace

int KindOfCardType(std::uint8_t cardType) {
  return cardType < std::size(kKindOfCardType) ? kKindOfCardType[cardType] : 0;
}

std::uint8_t CardTypeOfSegment(std::uint32_t segment, int kind) {
  // Card type of each carrier (Carrier order), and of its virtual-operator segments.
  constexpr std::uint8_t kOwn[kCarrierCount] = {0, kCardChinaMobile, kCardChinaUnicom,
                                                kCardChinaTelecom, kCardChinaBroadnet};
  constexpr std::uint8_t kVirtual[kCarrierCount] = {
      0, kCardChinaMobileVirtual, kCardChinaUnicomVirtual, kCardChinaTelecomVirtual,
      kCardChinaBroadnetVirtual};
  const PlanEntry plan = PlanOfSegment(segment);
  const auto carrier = static_cast<std::size_t>(plan.carrier);
  if (carrier == 0 || carrier >= kCarrierCount) return CardTypeOfKind(kind);
  return plan.service == Service::kVirtual ? kVirtual[carrier] : kOwn[carrier];
}

std::uint8_t CardTypeOfKind(int kind) {
  return kind >= 0 && static_cast<size_t>(kind) < std::size(kCardTypeOfKind) ? kCardTypeOfKind[kind]
                                                                             : 0;
}

Status ImportPhoneDat(const PhoneDat& dat, std::string_view name, DumpTexts* out,
                      PhoneDatImportStats* stats) {
  std::vector<GbkRecord> records(dat.records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    Status status = ToGbk(dat.records[i], name, &records[i]);
    if (!status.ok()) return status;
  }

  // Records in the order the index first names them, which is the order of places and zones.
  std::vector<std::uint32_t> order;
  std::vector<bool> named(records.size(), false);
  for (const PhoneDatEntry& entry : dat.entries) {
    if (entry.record >= records.size()) {
      return Status::InvalidArgument("phone.dat file \"" + std::string(name) + "\": segment " +
                                     std::to_string(entry.segment) + " names no record");
    }
    if (named[entry.record]) continue;
    named[entry.record] = true;
    order.push_back(entry.record);
  }

  DumpWriter writer;
  constexpr size_t kRowBytes = 48;  // a bundled row is about 40 bytes
  writer.ReserveSegments(dat.entries.size(), kRowBytes);
  std::unordered_map<std::string, bool> places;
  auto add_place = [&](const std::string& place) {
    if (place.empty() || !places.emplace(place, true).second) return Status::Ok();
    return writer.AddPlace(place);
  };
  for (bool cities : {false, true}) {
    for (std::uint32_t number : order) {
      Status status = add_place(cities ? records[number].city : records[number].province);
      if (!status.ok()) return InFile(name, status);
    }
  }
  // One zone per province and city: a look-up takes the first, so a second record with other
  // codes would answer with the first one's.
  std::unordered_map<std::string, std::uint32_t> zones;  // "province,city" -> record
  for (std::uint32_t number : order) {
    const GbkRecord& record = records[number];
    auto [found, added] = zones.emplace(record.province + "," + record.city, number);
    if (!added) {
      const GbkRecord& first = records[found->second];
      if (first.postCode != record.postCode || first.areaCode != record.areaCode) {
        const PhoneDatRecord& a = dat.records[found->second];
        const PhoneDatRecord& b = dat.records[number];
        return Status::InvalidArgument(
            "phone.dat file \"" + std::string(name) + "\": the records \"" + a.province + "|" +
            a.city + "|" + a.postCode + "|" + a.areaCode + "\" and \"" + b.province + "|" + b.city +
            "|" + b.postCode + "|" + b.areaCode +
            "\" give one province and city different codes, which a directory cannot hold");
      }
      continue;
    }
    const std::string zone =
        record.province + "," + record.city + ":" + record.postCode + "," + record.areaCode;
    if (zone.size() > kMaxEntryLength) {
      return Status::InvalidArgument("phone.dat file \"" + std::string(name) + "\": the zone \"" +
                                     GbkToUtf8(zone) + "\" is " + std::to_string(zone.size()) +
                                     " bytes long, more than the " +
                                     std::to_string(kMaxEntryLength) + " of a directory entry");
    }
    Status status = writer.AddZone(record.province, record.city, record.postCode, record.areaCode);
    if (!status.ok()) return InFile(name, status);
  }
  for (const PhoneDatEntry& entry : dat.entries) {
    const GbkRecord& record = records[entry.record];
    Status status = writer.AddSegment(std::to_string(entry.segment), record.province, record.city,
                                      KindOfCardType(entry.cardType), record.areaCode);
    if (!status.ok()) return InFile(name, status);
  }
  if (stats != nullptr) {
    stats->segments = writer.segments();
    stats->places = writer.places();
    stats->zones = writer.zones();
  }
  *out = writer.Finish();
  return Status::Ok();
}

Status ExportPhoneDat(const DirectoryImage& image, std::string_view version, PhoneDat* out,
                      PhoneDatExportStats* stats) {
  *out = PhoneDat();
  out->version = version;
  const SegmentAnswers answers = AnswerAllSegments(image);
  // Record number of each place answer, made on first use; texts alike share one record.
  constexpr std::uint32_t kNone = 0xFFFFFFFF;
  std::vector<std::uint32_t> record_of(answers.places.size(), kNone);
  std::unordered_map<std::string, std::uint32_t> record_numbers;
  size_t left_out = 0;
  out->entries.reserve(answers.segments.size());
  for (const SegmentAnswer& segment : answers.segments) {
    const std::uint8_t card_type = CardTypeOfSegment(segment.segment, segment.kind);
    if (card_type == 0) {
      ++left_out;
      continue;
    }
    std::uint32_t& record = record_of[segment.place];
    if (record == kNone) {
      const PlaceAnswer& place = answers.places[segment.place];
      PhoneDatRecord converted;
      const std::pair<const std::string*, std::string*> fields[] = {
          {&place.province, &converted.province},
          {&place.city, &converted.city},
          {&place.postCode, &converted.postCode},
          {&place.areaCode, &converted.areaCode}};
      for (const auto& [gbk, utf8] : fields) {
        if (!GbkToUtf8Exact(*gbk, utf8)) {
          *out = PhoneDat();
          return Status::InvalidArgument("the text \"" + GbkToUtf8(*gbk) + "\" of segment " +
                                         std::to_string(segment.segment) +
                                         " is not well-formed GBK");
        }
      }
      const std::string key = converted.province + "|" + converted.city + "|" + converted.postCode +
                              "|" + converted.areaCode;
      auto [found, added] =
          record_numbers.emplace(key, static_cast<std::uint32_t>(out->records.size()));
      if (added) out->records.push_back(std::move(converted));
      record = found->second;
    }
    out->entries.push_back({segment.segment, record, card_type});
  }
  if (stats != nullptr) {
    stats->segments = out->entries.size();
    stats->leftOut = left_out;
    stats->records = out->records.size();
  }
  return Status::Ok();
}

}  // namespace korvalind
