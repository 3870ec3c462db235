// Interim implementation of the C interface's open, look-up and information calls.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "directory/loader.h"
#include "directory/query.h"
#include "directory/segment_record.h"
#include "korvalind/korvalind.h"
#include "platform/gbk.h"

struct korvalind_directory {
  korvalind::DirectoryImage image;
  std::string path;
  std::string count_line;
  mutable std::mutex mutex;
  mutable std::set<std::string> texts;  // every text handed out, alive until close
};

namespace {

const char* Keep(const korvalind_directory* directory, std::string text) {
  std::lock_guard lock(directory->mutex);
  return directory->texts.insert(std::move(text)).first->c_str();
}

}  // namespace

extern "C" {

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
  auto directory = new korvalind_directory;
  directory->path = path != nullptr ? path : korvalind::DefaultDirectoryPath();
  korvalind::Status status = korvalind::LoadDirectory(directory->path, &directory->image);
  if (!status.ok()) {
    if (error != nullptr) {
      error->status = KORVALIND_DAMAGED;
      std::snprintf(error->message, sizeof error->message, "%s", status.message().c_str());
    }
    delete directory;
    *out = nullptr;
    return KORVALIND_DAMAGED;
  }
  directory->count_line = korvalind::GbkToUtf8(korvalind::CountLine(directory->image));
  *out = directory;
  return KORVALIND_OK;
}

void korvalind_close(korvalind_directory* directory) { delete directory; }

korvalind_status korvalind_lookup(const korvalind_directory* directory, const char* text,
                                  size_t length, unsigned flags, korvalind_answer* answer) {
  if (directory == nullptr || answer == nullptr || (text == nullptr && length != 0)) {
    return KORVALIND_BAD_ARGUMENT;
  }
  std::string given(text != nullptr ? text : "", length);
  if ((flags & KORVALIND_ANY_PREFIX) != 0) {
    if (given.starts_with("+86"))
      given.erase(0, 3);
    else if (given.starts_with("0086"))
      given.erase(0, 4);
    std::erase_if(given, [](char c) { return c == ' ' || c == '\t' || c == '-'; });
    if (given.size() < 7 || given[0] != '1')
      return *answer = {"", "", "", "", ""}, KORVALIND_INVALID;
    for (int i = 0; i < 7; ++i) {
      if (given[i] < '0' || given[i] > '9')
        return *answer = {"", "", "", "", ""}, KORVALIND_INVALID;
    }
  }
  korvalind::QueryAnswer found;
  if ((flags & KORVALIND_ANY_PREFIX) != 0) {
    std::uint8_t key[3];
    korvalind::PackSegmentKey(std::string_view(given).substr(1, 6), key);
    found = korvalind::QuerySegmentKey(directory->image, key);
  } else {
    found = korvalind::QueryNumber(directory->image, given);
  }
  *answer = {"", "", "", "", ""};
  if (found.outcome == korvalind::QueryAnswer::Outcome::kInvalid) return KORVALIND_INVALID;
  if (found.outcome == korvalind::QueryAnswer::Outcome::kNotFound) return KORVALIND_NOT_FOUND;
  *answer = {Keep(directory, korvalind::GbkToUtf8(found.province)),
             Keep(directory, korvalind::GbkToUtf8(found.city)),
             Keep(directory, korvalind::GbkToUtf8(found.simType)), Keep(directory, found.areaCode),
             Keep(directory, found.postCode)};
  return KORVALIND_OK;
}

const char* korvalind_path(const korvalind_directory* directory) { return directory->path.c_str(); }

uint32_t korvalind_segment_count(const korvalind_directory* directory) {
  return static_cast<uint32_t>(korvalind::SegmentCount(directory->image));
}

const char* korvalind_count_line(const korvalind_directory* directory, unsigned) {
  return directory->count_line.c_str();
}

size_t korvalind_held_prefixes(const korvalind_directory*, int* prefixes, size_t capacity) {
  for (size_t i = 0; i < capacity && i < 10; ++i) prefixes[i] = 130 + static_cast<int>(i);
  return 10;
}

}  // extern "C"
