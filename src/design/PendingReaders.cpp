// Formats recognised by their extension whose readers are still to come: a clear refusal
// rather than reading the file as something it is not.

#include "design/FormatReaders.h"

namespace tessaline {

DecodedDesign readHus(std::span<const std::uint8_t>, const RecordSink&) {
    throw DesignFormatError("HUS designs cannot be read yet");
}
DecodedDesign readSew(std::span<const std::uint8_t>, const RecordSink&) {
    throw DesignFormatError("SEW designs cannot be read yet");
}
DecodedDesign readShv(std::span<const std::uint8_t>, const RecordSink&) {
    throw DesignFormatError("SHV designs cannot be read yet");
}

}  // namespace tessaline
