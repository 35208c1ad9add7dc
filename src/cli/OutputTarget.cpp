#include "cli/Commands.h"

namespace tessaline::cli {

bool isStandardOutput(const std::string& output) {
    // /dev/stdout is a link to whatever standard output is (a pipe, a terminal, an open file);
    // replacing the file behind it would be wrong for all of them.
    return output.empty() || output == "-" || output == "/dev/stdout";
}

}  // namespace tessaline::cli
