#include "library/answer_table.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>

#include "directory/image_regions.h"
#include "directory/query.h"
#include "directory/segment_record.h"
#include "platform/gbk.h"

namespace korvalind::library {
namespace {

// The two digits of a packed-decimal byte as 0-99, or -1 when a nibble is above 9 (such a key
// cannot be named by digits, so no look-up reaches its record).
int DecimalByte(std::uint8_t b) {
  int high = b >> 4;
  int low = b & 15;
  return high <= 9 && low <= 9 ? high * 10 + low : -1;
}

}  // namespace

void AnswerTable::Build(const DirectoryImage& image) {
  codes_.assign(kSegments, KORVALIND_CODE_NOT_FOUND);
  answers_.clear();
  texts_.clear();

  // Where each answer's ten texts start in texts_: pointers are made once texts_ is complete.
  std::vector<std::array<size_t, 10>> starts;
  std::vector<int> kinds;
  // kind, province and city of a record -> its code; the five GBK texts -> the code.
  std::unordered_map<std::uint64_t, std::uint32_t> code_of_record;
  std::unordered_map<std::string, std::uint32_t> code_of_texts;
  GbkToUtf8Converter converter;
  std::string joined;

  const std::string_view region = RecordRegion(image);
  const size_t count = region.size() / kSegmentRecordSize;
  const auto* records = reinterpret_cast<const std::uint8_t*>(region.data());
  for (size_t i = 0; i < count; ++i) {
    const std::uint8_t* r = records + i * kSegmentRecordSize;
    const int high = DecimalByte(r[1]);
    const int middle = DecimalByte(r[2]);
    const int low = DecimalByte(r[3]);
    if (high < 0 || middle < 0 || low < 0) continue;
    const std::uint32_t offset = static_cast<std::uint32_t>(high * 10000 + middle * 100 + low);
    // A key already seen was answered by its first record.
    if (codes_[offset] != KORVALIND_CODE_NOT_FOUND) continue;

    SegmentRecord record;
    std::copy(r, r + kSegmentRecordSize, record.bytes.begin());
    const std::uint64_t place_kind = std::uint64_t{static_cast<unsigned>(record.kind())} << 32 |
                                     std::uint64_t{record.provinceIndex()} << 16 |
                                     record.cityIndex();
    auto known = code_of_record.find(place_kind);
    if (known != code_of_record.end()) {
      codes_[offset] = known->second;
      continue;
    }
    QueryAnswer answer = QuerySegmentKey(image, r + 1);
    const std::string* fields[5] = {&answer.province, &answer.city, &answer.simType,
                                    &answer.areaCode, &answer.postCode};
    joined.clear();
    for (const std::string* field : fields) joined.append(*field).push_back('\0');
    auto [texts, added] =
        code_of_texts.try_emplace(joined, static_cast<std::uint32_t>(starts.size()));
    if (added) {
      std::array<size_t, 10> at{};
      for (int f = 0; f < 5; ++f) {
        at[f] = texts_.size();
        texts_.append(*fields[f]).push_back('\0');
      }
      for (int f = 0; f < 5; ++f) {
        at[5 + f] = texts_.size();
        converter.Append(*fields[f], &texts_);
        texts_.push_back('\0');
      }
      starts.push_back(at);
      kinds.push_back(answer.kind);
    }
    code_of_record.emplace(place_kind, texts->second);
    codes_[offset] = texts->second;
  }

  answers_.resize(starts.size());
  const char* base = texts_.data();
  for (size_t a = 0; a < starts.size(); ++a) {
    const auto& at = starts[a];
    answers_[a].gbk = {base + at[0], base + at[1], base + at[2], base + at[3], base + at[4]};
    answers_[a].utf8 = {base + at[5], base + at[6], base + at[7], base + at[8], base + at[9]};
    answers_[a].kind = kinds[a];
  }
}

}  // namespace korvalind::library
