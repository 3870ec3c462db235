#pragma once

#include <cstdint>
#include <string_view>

namespace korvalind {

// The mainland-China mobile number plan (data/number-plan.tsv, embedded at build time): which
// seven-digit segments are mobile numbers at all, and the carrier each segment was allotted to.
// A number moved to another carrier keeps its segment's carrier here.

// Carrier codes; the values are those of the C interface's KORVALIND_CARRIER_* and never change.
enum class Carrier : std::uint8_t {
  kNone = 0,  // not in the plan, or a segment the plan names no carrier for (1349)
  kChinaMobile = 1,
  kChinaUnicom = 2,
  kChinaTelecom = 3,
  kChinaBroadnet = 4,
};
inline constexpr int kCarrierCount = 5;

enum class Service : std::uint8_t { kNone = 0, kMobile = 1, kVirtual = 2, kSatellite = 3 };

// What the plan says of one segment, packed in a byte (PlanByte): bit 6 set for a segment of the
// plan, bits 4-3 the service, bits 2-0 the carrier (so that the carrier is the byte & 7). 0 for a
// segment outside the plan; bit 7 is left to SegmentAcceptance.
struct PlanEntry {
  bool inPlan = false;
  Carrier carrier = Carrier::kNone;
  Service service = Service::kNone;
};

inline constexpr std::uint8_t kPlanInPlanBit = 0x40;
inline constexpr std::uint8_t kPlanCarrierMask = 0x07;
inline constexpr std::uint32_t kFirstPlanSegment = 1000000;
inline constexpr std::uint32_t kPlanSegments = 1000000;
// Segments share their entry in blocks of 100 (the plan's prefixes have at most five digits).
inline constexpr std::uint32_t kPlanBlockSize = 100;
inline constexpr std::uint32_t kPlanBlocks = kPlanSegments / kPlanBlockSize;

// The packed entry of every block of 100 segments: entry b covers the segments 1000000 + 100 b to
// 1000000 + 100 b + 99, i.e. the five-digit prefix 10000 + b.
const std::uint8_t* PlanBytes();

constexpr PlanEntry UnpackPlanByte(std::uint8_t byte) {
  return {(byte & kPlanInPlanBit) != 0, static_cast<Carrier>(byte & kPlanCarrierMask),
          static_cast<Service>((byte >> 3) & 3)};
}

// The plan's byte for segment (a number 1000000 to 1999999; 0 for anything else).
std::uint8_t PlanByte(std::uint32_t segment);
inline PlanEntry PlanOfSegment(std::uint32_t segment) { return UnpackPlanByte(PlanByte(segment)); }

// The segment the first seven bytes of text spell when they are digits beginning with "1", else 0.
inline std::uint32_t SegmentOfDigits(std::string_view text) {
  if (text.size() < 7 || text[0] != '1') return 0;
  std::uint32_t segment = 0;
  unsigned not_digit = 0;
  for (std::size_t i = 0; i < 7; ++i) {
    const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
    not_digit |= digit > 9 ? 1u : 0u;  // one test at the end: every line of the filter comes here
    segment = segment * 10 + digit;
  }
  return not_digit != 0 ? 0 : segment;
}

// "china-mobile", "china-unicom", "china-telecom", "china-broadnet"; "" for kNone.
std::string_view CarrierId(Carrier carrier);
// The carrier's Chinese name in code page 936 ("中国电信"), or in UTF-8; "" for kNone.
std::string_view CarrierNameGbk(Carrier carrier);
std::string_view CarrierNameUtf8(Carrier carrier);
// "China Telecom"; "" for kNone.
std::string_view CarrierNameEnglish(Carrier carrier);
// "mobile", "virtual", "satellite"; "" for kNone.
std::string_view ServiceName(Service service);

// The plan's prefixes (3 to 5 digits) in file order, for documentation and tests.
struct PlanPrefix {
  std::string_view prefix;
  Carrier carrier;
  Service service;
};
std::size_t PlanPrefixCount();
PlanPrefix PlanPrefixAt(std::size_t i);

}  // namespace korvalind
