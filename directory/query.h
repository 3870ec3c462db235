#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "directory/directory_image.h"
#include "directory/directory_index.h"
#include "directory/number_plan.h"
#include "directory/segment_record.h"

namespace korvalind {

// True when text starts with a seven-digit segment of an accepted prefix: "13", then one of
// 0 1 3 5 6 7 8 9, then four more digits. Bytes after the seventh are not looked at.
bool IsValidSegmentText(std::string_view text);

// The three-digit prefixes of the segments image holds: bit p (0 to 99) for the prefix "1"
// followed by p's two digits, set when some record's key is a packed-decimal segment of it.
std::bitset<100> HeldPrefixes(const DirectoryImage& image);

// The default acceptance rule of a directory (see SegmentAcceptance): the first seven bytes are
// digits forming a segment of the number plan, or beginning with "1" and the two digits of a
// three-digit prefix that image holds. Every text IsValidSegmentText accepts is accepted.
bool IsAcceptedSegmentText(const DirectoryImage& image, std::string_view text);

// The first record (in file order) whose bytes 1-3 equal the 3-byte key, or none.
std::optional<SegmentRecord> FindSegmentRecord(const DirectoryImage& image,
                                               const std::uint8_t* key);

// province, city and kindDigit of the record; segment stays empty.
SegmentFields DecodeSegmentRecord(const DirectoryImage& image, const SegmentRecord& record);

// The place entry numbered index (from 1), cut to 63 bytes; empty for 0 or past the last entry.
std::string PlaceName(const DirectoryImage& image, std::uint16_t index);

// The text after the ":" of the first zone entry whose "province,city" part equals
// province + "," + city ("postcode,areacode"), cut like every entry to 63 bytes; empty when no
// entry matches.
std::string ZoneLookup(const DirectoryImage& image, std::string_view province,
                       std::string_view city);

// The label of a SIM card kind (code page 936): kinds 1 to 5 as they have always been, 6 China
// Telecom, 7 China Broadnet; empty for 0.
std::string_view SimKindLabel(int kind);

// The answer to one query. Texts are code page 936. The five texts and kind are set for kOk only;
// segment and plan for every accepted text (kOk and kNotFound). answer_model.h says how each
// surface shows it.
struct QueryAnswer {
  enum class Outcome { kOk, kInvalid, kNotFound };
  Outcome outcome = Outcome::kInvalid;
  std::string province;
  std::string city;  // the province when the record has no city
  std::string simType;
  std::string areaCode;
  std::string postCode;
  int kind = 0;               // the record's SIM card kind, 0 to 7
  std::uint32_t segment = 0;  // 1000000 to 1999999
  PlanEntry plan;             // the number plan's carrier and service of the segment
};

// Acceptance (IsAcceptedSegmentText), key, look-up, decoding and zone: everything of a query
// except the window.
QueryAnswer QueryNumber(const DirectoryImage& image, std::string_view text);

// The same for an accepted segment (1000000 to 1999999).
QueryAnswer QuerySegment(const DirectoryImage& image, std::uint32_t segment);

// The same after validation: look-up, decoding and zone for a 3-byte segment key. segment and
// plan are left unset.
QueryAnswer QuerySegmentKey(const DirectoryImage& image, const std::uint8_t* key);

// The 3-byte key of a segment 1000000 to 1999999: its last six digits, packed decimal.
void SegmentKey(std::uint32_t segment, std::uint8_t* key);

// The same through the image's index, without copying: on true, *outcome is kOk or kNotFound and,
// for kOk, *texts views the index's texts in encoding (valid while the image and its index are
// unchanged). False when the index cannot answer (none, one that does not fit the image, a key or
// a place pair it does not cover): QuerySegmentKey then gives the answer.
bool QuerySegmentKeyIndexed(const DirectoryImage& image, const std::uint8_t* key,
                            TextEncoding encoding, QueryAnswer::Outcome* outcome,
                            AnswerTexts* texts);

// QuerySegmentKeyIndexed for an accepted segment (1000000 to 1999999), giving for kOk the
// answer's code (DirectoryIndex::FindAnswerCode) instead of its texts, for a caller that keeps
// what it makes of an answer once per code.
bool QuerySegmentCode(const DirectoryImage& image, std::uint32_t segment,
                      QueryAnswer::Outcome* outcome, std::uint32_t* code);

// The texts of a code that QuerySegmentCode gave for image, in encoding.
void AnswerTextsOfCode(const DirectoryImage& image, std::uint32_t code, TextEncoding encoding,
                       AnswerTexts* texts);

// The user messages of a query, code page 936.
extern const char kInvalidSegmentMessage[];  // "请输入合法的号码段!"
extern const char kNotFoundMessage[];        // "不会吧，没有找到!"

}  // namespace korvalind
