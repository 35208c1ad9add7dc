#pragma once
// Streams a program's lines to a machine controller over a byte link and follows its answers,
// for the three ways controllers acknowledge lines: grbl's character counting, Marlin's numbered
// lines with checksums and resend requests, and a plain "ok" per line. No I/O and no clock of its
// own: the front end hands in received bytes and the time, and writes what it is given.

#include "gcode/MachineProfile.h"
#include "machine/SendPlan.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

struct StreamSettings {
    LinkProtocol protocol = LinkProtocol::Grbl;
    std::size_t receiveBuffer = 128;   // grbl: bytes its serial buffer holds (RX_BUFFER_SIZE)
    std::size_t linesInFlight = 1;     // Marlin and line-ok: lines sent and not yet answered
    double statusInterval = 0.2;       // grbl: seconds between status queries (5 Hz at most)
    double answerTimeout = 30;         // seconds without an answer while lines wait for one
    // grbl: each line goes as "N<program line> ...", so status reports say which line runs (Ln).
    bool numberLines = true;
    // grbl: the whole program goes through the controller's parser in check mode ($C), without
    // moving; each refused line is a finding rather than the end of the run.
    bool checkOnly = false;
};

// A line the controller refused in check mode.
struct ControllerFinding {
    std::uint64_t programLine = 0;
    std::string text;  // "error:20: Unsupported or invalid g-code command found in block."
};

// One line of the program as it goes to the controller.
struct StreamLine {
    std::string text;                 // without its line end or comments
    std::uint64_t programLine = 0;    // 1-based, in the program file
};

// The program lines worth sending: each line without comments and surrounding blanks; lines
// left empty are dropped. A "(MSG, ...)" comment is kept for grbl, which shows it.
std::vector<StreamLine> streamLines(std::string_view program, LinkProtocol protocol);

// What the controller last said of itself in a status report.
struct ControllerStatus {
    std::string state;                // "Idle", "Run", "Hold:0", "Alarm", ...
    // X, Y and the needle axis in program (work) coordinates; grbl's machine position less its
    // work offset, held back until an offset has been reported.
    double position[3] = {0, 0, 0};
    bool hasPosition = false;
    std::optional<std::uint64_t> line;  // the line it executes (grbl's Ln), where reported
};

enum class StreamStop { None, Finished, ControllerError, Alarm, ControllerReset, Timeout, PortClosed, Stopped };

class ControllerStream {
public:
    struct Listener {
        std::function<void(std::size_t index)> acknowledged;     // line index taken by the controller
        std::function<void(const ControllerStatus&)> status;
        std::function<void(const std::string&)> message;         // the controller's own notes
        std::function<void(StreamStop, const std::string&)> stopped;  // once, with the reason in words
    };

    ControllerStream(std::vector<StreamLine> lines, StreamSettings settings,
                     std::function<void(std::string_view)> write, Listener listener);

    // The program's stops for a person, in order; each stop's pause is its first M0 (Klipper:
    // PAUSE) from its line on. A hold there is the stop's, never a pause of the person's, and a
    // Continue after such a pause still stops there.
    void setStops(const std::vector<PlanStop>& stops);

    // Resets the line numbering where the protocol has one, then fills the controller's buffer.
    void start(double now);
    // Bytes as they come from the link, in any pieces.
    void received(std::string_view bytes, double now);
    // Status queries and the answer timeout.
    void tick(double now);

    void hold();      // feed hold (grbl '!'); others stop sending until resume()
    void resume();    // cycle start (grbl '~'); Marlin's M108 also ends an M0 wait
    // Ends the run: grbl is held and then reset so its queue is dropped; the others stop sending.
    void stop();
    void portClosed();

    // The controller waits for the person (grbl held by M0, Marlin's M0, Klipper's PAUSE), not
    // held by hold(): answer with resume().
    bool waitingForPerson() const;
    // The program line the controller carries out now, as far as it tells: grbl's Ln, else the
    // oldest line sent and not yet answered, else the last answered; 0 before any.
    std::uint64_t currentProgramLine() const;
    // Whether the controller says which line its motion has reached (grbl's Ln). Marlin's and
    // Klipper's "ok" only says a line was taken into their queue: answered, maybe not yet moved.
    bool reportsExecution() const;
    // The furthest program line the machine has certainly carried out: grbl's Ln, a stop it
    // waits at (every move before it done), the end once it rests; 0 before any.
    std::uint64_t executedProgramLine() const;
    // The last program line the controller answered, 0 before any.
    std::uint64_t answeredProgramLine() const;
    // A stop is still being carried out on the controller (grbl's hold and reset).
    bool settling() const { return stopping_ || resetting_; }

    const std::vector<ControllerFinding>& findings() const { return findings_; }
    std::size_t acknowledgedCount() const { return acknowledged_; }
    std::size_t sentCount() const { return next_; }
    StreamStop stopReason() const { return stop_; }
    const std::vector<StreamLine>& lines() const { return lines_; }

private:
    void pump();
    void sendOwnLine(std::string_view text);
    std::string wireText(std::size_t index) const;
    void sendLine(std::size_t index);
    void answerLine(std::string_view line);
    void acknowledge();
    void finishIfDone();
    void end(StreamStop reason, const std::string& text);
    void parseStatus(std::string_view report);
    void resend(std::uint64_t number);
    void sendDrain();
    bool placesNextStop() const;
    bool atStop() const;

    // In-flight entries that are not a program line: the numbering reset, and lines voided by a
    // resend request (their "ok" still comes).
    static constexpr std::size_t kPreamble = static_cast<std::size_t>(-1);
    static constexpr std::size_t kVoid = static_cast<std::size_t>(-2);
    // Marlin and line-ok: M400, answered once every queued move has been made.
    static constexpr std::size_t kDrain = static_cast<std::size_t>(-3);

    std::vector<StreamLine> lines_;
    StreamSettings settings_;
    std::function<void(std::string_view)> write_;
    Listener listener_;

    std::size_t next_ = 0;          // next line to send
    std::size_t acknowledged_ = 0;  // lines the controller answered "ok" for
    std::deque<std::size_t> inFlight_;  // indices of lines sent and not yet answered, oldest first
    std::size_t bytesInFlight_ = 0;     // grbl: their bytes in its receive buffer
    std::size_t ignoreResends_ = 0;     // Marlin: repeats of a resend request already acted on
    std::uint64_t resentFrom_ = 0;
    bool held_ = false;
    bool pausedByController_ = false;  // line-ok: the controller asked the host to hold
    bool started_ = false;
    StreamStop stop_ = StreamStop::None;
    std::string partial_;           // received bytes after the last line end
    double lastAnswer_ = 0;
    double lastQuery_ = -1e9;
    bool busy_ = false;             // Marlin said it is busy: the timeout waits
    bool pausedForUser_ = false;    // Marlin: its M0 waits
    std::string lastState_;         // grbl: the state of the last status report
    std::uint64_t lastLine_ = 0;    // grbl: the Ln of the last status report
    double workOffset_[3] = {0, 0, 0};  // grbl: the last WCO reported
    bool haveWorkOffset_ = false;
    bool stopping_ = false;         // grbl: held, to be reset once motion rests
    bool resetting_ = false;        // grbl: reset sent, its banner expected
    bool waitingIdle_ = false;      // grbl: every line planned, waiting for the last moves
    bool leavingCheck_ = false;     // grbl: check mode is being switched off
    std::deque<std::size_t> ownBytes_;  // grbl: bytes of the sender's own lines in flight
    std::vector<ControllerFinding> findings_;
    std::vector<std::size_t> stopPauses_;  // index of each stop's pause line, in order
    std::size_t stopsAnswered_ = 0;        // stops the person has answered (passed in order)
    bool lastReportHadLine_ = false;       // grbl: Ln in the last report (its planner holds a block)
    bool resumeDue_ = false;               // grbl: Continue waits for a report saying where the hold is
    bool draining_ = false;                // Marlin, line-ok: an M400 is in flight
    bool drained_ = false;                 // the closing M400 has been answered
    std::uint64_t executedLine_ = 0;       // Marlin, line-ok: the last line known carried out
};

// grbl 1.1's own text for error:N and ALARM:N.
std::string grblErrorText(int code);
std::string grblAlarmText(int code);

// Marlin's frame of a numbered line: "N<n> <text>*<checksum>".
std::string marlinFrame(std::uint64_t number, std::string_view text);

}  // namespace tessaline
