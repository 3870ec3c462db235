#pragma once

#include <span>
#include <string_view>

namespace korvalind::web {

// One file of the page, embedded in the program when it was built.
struct WebAsset {
  std::string_view name;          // the file's name in web/, such as "app.css"
  std::string_view content_type;  // "text/css; charset=utf-8"
  std::string_view body;          // the file's bytes as they stand in the source tree
  std::string_view etag;          // a strong entity tag with its quotes, from the bytes
};

// Every embedded file, in a fixed order. Generated from the files of web/.
std::span<const WebAsset> WebAssets();

// The file called name, or nullptr.
const WebAsset* FindWebAsset(std::string_view name);

}  // namespace korvalind::web
