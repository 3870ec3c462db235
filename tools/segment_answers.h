#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "directory/directory_image.h"
#include "directory/key_numbering.h"

namespace korvalind {

// Seven-digit segments begin with "1": the key holds digits 2 to 7, so a directory answers at
// most the segments 1000000 to 1999999.
inline constexpr std::uint32_t kFirstSegment = 1000000;
inline constexpr std::uint32_t kSegmentKeyValues = 1000000;

// What a directory answers for records naming one province and one city, as the query works it
// out (code page 936, each place cut as a reader cuts it).
struct PlaceAnswer {
  std::string province;
  std::string city;       // as the record names it; empty when it names none
  std::string shownCity;  // the answer's city: city, or the province when city is empty
  std::string postCode;
  std::string areaCode;
};

// The answers of the place pairs of one image, each worked out once, with the same rules as
// QuerySegmentKey (first zone entry whose "province,city" part matches), in time linear in the
// size of the tables whatever the image holds.
class PlaceAnswers {
 public:
  // Keeps a view of image, which must outlive this object unchanged.
  explicit PlaceAnswers(const DirectoryImage& image);

  // The number of the answer for these place indexes in answers(), worked out on first use.
  std::uint32_t NumberOf(std::uint16_t province, std::uint16_t city);
  const std::vector<PlaceAnswer>& answers() const { return answers_; }

  // Place entries in table order, whole (not cut): entry i names place index i + 1.
  const std::vector<std::string_view>& entries() const { return entries_; }
  // The whole entry of a place index; empty for 0 and past the last entry.
  std::string_view Entry(std::uint16_t index) const {
    return index == 0 || index > entries_.size() ? std::string_view() : entries_[index - 1];
  }

 private:
  std::vector<std::string_view> entries_;
  std::unordered_map<std::string_view, std::string_view> zones_;  // "province,city" -> answer
  KeyNumbering numbers_;
  std::vector<PlaceAnswer> answers_;
};

// One segment a directory answers.
struct SegmentAnswer {
  std::uint32_t segment = 0;  // kFirstSegment to kFirstSegment + 999999
  std::uint8_t kind = 0;
  std::uint32_t place = 0;  // number of its PlaceAnswer
};

// Every segment an image answers, in segment order: for each packed-decimal key the first record
// with that key, as a query finds it. Records after the first with the same key, and records
// whose key is not packed decimal (no seven-digit text reaches them), answer nothing and are
// left out.
struct SegmentAnswers {
  std::vector<SegmentAnswer> segments;
  std::vector<PlaceAnswer> places;

  const PlaceAnswer& PlaceOf(const SegmentAnswer& answer) const { return places[answer.place]; }
};

SegmentAnswers AnswerAllSegments(const DirectoryImage& image);

// The key value (0 to 999999) of a packed-decimal segment key, or -1 when a half-byte is above 9.
int KeyValue(const std::uint8_t* key);

}  // namespace korvalind
