#include "directory/number_plan.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "directory/image_regions.h"
#include "directory/loader.h"
#include "directory/number_text.h"
#include "directory/query.h"

namespace korvalind {
namespace {

// Every prefix of data/number-plan.tsv: its first and last segment are in the plan with the
// row's carrier and service, and accepted by the default rule of a directory that holds nothing.
TEST(NumberPlan, EveryPrefixIsAcceptedWithItsCarrier) {
  ASSERT_EQ(PlanPrefixCount(), 77u);
  const SegmentAcceptance plan_only;
  std::uint32_t segments = 0;
  for (std::size_t i = 0; i < PlanPrefixCount(); ++i) {
    const PlanPrefix row = PlanPrefixAt(i);
    std::string first(row.prefix), last(row.prefix);
    first.resize(7, '0');
    last.resize(7, '9');
    segments += std::stoul(last) - std::stoul(first) + 1;
    for (const std::string& text : {first, last}) {
      const PlanEntry entry = PlanOfSegment(std::stoul(text));
      EXPECT_TRUE(entry.inPlan) << text;
      EXPECT_EQ(entry.carrier, row.carrier) << text;
      EXPECT_EQ(entry.service, row.service) << text;
      std::string scratch;
      EXPECT_EQ(plan_only.SegmentOfText(text + "1234", false, &scratch), std::stoul(text));
    }
  }
  // No prefix stands inside another: the rows cover exactly the segments the table marks.
  std::uint32_t marked = 0;
  for (std::uint32_t b = 0; b < kPlanBlocks; ++b) marked += (PlanBytes()[b] & kPlanInPlanBit) != 0;
  EXPECT_EQ(marked * kPlanBlockSize, segments);
  EXPECT_FALSE(PlanOfSegment(1600000).inPlan);
  EXPECT_FALSE(PlanOfSegment(1740600).inPlan);
  EXPECT_FALSE(PlanOfSegment(2000000).inPlan);
  EXPECT_EQ(CarrierNameGbk(Carrier::kChinaTelecom), "\xd6\xd0\xb9\xfa\xb5\xe7\xd0\xc5");
  EXPECT_EQ(CarrierId(PlanOfSegment(1349000).carrier), "");
}

// The bundled directory and the plan come from different sources: the kind digit of every record
// (1 China Mobile, 3 China Unicom, 6 China Telecom) must name the carrier the plan gives its
// segment, but for 1349, which the plan names no carrier for.
TEST(NumberPlan, BundledSegmentsCarryThePlansCarrier) {
  DirectoryImage image;
  const Status status = LoadDirectory(KORVALIND_BUNDLED_DIRECTORY, &image, IndexPolicy::kSkip);
  ASSERT_TRUE(status.ok()) << status.message();
  const std::map<int, Carrier> carrier_of_kind = {
      {1, Carrier::kChinaMobile}, {3, Carrier::kChinaUnicom}, {6, Carrier::kChinaTelecom}};
  const std::string_view records = RecordRegion(image);
  std::size_t checked = 0, satellite = 0;
  for (std::size_t at = 0; at + kSegmentRecordSize <= records.size(); at += kSegmentRecordSize) {
    const auto* r = reinterpret_cast<const std::uint8_t*>(records.data() + at);
    const std::uint32_t segment = 1000000 + (r[1] >> 4) * 100000 + (r[1] & 15) * 10000 +
                                  (r[2] >> 4) * 1000 + (r[2] & 15) * 100 + (r[3] >> 4) * 10 +
                                  (r[3] & 15);
    const PlanEntry entry = PlanOfSegment(segment);
    ASSERT_TRUE(entry.inPlan) << segment;
    if (entry.carrier == Carrier::kNone) {
      ++satellite;
    } else {
      ASSERT_EQ(carrier_of_kind.at(r[0] >> 5), entry.carrier) << segment;
    }
    ++checked;
  }
  EXPECT_EQ(checked, 321047u);
  EXPECT_EQ(satellite, 1000u);
}

}  // namespace
}  // namespace korvalind
