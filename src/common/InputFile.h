#pragma once
// The one way user files are read (designs, profiles, programs): regular files only, opened
// without blocking, never more than the size their kind allows.

#include "common/PathError.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace tessaline {

// A file that cannot be read as input; what() is "<path>: <reason>".
class InputFileError : public PathError {
public:
    using PathError::PathError;
};

// How large a file of one kind may be. tooLarge ends the refusal of a larger file, as in
// "the file holds N bytes, <tooLarge> (at most <maxBytes>)".
struct InputLimit {
    std::uintmax_t maxBytes = 0;
    std::string_view tooLarge;
};

// Why a file of that st_mode is not read or written: "not a regular file but a named pipe", ...
std::string notRegularFileReason(mode_t mode);

// An open regular file within its limit. Opening throws InputFileError (missing, folder, pipe,
// device, socket, over the limit, no permission); never blocks on a pipe or device.
class InputFile {
public:
    InputFile(const std::filesystem::path& path, const InputLimit& limit);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The size when opened; the file may still change while it is read.
    std::uintmax_t size() const { return size_; }
    // Up to count bytes into data; 0 at the end. Throws InputFileError for an I/O error, or when
    // the file has grown past its limit while it was read.
    std::size_t read(void* data, std::size_t count);

private:
    std::filesystem::path path_;
    InputLimit limit_;
    int fd_ = -1;
    std::uintmax_t size_ = 0;
    std::uintmax_t consumed_ = 0;
};

// The whole file, by the rules above.
std::vector<std::uint8_t> readInputFile(const std::filesystem::path& path, const InputLimit& limit);
std::string readInputText(const std::filesystem::path& path, const InputLimit& limit);

}  // namespace tessaline
