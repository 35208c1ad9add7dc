#pragma once
// Runs tessaline-cli as a separate process in a scratch folder, the way users and scripts do.

#include "DstTestEncoder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace tessaline::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A small two-colour DST design: a jump, a stitch, a colour change and a stitch.
inline std::string twoColourDesignBytes() {
    DstTestEncoder encoder;
    encoder.jump(10, 20).stitch(5, 0).colourChange().stitch(10, 0).end();
    const auto bytes = encoder.bytes();
    return std::string(bytes.begin(), bytes.end());
}

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// text as one word for sh.
inline std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char ch : text) {
        if (ch == '\'') quoted += "'\\''";
        else quoted += ch;
    }
    return quoted + "'";
}

class CliFolderTest : public ::testing::Test {
protected:
    // Appends a blank and text quoted for sh.
    static void quote(std::string& command, const std::string& text) {
        command += ' ';
        command += shellQuoted(text);
    }

    // arguments start with the command's name; environment is "NAME=value " text for sh (or any
    // shell words to go before the command: limits, traps), redirect shell words to go after it.
    CliResult cli(const std::vector<std::string>& arguments, const std::string& environment = "",
                  const std::string& redirect = "") {
        std::string command = environment + "exec";
        quote(command, TESSALINE_CLI);
        for (const auto& argument : arguments) quote(command, argument);
        const std::filesystem::path errPath = folder_ / ".stderr";
        command += " 2>";
        quote(command, errPath.string());
        command += redirect;
        CliResult result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) {
            ADD_FAILURE() << "cannot start: " << command;
            return result;
        }
        char chunk[65536];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) result.out.append(chunk, got);
        const int status = ::pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.err = slurp(errPath);
        std::filesystem::remove(errPath);
        return result;
    }

    std::filesystem::path write(const std::string& name, const std::string& content) {
        const std::filesystem::path path = folder_ / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        return write(name, std::string(bytes.begin(), bytes.end()));
    }

    TempFolder temp_{"tessaline-cli"};
    std::filesystem::path folder_ = temp_.path();
};

}  // namespace tessaline::test
