// Arbitrary request targets and If-None-Match headers through the web page's handler, in
// process. Input: the If-None-Match header, a NUL byte, then the target. The look-up answers
// some texts with hostile place names. Whatever the request, the page must not gain markup: every
// echoed or looked-up text is escaped, so the rendered page holds exactly as many "<" and '"' as
// the empty form, and it is valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "web/page_handler.h"

namespace korvalind::web {
namespace {

korvalind_status HostileLookup(std::string_view text, korvalind_answer_ex* answer) {
  if (text.empty()) return KORVALIND_INVALID;
  switch (static_cast<unsigned char>(text[0]) % 3) {
    case 0:
      answer->province = "<script>";
      answer->city = "\"><img src=x>";
      answer->sim_type = "'";
      answer->area_code = "&amp;";
      answer->post_code = "\xB1\xB1";
      answer->segment = 1990000;
      return KORVALIND_OK;
    case 1:
      answer->segment = 1390000;
      return KORVALIND_NOT_FOUND;
    default:
      return KORVALIND_INVALID;
  }
}

size_t Count(std::string_view text, char c) {
  size_t n = 0;
  for (char b : text) n += b == c;
  return n;
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (lead >= 0x80 && (lead < 0xC2 || lead > 0xF4)) return false;
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<std::uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace
}  // namespace korvalind::web

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  using namespace korvalind::web;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const std::string_view if_none_match =
      split == std::string_view::npos ? "" : input.substr(0, split);
  const std::string target(split == std::string_view::npos ? input : input.substr(split + 1));
  const PageSource source{HostileLookup, "手机号码段共计:3 [2002-11-08]", "1.0.0.1"};

  static const std::string empty_form = AnswerPageRequest({"GET", "/", ""}, source)->body;
  const auto response = AnswerPageRequest({"GET", target, if_none_match}, source);
  if (!response || response->status == 304) return 0;
  if (response->etag.size() < 2 || response->etag.front() != '"' || response->etag.back() != '"') {
    std::abort();
  }
  if (response->content_type.starts_with("text/html")) {
    const std::string& page = response->body;
    if (Count(page, '<') != Count(empty_form, '<') || Count(page, '"') != Count(empty_form, '"') ||
        !IsUtf8(page)) {
      std::abort();
    }
  }
  return 0;
}
