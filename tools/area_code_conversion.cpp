#include "tools/area_code_conversion.h"

#include "platform/file_io.h"
#include "platform/paths.h"
#include "tools/data_folder.h"
#include "tools/place_list.h"

namespace korvalind {

std::string FormatZoneLine(const AreaCodeRow& row) {
  std::string line;
  line.reserve(row.province.size() + row.city.size() + row.postCode.size() + row.areaCode.size() +
               3);
  line += row.province;
  line += ',';
  line += row.city;
  line += ':';
  line += row.postCode;
  line += ',';
  line += row.areaCode;
  return line;
}

std::vector<std::string> ZoneLinesOf(std::string_view areaCodeText) {
  std::vector<std::string> lines;
  LineCursor cursor(areaCodeText);
  std::string_view line;
  while (cursor.Next(&line) && !line.empty())
    lines.push_back(FormatZoneLine(ParseAreaCodeRow(line)));
  return lines;
}

std::string ZoneFileText(const std::vector<std::string>& zoneLines) {
  std::string text;
  size_t size = 0;
  for (const std::string& line : zoneLines) size += line.size() + 2;
  text.reserve(size);
  for (const std::string& line : zoneLines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

Status ConvertAreaCodes(const std::string& dataFolder, AreaCodeStats* stats) {
  if (Status status = CheckDataFolder(dataFolder); !status.ok()) return status;
  std::string input;
  Status status = ReadInputFile(JoinPath(dataFolder, "areacode"), &input);
  if (!status.ok()) return status;
  std::vector<std::string> lines = ZoneLinesOf(input);

  AtomicFile zone;
  status = zone.Open(JoinPath(dataFolder, "zone"));
  if (!status.ok()) return status;
  zone.Write(ZoneFileText(lines));
  status = zone.Commit();
  if (!status.ok()) return status;

  for (const std::string& line : lines) ZoneList.Append(line);
  if (stats != nullptr) stats->zones = lines.size();
  return Status::Ok();
}

}  // namespace korvalind
