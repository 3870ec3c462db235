#include "directory/query.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "directory/image_regions.h"

namespace korvalind {

// "请输入合法的号码段!"
const char kInvalidSegmentMessage[] =
    "\xc7\xeb\xca\xe4\xc8\xeb\xba\xcf\xb7\xa8\xb5\xc4\xba\xc5\xc2\xeb\xb6\xce!";
// "不会吧，没有找到!"
const char kNotFoundMessage[] = "\xb2\xbb\xbb\xe1\xb0\xc9\xa3\xac\xc3\xbb\xd3\xd0\xd5\xd2\xb5\xbd!";

namespace {

// The labels of kinds 1 to 7, code page 936.
constexpr std::string_view kSimKindLabels[] = {
    "\xd2\xc6\xb6\xaf\xc8\xab\xc7\xf2\xcd\xa8",  // 移动全球通
    "\xd2\xc6\xb6\xaf\xd4\xa4\xb8\xb6\xb7\xd1",  // 移动预付费
    "\xc1\xaa\xcd\xa8"
    "130"
    "\xbf\xa8",                                          // 联通130卡
    "\xc1\xaa\xcd\xa8\xd4\xa4\xb8\xb6\xb7\xd1\xbf\xa8",  // 联通预付费卡
    "\xc1\xaa\xcd\xa8"
    "CDMA"
    "\xbf\xa8\xa3\xa8"
    "133"
    "\xa3\xa9",                          // 联通CDMA卡（133）
    "\xd6\xd0\xb9\xfa\xb5\xe7\xd0\xc5",  // 中国电信
    "\xd6\xd0\xb9\xfa\xb9\xe3\xb5\xe7",  // 中国广电
};

// The index of image when it can be used for image as it is now.
const DirectoryIndex* UsableIndex(const DirectoryImage& image) {
  const DirectoryIndex* index = image.index.get();
  return index != nullptr && index->Fits(image) ? index : nullptr;
}

constexpr bool IsDecimalByte(unsigned char b) { return (b >> 4) <= 9 && (b & 15) <= 9; }

// Whether image holds a segment of the prefix "1" + p's two digits, through the index when it
// fits, else by walking the records up to the first one.
bool HoldsPrefix(const DirectoryImage& image, unsigned p) {
  if (const DirectoryIndex* index = UsableIndex(image)) return index->HeldPrefixes()[p];
  const unsigned char wanted = static_cast<unsigned char>((p / 10) << 4 | (p % 10));
  std::string_view records = RecordRegion(image);
  for (size_t offset = 0; offset + kSegmentRecordSize <= records.size();
       offset += kSegmentRecordSize) {
    const auto* key = reinterpret_cast<const unsigned char*>(records.data() + offset + 1);
    if (key[0] == wanted && IsDecimalByte(key[1]) && IsDecimalByte(key[2])) return true;
  }
  return false;
}

SegmentRecord RecordAt(const char* bytes) {
  SegmentRecord record;
  std::memcpy(record.bytes.data(), bytes, kSegmentRecordSize);
  return record;
}

// The outcome of an index look-up; false when the index cannot tell.
bool OutcomeOf(DirectoryIndex::Lookup found, QueryAnswer::Outcome* outcome) {
  switch (found) {
    case DirectoryIndex::Lookup::kFound:
      *outcome = QueryAnswer::Outcome::kOk;
      return true;
    case DirectoryIndex::Lookup::kNone:
      *outcome = QueryAnswer::Outcome::kNotFound;
      return true;
    case DirectoryIndex::Lookup::kUnknown:
      break;
  }
  return false;
}

}  // namespace

std::unordered_map<std::string_view, std::string_view> ZoneHeads(const DirectoryImage& image) {
  std::unordered_map<std::string_view, std::string_view> heads;
  ForEachEntry(ZoneTableRegion(image), [&](std::string_view entry) {
    entry = VisibleEntry(entry);
    for (size_t colon = entry.find(':'); colon != std::string_view::npos;
         colon = entry.find(':', colon + 1)) {
      heads.try_emplace(entry.substr(0, colon), entry.substr(colon + 1));
    }
    return false;
  });
  return heads;
}

bool IsValidSegmentText(std::string_view text) {
  if (text.size() < 7) return false;
  if (text[0] != '1' || text[1] != '3') return false;
  if (text[2] == '2' || text[2] == '4') return false;
  return std::all_of(text.begin(), text.begin() + 7, [](char c) { return c >= '0' && c <= '9'; });
}

std::bitset<100> HeldPrefixes(const DirectoryImage& image) {
  if (const DirectoryIndex* index = UsableIndex(image)) return index->HeldPrefixes();
  std::bitset<100> held;
  std::string_view records = RecordRegion(image);
  for (size_t offset = 0; offset + kSegmentRecordSize <= records.size();
       offset += kSegmentRecordSize) {
    const auto* key = reinterpret_cast<const unsigned char*>(records.data() + offset + 1);
    if (IsDecimalByte(key[0]) && IsDecimalByte(key[1]) && IsDecimalByte(key[2])) {
      held[(key[0] >> 4) * 10 + (key[0] & 15)] = true;
    }
  }
  return held;
}

bool IsAcceptedSegmentText(const DirectoryImage& image, std::string_view text) {
  const std::uint32_t segment = SegmentOfDigits(text);
  if (segment == 0) return false;
  return PlanOfSegment(segment).inPlan || HoldsPrefix(image, segment / 10000 - 100);
}

std::optional<SegmentRecord> FindSegmentRecord(const DirectoryImage& image,
                                               const std::uint8_t* key) {
  if (const DirectoryIndex* index = UsableIndex(image)) {
    SegmentRecord record;
    switch (index->Find(image, key, &record)) {
      case DirectoryIndex::Lookup::kFound:
        return record;
      case DirectoryIndex::Lookup::kNone:
        return std::nullopt;
      case DirectoryIndex::Lookup::kUnknown:
        break;
    }
  }
  std::string_view records = RecordRegion(image);
  for (size_t offset = 0; offset + kSegmentRecordSize <= records.size();
       offset += kSegmentRecordSize) {
    const char* r = records.data() + offset;
    if (std::memcmp(r + 1, key, kSegmentKeySize) == 0) return RecordAt(r);
  }
  return std::nullopt;
}

std::string PlaceName(const DirectoryImage& image, std::uint16_t index) {
  if (index == 0) return {};
  std::string_view found;
  unsigned number = 0;
  ForEachEntry(PlaceTableRegion(image), [&](std::string_view entry) {
    if (++number != index) return false;
    found = VisibleEntry(entry);
    return true;
  });
  return std::string(found);
}

std::string ZoneLookup(const DirectoryImage& image, std::string_view province,
                       std::string_view city) {
  std::string key;
  key.reserve(province.size() + 1 + city.size());
  key.append(province).append(",").append(city);
  std::string_view found;
  ForEachEntry(ZoneTableRegion(image), [&](std::string_view entry) {
    entry = VisibleEntry(entry);
    // Only an entry whose "province,city" part is the key itself: a mere prefix
    // would hand out another city's codes.
    if (entry.size() <= key.size() || entry[key.size()] != ':' ||
        entry.substr(0, key.size()) != key) {
      return false;
    }
    found = entry.substr(key.size() + 1);
    return true;
  });
  return std::string(found);
}

SegmentFields DecodeSegmentRecord(const DirectoryImage& image, const SegmentRecord& record) {
  SegmentFields fields;
  fields.province = PlaceName(image, record.provinceIndex());
  fields.city = PlaceName(image, record.cityIndex());
  fields.kindDigit = std::string(1, static_cast<char>('0' + record.kind()));
  return fields;
}

std::string_view SimKindLabel(int kind) {
  if (kind < 1 || kind > 7) return {};
  return kSimKindLabels[kind - 1];
}

QueryAnswer QueryNumber(const DirectoryImage& image, std::string_view text) {
  if (!IsAcceptedSegmentText(image, text)) return QueryAnswer{};
  return QuerySegment(image, SegmentOfDigits(text));
}

void SegmentKey(std::uint32_t segment, std::uint8_t* key) {
  // Every query of the filter packs its key here: two digits a byte through a table.
  static constexpr auto kPacked = [] {
    std::array<std::uint8_t, 100> packed{};
    for (unsigned n = 0; n < 100; ++n)
      packed[n] = static_cast<std::uint8_t>((n / 10) << 4 | n % 10);
    return packed;
  }();
  const std::uint32_t digits = segment % 1000000;
  key[0] = kPacked[digits / 10000];
  key[1] = kPacked[digits / 100 % 100];
  key[2] = kPacked[digits % 100];
}

QueryAnswer QuerySegment(const DirectoryImage& image, std::uint32_t segment) {
  std::uint8_t key[kSegmentKeySize];
  SegmentKey(segment, key);
  QueryAnswer answer = QuerySegmentKey(image, key);
  answer.segment = segment;
  answer.plan = PlanOfSegment(segment);
  return answer;
}

QueryAnswer QuerySegmentKey(const DirectoryImage& image, const std::uint8_t* key) {
  QueryAnswer answer;
  std::optional<SegmentRecord> record = FindSegmentRecord(image, key);
  if (!record) {
    answer.outcome = QueryAnswer::Outcome::kNotFound;
    return answer;
  }
  answer.outcome = QueryAnswer::Outcome::kOk;
  answer.kind = record->kind();
  const DirectoryIndex* index = UsableIndex(image);
  AnswerTexts texts;
  if (index != nullptr && index->Answer(record->provinceIndex(), record->cityIndex(),
                                        record->kind(), TextEncoding::kGbk, &texts)) {
    answer.province = texts.province;
    answer.city = texts.city;
    answer.simType = texts.simType;
    answer.areaCode = texts.areaCode;
    answer.postCode = texts.postCode;
    return answer;
  }
  SegmentFields fields = DecodeSegmentRecord(image, *record);
  const std::string zone = ZoneLookup(image, fields.province, fields.city);
  const ShownPlace shown = ShowPlace(fields.province, fields.city, zone);
  answer.province = shown.province;
  answer.city = shown.city;
  answer.simType = std::string(SimKindLabel(record->kind()));
  answer.postCode = shown.postCode;
  answer.areaCode = shown.areaCode;
  return answer;
}

bool QuerySegmentKeyIndexed(const DirectoryImage& image, const std::uint8_t* key,
                            TextEncoding encoding, QueryAnswer::Outcome* outcome,
                            AnswerTexts* texts) {
  const DirectoryIndex* index = UsableIndex(image);
  if (index == nullptr) return false;
  std::uint32_t code = 0;
  const DirectoryIndex::Lookup found = index->FindAnswerCode(key, &code);
  if (found == DirectoryIndex::Lookup::kFound) index->AnswerOfCode(code, encoding, texts);
  return OutcomeOf(found, outcome);
}

bool QuerySegmentCode(const DirectoryImage& image, std::uint32_t segment,
                      QueryAnswer::Outcome* outcome, std::uint32_t* code) {
  const DirectoryIndex* index = UsableIndex(image);
  return index != nullptr && OutcomeOf(index->FindSegmentAnswerCode(segment, code), outcome);
}

void AnswerTextsOfCode(const DirectoryImage& image, std::uint32_t code, TextEncoding encoding,
                       AnswerTexts* texts) {
  image.index->AnswerOfCode(code, encoding, texts);
}

}  // namespace korvalind
