#include "ui/open_error.h"

#include <gtest/gtest.h>

namespace korvalind::ui {
namespace {

TEST(OpenError, EveryShellCodeHasItsText) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {
      {0, "The operating system is out\nof memory or resources."},
      {2, "The specified file was not found."},
      {3, "The specified path was not found."},
      {5, "The operating system denied\naccess to the specified file."},
      {8, "There was not enough memory to complete the operation."},
      {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
      {26, "A sharing violation occurred. "},
      {27, "The filename association is\nincomplete or invalid."},
      {28, "The DDE transaction could not\nbe completed because the request timed out."},
      {29, "The DDE transaction failed."},
      {30,
       "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
       "being processed."},
      {31, "There is no application associated\nwith the given filename extension."},
      {32, "The specified dynamic-link library was not found."},
      {1, "Unknown Error (1) occurred."},
      {4, "Unknown Error (4) occurred."},
      {33, "Unknown Error (33) occurred."},
      {-7, "Unknown Error (-7) occurred."},
  };
  for (const Case& c : cases) EXPECT_EQ(OpenErrorText(c.code), c.text) << c.code;
}

TEST(OpenError, MessageHasThePrefixAndABlankLine) {
  EXPECT_EQ(OpenErrorMessage(26), "Unable to open hyperlink:\n\nA sharing violation occurred. ");
  EXPECT_EQ(OpenErrorMessage(4), "Unable to open hyperlink:\n\nUnknown Error (4) occurred.");
}

}  // namespace
}  // namespace korvalind::ui
