#include "serve/web_page.h"

#include <string>
#include <utility>

#include "web/page_handler.h"

namespace korvalind::serve {

std::optional<Reply> ServeWebPage(const Request& request, const ServedDirectory& directory) {
  const std::string count_line = directory.count_line();
  const web::PageSource source{[&directory](std::string_view text, korvalind_answer_ex* answer) {
                                 return korvalind_lookup_ex(directory.handle(), text.data(),
                                                            text.size(), 0, answer);
                               },
                               count_line, korvalind_version()};
  std::optional<web::PageResponse> page =
      web::AnswerPageRequest({request.method, request.target, request.if_none_match}, source);
  if (!page) return std::nullopt;
  Reply reply;
  reply.status = page->status;
  reply.content_type = std::move(page->content_type);
  reply.body = std::move(page->body);
  reply.headers.emplace_back("ETag", std::move(page->etag));
  for (const auto& [name, value] : page->headers) reply.headers.emplace_back(name, value);
  return reply;
}

}  // namespace korvalind::serve
