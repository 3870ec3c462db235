// Korvalind for C++: a header-only wrapper over the C interface of libkorvalind.
//
//   korvalind::Directory directory = korvalind::Directory::Open();  // the default directory
//   korvalind::Answer answer;
//   if (directory.Lookup("13901234567", &answer) == KORVALIND_OK) use(answer.province);
//
// A Directory owns its handle (move-only) and may be shared by threads for look-ups. Opening
// throws korvalind::OpenError; look-ups never throw.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "korvalind/korvalind.h"

namespace korvalind {

// The fields of an answer, valid while the Directory they came from is open: the five of the
// window (ok only), then the number plan's carrier of the segment (not-found ones too; "" where
// the plan names none) and the record's kind and the segment (see korvalind_answer_ex).
struct Answer {
  std::string_view province;
  std::string_view city;
  std::string_view sim_type;
  std::string_view area_code;
  std::string_view post_code;
  std::string_view carrier;
  std::string_view carrier_id;
  std::string_view service;
  korvalind_carrier carrier_code = KORVALIND_CARRIER_NONE;
  int kind = 0;
  std::uint32_t segment = 0;
};

// Why a directory could not be opened: what() is the library's message, naming the file.
class OpenError : public std::runtime_error {
 public:
  OpenError(korvalind_status status, const char* message)
      : std::runtime_error(message), status_(status) {}
  korvalind_status status() const noexcept { return status_; }

 private:
  korvalind_status status_;
};

class Directory {
 public:
  // The file at path; with no path the command line's search order.
  static Directory Open(const char* path = nullptr) {
    korvalind_directory* handle = nullptr;
    korvalind_error error{};
    korvalind_status status = korvalind_open(path, &handle, &error);
    if (status != KORVALIND_OK) throw OpenError(status, error.message);
    return Directory(handle);
  }
  static Directory Open(const std::string& path) { return Open(path.c_str()); }

  // The bytes of an enciphered directory file (copied); name stands for it in messages.
  static Directory FromBytes(std::span<const std::uint8_t> bytes, const char* name = nullptr) {
    korvalind_directory* handle = nullptr;
    korvalind_error error{};
    korvalind_status status =
        korvalind_open_bytes(bytes.data(), bytes.size(), name, &handle, &error);
    if (status != KORVALIND_OK) throw OpenError(status, error.message);
    return Directory(handle);
  }

  Directory(Directory&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Directory& operator=(Directory&& other) noexcept {
    if (this != &other) {
      korvalind_close(handle_);
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;
  ~Directory() { korvalind_close(handle_); }

  // KORVALIND_OK, KORVALIND_INVALID or KORVALIND_NOT_FOUND; *answer holds "" fields unless ok.
  // flags: KORVALIND_ANY_PREFIX, KORVALIND_GBK.
  korvalind_status Lookup(std::string_view text, Answer* answer, unsigned flags = 0) const {
    korvalind_answer_ex raw{};
    raw.size = sizeof raw;
    korvalind_status status = korvalind_lookup_ex(handle_, text.data(), text.size(), flags, &raw);
    if (status == KORVALIND_BAD_ARGUMENT) return status;
    *answer = Convert(raw);
    return status;
  }

  // The answer code of text (see korvalind_lookup_code); flags: KORVALIND_ANY_PREFIX or 0.
  std::uint32_t LookupCode(std::string_view text, unsigned flags = 0) const {
    std::uint32_t code = KORVALIND_CODE_INVALID;
    korvalind_lookup_code(handle_, text.data(), text.size(), flags, &code);
    return code;
  }

  // codes[i] = the answer code of numbers[i] (see korvalind_lookup_numbers); the spans must be
  // of one length, else KORVALIND_BAD_ARGUMENT and nothing is written.
  korvalind_status LookupNumbers(std::span<const std::int64_t> numbers,
                                 std::span<std::uint32_t> codes, unsigned flags = 0) const {
    if (codes.size() != numbers.size()) return KORVALIND_BAD_ARGUMENT;
    return korvalind_lookup_numbers(handle_, numbers.data(), numbers.size(), flags, codes.data());
  }

  // The same, and carriers[i] = the korvalind_carrier of numbers[i] (not-found ones too).
  korvalind_status LookupNumbers(std::span<const std::int64_t> numbers,
                                 std::span<std::uint32_t> codes, std::span<std::uint8_t> carriers,
                                 unsigned flags = 0) const {
    if (codes.size() != numbers.size() || carriers.size() != numbers.size()) {
      return KORVALIND_BAD_ARGUMENT;
    }
    return korvalind_lookup_numbers_ex(handle_, numbers.data(), numbers.size(), flags, codes.data(),
                                       carriers.data());
  }

  // The answer table that codes index.
  std::uint32_t AnswerCount() const { return korvalind_answer_count(handle_); }
  // The carrier fields of an answer code are "": a code stands for many segments.
  Answer AnswerAt(std::uint32_t code, unsigned flags = 0) const {
    korvalind_answer_ex raw{};
    raw.size = sizeof raw;
    if (korvalind_answer_at_ex(handle_, code, flags, &raw) != KORVALIND_OK) return Answer{};
    return Convert(raw);
  }

  std::string_view Path() const { return korvalind_path(handle_); }
  std::uint32_t SegmentCount() const { return korvalind_segment_count(handle_); }
  std::string_view CountLine(unsigned flags = 0) const {
    return korvalind_count_line(handle_, flags);
  }
  std::vector<int> HeldPrefixes() const {
    std::vector<int> prefixes(korvalind_held_prefixes(handle_, nullptr, 0));
    prefixes.resize(korvalind_held_prefixes(handle_, prefixes.data(), prefixes.size()));
    return prefixes;
  }

  const korvalind_directory* handle() const noexcept { return handle_; }

 private:
  explicit Directory(korvalind_directory* handle) : handle_(handle) {}

  static Answer Convert(const korvalind_answer_ex& raw) {
    return {raw.province,     raw.city,    raw.sim_type,   raw.area_code,
            raw.post_code,    raw.carrier, raw.carrier_id, raw.service,
            raw.carrier_code, raw.kind,    raw.segment};
  }

  korvalind_directory* handle_;
};

}  // namespace korvalind
