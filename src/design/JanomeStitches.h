#pragma once
// The stitch list Janome's JEF and SEW files share: two-byte moves (x, then y pointing up) with
// 0x80 escapes for a colour change (0x01), a jump (0x02, 0x04) and the end (0x10).

#include "design/ByteReader.h"
#include "design/RecordBuilder.h"

#include <string_view>

namespace tessaline {

// Reads moves from in's position up to the end mark, or to the end of the file when the mark is
// missing, then closes the design. format names the file's format in the reason for a bad command.
void readJanomeStitches(ByteReader& in, RecordBuilder& out, std::string_view format);

}  // namespace tessaline
