#include "directory/number_plan.h"

#include <array>
#include <string>

#include "platform/gbk.h"

namespace korvalind {
namespace {

struct PlanRow {
  std::string_view prefix;
  std::string_view carrierId;
  std::string_view carrier;
  std::string_view carrierEnglish;
  std::string_view service;
};

// The rows of data/number-plan.tsv, written by number_plan_rows.cmake at build time.
constexpr PlanRow kPlanRows[] = {
#include "number_plan_rows.inc"
};

constexpr std::string_view kCarrierIds[kCarrierCount] = {"", "china-mobile", "china-unicom",
                                                         "china-telecom", "china-broadnet"};
constexpr std::string_view kServiceNames[] = {"", "mobile", "virtual", "satellite"};

// A row the code does not know stops the build: these run at compile time, where a throw is an
// error.
constexpr Carrier CarrierOfId(std::string_view id) {
  for (int c = 0; c < kCarrierCount; ++c) {
    if (kCarrierIds[c] == id) return static_cast<Carrier>(c);
  }
  throw "number-plan.tsv: unknown carrier id";
}

constexpr Service ServiceOfName(std::string_view name) {
  for (int s = 1; s < 4; ++s) {
    if (kServiceNames[s] == name) return static_cast<Service>(s);
  }
  throw "number-plan.tsv: unknown service";
}

constexpr std::array<std::uint8_t, kPlanBlocks> MakePlanBytes() {
  std::array<std::uint8_t, kPlanBlocks> bytes{};
  for (const PlanRow& row : kPlanRows) {
    if (row.prefix.size() < 3 || row.prefix.size() > 5 || row.prefix[0] != '1') {
      throw "number-plan.tsv: a prefix is not 3 to 5 digits starting with 1";
    }
    std::uint32_t first = 0;
    std::uint32_t span = 1;
    for (std::size_t i = 0; i < 5; ++i) {
      if (i < row.prefix.size()) {
        const char c = row.prefix[i];
        if (c < '0' || c > '9') throw "number-plan.tsv: a prefix is not digits";
        first = first * 10 + static_cast<std::uint32_t>(c - '0');
      } else {
        first *= 10;
        span *= 10;
      }
    }
    const auto byte = static_cast<std::uint8_t>(
        kPlanInPlanBit | static_cast<unsigned>(ServiceOfName(row.service)) << 3 |
        static_cast<unsigned>(CarrierOfId(row.carrierId)));
    for (std::uint32_t block = first - 10000; block < first - 10000 + span; ++block) {
      if (bytes[block] != 0) throw "number-plan.tsv: one prefix stands inside another";
      bytes[block] = byte;
    }
  }
  return bytes;
}

constexpr std::array<std::uint8_t, kPlanBlocks> kPlanBytes = MakePlanBytes();

// The Chinese and English names of each carrier, from its first row; every row of a carrier must
// give the same names.
// (Literals throughout: the C interface hands out data() as NUL-terminated texts.)
struct CarrierNames {
  std::array<std::string_view, kCarrierCount> chinese{"", "", "", "", ""};
  std::array<std::string_view, kCarrierCount> english{"", "", "", "", ""};
};

constexpr CarrierNames MakeCarrierNames() {
  CarrierNames names;
  for (const PlanRow& row : kPlanRows) {
    const auto c = static_cast<std::size_t>(CarrierOfId(row.carrierId));
    if (c == 0) {
      if (!row.carrier.empty() || !row.carrierEnglish.empty()) {
        throw "number-plan.tsv: a carrier name without a carrier id";
      }
      continue;
    }
    if (names.chinese[c].empty()) {
      names.chinese[c] = row.carrier;
      names.english[c] = row.carrierEnglish;
    } else if (names.chinese[c] != row.carrier || names.english[c] != row.carrierEnglish) {
      throw "number-plan.tsv: one carrier id with two names";
    }
  }
  return names;
}

constexpr CarrierNames kCarrierNames = MakeCarrierNames();

std::size_t CarrierIndex(Carrier carrier) {
  const auto c = static_cast<std::size_t>(carrier);
  return c < kCarrierCount ? c : 0;
}

}  // namespace

const std::uint8_t* PlanBytes() { return kPlanBytes.data(); }

std::uint8_t PlanByte(std::uint32_t segment) {
  const std::uint32_t offset = segment - kFirstPlanSegment;
  return offset < kPlanSegments ? kPlanBytes[offset / kPlanBlockSize] : 0;
}

std::string_view CarrierId(Carrier carrier) { return kCarrierIds[CarrierIndex(carrier)]; }

std::string_view CarrierNameUtf8(Carrier carrier) {
  return kCarrierNames.chinese[CarrierIndex(carrier)];
}

std::string_view CarrierNameGbk(Carrier carrier) {
  // Converted once: the core's texts are code page 936, the plan file is UTF-8.
  static const std::array<std::string, kCarrierCount> gbk = [] {
    std::array<std::string, kCarrierCount> names;
    for (std::size_t c = 0; c < kCarrierCount; ++c) names[c] = Utf8ToGbk(kCarrierNames.chinese[c]);
    return names;
  }();
  return gbk[CarrierIndex(carrier)];
}

std::string_view CarrierNameEnglish(Carrier carrier) {
  return kCarrierNames.english[CarrierIndex(carrier)];
}

std::string_view ServiceName(Service service) {
  const auto s = static_cast<std::size_t>(service);
  return s < 4 ? kServiceNames[s] : std::string_view();
}

std::size_t PlanPrefixCount() { return std::size(kPlanRows); }

PlanPrefix PlanPrefixAt(std::size_t i) {
  const PlanRow& row = kPlanRows[i];
  return {row.prefix, CarrierOfId(row.carrierId), ServiceOfName(row.service)};
}

}  // namespace korvalind
