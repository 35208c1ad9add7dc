#include "design/FormatReaders.h"
namespace tessaline {
DecodedDesign readHus(std::span<const std::uint8_t>, const RecordSink&) { throw DesignFormatError("HUS is not read yet"); }
DecodedDesign readSew(std::span<const std::uint8_t>, const RecordSink&) { throw DesignFormatError("SEW is not read yet"); }
DecodedDesign readShv(std::span<const std::uint8_t>, const RecordSink&) { throw DesignFormatError("SHV is not read yet"); }
DecodedDesign readPcs(std::span<const std::uint8_t>, const RecordSink&) { throw DesignFormatError("PCS is not read yet"); }
}
