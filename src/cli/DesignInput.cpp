// The design a command reads: its file's bytes and their decoding, failures as CommandFailure.

#include "cli/Commands.h"

namespace tessaline::cli {

std::vector<std::uint8_t> readDesignInput(const std::string& path) {
    try {
        return readDesignFile(path);
    } catch (const DesignFileError& e) {
        throw CommandFailure(e.what());
    }
}

DecodedDesign decodeDesignInput(const std::string& path, std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    try {
        return decodeDesignFile(path, bytes, sink);
    } catch (const DesignFileError& e) {
        throw CommandFailure(e.what());
    }
}

}  // namespace tessaline::cli
