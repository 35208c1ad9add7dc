#pragma once
// The compression HUS files keep their stitch streams in: blocks of Huffman-coded literals and
// back references into what came out before (LZ77), each block with its own code tables.

#include <cstdint>
#include <span>
#include <vector>

namespace tessaline {

// Expands packed into size bytes. Throws DesignFormatError when the data is not well formed or
// runs out before size bytes come out.
std::vector<std::uint8_t> expandHusStream(std::span<const std::uint8_t> packed, std::size_t size);

}  // namespace tessaline
