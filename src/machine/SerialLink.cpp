#include "machine/SerialLink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

namespace tessaline {

namespace {

std::optional<speed_t> speedOf(int baud) {
    switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return std::nullopt;
    }
}

}  // namespace

SerialLink::SerialLink(const std::filesystem::path& device, int baud) : device_(device) {
    const auto speed = speedOf(baud);
    if (!speed) {
        throw SerialLinkError(device, "cannot run at " + std::to_string(baud) +
                                          " baud; use 9600, 19200, 38400, 57600, 115200, 230400, 460800 or 921600");
    }
    fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) throw SerialLinkError(device, std::strerror(errno));
    const auto fail = [this](const std::string& reason) {
        ::close(fd_);
        fd_ = -1;
        throw SerialLinkError(device_, reason);
    };
    if (!::isatty(fd_)) fail("not a serial device");
    // Senders lock the device so that two never talk to one controller at once.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        fail(errno == EWOULDBLOCK ? "in use by another program" : std::strerror(errno));
    }
    termios settings{};
    if (::tcgetattr(fd_, &settings) != 0) fail(std::strerror(errno));
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS);
    ::cfsetispeed(&settings, *speed);
    ::cfsetospeed(&settings, *speed);
    if (::tcsetattr(fd_, TCSANOW, &settings) != 0) fail(std::strerror(errno));
}

SerialLink::~SerialLink() {
    if (fd_ >= 0) ::close(fd_);
}

void SerialLink::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd wait{fd_, POLLOUT, 0};
            ::poll(&wait, 1, 1000);
            if ((wait.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) throw SerialLinkError(device_, "the device went away");
            continue;
        }
        throw SerialLinkError(device_, written < 0 ? std::strerror(errno) : "the device took nothing");
    }
}

std::optional<std::string> SerialLink::read() {
    std::string bytes;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(fd_, chunk, sizeof chunk);
        if (got > 0) {
            bytes.append(chunk, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return bytes;
        // End of file, or EIO once the other side of the line has gone.
        if (!bytes.empty()) return bytes;
        return std::nullopt;
    }
}

std::vector<std::filesystem::path> serialPortCandidates(const std::filesystem::path& devices) {
    namespace fs = std::filesystem;
    std::vector<fs::path> found;
    std::error_code error;
    const auto collect = [&](const fs::path& folder, const auto& wanted) {
        std::vector<fs::path> group;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            if (wanted(it->path().filename().string())) group.push_back(it->path());
        }
        error.clear();
        std::sort(group.begin(), group.end());
        found.insert(found.end(), group.begin(), group.end());
    };
    collect(devices / "serial" / "by-id", [](const std::string&) { return true; });
    collect(devices, [](const std::string& name) { return name.starts_with("ttyUSB"); });
    collect(devices, [](const std::string& name) { return name.starts_with("ttyACM"); });
    return found;
}

}  // namespace tessaline
