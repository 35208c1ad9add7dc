#include "cli/Commands.h"

#include "common/AtomicFile.h"

#include <filesystem>
#include <iostream>
#include <system_error>

namespace tessaline::cli {

bool OutputTarget::standardOutput() const {
    // /dev/stdout is a link to whatever standard output is (a pipe, a terminal, an open file);
    // replacing the file behind it would be wrong for all of them.
    return path.empty() || path == "-" || path == "/dev/stdout";
}

void OutputTarget::refuseInput(const std::string& input) const {
    if (standardOutput()) return;
    std::error_code error;
    // An output that does not exist yet, or cannot be looked at, is not the input.
    if (std::filesystem::equivalent(input, path, error) && !error) {
        throw CommandFailure(path + ": is the design being read; choose another output file");
    }
}

void OutputTarget::write(std::string_view what, const std::function<void(std::ostream&)>& write) const {
    if (!standardOutput()) {
        writeFileAtomically(path, write);
        return;
    }
    write(std::cout);
    if (!std::cout) throw CommandFailure("standard output: the " + std::string(what) + " could not be written");
}

}  // namespace tessaline::cli
