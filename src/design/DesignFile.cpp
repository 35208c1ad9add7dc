#include "design/DesignFile.h"

#include "common/InputFile.h"

namespace tessaline {

std::vector<std::uint8_t> readDesignFile(const std::filesystem::path& path) {
    try {
        return readInputFile(path, {kMaxDesignFileBytes, "more than any DST design can"});
    } catch (const InputFileError& e) {
        throw DesignFileError(e.path(), e.reason());
    }
}

}  // namespace tessaline
