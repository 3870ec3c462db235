#include "ui/window_message.h"

#include <gtest/gtest.h>

namespace korvalind::ui {
namespace {

TEST(WindowMessageTest, CoreSentencesKeepNameAndReasonInAChineseFrame) {
  struct Case {
    const char* core;
    const char* window;
  };
  const Case cases[] = {
      {"directory file \"/d/Korvalind.dat\" cannot be read: No such file or directory",
       "无法读取号码库文件“/d/Korvalind.dat”：No such file or directory"},
      {"directory file \"/d/K.dat\" is damaged: no consistent trailer (region ends) was found",
       "号码库文件“/d/K.dat”已损坏：no consistent trailer (region ends) was found"},
      {"cannot open \"a b\": 没有那个文件或目录", "无法打开“a b”：没有那个文件或目录"},
      {"cannot read \"/tmp\": it is a folder", "无法读取“/tmp”：这是一个文件夹"},
      {"cannot create \"out\": Permission denied", "无法创建“out”：Permission denied"},
      {"cannot write \"x\": not open", "无法写入“x”：文件未打开"},
      // A name holding the closing text itself: the last one ends the name.
      {"cannot read \"say \": hi\": Is a directory", "无法读取“say \": hi”：Is a directory"},
      // Anything else stays as it was.
      {"the cipher key is empty", "the cipher key is empty"},
      {"cannot read \"unterminated", "cannot read \"unterminated"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(WindowMessage(c.core), c.window) << c.core;
}

}  // namespace
}  // namespace korvalind::ui
