#include "serve/web_page.h"

namespace korvalind::serve {

// No page is bundled yet: every path is left to the router.
std::optional<Reply> ServeWebPage(std::string_view /*path*/) { return std::nullopt; }

}  // namespace korvalind::serve
