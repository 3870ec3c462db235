#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "directory/directory_image.h"
#include "korvalind/korvalind.h"

namespace korvalind::library {

// The distinct answers a directory gives, and the answer of every segment a look-up can name.
//
// Every key of the directory is the six digits after the leading "1" of a segment, so the
// segments 1000000 to 1999999 are all there is to answer: a table of 10^6 codes, one per
// segment, holds the code of the answer of the first record with that key (the record a query
// finds) or KORVALIND_CODE_NOT_FOUND. Answers are numbered in the order their first segment
// appears in the records and are distinct by their five texts; each is prepared at open in
// UTF-8 and in GBK, NUL-terminated, so that look-ups hand out pointers and never build a text.
class AnswerTable {
 public:
  static constexpr std::uint32_t kFirstSegment = 1000000;
  static constexpr std::uint32_t kSegments = 1000000;

  // Throws std::bad_alloc when memory runs out; the table is then unusable.
  void Build(const DirectoryImage& image);

  // The code of segment kFirstSegment + offset (offset below kSegments).
  std::uint32_t CodeAt(std::uint32_t offset) const { return codes_[offset]; }
  const std::uint32_t* codes() const { return codes_.data(); }

  std::uint32_t size() const { return static_cast<std::uint32_t>(answers_.size()); }
  // The fields of a code below size().
  const korvalind_answer& Answer(std::uint32_t code, bool gbk) const {
    return gbk ? answers_[code].gbk : answers_[code].utf8;
  }
  // The SIM card kind of a code below size() (its label is the answer's sim_type).
  int Kind(std::uint32_t code) const { return answers_[code].kind; }

 private:
  struct Prepared {
    korvalind_answer utf8;
    korvalind_answer gbk;
    int kind = 0;
  };

  std::vector<std::uint32_t> codes_;
  std::vector<Prepared> answers_;
  // Every text of every answer, each followed by a NUL; answers_ points into it.
  std::string texts_;
};

}  // namespace korvalind::library
