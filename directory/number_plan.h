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

// What the plan says of one segment, packed in a byte (PlanByte): bit 7 set for a segment of the
// plan, bits 4-2 the carrier, bits 1-0 the service. 0 for a segment outside the plan.
struct PlanEntry {
  bool inPlan = false;
  Carrier carrier = Carrier::kNone;
  Service service = Service::kNone;
};

inline constexpr std::uint8_t kPlanInPlanBit = 0x80;
inline constexpr std::uint32_t kFirstPlanSegment = 1000000;
inline constexpr std::uint32_t kPlanSegments = 1000000;
// Segments share their entry in blocks of 100 (the plan's prefixes have at most five digits).
inline constexpr std::uint32_t kPlanBlockSize = 100;
inline constexpr std::uint32_t kPlanBlocks = kPlanSegments / kPlanBlockSize;

// The packed entry of every block of 100 segments: entry b covers the segments 1000000 + 100 b to
// 1000000 + 100 b + 99, i.e. the five-digit prefix 10000 + b.
const std::uint8_t* PlanBytes();

constexpr PlanEntry UnpackPlanByte(std::uint8_t byte) {
  return {(byte & kPlanInPlanBit) != 0, static_cast<Carrier>((byte >> 2) & 7),
          static_cast<Service>(byte & 3)};
}

// The plan's byte for segment (a number 1000000 to 1999999; 0 for anything else).
std::uint8_t PlanByte(std::uint32_t segment);
inline PlanEntry PlanOfSegment(std::uint32_t segment) { return UnpackPlanByte(PlanByte(segment)); }

// The segment the first seven bytes of text spell when they are digits beginning with "1", else 0.
std::uint32_t SegmentOfDigits(std::string_view text);

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
