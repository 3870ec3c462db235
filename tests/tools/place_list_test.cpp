#include "tools/place_list.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tools_fixture.h"

namespace korvalind {
namespace {

// The first-match position by walking the list from its head, as the lists are defined.
size_t LinearFirst(const std::vector<std::string>& list, std::string_view text) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == text) return i + 1;
  }
  return 0;
}

TEST(TextList, AgreesWithALinearWalkThroughAppendsAndTruncations) {
  std::mt19937 random(20021108);
  const std::vector<std::string> words = {"", "a", "b", "ab", "ba", "\xba\xd3\xb1\xb1", "|", "a "};
  TextList list;
  std::vector<std::string> model;
  for (int step = 0; step < 2000; ++step) {
    if (random() % 10 == 0) {
      size_t keep = model.empty() ? 0 : random() % (model.size() + 1);
      list.TruncateTo(keep);
      model.resize(keep);
    } else {
      const std::string& word = words[random() % words.size()];
      list.Append(word);
      model.push_back(word);
    }
    ASSERT_EQ(list.entries(), model) << "step " << step;
    for (const std::string& word : words) {
      ASSERT_EQ(list.FirstPosition(word), LinearFirst(model, word)) << "step " << step;
    }
  }
}

class PlaceIndexTest : public testing::ToolsTest {};

TEST_F(PlaceIndexTest, FirstMatchEmptyAndAbsent) {
  for (const char* name : {"x", "", "y", "x", "zz"}) PlaceList.Append(name);
  EXPECT_EQ(PlaceIndex("x"), 1);
  EXPECT_EQ(PlaceIndex("y"), 3);
  EXPECT_EQ(PlaceIndex("zz"), 5);
  EXPECT_EQ(PlaceIndex(""), 0);  // even though an empty entry stands at 2
  EXPECT_EQ(PlaceIndex("z"), 0);
  EXPECT_EQ(PlaceIndex("X"), 0);
}

}  // namespace
}  // namespace korvalind
