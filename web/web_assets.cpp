#include "web/web_assets.h"

namespace korvalind::web {

const WebAsset* FindWebAsset(std::string_view name) {
  for (const WebAsset& asset : WebAssets()) {
    if (asset.name == name) return &asset;
  }
  return nullptr;
}

}  // namespace korvalind::web
