#include <gtest/gtest.h>
#include <wx/combobox.h>

#include "gui_harness.h"

namespace korvalind::testing {
namespace {

wxString U(const char* utf8) { return wxString::FromUTF8(utf8); }

class QueryFormTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(QueryFormTest, FoundSegmentFillsTheFiveFields) {
  AppSession session({WriteWorkedDirectory(dir_)});
  ASSERT_TRUE(session.started());
  DialogCatcher dialogs;
  session.TypeIntoNumberBox("1390123");
  session.PressEnter();
  EXPECT_TRUE(PumpUntil([&] { return !session.Text("IDC_PROVINCE").empty(); }));
  EXPECT_EQ(ResultFields(session), (std::vector<wxString>{U("河北"), U("石家庄"), U("移动全球通"),
                                                          U("0311"), U("050000")}));
  EXPECT_TRUE(dialogs.boxes.empty());
}

}  // namespace
}  // namespace korvalind::testing
