#include "tools/phone_dat.h"

#include <cstring>
#include <unordered_map>

#include "platform/gbk.h"

namespace korvalind {
namespace {

constexpr std::uint32_t kLowestSegment = 1000000;
constexpr std::uint32_t kHighestSegment = 1999999;
constexpr std::uint8_t kHighestCardType = 8;
constexpr char kFieldSeparator = '|';
constexpr size_t kRecordFields = 4;

std::uint32_t U32At(std::string_view bytes, size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void AppendU32(std::uint32_t value, std::string* out) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<char>(value >> shift));
}

bool IsVersion(std::string_view text) {
  if (text.size() != kPhoneDatVersionSize) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The record text at offset, split into its four fields; an empty string when it is good,
// otherwise why not. The record must end with a zero byte before records_end.
std::string ReadRecord(std::string_view bytes, size_t offset, size_t records_end,
                       PhoneDatRecord* record) {
  const void* zero = std::memchr(bytes.data() + offset, '\0', records_end - offset);
  if (zero == nullptr) return "has no zero byte before the index";
  const std::string_view text(
      bytes.data() + offset,
      static_cast<size_t>(static_cast<const char*>(zero) - (bytes.data() + offset)));
  if (ValidUtf8(text) != text) return "is not valid UTF-8";
  std::string_view fields[kRecordFields];
  size_t start = 0;
  for (size_t i = 0; i < kRecordFields; ++i) {
    const size_t bar = i + 1 < kRecordFields ? text.find(kFieldSeparator, start) : text.size();
    if (bar == std::string_view::npos) return "does not have four \"|\"-separated fields";
    fields[i] = text.substr(start, bar - start);
    start = bar + 1;
  }
  if (fields[kRecordFields - 1].find(kFieldSeparator) != std::string_view::npos) {
    return "has more than four \"|\"-separated fields";
  }
  record->province = fields[0];
  record->city = fields[1];
  record->postCode = fields[2];
  record->areaCode = fields[3];
  return {};
}

}  // namespace

Status ParsePhoneDat(std::string_view bytes, std::string_view name, PhoneDat* out) {
  *out = PhoneDat();
  const std::string prefix = "phone.dat file \"" + std::string(name) + "\" is damaged: ";
  auto damaged = [&prefix](const std::string& why) { return Status::Corruption(prefix + why); };
  if (bytes.size() < kPhoneDatHeaderSize) {
    return damaged("it is " + std::to_string(bytes.size()) + " bytes long, shorter than its " +
                   std::to_string(kPhoneDatHeaderSize) + "-byte header");
  }
  const std::string_view version = bytes.substr(0, kPhoneDatVersionSize);
  if (!IsVersion(version)) return damaged("its version is not four ASCII digits");
  const size_t index_start = U32At(bytes, kPhoneDatVersionSize);
  if (index_start < kPhoneDatHeaderSize || index_start > bytes.size()) {
    return damaged("its index offset " + std::to_string(index_start) +
                   " lies outside the file (8 to " + std::to_string(bytes.size()) + ")");
  }
  if ((bytes.size() - index_start) % kPhoneDatEntrySize != 0) {
    return damaged("its index, from offset " + std::to_string(index_start) + " to the end (" +
                   std::to_string(bytes.size() - index_start) +
                   " bytes), is not a whole number of 9-byte entries");
  }

  out->version = version;
  const size_t entries = (bytes.size() - index_start) / kPhoneDatEntrySize;
  out->entries.reserve(entries);
  std::unordered_map<std::uint32_t, std::uint32_t> record_numbers;  // offset -> number
  std::uint32_t previous = 0;
  std::uint32_t previous_offset = 0;
  for (size_t i = 0; i < entries; ++i) {
    const size_t at = index_start + i * kPhoneDatEntrySize;
    PhoneDatEntry entry;
    entry.segment = U32At(bytes, at);
    const std::uint32_t offset = U32At(bytes, at + 4);
    entry.cardType = static_cast<std::uint8_t>(bytes[at + 8]);
    // Built only for a message: this loop runs once per segment.
    auto where = [&entry, i] {
      return "index entry " + std::to_string(i + 1) + " (segment " + std::to_string(entry.segment) +
             ") ";
    };
    if (entry.segment < kLowestSegment || entry.segment > kHighestSegment) {
      *out = PhoneDat();
      return damaged(where() + "is not a seven-digit segment beginning with 1");
    }
    if (i > 0 && entry.segment <= previous) {
      *out = PhoneDat();
      return damaged(where() + "does not follow segment " + std::to_string(previous) +
                     ": the index is not in ascending order");
    }
    previous = entry.segment;
    if (entry.cardType < 1 || entry.cardType > kHighestCardType) {
      *out = PhoneDat();
      return damaged(where() + "has card type " + std::to_string(entry.cardType) +
                     ", not one of 1 to 8");
    }
    if (offset < kPhoneDatHeaderSize || offset >= index_start) {
      *out = PhoneDat();
      return damaged(where() + "names a record at offset " + std::to_string(offset) +
                     ", outside the records (8 to " + std::to_string(index_start) + ")");
    }
    // Neighbouring segments mostly share their record.
    if (i > 0 && offset == previous_offset) {
      entry.record = out->entries.back().record;
      out->entries.push_back(entry);
      continue;
    }
    previous_offset = offset;
    auto [found, added] =
        record_numbers.emplace(offset, static_cast<std::uint32_t>(out->records.size()));
    if (added) {
      PhoneDatRecord record;
      const std::string why = ReadRecord(bytes, offset, index_start, &record);
      if (!why.empty()) {
        *out = PhoneDat();
        return damaged("the record at offset " + std::to_string(offset) + " " + why);
      }
      out->records.push_back(std::move(record));
    }
    entry.record = found->second;
    out->entries.push_back(entry);
  }
  return Status::Ok();
}

Status SerializePhoneDat(const PhoneDat& dat, std::string* out) {
  out->clear();
  if (!IsVersion(dat.version)) {
    return Status::InvalidArgument("the phone.dat version \"" + dat.version +
                                   "\" is not four ASCII digits");
  }
  std::string bytes = dat.version;
  AppendU32(0, &bytes);  // the index offset, known at the end
  std::vector<std::uint32_t> offsets;
  offsets.reserve(dat.records.size());
  for (const PhoneDatRecord& record : dat.records) {
    offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
    const std::string* fields[kRecordFields] = {&record.province, &record.city, &record.postCode,
                                                &record.areaCode};
    for (size_t i = 0; i < kRecordFields; ++i) {
      if (fields[i]->find_first_of(std::string_view("|\0", 2)) != std::string::npos) {
        return Status::InvalidArgument("the phone.dat field \"" + ValidUtf8(*fields[i]) +
                                       "\" holds \"|\" or a zero byte, which a record cannot");
      }
      if (i > 0) bytes += kFieldSeparator;
      bytes += *fields[i];
    }
    bytes += '\0';
  }
  const std::uint64_t index_start = bytes.size();
  if (index_start + dat.entries.size() * kPhoneDatEntrySize > 0xFFFFFFFFu) {
    return Status::InvalidArgument(
        "the phone.dat file would pass the 32-bit offsets of its format");
  }
  for (size_t i = 0; i < dat.entries.size(); ++i) {
    const PhoneDatEntry& entry = dat.entries[i];
    if (entry.record >= dat.records.size() ||
        (i > 0 && entry.segment <= dat.entries[i - 1].segment)) {
      return Status::InvalidArgument("phone.dat entry " + std::to_string(i + 1) + " (segment " +
                                     std::to_string(entry.segment) +
                                     ") is out of order or names no record");
    }
    AppendU32(entry.segment, &bytes);
    AppendU32(offsets[entry.record], &bytes);
    bytes += static_cast<char>(entry.cardType);
  }
  const auto start = static_cast<std::uint32_t>(index_start);
  for (size_t i = 0; i < 4; ++i) {
    bytes[kPhoneDatVersionSize + i] = static_cast<char>(start >> (8 * i));
  }
  *out = std::move(bytes);
  return Status::Ok();
}

}  // namespace korvalind
