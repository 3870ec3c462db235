#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace korvalind {

// The community "phone.dat" format, as the look-up libraries that share it read it. Integers are
// little-endian:
//   0    4 bytes  version: ASCII digits, year and month (such as "2302")
//   4    u32      offset of the first index entry
//   8    records  "province|city|postcode|areacode" in UTF-8, each ended by one zero byte
//   then, from the first index entry to the end of the file, index entries of 9 bytes, in
//   ascending segment order: u32 the seven-digit segment, u32 the offset of its record, u8 the
//   card type (below).
inline constexpr size_t kPhoneDatHeaderSize = 8;
inline constexpr size_t kPhoneDatVersionSize = 4;
inline constexpr size_t kPhoneDatEntrySize = 9;

// Card types 1 to 8.
enum PhoneDatCardType : std::uint8_t {
  kCardChinaMobile = 1,
  kCardChinaUnicom = 2,
  kCardChinaTelecom = 3,
  kCardChinaTelecomVirtual = 4,
  kCardChinaUnicomVirtual = 5,
  kCardChinaMobileVirtual = 6,
  kCardChinaBroadnet = 7,
  kCardChinaBroadnetVirtual = 8,
};

// One record's four fields, UTF-8, none holding "|" or a zero byte.
struct PhoneDatRecord {
  std::string province;
  std::string city;
  std::string postCode;
  std::string areaCode;
};

struct PhoneDatEntry {
  std::uint32_t segment = 0;  // 1000000 to 1999999
  std::uint32_t record = 0;   // number in PhoneDat::records
  std::uint8_t cardType = 0;  // 1 to 8
};

// A phone.dat file in memory: records are numbered in the order the index first names them.
struct PhoneDat {
  std::string version;  // four ASCII digits
  std::vector<PhoneDatRecord> records;
  std::vector<PhoneDatEntry> entries;  // ascending segments
};

// Reads a phone.dat file held in memory (name only names it in messages). Every offset, length
// and order is checked before use: the header, an index of whole entries lying behind the
// records, segments of seven digits beginning with "1" in ascending order, record offsets inside
// the record region, records ended by a zero byte before the index, of four fields of valid
// UTF-8, and card types 1 to 8. A file that fails is refused as damaged, naming the place.
Status ParsePhoneDat(std::string_view bytes, std::string_view name, PhoneDat* out);

// The file of dat: records in their order, then the index. Refused when a field holds "|" or a
// zero byte, when the version is not four ASCII digits, when the entries are not in ascending
// segment order or name a record that does not exist, or when the file would pass the 32-bit
// offsets.
Status SerializePhoneDat(const PhoneDat& dat, std::string* out);

}  // namespace korvalind
