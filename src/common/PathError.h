#pragma once
// A failure a user can meet with a file: what() is "<path>: <reason>", and both parts are kept
// so that a window or a command line can word its own message.

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tessaline {

class PathError : public std::runtime_error {
public:
    PathError(std::filesystem::path path, const std::string& reason)
        : std::runtime_error(path.string() + ": " + reason), path_(std::move(path)), reason_(reason) {}
    const std::filesystem::path& path() const { return path_; }
    const std::string& reason() const { return reason_; }

private:
    std::filesystem::path path_;
    std::string reason_;
};

}  // namespace tessaline
