#include "ui/window_message.h"

namespace korvalind::ui {
namespace {

// One sentence of the core: the text before the quoted name, the text between the closing
// quote and the reason, and the Chinese frame around the name and the reason.
struct Sentence {
  std::string_view before;
  std::string_view after;
  std::string_view chineseBefore;
  std::string_view chineseAfter;
};

constexpr Sentence kSentences[] = {
    {"directory file \"", "\" cannot be read: ", "无法读取号码库文件“", "”："},
    {"directory file \"", "\" is damaged: ", "号码库文件“", "”已损坏："},
    {"record file \"", "\" is damaged: ", "记录文件“", "”已损坏："},
    {"cannot open \"", "\": ", "无法打开“", "”："},
    {"cannot read \"", "\": ", "无法读取“", "”："},
    {"cannot create \"", "\": ", "无法创建“", "”："},
    {"cannot write \"", "\": ", "无法写入“", "”："},
};

// Reasons that the core words itself rather than taking from the system.
struct Reason {
  std::string_view english;
  std::string_view chinese;
};

constexpr Reason kReasons[] = {
    {"it is a folder", "这是一个文件夹"},
    {"not open", "文件未打开"},
};

std::string ChineseReason(std::string_view reason) {
  for (const Reason& r : kReasons) {
    if (reason == r.english) return std::string(r.chinese);
  }
  return std::string(reason);
}

}  // namespace

std::string WindowMessage(std::string_view message) {
  for (const Sentence& s : kSentences) {
    if (message.substr(0, s.before.size()) != s.before) continue;
    const std::string_view rest = message.substr(s.before.size());
    // The name may itself hold quotes: the last occurrence of the closing text ends it.
    const size_t end = rest.rfind(s.after);
    if (end == std::string_view::npos) continue;
    const std::string_view name = rest.substr(0, end);
    const std::string_view reason = rest.substr(end + s.after.size());
    std::string text(s.chineseBefore);
    text.append(name);
    text.append(s.chineseAfter);
    text.append(ChineseReason(reason));
    return text;
  }
  return std::string(message);
}

}  // namespace korvalind::ui
