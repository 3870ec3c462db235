#include "tools/segment_answers.h"

#include <cstring>

#include "directory/image_regions.h"
#include "directory/segment_record.h"

namespace korvalind {

PlaceAnswers::PlaceAnswers(const DirectoryImage& image) {
  ForEachEntry(PlaceTableRegion(image), [this](std::string_view entry) {
    entries_.push_back(entry);
    return false;
  });
  zones_ = ZoneHeads(image);
}

std::uint32_t PlaceAnswers::NumberOf(std::uint16_t province, std::uint16_t city) {
  const std::uint64_t pair = std::uint64_t{province} << 16 | city;
  const std::uint32_t number = numbers_.Number(pair, SIZE_MAX);
  if (number < answers_.size()) return number;
  PlaceAnswer answer;
  answer.province = VisibleEntry(Entry(province));
  answer.city = VisibleEntry(Entry(city));
  auto zone = zones_.find(answer.province + "," + answer.city);
  const ShownPlace shown = ShowPlace(answer.province, answer.city,
                                     zone == zones_.end() ? std::string_view() : zone->second);
  answer.shownCity = shown.city;
  answer.postCode = shown.postCode;
  answer.areaCode = shown.areaCode;
  answers_.push_back(std::move(answer));
  return number;
}

int KeyValue(const std::uint8_t* key) {
  int value = 0;
  for (size_t i = 0; i < kSegmentKeySize; ++i) {
    const int high = key[i] >> 4;
    const int low = key[i] & 15;
    if (high > 9 || low > 9) return -1;
    value = value * 100 + high * 10 + low;
  }
  return value;
}

SegmentAnswers AnswerAllSegments(const DirectoryImage& image) {
  const std::string_view records = RecordRegion(image);
  const size_t count = records.size() / kSegmentRecordSize;
  // Record number + 1 of the first record of each key value; 0 for none.
  std::vector<std::uint32_t> first(kSegmentKeyValues, 0);
  size_t found = 0;
  for (size_t n = 0; n < count; ++n) {
    const auto* record =
        reinterpret_cast<const std::uint8_t*>(records.data()) + n * kSegmentRecordSize;
    const int value = KeyValue(record + 1);
    if (value < 0 || first[static_cast<size_t>(value)] != 0) continue;
    first[static_cast<size_t>(value)] = static_cast<std::uint32_t>(n + 1);
    ++found;
  }

  SegmentAnswers result;
  result.segments.reserve(found);
  PlaceAnswers places(image);
  for (std::uint32_t value = 0; value < kSegmentKeyValues; ++value) {
    if (first[value] == 0) continue;
    SegmentRecord record;
    std::memcpy(record.bytes.data(), records.data() + size_t{first[value] - 1} * kSegmentRecordSize,
                kSegmentRecordSize);
    SegmentAnswer answer;
    answer.segment = kFirstSegment + value;
    answer.kind = static_cast<std::uint8_t>(record.kind());
    answer.place = places.NumberOf(record.provinceIndex(), record.cityIndex());
    result.segments.push_back(answer);
  }
  result.places = places.answers();
  return result;
}

}  // namespace korvalind
