#include "directory/directory_index.h"

#include <cstring>
#include <string>
#include <unordered_map>

#include "directory/image_regions.h"
#include "directory/query.h"
#include "platform/gbk.h"

namespace korvalind {
namespace {

std::uint64_t PairKey(std::uint16_t province, std::uint16_t city) {
  return std::uint64_t{province} << 16 | city;
}

constexpr size_t kRecentCities = 1024;

std::uint16_t U16At(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// The place names by index (entry 0 stands for index 0, no place), as the one-by-one reader
// sees them. Only the first 65535 entries can be named by a record.
std::vector<std::string_view> VisiblePlaces(const DirectoryImage& image) {
  std::vector<std::string_view> places(1);
  ForEachEntry(PlaceTableRegion(image), [&](std::string_view entry) {
    places.push_back(VisibleEntry(entry));
    return places.size() > 0xFFFF;
  });
  return places;
}

}  // namespace

DirectoryIndex::Lookup DirectoryIndex::Find(const DirectoryImage& image, const std::uint8_t* key,
                                            SegmentRecord* record) const {
  std::uint32_t slot = 0;
  if (!Slot(key, &slot)) return Lookup::kUnknown;
  if (slot == 0) return Lookup::kNone;
  if ((slot & kRecordNumberFlag) != 0) {
    size_t at = size_t{slot & ~kRecordNumberFlag} * kSegmentRecordSize;
    std::memcpy(record->bytes.data(), RecordRegion(image).data() + at, kSegmentRecordSize);
    return Lookup::kFound;
  }
  const Variant& variant = variants_[slot - 1];
  record->bytes = {variant.byte0,
                   key[0],
                   key[1],
                   key[2],
                   static_cast<std::uint8_t>(variant.city),
                   static_cast<std::uint8_t>(variant.city >> 8),
                   static_cast<std::uint8_t>(variant.province),
                   static_cast<std::uint8_t>(variant.province >> 8)};
  return Lookup::kFound;
}

bool DirectoryIndex::Answer(std::uint16_t province, std::uint16_t city, int kind,
                            TextEncoding encoding, AnswerTexts* texts) const {
  std::uint32_t pair = pair_numbers_.NumberOf(PairKey(province, city));
  if (pair == KeyNumbering::kAbsent) return false;
  PairTexts(static_cast<std::uint16_t>(pair), kind, encoding, texts);
  return true;
}

void DirectoryIndex::PairTexts(std::uint16_t pair, int kind, TextEncoding encoding,
                               AnswerTexts* texts) const {
  const PreparedPair& prepared = pairs_[pair];
  texts->kind = static_cast<std::uint8_t>(kind);
  const bool gbk = encoding == TextEncoding::kGbk;
  const std::uint8_t* lengths = prepared.lengths + (gbk ? 0 : 4);
  const char* at = text_.data() + prepared.offset;
  if (!gbk)
    at += prepared.lengths[0] + prepared.lengths[1] + prepared.lengths[2] + prepared.lengths[3];
  texts->province = std::string_view(at, lengths[0]);
  at += lengths[0];
  texts->city = std::string_view(at, lengths[1]);
  at += lengths[1];
  texts->postCode = std::string_view(at, lengths[2]);
  at += lengths[2];
  texts->areaCode = std::string_view(at, lengths[3]);
  texts->simType = labels_[gbk ? 0 : 1][kind & 7];
}

size_t DirectoryIndex::MemoryBytes() const {
  return sizeof(*this) + slots_.capacity() * sizeof(std::uint32_t) +
         variants_.capacity() * sizeof(Variant) + pair_numbers_.MemoryBytes() +
         pairs_.capacity() * sizeof(PreparedPair) + text_.capacity() + labels_utf8_.capacity();
}

std::shared_ptr<const DirectoryIndex> DirectoryIndex::Build(const DirectoryImage& image) {
  auto index = std::make_shared<DirectoryIndex>();
  index->data_size_ = image.data.size();
  index->place_table_end_ = image.placeTableEnd;
  index->zone_table_end_ = image.zoneTableEnd;
  index->records_end_ = image.recordsEnd;

  // The blocks that records use.
  const std::string_view records = RecordRegion(image);
  const size_t count = records.size() / kSegmentRecordSize;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(records.data());
  bool used[100] = {};
  for (size_t i = 0; i < count; ++i) {
    const std::uint8_t* key = bytes + i * kSegmentRecordSize + 1;
    if ((kDecimalByte[key[0]] | kDecimalByte[key[1]] | kDecimalByte[key[2]]) == kNotDecimal) {
      index->has_other_keys_ = true;
    } else {
      used[kDecimalByte[key[0]]] = true;
    }
  }
  size_t blocks = 0;
  for (int high = 0; high < 100; ++high) {
    index->held_prefixes_[high] = used[high];
    index->block_of_[high] =
        used[high] ? static_cast<std::uint32_t>(blocks++ * kSlotsPerBlock) : kNoBlock;
  }
  index->slots_.assign(blocks * kSlotsPerBlock, 0);

  // The first record of every key, as its variant. Most records of a city share one variant, so
  // the last variant seen for each city spares the numbering table most visits.
  KeyNumbering variant_numbers;
  struct Recent {
    std::uint64_t variant = ~std::uint64_t{0};
    std::uint32_t number = 0;
  };
  std::vector<Recent> recent(kRecentCities);
  bool beyond_variants = false;
  for (size_t i = 0; i < count; ++i) {
    const std::uint8_t* r = bytes + i * kSegmentRecordSize;
    unsigned high = kDecimalByte[r[1]];
    unsigned middle = kDecimalByte[r[2]];
    unsigned low = kDecimalByte[r[3]];
    if ((high | middle | low) == kNotDecimal) continue;
    std::uint32_t& slot = index->slots_[index->block_of_[high] + middle * 100 + low];
    if (slot != 0) continue;
    const std::uint16_t city = U16At(r + 4);
    const std::uint64_t variant = std::uint64_t{r[0]} << 32 | PairKey(U16At(r + 6), city);
    Recent& last = recent[city % kRecentCities];
    if (last.variant != variant) {
      last.number = variant_numbers.Number(variant, kMaxVariants);
      last.variant = variant;
    }
    if (last.number != KeyNumbering::kAbsent) {
      slot = last.number + 1;
    } else {
      slot = kRecordNumberFlag | static_cast<std::uint32_t>(i);
      beyond_variants = true;
    }
  }

  // The place pairs of the variants, and of the records beyond the variants' budget.
  auto number_pair = [&](std::uint64_t pair) {
    std::uint32_t number = index->pair_numbers_.Number(pair, kMaxPreparedPairs);
    return number == KeyNumbering::kAbsent ? kNoPair : static_cast<std::uint16_t>(number);
  };
  for (std::uint64_t key : variant_numbers.keys()) {
    Variant variant;
    variant.byte0 = static_cast<std::uint8_t>(key >> 32);
    variant.province = static_cast<std::uint16_t>(key >> 16);
    variant.city = static_cast<std::uint16_t>(key);
    variant.pair = number_pair(key & 0xFFFFFFFF);
    index->variants_.push_back(variant);
  }
  for (std::uint32_t slot : index->slots_) {
    if (!beyond_variants) break;
    if ((slot & kRecordNumberFlag) == 0) continue;
    const std::uint8_t* r = bytes + size_t{slot & ~kRecordNumberFlag} * kSegmentRecordSize;
    number_pair(PairKey(U16At(r + 6), U16At(r + 4)));
  }

  // The texts of every pair, as the one-by-one readers would give them.
  const std::vector<std::string_view> places = VisiblePlaces(image);
  const auto heads = ZoneHeads(image);
  auto place = [&](std::uint16_t i) { return i < places.size() ? places[i] : std::string_view(); };
  GbkToUtf8Converter converter;
  std::string zone_key;
  std::string& text = index->text_;
  for (std::uint64_t key : index->pair_numbers_.keys()) {
    std::string_view province = place(static_cast<std::uint16_t>(key >> 16));
    std::string_view city = place(static_cast<std::uint16_t>(key));
    zone_key.assign(province).append(",").append(city);
    auto head = heads.find(zone_key);
    std::string_view zone = head == heads.end() ? std::string_view() : head->second;
    const ShownPlace shown = ShowPlace(province, city, zone);
    const std::string_view parts[4] = {shown.province, shown.city, shown.postCode, shown.areaCode};

    PreparedPair prepared;
    prepared.offset = static_cast<std::uint32_t>(text.size());
    for (int i = 0; i < 4; ++i) {
      text.append(parts[i]);
      prepared.lengths[i] = static_cast<std::uint8_t>(parts[i].size());
    }
    for (int i = 0; i < 4; ++i) {
      size_t before = text.size();
      converter.Append(parts[i], &text);
      prepared.lengths[4 + i] = static_cast<std::uint8_t>(text.size() - before);
    }
    if (text.size() > kMaxTextBytes) {
      text.resize(prepared.offset);
      break;
    }
    index->pairs_.push_back(prepared);
  }
  // Only the pairs whose texts fit stay known.
  if (index->pairs_.size() < index->pair_numbers_.keys().size()) {
    index->pair_numbers_.KeepFirst(index->pairs_.size());
    for (Variant& variant : index->variants_) {
      if (variant.pair != kNoPair && variant.pair >= index->pairs_.size()) variant.pair = kNoPair;
    }
  }
  text.shrink_to_fit();

  size_t label_ends[8];
  for (int kind = 0; kind < 8; ++kind) {
    index->labels_[0][kind] = SimKindLabel(kind);
    converter.Append(SimKindLabel(kind), &index->labels_utf8_);
    label_ends[kind] = index->labels_utf8_.size();
  }
  for (int kind = 0; kind < 8; ++kind) {
    size_t begin = kind == 0 ? 0 : label_ends[kind - 1];
    index->labels_[1][kind] =
        std::string_view(index->labels_utf8_).substr(begin, label_ends[kind] - begin);
  }
  return index;
}

}  // namespace korvalind
