// Arbitrary request targets through the service's mapping to a look-up text, and arbitrary
// bodies through its JSON array reader. The text a target maps to never grows past the target
// (decoding only shortens); written as a JSON string it is valid UTF-8 that the array reader
// takes back, and writing what it gives again yields the same JSON.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/json_string.h"
#include "serve/json_text.h"
#include "serve/request_target.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool IsValidUtf8(std::string_view text) {
  korvalind::serve::PackedTexts parsed;
  std::string error;
  std::string json = "[";
  json += text;
  json += "]";
  return korvalind::serve::ParseJsonStringArray(json, 1, &parsed, &error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvalind::serve;
  using korvalind::AppendJsonString;
  std::string_view input(reinterpret_cast<const char*>(data), size);

  Route route = MapRequestTarget(input);
  Require(route.text.size() <= input.size());
  Require(route.path.size() <= input.size());
  if (route.endpoint != Endpoint::kLookup) Require(route.text.empty());

  std::string json;
  AppendJsonString(route.text, &json);
  Require(IsValidUtf8(json));
  PackedTexts back;
  std::string error;
  Require(ParseJsonStringArray("[" + json + "]", 1, &back, &error));
  Require(back.size() == 1);
  std::string again;
  AppendJsonString(back[0], &again);
  Require(again == json);

  // The body reader on the raw bytes: any outcome, but a complete one.
  PackedTexts texts;
  if (ParseJsonStringArray(input, 64, &texts, &error)) {
    Require(texts.size() <= 64);
  } else {
    Require(!error.empty());
  }
  return 0;
}
