// Arbitrary bytes as a phone.dat file. The reader either refuses them as damaged, holding
// nothing, or gives entries and records that write back to a file that reads the same; an import
// of what it read either refuses it or gives one segment row per entry, with the entry's segment,
// kind and names.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "tools/phone_dat.h"
#include "tools/phone_dat_conversion.h"
#include "tools/row_fields.h"

namespace korvalind::fuzz {
namespace {

bool SameDat(const PhoneDat& a, const PhoneDat& b) {
  if (a.version != b.version || a.records.size() != b.records.size() ||
      a.entries.size() != b.entries.size()) {
    return false;
  }
  for (size_t i = 0; i < a.records.size(); ++i) {
    const PhoneDatRecord& x = a.records[i];
    const PhoneDatRecord& y = b.records[i];
    if (x.province != y.province || x.city != y.city || x.postCode != y.postCode ||
        x.areaCode != y.areaCode) {
      return false;
    }
  }
  for (size_t i = 0; i < a.entries.size(); ++i) {
    const PhoneDatEntry& x = a.entries[i];
    const PhoneDatEntry& y = b.entries[i];
    if (x.segment != y.segment || x.record != y.record || x.cardType != y.cardType) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  PhoneDat dat;
  Status status = ParsePhoneDat(AsText(data, size), "fuzz.dat", &dat);
  if (!status.ok()) {
    Require(status.code() == Status::Code::kCorruption, "a refusal is not a damaged file");
    Require(dat.entries.empty() && dat.records.empty(), "a refused file left entries behind");
    return 0;
  }
  for (size_t i = 0; i < dat.entries.size(); ++i) {
    const PhoneDatEntry& entry = dat.entries[i];
    Require(entry.record < dat.records.size(), "an entry names no record");
    Require(entry.segment >= 1000000 && entry.segment <= 1999999, "a segment is not 1xxxxxx");
    Require(entry.cardType >= 1 && entry.cardType <= 8, "a card type is not 1 to 8");
    Require(i == 0 || dat.entries[i - 1].segment < entry.segment, "entries out of order");
  }

  std::string bytes;
  Require(SerializePhoneDat(dat, &bytes).ok(), "what was read cannot be written");
  PhoneDat again;
  Require(ParsePhoneDat(bytes, "again.dat", &again).ok() && SameDat(dat, again),
          "what was written does not read back the same");

  DumpTexts texts;
  if (!ImportPhoneDat(dat, "fuzz.dat", &texts).ok()) return 0;
  LineCursor lines(texts.segments);
  std::string_view line;
  size_t rows = 0;
  while (lines.Next(&line)) {
    std::optional<SegmentRow> row = ParseSegmentRow(line);
    if (!row) continue;
    Require(rows < dat.entries.size(), "more rows than entries");
    const PhoneDatEntry& entry = dat.entries[rows++];
    const PhoneDatRecord& record = dat.records[entry.record];
    Require(row->fields.segment == std::to_string(entry.segment), "a row has another segment");
    Require(row->fields.kindDigit == std::to_string(KindOfCardType(entry.cardType)),
            "a row has another kind");
    Require(GbkToUtf8(row->fields.province) == record.province &&
                GbkToUtf8(row->fields.city) == record.city,
            "a row names other places");
  }
  Require(rows == dat.entries.size(), "fewer rows than entries");
  return 0;
}

}  // namespace korvalind::fuzz
