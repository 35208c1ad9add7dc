#pragma once
// Runs tessaline-cli as a separate process in a scratch folder, the way users and scripts do.

#include "DstTestEncoder.h"

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

class CliFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder_ = std::filesystem::temp_directory_path() /
                  ("tessaline-cli-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    static void quote(std::string& command, const std::string& text) {
        command += " '";
        for (char ch : text) {
            if (ch == '\'') command += "'\\''";
            else command += ch;
        }
        command += "'";
    }

    // arguments start with the command's name; environment is "NAME=value " text for sh.
    CliResult cli(const std::vector<std::string>& arguments, const std::string& environment = "") {
        std::string command = environment + "exec";
        quote(command, TESSALINE_CLI);
        for (const auto& argument : arguments) quote(command, argument);
        const std::filesystem::path errPath = folder_ / ".stderr";
        command += " 2>";
        quote(command, errPath.string());
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

    std::filesystem::path folder_;
};

}  // namespace tessaline::test
