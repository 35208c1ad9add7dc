#pragma once
// Tajima DST decoding: bytes in, design records and figures out. No I/O here.

#include "design/DesignRecord.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tessaline {

using RecordSink = std::function<void(const DesignRecord&)>;

// Decodes every 3-byte record from byte 512 on (records after the end record too) and hands
// each stitch, jump and colour-change record to sink in stored order. Never throws itself;
// whatever sink throws passes through. sink may be empty when only the figures are wanted.
DesignFigures decodeDst(std::span<const std::uint8_t> bytes, const RecordSink& sink);

// The DST header before the first record; a shorter file is no design.
constexpr std::size_t kDstHeaderBytes = 512;

// The largest design file read: the header and ten million records. A DST header cannot count
// past 9,999,999 stitches, so anything larger is no real design.
constexpr std::uintmax_t kMaxDesignFileBytes = kDstHeaderBytes + 3 * 10'000'000;
// The most records a design of any format may hold: what the largest DST file holds.
constexpr std::uint64_t kMaxDesignRecords = (kMaxDesignFileBytes - kDstHeaderBytes) / 3;

}  // namespace tessaline
