#pragma once
// Each command of tessaline-cli registers itself on the CLI11 application; main only assembles.

#include <CLI/CLI.hpp>

#include <stdexcept>
#include <string>

namespace tessaline::cli {

// A failure the user can meet (unreadable input, unwritable output): main prints the
// message on stderr and exits with 1.
class CommandFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void addInfoCommand(CLI::App& app);
void addConvertCommand(CLI::App& app);
void addPreviewCommand(CLI::App& app);

}  // namespace tessaline::cli
