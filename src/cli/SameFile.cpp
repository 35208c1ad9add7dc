#include "cli/Commands.h"

#include <filesystem>
#include <system_error>

namespace tessaline::cli {

void refuseSameFile(const std::string& input, const std::string& output) {
    std::error_code error;
    // An output that does not exist yet, or cannot be looked at, is not the input.
    if (std::filesystem::equivalent(input, output, error) && !error) {
        throw CommandFailure(output + ": is the design being read; choose another output file");
    }
}

}  // namespace tessaline::cli
