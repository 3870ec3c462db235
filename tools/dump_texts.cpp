#include "tools/dump_texts.h"

#include <charconv>

#include "platform/file_io.h"
#include "platform/gbk.h"
#include "platform/paths.h"

namespace korvalind {
namespace {

constexpr std::string_view kPlaceHeading = "\xb5\xd8\xc3\xfb";  // 地名
constexpr std::string_view kSegmentHeading =
    "-- segment table dump\r\nINSERT INTO `simcard` VALUES\r\n";
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

Status Refused(std::string_view what, std::string_view text, const std::string& why) {
  return Status::InvalidArgument(std::string(what) + " \"" + GbkToUtf8(text) + "\" " + why +
                                 ", which the dumps cannot carry");
}

// A zone field after the province is trimmed when read back.
std::string UnwritableTrimmedField(std::string_view text) {
  std::string why = UnwritableField(text);
  if (why.empty() && !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()))) {
    why = "begins or ends with a blank";
  }
  return why;
}

}  // namespace

std::string UnwritableField(std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '\'':
        return "holds \"'\"";
      case ',':
        return "holds \",\"";
      case '\r':
        return "holds a carriage return";
      case '\n':
        return "holds a line feed";
      default:
        break;
    }
  }
  return {};
}

DumpWriter::DumpWriter() {
  texts_.city.append(kPlaceHeading).append(kLineEnd);
  texts_.segments.append(kSegmentHeading);
}

void DumpWriter::ReserveSegments(size_t rows, size_t bytesPerRow) {
  texts_.segments.reserve(texts_.segments.size() + rows * bytesPerRow);
}

Status DumpWriter::AddPlace(std::string_view name) {
  if (std::string why = UnwritableField(name); !why.empty()) {
    return Refused("the place name", name, why);
  }
  texts_.city.append(name).append(kLineEnd);
  ++places_;
  return Status::Ok();
}

Status DumpWriter::AddZone(std::string_view province, std::string_view city,
                           std::string_view postCode, std::string_view areaCode) {
  const std::string zone = std::string(province) + "," + std::string(city) + ":" +
                           std::string(postCode) + "," + std::string(areaCode);
  std::string why = UnwritableField(province);
  if (why.empty()) why = UnwritableTrimmedField(city);
  if (why.empty()) why = UnwritableTrimmedField(postCode);
  if (why.empty()) why = UnwritableTrimmedField(areaCode);
  if (why.empty() && areaCode.find(')') != std::string_view::npos) {
    why = "holds \")\" in its area code";
  }
  if (!why.empty()) return Refused("the zone", zone, why);
  std::string& out = texts_.areacode;
  out.append("'").append(province).append("','").append(city).append("','");
  out.append(postCode).append("','").append(areaCode).append("')").append(kLineEnd);
  ++zones_;
  return Status::Ok();
}

Status DumpWriter::AddSegment(std::string_view segment, std::string_view province,
                              std::string_view city, int kind, std::string_view areaCode) {
  for (std::string_view field : {segment, province, city, areaCode}) {
    if (std::string why = UnwritableField(field); !why.empty()) {
      return Refused("the segment " + std::string(segment) + " field", field, why);
    }
  }
  char number[24];
  const auto written = std::to_chars(number, number + sizeof number, segments_ + 1);
  std::string& out = texts_.segments;
  out.append("(").append(number, written.ptr).append(",'").append(segment);
  out.append("','").append(province).append("','").append(city).append("','");
  out += static_cast<char>('0' + (kind & 7));
  out.append("','").append(areaCode).append("'),").append(kLineEnd);
  ++segments_;
  return Status::Ok();
}

DumpTexts DumpWriter::Finish() {
  // The last row closes the statement.
  if (segments_ > 0) texts_.segments[texts_.segments.size() - kLineEnd.size() - 1] = ';';
  return std::move(texts_);
}

Status WriteDumpFiles(const std::string& folder, const DumpTexts& texts) {
  const std::pair<const char*, const std::string*> outputs[] = {
      {"city", &texts.city}, {"areacode", &texts.areacode}, {"simcard2.sql", &texts.segments}};
  AtomicFile files[std::size(outputs)];
  for (size_t i = 0; i < std::size(outputs); ++i) {
    Status status = files[i].Open(JoinPath(folder, outputs[i].first));
    if (!status.ok()) return status;
    files[i].Write(*outputs[i].second);
  }
  return CommitTogether(files);
}

}  // namespace korvalind
