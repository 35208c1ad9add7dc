#pragma once
// A controller stand-in on the master side of a pseudo-terminal, served in a thread; the slave
// side is the "serial port" a front end opens.

#include <atomic>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace tessaline::test {

template <class StandIn>
class MachineOnPty {
public:
    // prepare sets the machine up (its settings, offsets) before its loop starts.
    explicit MachineOnPty(const std::function<void(StandIn&)>& prepare = {}) {
        if (prepare) prepare(machine);
        char name[128];
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
        device_ = name;
        termios raw{};
        ::tcgetattr(slave_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
        thread_ = std::thread([this] { serve(); });
    }
    ~MachineOnPty() {
        finish();
        ::close(master_);
        ::close(slave_);
    }
    // Stops the machine's loop; afterwards its record may be read.
    void finish() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
    }
    const std::string& device() const { return device_; }
    StandIn machine;

private:
    void serve() {
        char chunk[4096];
        while (running_) {
            pollfd wait{master_, POLLIN, 0};
            ::poll(&wait, 1, 2);
            if ((wait.revents & POLLIN) != 0) {
                const ssize_t got = ::read(master_, chunk, sizeof chunk);
                if (got > 0) machine.receive(std::string_view(chunk, static_cast<std::size_t>(got)));
            }
            machine.step();
            if (!machine.output.empty()) {
                const ssize_t put = ::write(master_, machine.output.data(), machine.output.size());
                if (put > 0) machine.output.erase(0, static_cast<std::size_t>(put));
            }
        }
    }

    int master_ = -1;
    int slave_ = -1;
    std::string device_;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

// A stand-in's path with only the needle moves' points: colour changes stop where the last move
// of their colour ended, and a resumed run travels to its first move first.
inline std::vector<std::pair<double, double>> withoutRepeats(const std::vector<std::pair<double, double>>& path) {
    std::vector<std::pair<double, double>> points;
    for (const auto& p : path) {
        if (points.empty() || std::abs(points.back().first - p.first) > 1e-9 || std::abs(points.back().second - p.second) > 1e-9)
            points.push_back(p);
    }
    return points;
}

}  // namespace tessaline::test
