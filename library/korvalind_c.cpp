// The C interface: argument checks, and the one place where C++ failures become statuses.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "directory/loader.h"
#include "directory/number_plan.h"
#include "korvalind/korvalind.h"
#include "library/batch_lookup.h"
#include "library/directory_handle.h"
#include "platform/gbk.h"

#ifndef KORVALIND_LIBRARY_VERSION
#define KORVALIND_LIBRARY_VERSION "0.0.0"
#endif

namespace {

using korvalind::LargeBytes;
using korvalind::Status;
namespace library = korvalind::library;

constexpr unsigned kLookupFlags = KORVALIND_ANY_PREFIX | KORVALIND_GBK;
constexpr korvalind_answer kEmptyAnswer = {"", "", "", "", ""};

// Copies message into error->message as valid UTF-8, cut before a character that does not fit.
void Report(korvalind_error* error, korvalind_status status, std::string_view message) {
  if (error == nullptr) return;
  error->status = status;
  const std::string text = korvalind::ValidUtf8(message);
  size_t length = std::min(text.size(), sizeof error->message - 1);
  // Back up over continuation bytes to the start of the character that was cut.
  if (length < text.size()) {
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  }
  std::memcpy(error->message, text.data(), length);
  error->message[length] = '\0';
}

korvalind_status Finish(std::unique_ptr<korvalind_directory> directory, const Status& status,
                        korvalind_directory** out, korvalind_error* error) {
  if (!status.ok()) {
    const korvalind_status failure = library::StatusOfFailure(status);
    Report(error, failure, status.message());
    return failure;
  }
  *out = directory.release();
  Report(error, KORVALIND_OK, "");
  return KORVALIND_OK;
}

// Writes the fields of full that lie within answer->size.
void WriteAnswer(korvalind_answer_ex full, korvalind_answer_ex* answer) {
  full.size = answer->size;
  std::memcpy(answer, &full, std::min(answer->size, sizeof full));
}

// The smallest size korvalind_lookup_ex accepts: the fields up to post_code.
constexpr size_t kSmallestAnswerEx = offsetof(korvalind_answer_ex, post_code) + sizeof(const char*);

korvalind_carrier CarrierCode(korvalind::Carrier carrier) {
  return static_cast<korvalind_carrier>(carrier);
}

korvalind_status OutOfMemory(korvalind_error* error, std::string_view name) {
  Report(error, KORVALIND_NO_MEMORY,
         "directory file \"" + std::string(name) + "\" cannot be opened: out of memory");
  return KORVALIND_NO_MEMORY;
}

}  // namespace

extern "C" {

const char* korvalind_version(void) { return KORVALIND_LIBRARY_VERSION; }

int korvalind_version_number(void) { return KORVALIND_VERSION; }

const char* korvalind_status_name(korvalind_status status) {
  switch (status) {
    case KORVALIND_OK:
      return "ok";
    case KORVALIND_INVALID:
      return "invalid";
    case KORVALIND_NOT_FOUND:
      return "not-found";
    case KORVALIND_BAD_ARGUMENT:
      return "bad-argument";
    case KORVALIND_CANNOT_READ:
      return "cannot-read";
    case KORVALIND_DAMAGED:
      return "damaged";
    case KORVALIND_NO_MEMORY:
      return "no-memory";
  }
  return "unknown";
}

korvalind_status korvalind_open(const char* path, korvalind_directory** out,
                                korvalind_error* error) {
  if (out == nullptr) {
    Report(error, KORVALIND_BAD_ARGUMENT, "korvalind_open: out is NULL");
    return KORVALIND_BAD_ARGUMENT;
  }
  *out = nullptr;
  std::string name;
  try {
    name = path != nullptr ? std::string(path) : library::DefaultPath();
    auto directory = std::make_unique<korvalind_directory>();
    LargeBytes bytes;
    Status status = korvalind::ReadDirectoryFile(name, &bytes);
    if (status.ok()) status = library::OpenDirectory(std::move(bytes), name, directory.get());
    return Finish(std::move(directory), status, out, error);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(error, name);
  }
}

korvalind_status korvalind_open_bytes(const void* bytes, size_t size, const char* name,
                                      korvalind_directory** out, korvalind_error* error) {
  if (out == nullptr || (bytes == nullptr && size != 0)) {
    if (out != nullptr) *out = nullptr;
    Report(error, KORVALIND_BAD_ARGUMENT, "korvalind_open_bytes: out or bytes is NULL");
    return KORVALIND_BAD_ARGUMENT;
  }
  *out = nullptr;
  const std::string shown = name != nullptr ? name : "(memory)";
  try {
    auto directory = std::make_unique<korvalind_directory>();
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    LargeBytes copy(begin, begin + size);
    Status status = library::OpenDirectory(std::move(copy), shown, directory.get());
    return Finish(std::move(directory), status, out, error);
  } catch (const std::bad_alloc&) {
    return OutOfMemory(error, shown);
  }
}

void korvalind_close(korvalind_directory* directory) { delete directory; }

korvalind_status korvalind_lookup_code(const korvalind_directory* directory, const char* text,
                                       size_t length, unsigned flags, uint32_t* code) {
  if (directory == nullptr || code == nullptr || (text == nullptr && length != 0) ||
      (flags & ~KORVALIND_ANY_PREFIX) != 0) {
    return KORVALIND_BAD_ARGUMENT;
  }
  const std::string_view view(text == nullptr ? "" : text, length);
  std::string prepared;
  const std::uint32_t segment =
      directory->acceptance.SegmentOfText(view, (flags & KORVALIND_ANY_PREFIX) != 0, &prepared);
  if (segment == 0) {
    *code = KORVALIND_CODE_INVALID;
    return KORVALIND_INVALID;
  }
  *code = directory->answers.CodeAt(segment - library::AnswerTable::kFirstSegment);
  return *code == KORVALIND_CODE_NOT_FOUND ? KORVALIND_NOT_FOUND : KORVALIND_OK;
}

korvalind_status korvalind_lookup(const korvalind_directory* directory, const char* text,
                                  size_t length, unsigned flags, korvalind_answer* answer) {
  if (answer == nullptr || (flags & ~kLookupFlags) != 0) return KORVALIND_BAD_ARGUMENT;
  std::uint32_t code = 0;
  const korvalind_status status =
      korvalind_lookup_code(directory, text, length, flags & KORVALIND_ANY_PREFIX, &code);
  if (status == KORVALIND_BAD_ARGUMENT) return status;
  *answer = status == KORVALIND_OK ? directory->answers.Answer(code, (flags & KORVALIND_GBK) != 0)
                                   : kEmptyAnswer;
  return status;
}

korvalind_status korvalind_lookup_ex(const korvalind_directory* directory, const char* text,
                                     size_t length, unsigned flags, korvalind_answer_ex* answer) {
  if (answer == nullptr || answer->size < kSmallestAnswerEx || (flags & ~kLookupFlags) != 0) {
    return KORVALIND_BAD_ARGUMENT;
  }
  if (directory == nullptr || (text == nullptr && length != 0)) return KORVALIND_BAD_ARGUMENT;
  const std::string_view view(text == nullptr ? "" : text, length);
  std::string prepared;
  const std::uint32_t segment =
      directory->acceptance.SegmentOfText(view, (flags & KORVALIND_ANY_PREFIX) != 0, &prepared);
  korvalind_answer_ex full{};
  full.province = full.city = full.sim_type = full.area_code = full.post_code = "";
  full.carrier = full.carrier_id = full.service = "";
  if (segment == 0) {
    WriteAnswer(full, answer);
    return KORVALIND_INVALID;
  }
  const bool gbk = (flags & KORVALIND_GBK) != 0;
  const korvalind::PlanEntry plan = korvalind::PlanOfSegment(segment);
  full.carrier = gbk ? korvalind::CarrierNameGbk(plan.carrier).data()
                     : korvalind::CarrierNameUtf8(plan.carrier).data();
  full.carrier_id = korvalind::CarrierId(plan.carrier).data();
  full.service = korvalind::ServiceName(plan.service).data();
  full.carrier_code = CarrierCode(plan.carrier);
  full.segment = segment;
  const std::uint32_t code =
      directory->answers.CodeAt(segment - library::AnswerTable::kFirstSegment);
  if (code == KORVALIND_CODE_NOT_FOUND) {
    WriteAnswer(full, answer);
    return KORVALIND_NOT_FOUND;
  }
  const korvalind_answer& texts = directory->answers.Answer(code, gbk);
  full.province = texts.province;
  full.city = texts.city;
  full.sim_type = texts.sim_type;
  full.area_code = texts.area_code;
  full.post_code = texts.post_code;
  full.kind = directory->answers.Kind(code);
  WriteAnswer(full, answer);
  return KORVALIND_OK;
}

korvalind_status korvalind_lookup_numbers_ex(const korvalind_directory* directory,
                                             const int64_t* numbers, size_t count, unsigned flags,
                                             uint32_t* codes, uint8_t* carriers) {
  if (directory == nullptr || (flags & ~KORVALIND_ANY_PREFIX) != 0 ||
      (count != 0 && (numbers == nullptr || codes == nullptr))) {
    return KORVALIND_BAD_ARGUMENT;
  }
  library::LookupNumbers(directory->answers.codes(),
                         directory->acceptance.Blocks((flags & KORVALIND_ANY_PREFIX) != 0), numbers,
                         count, codes, carriers);
  return KORVALIND_OK;
}

korvalind_status korvalind_lookup_numbers(const korvalind_directory* directory,
                                          const int64_t* numbers, size_t count, unsigned flags,
                                          uint32_t* codes) {
  return korvalind_lookup_numbers_ex(directory, numbers, count, flags, codes, nullptr);
}

const char* korvalind_carrier_name(int carrier, unsigned flags) {
  if (carrier < 0 || carrier >= korvalind::kCarrierCount) return "";
  const auto code = static_cast<korvalind::Carrier>(carrier);
  return (flags & KORVALIND_GBK) != 0 ? korvalind::CarrierNameGbk(code).data()
                                      : korvalind::CarrierNameUtf8(code).data();
}

const char* korvalind_carrier_id(int carrier) {
  if (carrier < 0 || carrier >= korvalind::kCarrierCount) return "";
  return korvalind::CarrierId(static_cast<korvalind::Carrier>(carrier)).data();
}

const char* korvalind_carrier_english_name(int carrier) {
  if (carrier < 0 || carrier >= korvalind::kCarrierCount) return "";
  return korvalind::CarrierNameEnglish(static_cast<korvalind::Carrier>(carrier)).data();
}

uint32_t korvalind_answer_count(const korvalind_directory* directory) {
  return directory == nullptr ? 0 : directory->answers.size();
}

korvalind_status korvalind_answer_at(const korvalind_directory* directory, uint32_t code,
                                     unsigned flags, korvalind_answer* answer) {
  if (directory == nullptr || answer == nullptr || (flags & ~KORVALIND_GBK) != 0 ||
      code >= directory->answers.size()) {
    return KORVALIND_BAD_ARGUMENT;
  }
  *answer = directory->answers.Answer(code, (flags & KORVALIND_GBK) != 0);
  return KORVALIND_OK;
}

korvalind_status korvalind_answer_at_ex(const korvalind_directory* directory, uint32_t code,
                                        unsigned flags, korvalind_answer_ex* answer) {
  if (answer == nullptr || answer->size < kSmallestAnswerEx) return KORVALIND_BAD_ARGUMENT;
  korvalind_answer texts{};
  const korvalind_status status = korvalind_answer_at(directory, code, flags, &texts);
  if (status != KORVALIND_OK) return status;
  korvalind_answer_ex full{};
  full.province = texts.province;
  full.city = texts.city;
  full.sim_type = texts.sim_type;
  full.area_code = texts.area_code;
  full.post_code = texts.post_code;
  full.carrier = full.carrier_id = full.service = "";
  full.kind = directory->answers.Kind(code);
  WriteAnswer(full, answer);
  return KORVALIND_OK;
}

const char* korvalind_path(const korvalind_directory* directory) {
  return directory == nullptr ? "" : directory->path.c_str();
}

uint32_t korvalind_segment_count(const korvalind_directory* directory) {
  return directory == nullptr ? 0 : korvalind::SegmentCount(directory->image);
}

const char* korvalind_count_line(const korvalind_directory* directory, unsigned flags) {
  if (directory == nullptr) return "";
  return (flags & KORVALIND_GBK) != 0 ? directory->count_line_gbk.c_str()
                                      : directory->count_line_utf8.c_str();
}

size_t korvalind_held_prefixes(const korvalind_directory* directory, int* prefixes,
                               size_t capacity) {
  if (directory == nullptr) return 0;
  size_t held = 0;
  for (size_t p = 0; p < 100; ++p) {
    if (!directory->held_prefixes.test(p)) continue;
    if (prefixes != nullptr && held < capacity) prefixes[held] = static_cast<int>(100 + p);
    ++held;
  }
  return held;
}

}  // extern "C"
