#include "tools/row_fields.h"

#include <gtest/gtest.h>

#include <string>

#include "tools_fixture.h"

namespace korvalind {
namespace {

using testing::kBeijing;
using testing::kHebei;
using testing::kShijiazhuang;

std::string Q(std::string_view text) { return "'" + std::string(text) + "'"; }

TEST(RowFields, FindFrom) {
  struct Case {
    std::string_view text;
    char byte;
    int start;
    int expected;
  } cases[] = {
      {"a,b,c", ',', 0, 1},  {"a,b,c", ',', 1, 1},   {"a,b,c", ',', 2, 3}, {"a,b,c", ',', 4, -1},
      {"a,b,c", ',', 5, -1}, {"a,b,c", ',', 99, -1}, {"", ',', 0, -1},     {"abc", ')', 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindFrom(c.text, c.byte, c.start), c.expected) << c.text << " from " << c.start;
  }
}

TEST(RowFields, HeadTailSliceClamp) {
  struct Case {
    const char* what;
    std::string_view actual;
    std::string_view expected;
  } cases[] = {
      {"Head -1", Head("abc", -1), ""},
      {"Head 0", Head("abc", 0), ""},
      {"Head 2", Head("abc", 2), "ab"},
      {"Head 3", Head("abc", 3), "abc"},
      {"Head 9", Head("abc", 9), "abc"},
      {"Tail -5", Tail("abc", -5), ""},
      {"Tail 0", Tail("abc", 0), ""},
      {"Tail 2", Tail("abc", 2), "bc"},
      {"Tail 9", Tail("abc", 9), "abc"},
      {"Slice -2,3", Slice("abcdef", -2, 3), "abc"},
      {"Slice 2,-1", Slice("abcdef", 2, -1), ""},
      {"Slice 4,10", Slice("abcdef", 4, 10), "ef"},
      {"Slice 6,1", Slice("abcdef", 6, 1), ""},
      {"Slice 7,1", Slice("abcdef", 7, 1), ""},
      {"Slice 1,2", Slice("abcdef", 1, 2), "bc"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST(RowFields, CleanUp) {
  struct Case {
    const char* what;
    std::string_view actual;
    std::string_view expected;
  } cases[] = {
      {"CutEnds of one byte", CutEnds("a"), ""},
      {"CutEnds of nothing", CutEnds(""), ""},
      {"CutEnds of two bytes", CutEnds("ab"), ""},
      {"CutEnds cuts any bytes", CutEnds("x12y"), "12"},
      {"CutQuotes of two quotes", CutQuotes("''"), ""},
      {"CutQuotes of one quote", CutQuotes("'"), ""},
      {"CutQuotes of quote and letter", CutQuotes("'a"), "a"},
      {"CutQuotes of letter and quote", CutQuotes("a'"), "a"},
      {"CutQuotes removes one each side", CutQuotes("'''"), "'"},
      {"CutQuotes does not trim", CutQuotes(" 'a' "), " 'a' "},
      {"CutQuotes leaves other bytes", CutQuotes("\"a\""), "\"a\""},
      {"TrimBlanks tab letter blank CR", TrimBlanks("\ta \r"), "a"},
      {"TrimBlanks VT FF LF", TrimBlanks("\v\f x y\n"), "x y"},
      {"TrimBlanks only blanks", TrimBlanks(" \t "), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST(RowFields, ParseSegmentRow) {
  const std::string hebei = kHebei, sjz = kShijiazhuang;
  struct Case {
    std::string what;
    std::string line;
    std::string core, segment, province, city, kindDigit;
  } cases[] = {
      {"worked row", "(7,'1390123'," + Q(hebei) + "," + Q(sjz) + ",'1','2002')",
       "'1390123'," + Q(hebei) + "," + Q(sjz) + ",'1'", "1390123", hebei, sjz, "1"},
      {"dump row with trailing comma", "(1,'1300000','a','bc','3','0531'),",
       "'1300000','a','bc','3'", "1300000", "a", "bc", "3"},
      {"unquoted segment loses its ends", "(7,1390123,'a','b','1','2002')", "1390123,'a','b','1'",
       "39012", "a", "b", "1"},
      {"bare kind", "(7,'1','a','b',1,'2')", "'1','a','b',1", "1", "a", "b", "1"},
      {"kind with one quote", "(7,'1','a','b','1,'2')", "'1','a','b','1", "1", "a", "b", "1"},
      {"empty kind", "(7,'1','a','b',,'2')", "'1','a','b',", "1", "a", "b", ""},
      {"exactly four commas", "(7,'1390123','a','b','1')", "", "", "", "", ""},
      {"comma inside a name moves later fields", "(7,'1390123','a,b','c','1','2002')",
       "'1390123','a,b','c'", "1390123", "", "", "c"},
      {"blanks around fields", "( 7, '1390123' , " + Q(hebei) + ", " + Q(sjz) + ", '1', '2002')",
       "'1390123' , " + Q(hebei) + ", " + Q(sjz) + ", '1'", "1390123", hebei, sjz, "1"},
      {"blanks inside quotes stay", "(7,' 1390123'," + Q(hebei + " ") + ",' b','1','2')",
       "' 1390123'," + Q(hebei + " ") + ",' b','1'", " 1390123", hebei + " ", " b", "1"},
      {"no comma at all", "(", "", "", "", "", ""},
  };
  for (const Case& c : cases) {
    std::optional<SegmentRow> row = ParseSegmentRow(c.line);
    ASSERT_TRUE(row.has_value()) << c.what;
    EXPECT_EQ(row->core, c.core) << c.what;
    EXPECT_EQ(row->fields.segment, c.segment) << c.what;
    EXPECT_EQ(row->fields.province, c.province) << c.what;
    EXPECT_EQ(row->fields.city, c.city) << c.what;
    EXPECT_EQ(row->fields.kindDigit, c.kindDigit) << c.what;
  }
}

TEST(RowFields, LinesThatAreNotSegmentRows) {
  const char* lines[] = {
      "",
      " (7,'1390123','a','b','1','2002')",
      "\t(7,'1390123','a','b','1','2002')",
      "a(7,'1390123','a','b','1','2002')",
      "7,'1390123','a','b','1','2002')",
      "INSERT INTO `simcard` VALUES",
      "-- segment table dump",
  };
  for (const char* line : lines) EXPECT_FALSE(ParseSegmentRow(line).has_value()) << line;
}

TEST(RowFields, ParseAreaCodeRow) {
  const std::string bj = kBeijing;
  struct Case {
    std::string what;
    std::string line;
    std::string province, city, postCode, areaCode;
  } cases[] = {
      {"quoted row", Q(bj) + "," + Q(bj) + ",'100000','010')", bj, bj, "100000", "010"},
      {"province without its opening quote", bj + "'," + Q(bj) + ",'100000','010')", bj, bj,
       "100000", "010"},
      {"a leading parenthesis stays", "(" + Q(bj) + "," + Q(bj) + ",'100000','010')", "('" + bj, bj,
       "100000", "010"},
      {"no closing parenthesis", Q(bj) + "," + Q(bj) + ",'100000','010'", bj, bj, "100000", ""},
      {"blanks inside quotes", Q(bj + " ") + ",' " + bj + " ',' 100000 ',' 010 ')", bj + " ", bj,
       "100000", "010"},
      {"blanks around fields", "  " + Q(bj) + " , " + Q(bj) + " , '100000' , '010' ) ;", bj, bj,
       "100000", "010"},
      {"text after the parenthesis is ignored", Q(bj) + "," + Q(bj) + ",'1','2'),'x')", bj, bj, "1",
       "2"},
      {"parenthesis before the third comma is not used", "'a)','b','c','d')", "a)", "b", "c", "d"},
      {"a line of blanks", "   ", "", "", "", ""},
      {"no comma: nothing before it", "'x'", "", "", "", ""},
  };
  for (const Case& c : cases) {
    AreaCodeRow row = ParseAreaCodeRow(c.line);
    EXPECT_EQ(row.province, c.province) << c.what;
    EXPECT_EQ(row.city, c.city) << c.what;
    EXPECT_EQ(row.postCode, c.postCode) << c.what;
    EXPECT_EQ(row.areaCode, c.areaCode) << c.what;
  }
}

}  // namespace
}  // namespace korvalind
