#include "machine/ControllerUnlock.h"

namespace tessaline {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

std::string ControllerUnlock::start() {
    switch (protocol_) {
    case LinkProtocol::Grbl:
        step_ = Step::Banner;
        state_ = "Resetting";
        return std::string(1, '\x18');
    case LinkProtocol::Marlin:
        // Marlin takes M999 without a line number or checksum; the next run numbers from M110.
        step_ = Step::Answer;
        state_ = "Restarting";
        return "M999\n";
    case LinkProtocol::LineOk:
        // Klipper's host restarts the firmware and its own connection: no answer is awaited.
        step_ = Step::Done;
        state_ = "Firmware restart sent";
        return "FIRMWARE_RESTART\n";
    case LinkProtocol::None:
        break;
    }
    step_ = Step::Done;
    return {};
}

std::string ControllerUnlock::line(std::string_view text) {
    if (done() || text.empty()) return {};
    if (startsWith(text, "[MSG:") && text.back() == ']') {
        state_ = std::string(text.substr(5, text.size() - 6));
        return {};
    }
    if (startsWith(text, "ALARM:") || startsWith(text, "error:") || startsWith(text, "Error:")) {
        state_ = std::string(text);
        // A refused unlock ends it: the state says why.
        if (step_ == Step::Unlocked || step_ == Step::Answer) step_ = Step::Done;
        return {};
    }
    switch (step_) {
    case Step::Banner:
        if (!startsWith(text, "Grbl ") && !startsWith(text, "GrblHAL ")) return {};
        step_ = Step::Unlocked;
        return "$X\n";
    case Step::Unlocked:
        if (text != "ok") return {};
        step_ = Step::Status;
        return "?";
    case Step::Status:
        if (text.front() != '<') return {};
        state_ = std::string(text.substr(1, text.find_first_of("|>") - 1));
        step_ = Step::Done;
        return {};
    case Step::Answer:
        if (text != "ok") return {};
        state_ = "Restarted";
        step_ = Step::Done;
        return {};
    case Step::Start:
    case Step::Done:
        break;
    }
    return {};
}

}  // namespace tessaline
