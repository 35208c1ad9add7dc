#pragma once
// A serial device held for one run: opened exclusively (another program, or another Tessaline,
// holding it is refused), raw 8N1 at the given speed, non-blocking.

#include "common/PathError.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

// The device cannot be used; what() is "<device>: <reason>".
class SerialLinkError : public PathError {
public:
    using PathError::PathError;
};

class SerialLink {
public:
    // Throws SerialLinkError: no such device, not a terminal device, held by another program,
    // a speed it cannot be set to.
    SerialLink(const std::filesystem::path& device, int baud);
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;
    ~SerialLink();

    int descriptor() const { return fd_; }
    const std::filesystem::path& device() const { return device_; }
    // Writes all of bytes, waiting while the device's output is full; throws SerialLinkError when
    // the device has gone.
    void write(std::string_view bytes);
    // The bytes that have arrived (empty when none); nothing when the device has gone.
    std::optional<std::string> read();

private:
    std::filesystem::path device_;
    int fd_ = -1;
};

// The serial devices a controller is likely on, in the folder devices: by-id names first (they
// stay the same across plugging in), then ttyUSB* and ttyACM*, each group sorted.
std::vector<std::filesystem::path> serialPortCandidates(const std::filesystem::path& devices = "/dev");

}  // namespace tessaline
