#pragma once

#include <optional>
#include <string_view>

#include "serve/reply.h"

namespace korvalind::serve {

// The web page's hook: it gets the first chance at every GET and HEAD of "/" and of paths
// under "/assets/" (path as sent, before any "?"), and returns the reply for a path it serves;
// nothing makes the router answer 404.
std::optional<Reply> ServeWebPage(std::string_view path);

}  // namespace korvalind::serve
