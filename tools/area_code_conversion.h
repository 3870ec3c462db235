#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "tools/row_fields.h"

namespace korvalind {

// province + "," + city + ":" + postCode + "," + areaCode, fields copied unchanged.
std::string FormatZoneLine(const AreaCodeRow& row);

// The zone lines of an area-code dump held in memory: one per line, up to the end of the text or
// the first empty line, whichever comes first. A line of blanks is not empty and is converted.
std::vector<std::string> ZoneLinesOf(std::string_view areaCodeText);

// The zone file's bytes: every line followed by CR LF.
std::string ZoneFileText(const std::vector<std::string>& zoneLines);

struct AreaCodeStats {
  size_t zones = 0;  // zone lines written (and appended to ZoneList)
};

// Converts dataFolder/areacode into dataFolder/zone and appends the zone lines to ZoneList.
// The input is read whole before the zone file is touched; on any error the zone file and
// ZoneList are left as they were, and the message names the file.
Status ConvertAreaCodes(const std::string& dataFolder, AreaCodeStats* stats = nullptr);

}  // namespace korvalind
