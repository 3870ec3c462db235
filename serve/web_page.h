#pragma once

#include <optional>

#include "serve/reply.h"
#include "serve/served_directory.h"

namespace korvalind::serve {

// The web page's hook: it gets the first chance at every GET and HEAD of "/" and of paths
// under "/assets/", and returns the reply for a target it serves (the page, rendered with the
// answer to "?number=" from directory, or one of its files, or 304 when the client's copy is
// current); nothing makes the router answer 404.
std::optional<Reply> ServeWebPage(const Request& request, const ServedDirectory& directory);

}  // namespace korvalind::serve
