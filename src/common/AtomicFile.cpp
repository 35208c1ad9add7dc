#include "common/AtomicFile.h"

#include "common/NumberFormat.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <optional>
#include <random>
#include <streambuf>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaline {

namespace {

std::string errnoText(int error) { return std::generic_category().message(error); }

struct WriteFault {
    std::filesystem::path target;
    std::size_t failAfter = 0;
    int error = 0;
};

std::mutex faultsMutex;
std::vector<WriteFault> faults;

std::optional<WriteFault> faultFor(const std::filesystem::path& target) {
    const std::lock_guard lock(faultsMutex);
    for (const WriteFault& fault : faults)
        if (fault.target == target) return fault;
    return std::nullopt;
}

// Unbuffered-by-stdio output onto a file descriptor, so that every failed write(2) (a full
// disk, a size limit) is seen with its errno instead of being lost in a library buffer.
class FdStreamBuf : public std::streambuf {
public:
    FdStreamBuf(int fd, std::optional<WriteFault> fault) : fd_(fd), buffer_(kBufferSize), fault_(std::move(fault)) {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }

    int error() const { return error_; }

protected:
    int_type overflow(int_type ch) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }

    std::streamsize xsputn(const char* data, std::streamsize count) override {
        const auto room = static_cast<std::streamsize>(epptr() - pptr());
        if (count <= room) {
            traits_type::copy(pptr(), data, static_cast<std::size_t>(count));
            pbump(static_cast<int>(count));
            return count;
        }
        // Large pieces (the generator hands over whole chunks) bypass the copy.
        if (!drain() || !writeAll(data, static_cast<std::size_t>(count))) return 0;
        return count;
    }

    int sync() override { return drain() ? 0 : -1; }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    bool drain() {
        const auto pending = static_cast<std::size_t>(pptr() - pbase());
        const bool ok = writeAll(pbase(), pending);
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return ok;
    }

    bool writeAll(const char* data, std::size_t size) {
        if (error_ != 0) return false;
        while (size > 0) {
            std::size_t piece = size;
            if (fault_) {
                if (fault_->failAfter == 0) {
                    error_ = fault_->error;
                    return false;
                }
                piece = std::min(piece, fault_->failAfter);
            }
            const ssize_t written = ::write(fd_, data, piece);
            if (written < 0) {
                if (errno == EINTR) continue;
                error_ = errno;
                return false;
            }
            if (fault_) fault_->failAfter -= static_cast<std::size_t>(written);
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

    int fd_;
    std::vector<char> buffer_;
    std::optional<WriteFault> fault_;
    int error_ = 0;
};

// Creates a new file beside target that no other writer can be using; returns its descriptor.
int createTemporary(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<std::uint64_t> counter{0};
    std::random_device random;
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    for (int attempt = 0;; ++attempt) {
        const std::uint64_t tag = (static_cast<std::uint64_t>(random()) << 20) ^ (counter++ << 8) ^
                                  static_cast<std::uint64_t>(::getpid());
        std::string name = ".";
        name += target.filename().string();
        name += ".tmp-";
        name += formatInteger(static_cast<std::int64_t>(tag & 0x7fffffffffffULL));
        temporary = folder / name;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST || attempt >= 100) return fd;
    }
}

// Removes the temporary file when the write does not reach its rename.
class TemporaryGuard {
public:
    TemporaryGuard(const std::filesystem::path& path, int fd) : path_(path), fd_(fd) {}
    TemporaryGuard(const TemporaryGuard&) = delete;
    TemporaryGuard& operator=(const TemporaryGuard&) = delete;
    ~TemporaryGuard() {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(path_.c_str());
    }
    // Closes the descriptor; false with errno set when the close reports a late write error.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }
    void commit() { committed_ = true; }

private:
    const std::filesystem::path& path_;
    int fd_;
    bool committed_ = false;
};

void syncFolder(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // The rename is done; a folder that cannot be synced does not undo it.
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void injectWriteFault(const std::filesystem::path& target, std::size_t failAfter, int error) {
    const std::lock_guard lock(faultsMutex);
    faults.push_back({target, failAfter, error});
}

void clearWriteFaults() {
    const std::lock_guard lock(faultsMutex);
    faults.clear();
}

void writeFileAtomically(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write) {
    std::filesystem::path temporary;
    const int fd = createTemporary(target, temporary);
    if (fd < 0) {
        const int error = errno;
        throw FileWriteError(target, "cannot create a temporary file: " + errnoText(error));
    }
    TemporaryGuard guard(temporary, fd);

    FdStreamBuf buffer(fd, faultFor(target));
    std::ostream stream(&buffer);
    write(stream);
    stream.flush();
    if (stream.fail()) {
        throw FileWriteError(target, buffer.error() != 0 ? errnoText(buffer.error())
                                                         : std::string("the content could not be written"));
    }

    // A replaced file keeps the permissions it had; a new one gets the usual 0666 less umask.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(fd, existing.st_mode & 07777);
    }
    if (::fsync(fd) != 0) {
        const int error = errno;
        throw FileWriteError(target, errnoText(error));
    }
    if (!guard.close()) {
        const int error = errno;
        throw FileWriteError(target, errnoText(error));
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        throw FileWriteError(target, "cannot replace the file: " + errnoText(error));
    }
    guard.commit();
    syncFolder(target);
}

}  // namespace tessaline
