#pragma once

#include "directory/directory_image.h"
#include "platform/status.h"
#include "tools/dump_texts.h"

namespace korvalind {

// The dumps from which the maintainer pipeline builds image again:
//  - city lists every place entry in table order, so that each name keeps its place index;
//  - areacode holds every zone entry in table order, without the empty entries that pad the
//    table (the builder pads again) and without entries that no look-up can reach (no "," or no
//    ":" after it);
//  - simcard2.sql holds one row per record, in record order, naming the record's places by their
//    whole entries and giving the area code of its answer; a key that is not packed decimal is
//    written with the characters ":" to "?" for the half-bytes above 9, so that it comes back.
// For an image that make-directory built from dumps without repeated place names this gives the
// image back byte for byte; for any other image, one that answers every segment alike.
// Refused, naming the first, when a place or a zone holds what the dumps cannot carry (a "'",
// a ",", a line end; blanks around a zone's city, postal code or area code, a ")" in its area
// code) or a zone has no "," between its postal code and its area code.
Status ExportDumps(const DirectoryImage& image, DumpTexts* out);

}  // namespace korvalind
