#pragma once
// Bringing a controller out of an alarm or a halt between runs, in its protocol's words:
// grbl and grblHAL a soft reset (0x18) and, after its welcome banner, `$X` to unlock; Marlin
// `M999`; Klipper's host `FIRMWARE_RESTART`. Each step is sent after the answer to the one before.

#include "gcode/MachineProfile.h"

#include <string>
#include <string_view>

namespace tessaline {

class ControllerUnlock {
public:
    explicit ControllerUnlock(LinkProtocol protocol) : protocol_(protocol) {}

    // The bytes to write first; empty for a protocol that cannot be unlocked (none).
    std::string start();
    // Takes one line the controller wrote (without its line end); returns the bytes to write next.
    std::string line(std::string_view text);
    // Nothing more to send or wait for.
    bool done() const { return step_ == Step::Done; }
    // The controller's state as it last said it ("Caution: Unlocked", "Idle", "ALARM:1", "error:9").
    const std::string& state() const { return state_; }

private:
    enum class Step { Start, Banner, Unlocked, Status, Answer, Done };

    LinkProtocol protocol_;
    Step step_ = Step::Start;
    std::string state_;
};

}  // namespace tessaline
