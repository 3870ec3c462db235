#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "directory/directory_image.h"
#include "directory/key_numbering.h"
#include "directory/segment_record.h"
#include "platform/gbk.h"

namespace korvalind {

// The texts a found segment is answered with, in one encoding. city is already the province when
// the record has no city.
struct AnswerTexts {
  std::string_view province;
  std::string_view city;
  std::string_view simType;
  std::string_view areaCode;
  std::string_view postCode;
  std::uint8_t kind = 0;  // the record's SIM card kind, whose label simType is
};

namespace index_detail {

// Byte -> its two packed-decimal digits as a number 0-99; 0xFF (all ones, so that an OR of three
// look-ups shows any of them) for a byte with a nibble above 9.
constexpr std::array<std::uint8_t, 256> MakeDecimalBytes() {
  std::array<std::uint8_t, 256> table{};
  for (unsigned b = 0; b < 256; ++b) {
    bool decimal = (b >> 4) <= 9 && (b & 15) <= 9;
    table[b] = decimal ? static_cast<std::uint8_t>((b >> 4) * 10 + (b & 15)) : 0xFF;
  }
  return table;
}

}  // namespace index_detail

// A look-up table over one DirectoryImage, so that a query costs the same whatever the size of
// the directory, and touches one table slot instead of walking the records:
//  - segment key -> the first record with that key, exactly the record a walk from the first
//    record finds. Keys are packed decimal, so the six digits make a number below 10^6; the table
//    is split by the first two digits into blocks of 10^4 slots, and only the blocks that some
//    record uses are allocated (at most 100 x 10^4 x 4 bytes = 4 MB). A slot names a record
//    variant: byte 0 and the two place indexes, which with the key give back all 8 bytes.
//  - (province index, city index) -> the answer texts of such a record (names, postal code, area
//    code) in GBK and in UTF-8, worked out once with the same rules as the one-by-one readers.
// A damaged image can hold any number of variants and place pairs; only as many are kept as a
// fixed budget allows, so that the whole index stays under 8 MiB. A slot beyond it holds the
// record's number instead; pairs beyond it, and keys that are not packed decimal in an image that
// holds such keys, are left to the readers' walk.
class DirectoryIndex {
 public:
  static constexpr size_t kMaxVariants = 1 << 17;
  static constexpr size_t kMaxPreparedPairs = 1 << 15;
  static constexpr size_t kMaxTextBytes = 2 << 20;

  // The index of image as it is now. It describes the image's bytes without looking at them
  // again: code that edits an image in place must build a new index (or drop it).
  static std::shared_ptr<const DirectoryIndex> Build(const DirectoryImage& image);

  // True when the index was built for an image with image's size and region ends.
  bool Fits(const DirectoryImage& image) const {
    return image.data.size() == data_size_ && image.placeTableEnd == place_table_end_ &&
           image.zoneTableEnd == zone_table_end_ && image.recordsEnd == records_end_;
  }

  enum class Lookup { kFound, kNone, kUnknown };

  // The first record of image (the image the index was built for) whose bytes 1-3 equal key,
  // copied to *record. kUnknown when the index cannot tell: key is not packed decimal and the
  // image holds records whose keys are not either.
  Lookup Find(const DirectoryImage& image, const std::uint8_t* key, SegmentRecord* record) const;

  // The answer texts of the first record with key, in encoding. kUnknown also when the record's
  // texts were not prepared.
  Lookup FindAnswer(const std::uint8_t* key, TextEncoding encoding, AnswerTexts* texts) const {
    std::uint32_t code = 0;
    const Lookup found = FindAnswerCode(key, &code);
    if (found == Lookup::kFound) AnswerOfCode(code, encoding, texts);
    return found;
  }

  // Every prepared answer (a place pair's texts with one SIM card kind) has a code: the pair's
  // number times 8 plus the kind, below kMaxPreparedPairs * 8 and as small as the directory's
  // places allow, so that a caller answering many keys can keep what it derives from an answer
  // in a flat table, once per answer.

  // FindAnswer, giving the answer's code instead of its texts.
  Lookup FindAnswerCode(const std::uint8_t* key, std::uint32_t* code) const {
    std::uint32_t slot = 0;
    if (!Slot(key, &slot)) return Lookup::kUnknown;
    return CodeOfSlot(slot, code);
  }

  // The same for a segment 1000000 to 1999999, whose key is packed decimal: its last six digits
  // are the block's two and the slot's four, with no key to pack.
  Lookup FindSegmentAnswerCode(std::uint32_t segment, std::uint32_t* code) const {
    const std::uint32_t digits = segment % 1000000;
    const std::uint32_t block = block_of_[digits / kSlotsPerBlock];
    return CodeOfSlot(block == kNoBlock ? 0 : slots_[block + digits % kSlotsPerBlock], code);
  }

  // The texts of a code that FindAnswerCode gave, in encoding.
  void AnswerOfCode(std::uint32_t code, TextEncoding encoding, AnswerTexts* texts) const {
    PairTexts(static_cast<std::uint16_t>(code >> 3), static_cast<int>(code & 7), encoding, texts);
  }

  // The texts for a record with these place indexes and SIM card kind, or false when they were
  // not prepared (a pair beyond the budget).
  bool Answer(std::uint16_t province, std::uint16_t city, int kind, TextEncoding encoding,
              AnswerTexts* texts) const;

  // The three-digit prefixes "1" + p of the segments held (bit p, 0 to 99): every record
  // whose key is packed decimal, whether or not it is the first of its key.
  const std::bitset<100>& HeldPrefixes() const { return held_prefixes_; }

  // Bytes held by the index, for the budget and the benchmarks.
  size_t MemoryBytes() const;

 private:
  static constexpr std::uint32_t kNoBlock = 0xFFFFFFFF;
  static constexpr std::uint16_t kNoPair = 0xFFFF;
  static constexpr std::uint32_t kRecordNumberFlag = 0x80000000;
  static constexpr std::uint8_t kNotDecimal = 0xFF;
  static constexpr size_t kSlotsPerBlock = 10000;
  static constexpr std::array<std::uint8_t, 256> kDecimalByte = index_detail::MakeDecimalBytes();

  // What a record holds besides its key.
  struct Variant {
    std::uint8_t byte0 = 0;
    std::uint16_t city = 0;
    std::uint16_t province = 0;
    std::uint16_t pair = kNoPair;  // its prepared texts
  };

  // The eight texts of one place pair lie one after another in text_, in this order: province,
  // city, postal code, area code in GBK, then the same in UTF-8.
  struct PreparedPair {
    std::uint32_t offset = 0;
    std::uint8_t lengths[8] = {};
  };

  // The slot of key: 0 for no record, variant number + 1, or kRecordNumberFlag | record number.
  // False when the index cannot tell.
  bool Slot(const std::uint8_t* key, std::uint32_t* slot) const {
    unsigned high = kDecimalByte[key[0]];
    unsigned middle = kDecimalByte[key[1]];
    unsigned low = kDecimalByte[key[2]];
    if ((high | middle | low) == kNotDecimal) {
      *slot = 0;
      return !has_other_keys_;
    }
    std::uint32_t block = block_of_[high];
    *slot = block == kNoBlock ? 0 : slots_[block + middle * 100 + low];
    return true;
  }

  Lookup CodeOfSlot(std::uint32_t slot, std::uint32_t* code) const {
    if (slot == 0) return Lookup::kNone;
    if ((slot & kRecordNumberFlag) != 0) return Lookup::kUnknown;
    const Variant& variant = variants_[slot - 1];
    if (variant.pair == kNoPair) return Lookup::kUnknown;
    *code = std::uint32_t{variant.pair} << 3 | variant.byte0 >> 5;
    return Lookup::kFound;
  }

  void PairTexts(std::uint16_t pair, int kind, TextEncoding encoding, AnswerTexts* texts) const;

  size_t data_size_ = 0;
  std::uint32_t place_table_end_ = 0;
  std::uint32_t zone_table_end_ = 0;
  std::uint32_t records_end_ = 0;
  bool has_other_keys_ = false;
  std::bitset<100> held_prefixes_;

  std::uint32_t block_of_[100] = {};  // offset of the block in slots_, or kNoBlock
  std::vector<std::uint32_t, LargeBufferAllocator<std::uint32_t>> slots_;
  std::vector<Variant> variants_;

  KeyNumbering pair_numbers_;  // province << 16 | city -> number in pairs_
  std::vector<PreparedPair> pairs_;
  std::string text_;
  // SIM card labels of kinds 0 to 7 in GBK and UTF-8, as views into the constant GBK labels and
  // labels_utf8_.
  std::string labels_utf8_;
  std::string_view labels_[2][8];
};

}  // namespace korvalind
