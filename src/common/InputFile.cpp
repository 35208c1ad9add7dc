#include "common/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaline {

namespace {

std::string errnoText(int error) { return std::system_category().message(error); }

// Only regular files within the limit are read; anything else is refused before reading.
void checkInput(const std::filesystem::path& path, const struct stat& info, const InputLimit& limit) {
    if (S_ISDIR(info.st_mode)) throw InputFileError(path, errnoText(EISDIR));
    if (!S_ISREG(info.st_mode)) throw InputFileError(path, notRegularFileReason(info.st_mode));
    if (static_cast<std::uintmax_t>(info.st_size) > limit.maxBytes) {
        throw InputFileError(path, "the file holds " + std::to_string(info.st_size) + " bytes, " +
                                       std::string(limit.tooLarge) + " (at most " + std::to_string(limit.maxBytes) + ")");
    }
}

template <typename Container>
Container readWhole(const std::filesystem::path& path, const InputLimit& limit) {
    InputFile file(path, limit);
    // One byte more than the size, so the read that meets the end needs no second buffer.
    Container content(static_cast<std::size_t>(file.size()) + 1, 0);
    std::size_t filled = 0;
    // Read to the end rather than trusting the size, in case the file changes while it is read;
    // InputFile refuses it once it passes the limit.
    for (;;) {
        if (filled == content.size()) {
            content.resize(static_cast<std::size_t>(
                std::min<std::uintmax_t>(content.size() + 64 * 1024, limit.maxBytes + 1)));
        }
        const std::size_t got = file.read(content.data() + filled, content.size() - filled);
        if (got == 0) break;
        filled += got;
    }
    content.resize(filled);
    return content;
}

}  // namespace

std::string notRegularFileReason(mode_t mode) {
    if (S_ISFIFO(mode)) return "not a regular file but a named pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "not a regular file but a device";
    if (S_ISSOCK(mode)) return "not a regular file but a socket";
    return "not a regular file";
}

InputFile::InputFile(const std::filesystem::path& path, const InputLimit& limit) : path_(path), limit_(limit) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw InputFileError(path, errnoText(errno));
    checkInput(path, info, limit);
    // Non-blocking, so that a file swapped for a pipe after the check still cannot hang the open.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw InputFileError(path, errnoText(errno));
    try {
        if (::fstat(fd_, &info) != 0) throw InputFileError(path, errnoText(errno));
        checkInput(path, info, limit);
    } catch (...) {
        ::close(fd_);
        throw;
    }
    size_ = static_cast<std::uintmax_t>(info.st_size);
}

InputFile::~InputFile() { ::close(fd_); }

std::size_t InputFile::read(void* data, std::size_t count) {
    for (;;) {
        const ssize_t got = ::read(fd_, data, count);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw InputFileError(path_, errnoText(errno));
        }
        consumed_ += static_cast<std::uintmax_t>(got);
        if (consumed_ > limit_.maxBytes) {
            throw InputFileError(path_, "the file grew past " + std::to_string(limit_.maxBytes) + " bytes while it was read");
        }
        return static_cast<std::size_t>(got);
    }
}

std::vector<std::uint8_t> readInputFile(const std::filesystem::path& path, const InputLimit& limit) {
    return readWhole<std::vector<std::uint8_t>>(path, limit);
}

std::string readInputText(const std::filesystem::path& path, const InputLimit& limit) {
    return readWhole<std::string>(path, limit);
}

}  // namespace tessaline
