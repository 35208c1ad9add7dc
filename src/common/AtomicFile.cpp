#include "common/AtomicFile.h"

#include "common/InputFile.h"
#include "common/NumberFormat.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <streambuf>
#include <string_view>
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

// The temporaries of a write in progress, for the signal handler: fixed slots of fixed size, so
// the handler touches no allocator and no lock. A slot is Armed only while its path is whole.
enum SlotState : int { Free, Filling, Armed };
struct PendingTemporary {
    std::atomic<int> state{Free};
    char path[PATH_MAX] = {};
};
constexpr std::size_t kPendingSlots = 8;
PendingTemporary pendingTemporaries[kPendingSlots];
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void removePendingTemporaries(int signal) {
    for (PendingTemporary& slot : pendingTemporaries) {
        if (slot.state.load() == Armed) ::unlink(slot.path);
    }
    // Then die of the signal as the process would have without this handler.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

// Only signals that would end the process are caught: one ignored (nohup) or handled by the
// program stays as it is, and its write finishes or fails the ordinary way.
void catchEndingSignals() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : kCleanedSignals) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) != 0) continue;
            if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
            struct sigaction cleaning {};
            cleaning.sa_handler = removePendingTemporaries;
            ::sigfillset(&cleaning.sa_mask);
            ::sigaction(signal, &cleaning, nullptr);
        }
    });
}

// Holds a temporary's path where the signal handler finds it, for as long as it exists.
class PendingSlot {
public:
    explicit PendingSlot(const std::filesystem::path& path) {
        const std::string& text = path.native();
        if (text.size() >= PATH_MAX) return;  // then only the ordinary ways out remove it
        for (PendingTemporary& slot : pendingTemporaries) {
            int expected = Free;
            if (slot.state.compare_exchange_strong(expected, Filling)) {
                std::memcpy(slot.path, text.c_str(), text.size() + 1);
                slot.state.store(Armed);
                slot_ = &slot;
                return;
            }
        }
    }
    PendingSlot(const PendingSlot&) = delete;
    PendingSlot& operator=(const PendingSlot&) = delete;
    ~PendingSlot() {
        if (slot_ != nullptr) slot_->state.store(Free);
    }

private:
    PendingTemporary* slot_ = nullptr;
};

const std::string kTemporaryMark = ".tmp-";

// ".NAME.tmp-": the start of every temporary written for a file called NAME.
std::string temporaryPrefix(const std::filesystem::path& target) {
    std::string prefix = ".";
    prefix += target.filename().string();
    prefix += kTemporaryMark;
    return prefix;
}

// The writer's pid in a temporary's name (".NAME.tmp-PID-N"), or 0 when the name has none.
pid_t writerOf(std::string_view name, std::string_view prefix) {
    if (name.substr(0, prefix.size()) != prefix) return 0;
    name.remove_prefix(prefix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash + 1 == name.size()) return 0;
    if (name.find_first_not_of("0123456789", dash + 1) != std::string_view::npos) return 0;
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
    return error == std::errc() && end == name.data() + dash && pid > 0 ? pid : 0;
}

// Removes the temporaries of target that writers now dead left behind (a crash, a kill -9, a
// power cut). The pid in the name tells; a pid that is alive, or not ours to signal, keeps its file.
void sweepStaleTemporaries(const std::filesystem::path& folder, const std::filesystem::path& target) {
    const std::string prefix = temporaryPrefix(target);
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const pid_t pid = writerOf(name, prefix);
        if (pid == 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(it->path().c_str());
    }
}

// Creates a new file beside target that no other writer can be using; returns its descriptor.
int createTemporary(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<std::uint64_t> counter{0};
    std::random_device random;
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    sweepStaleTemporaries(folder, target);
    for (int attempt = 0;; ++attempt) {
        const std::uint64_t tag = (static_cast<std::uint64_t>(random()) << 20) ^ (counter++ << 8);
        std::string name = temporaryPrefix(target);
        name += formatInteger(static_cast<std::int64_t>(::getpid()));
        name += '-';
        name += formatInteger(static_cast<std::int64_t>(tag & 0x7fffffffffffULL));
        temporary = folder / name;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST || attempt >= 100) return fd;
    }
}

// The file a write to target replaces: target itself, or the last name its chain of symbolic
// links leads to (which need not exist yet), so that the links stay links. Anything but a
// regular file there is refused.
std::filesystem::path finalTarget(const std::filesystem::path& target) {
    constexpr int kMostLinks = 40;  // as the kernel follows
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) throw FileWriteError(target, errnoText(EISDIR));
        if (!S_ISREG(info.st_mode)) throw FileWriteError(target, notRegularFileReason(info.st_mode));
    }
    std::filesystem::path path = target;
    std::vector<char> link(PATH_MAX);
    for (int links = 0;; ++links) {
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        if (links == kMostLinks) throw FileWriteError(target, errnoText(ELOOP));
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<std::size_t>(length) == link.size()) {
            throw FileWriteError(target, "cannot follow the link: " + errnoText(length < 0 ? errno : ENAMETOOLONG));
        }
        const std::filesystem::path next(std::string(link.data(), static_cast<std::size_t>(length)));
        path = next.is_absolute() ? next : path.parent_path() / next;
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
    const std::filesystem::path written = finalTarget(target);
    catchEndingSignals();
    std::filesystem::path temporary;
    const int fd = createTemporary(written, temporary);
    if (fd < 0) {
        const int error = errno;
        throw FileWriteError(target, "cannot create a temporary file: " + errnoText(error));
    }
    // Destroyed after the guard: the path stays known to the signal handler until it is gone.
    const PendingSlot pending(temporary);
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
    if (::stat(written.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
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
    if (::rename(temporary.c_str(), written.c_str()) != 0) {
        const int error = errno;
        throw FileWriteError(target, "cannot replace the file: " + errnoText(error));
    }
    guard.commit();
    syncFolder(written);
}

}  // namespace tessaline
