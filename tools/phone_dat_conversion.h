#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "directory/directory_image.h"
#include "platform/status.h"
#include "tools/dump_texts.h"
#include "tools/phone_dat.h"

namespace korvalind {

// phone.dat card types and directory SIM card kinds. A card type becomes the kind of its carrier
// (China Mobile 1, China Unicom 3, China Telecom 6, China Broadnet 7); a virtual operator becomes
// its host's kind, so that a directory cannot tell virtual operators apart. Back, kinds 1 and 2
// become China Mobile, 3 to 5 China Unicom, 6 China Telecom, 7 China Broadnet; kind 0 has no
// card type (0 here) and is left out.
int KindOfCardType(std::uint8_t cardType);
std::uint8_t CardTypeOfKind(int kind);

// The card type export-phone-dat writes for a segment: its carrier in the number plan, and that
// carrier's virtual card type for the segments let to virtual operators (162, 165, 167, 170x,
// 171); the card type of the record's kind for a segment the plan names no carrier for (1349).
std::uint8_t CardTypeOfSegment(std::uint32_t segment, int kind);

struct PhoneDatImportStats {
  size_t segments = 0;
  size_t places = 0;
  size_t zones = 0;
};

// The dumps of a directory answering every segment of dat as its record says: places are the
// provinces, then the cities, in the order the index first names them; one zone per province
// and city with the record's postal code and area code; one row per entry, in segment order.
// name names the file in messages. Refused, naming the first, when a name or code has no GBK
// form, holds what the dumps cannot carry or passes the 63 bytes of a directory entry, when a
// record has no province, or when two records give one province and city different codes.
Status ImportPhoneDat(const PhoneDat& dat, std::string_view name, DumpTexts* out,
                      PhoneDatImportStats* stats = nullptr);

struct PhoneDatExportStats {
  size_t segments = 0;  // index entries written
  size_t leftOut = 0;   // segments of kind 0
  size_t records = 0;
};

// Every segment image answers, but those of kind 0, with its answer: province, the city as the
// record names it (empty for a province alone), postal code and area code in UTF-8, and the card
// type of its kind. version is the file's four-digit version. Refused, naming it, when a name
// does not convert from GBK.
Status ExportPhoneDat(const DirectoryImage& image, std::string_view version, PhoneDat* out,
                      PhoneDatExportStats* stats = nullptr);

}  // namespace korvalind
