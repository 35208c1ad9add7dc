#include "machine/ControllerStream.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

namespace tessaline {

namespace {

constexpr char kFeedHold = '!';
constexpr char kCycleStart = '~';
constexpr char kStatusQuery = '?';
constexpr char kSoftReset = 0x18;

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The first whole number in text after prefix, as in "Resend: 24" or "error:20".
std::optional<std::uint64_t> numberAfter(std::string_view text, std::string_view prefix) {
    if (!startsWith(text, prefix)) return std::nullopt;
    text.remove_prefix(prefix.size());
    text = trimmed(text);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    return value;
}

// Up to three comma-separated numbers, as in "MPos:1.000,-2.500,0.000".
void readAxes(std::string_view values, double (&axes)[3]) {
    for (double& axis : axes) {
        const std::size_t comma = values.find(',');
        std::from_chars(values.data(), values.data() + values.substr(0, comma).size(), axis);
        if (comma == std::string_view::npos) break;
        values.remove_prefix(comma + 1);
    }
}

// The program line without comments: grbl reads "( )" and ";" comments, keeping "(MSG, )" to show;
// Marlin and Klipper read ";" only, so brackets there are text (an M117 message may hold them).
std::string codeOf(std::string_view line, LinkProtocol protocol) {
    std::string code;
    bool inComment = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (inComment) {
            if (ch == ')') inComment = false;
            continue;
        }
        if (ch == ';') break;
        if (ch == '(' && protocol == LinkProtocol::Grbl) {
            if (startsWith(line.substr(i), "(MSG,")) {
                const std::size_t close = line.find(')', i);
                const std::size_t end = close == std::string_view::npos ? line.size() : close + 1;
                code.append(line.substr(i, end - i));
                i = end - 1;
                continue;
            }
            inComment = true;
            continue;
        }
        code.push_back(ch);
    }
    return std::string(trimmed(code));
}

// A line that makes the controller wait for a person: M0 first (Marlin: M0 or M1), or Klipper's PAUSE.
bool pausesForPerson(std::string_view code, LinkProtocol protocol) {
    if (protocol == LinkProtocol::LineOk || protocol == LinkProtocol::None) {
        return code.substr(0, code.find(' ')) == "PAUSE";
    }
    if (code.empty() || (code.front() != 'M' && code.front() != 'm')) return false;
    code.remove_prefix(1);
    int value = -1;
    const auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), value);
    if (error != std::errc() || (end != code.data() + code.size() && *end != ' ')) return false;
    return value == 0 || (value == 1 && protocol == LinkProtocol::Marlin);
}

}  // namespace

std::vector<StreamLine> streamLines(std::string_view program, LinkProtocol protocol) {
    std::vector<StreamLine> lines;
    std::uint64_t number = 0;
    std::size_t start = 0;
    while (start < program.size()) {
        const std::size_t found = program.find_first_of("\r\n", start);
        const std::size_t end = found == std::string_view::npos ? program.size() : found;
        ++number;
        std::string code = codeOf(program.substr(start, end - start), protocol);
        if (!code.empty()) lines.push_back({std::move(code), number});
        if (end == program.size()) break;
        start = end + 1;
        if (program[end] == '\r' && start < program.size() && program[start] == '\n') ++start;
    }
    return lines;
}

std::string marlinFrame(std::uint64_t number, std::string_view text) {
    std::string frame(1, 'N');
    frame.append(std::to_string(number)).append(1, ' ').append(text);
    unsigned char checksum = 0;
    for (const char ch : frame) checksum ^= static_cast<unsigned char>(ch);
    return frame + "*" + std::to_string(checksum);
}

ControllerStream::ControllerStream(std::vector<StreamLine> lines, StreamSettings settings,
                                   std::function<void(std::string_view)> write, Listener listener)
    : lines_(std::move(lines)), settings_(settings), write_(std::move(write)), listener_(std::move(listener)) {}

void ControllerStream::setStops(const std::vector<PlanStop>& stops) {
    stopPauses_.clear();
    for (std::size_t s = 0; s < stops.size(); ++s) {
        const std::uint64_t until = s + 1 < stops.size() ? stops[s + 1].line : std::numeric_limits<std::uint64_t>::max();
        auto line = std::lower_bound(lines_.begin(), lines_.end(), stops[s].line,
                                     [](const StreamLine& l, std::uint64_t n) { return l.programLine < n; });
        for (; line != lines_.end() && line->programLine < until; ++line) {
            if (pausesForPerson(line->text, settings_.protocol)) {
                stopPauses_.push_back(static_cast<std::size_t>(line - lines_.begin()));
                break;
            }
        }
    }
}

void ControllerStream::start(double now) {
    if (started_) return;
    started_ = true;
    lastAnswer_ = now;
    if (settings_.protocol == LinkProtocol::Marlin) {
        // Line numbering restarts, so the first program line is N1; its "ok" is not a program line's.
        write_(marlinFrame(0, "M110 N0") + "\n");
        inFlight_.push_back(kPreamble);
    }
    if (settings_.checkOnly && settings_.protocol == LinkProtocol::Grbl) sendOwnLine("$C");
    pump();
    tick(now);
}

// A line of the sender's own, answered like any other but not a program line.
void ControllerStream::sendOwnLine(std::string_view text) {
    write_(std::string(text) + "\n");
    inFlight_.push_back(kPreamble);
    if (settings_.protocol == LinkProtocol::Grbl) {
        bytesInFlight_ += text.size() + 1;
        ownBytes_.push_back(text.size() + 1);
    }
}

void ControllerStream::pump() {
    if (stop_ != StreamStop::None || !started_) return;
    if (held_ && settings_.protocol != LinkProtocol::Grbl) return;
    while (next_ < lines_.size()) {
        if (settings_.protocol == LinkProtocol::Grbl) {
            const std::size_t bytes = wireText(next_).size() + 1;
            if (bytes > settings_.receiveBuffer) {
                end(StreamStop::ControllerError, "line " + std::to_string(lines_[next_].programLine) + " is longer than the controller's " +
                                                     std::to_string(settings_.receiveBuffer) + "-byte buffer");
                return;
            }
            if (bytesInFlight_ + bytes > settings_.receiveBuffer) return;
        } else if (inFlight_.size() >= std::max<std::size_t>(settings_.linesInFlight, 1)) {
            return;
        }
        sendLine(next_++);
    }
}

// grbl takes line numbers up to 9,999,999; a longer program goes on unnumbered.
std::string ControllerStream::wireText(std::size_t index) const {
    const StreamLine& line = lines_[index];
    if (!settings_.numberLines || line.programLine >= 10'000'000) return line.text;
    std::string text(1, 'N');
    return text.append(std::to_string(line.programLine)).append(1, ' ').append(line.text);
}

void ControllerStream::sendLine(std::size_t index) {
    const StreamLine& line = lines_[index];
    switch (settings_.protocol) {
    case LinkProtocol::Grbl: {
        const std::string text = wireText(index);
        write_(text + "\n");
        bytesInFlight_ += text.size() + 1;
        break;
    }
    case LinkProtocol::Marlin:
        write_(marlinFrame(index + 1, line.text) + "\n");
        break;
    case LinkProtocol::LineOk:
    case LinkProtocol::None:
        write_(line.text + "\n");
        break;
    }
    inFlight_.push_back(index);
}

void ControllerStream::received(std::string_view bytes, double now) {
    for (const char ch : bytes) {
        if (ch != '\n' && ch != '\r') {
            partial_.push_back(ch);
            continue;
        }
        if (partial_.empty()) continue;
        const std::string line = std::move(partial_);
        partial_.clear();
        lastAnswer_ = now;
        answerLine(trimmed(line));
    }
}

void ControllerStream::acknowledge() {
    if (inFlight_.empty()) return;  // an answer to nothing of ours (a line typed elsewhere)
    const std::size_t index = inFlight_.front();
    inFlight_.pop_front();
    busy_ = pausedForUser_ = false;
    if (index == kDrain) {
        // M400 is answered once the machine has made every move queued before it.
        draining_ = false;
        executedLine_ = std::max(executedLine_, answeredProgramLine());
        drained_ = acknowledged_ >= lines_.size();
        return;
    }
    if (index == kPreamble && !ownBytes_.empty() && settings_.protocol == LinkProtocol::Grbl) {
        bytesInFlight_ -= ownBytes_.front();
        ownBytes_.pop_front();
    }
    if (index == kPreamble || index == kVoid) return;
    if (settings_.protocol == LinkProtocol::Grbl) bytesInFlight_ -= wireText(index).size() + 1;
    acknowledged_ = index + 1;
    if (listener_.acknowledged) listener_.acknowledged(index);
}

void ControllerStream::answerLine(std::string_view line) {
    if (line == "ok" || startsWith(line, "ok ")) {
        if (stop_ != StreamStop::None) return;
        acknowledge();
        pump();
        finishIfDone();
        return;
    }
    switch (settings_.protocol) {
    case LinkProtocol::Grbl:
        if (line.front() == '<') {
            parseStatus(line);
        } else if (const auto code = numberAfter(line, "error:")) {
            const std::size_t index = inFlight_.empty() ? acknowledged_ : inFlight_.front();
            const std::uint64_t programLine = index < lines_.size() ? lines_[index].programLine : 0;
            if (settings_.checkOnly) {
                findings_.push_back({programLine, "error:" + std::to_string(*code) + ": " + grblErrorText(static_cast<int>(*code))});
                acknowledge();
                pump();
                finishIfDone();
                return;
            }
            end(StreamStop::ControllerError, "line " + std::to_string(programLine) + ": error:" + std::to_string(*code) + ": " +
                                                 grblErrorText(static_cast<int>(*code)));
        } else if (const auto alarm = numberAfter(line, "ALARM:")) {
            end(StreamStop::Alarm, "ALARM:" + std::to_string(*alarm) + ": " + grblAlarmText(static_cast<int>(*alarm)));
        } else if (startsWith(line, "Grbl ") || startsWith(line, "GrblHAL ")) {
            if (resetting_) {
                resetting_ = false;
                if (leavingCheck_) {
                    end(StreamStop::Finished, findings_.empty() ? "the controller took every line"
                                                                : std::to_string(findings_.size()) + " lines refused");
                }
            } else if (started_) {
                end(StreamStop::ControllerReset, "the controller restarted (" + std::string(line) + ")");
            }
        } else if (listener_.message) {
            listener_.message(std::string(line));
        }
        return;
    case LinkProtocol::Marlin:
        if (const auto number = numberAfter(line, "Resend:")) {
            resend(*number);
        } else if (const auto number = numberAfter(line, "rs ")) {
            resend(*number);
        } else if (startsWith(line, "busy:")) {
            busy_ = true;
            pausedForUser_ = line.find("paused for user") != std::string_view::npos;
            // M0 waits for the planner to empty first: every move before it has been made.
            if (pausedForUser_ && !inFlight_.empty() && inFlight_.front() < lines_.size()) {
                executedLine_ = std::max(executedLine_, lines_[inFlight_.front()].programLine);
            }
        } else if (startsWith(line, "Error:")) {
            // Transmission faults are followed by a resend request; anything else ends the run.
            const bool transmission = line.find("Last Line") != std::string_view::npos ||
                                      line.find("checksum") != std::string_view::npos ||
                                      line.find("Line Number") != std::string_view::npos;
            if (!transmission) end(StreamStop::ControllerError, std::string(line));
        } else if (startsWith(line, "echo:Unknown command")) {
            end(StreamStop::ControllerError, std::string(line.substr(5)));
        } else if (line == "start") {
            if (started_) end(StreamStop::ControllerReset, "the controller restarted");
        } else if (listener_.message) {
            listener_.message(std::string(line));
        }
        return;
    case LinkProtocol::LineOk:
    case LinkProtocol::None:
        if (startsWith(line, "!!")) {
            end(StreamStop::ControllerError, std::string(trimmed(line.substr(2))));
        } else if (line.find("action:paused") != std::string_view::npos) {
            // PAUSE asks the host to hold its stream until RESUME, but does not wait for the moves
            // queued before it: the person is asked once M400 says the machine stands still.
            held_ = pausedByController_ = true;
            if (!draining_) sendDrain();
        } else if (listener_.message) {
            listener_.message(std::string(startsWith(line, "//") ? trimmed(line.substr(2)) : line));
        }
        return;
    }
}

void ControllerStream::resend(std::uint64_t number) {
    if (stop_ != StreamStop::None) return;
    // The lines sent after a faulty one fail too, each asking for the same line again.
    if (ignoreResends_ > 0 && number == resentFrom_) {
        --ignoreResends_;
        return;
    }
    if (number == 0 || number > next_ || number <= acknowledged_) {
        end(StreamStop::ControllerError, "the controller asked again for line N" + std::to_string(number) +
                                             ", which it had confirmed or was never sent; nothing is sent twice");
        return;
    }
    std::size_t voided = 0;
    for (std::size_t& index : inFlight_) {
        if (index < lines_.size() && index + 1 >= number) {
            index = kVoid;  // its "ok" will come, but it was not taken
            ++voided;
        }
    }
    ignoreResends_ = voided > 0 ? voided - 1 : 0;
    resentFrom_ = number;
    next_ = static_cast<std::size_t>(number - 1);
}

void ControllerStream::parseStatus(std::string_view report) {
    // <Idle|MPos:0.000,0.000,0.000|Bf:15,128|FS:0,0|Ln:99>
    if (report.size() < 2 || report.back() != '>') return;
    report = report.substr(1, report.size() - 2);
    ControllerStatus status;
    bool machinePosition = false;
    std::size_t field = 0;
    while (!report.empty()) {
        const std::size_t bar = report.find('|');
        const std::string_view part = report.substr(0, bar);
        if (field++ == 0) {
            status.state = std::string(part);
        } else if (startsWith(part, "MPos:") || startsWith(part, "WPos:")) {
            readAxes(part.substr(5), status.position);
            status.hasPosition = true;
            machinePosition = part.front() == 'M';
        } else if (startsWith(part, "WCO:")) {
            readAxes(part.substr(4), workOffset_);
            haveWorkOffset_ = true;
        } else if (const auto line = numberAfter(part, "Ln:")) {
            status.line = *line;
        }
        if (bar == std::string_view::npos) break;
        report.remove_prefix(bar + 1);
    }
    // $10 chooses MPos or WPos; WCO comes only every 10 to 30 reports, so the last one is kept.
    if (machinePosition) {
        status.hasPosition = haveWorkOffset_;
        for (int axis = 0; axis < 3; ++axis) status.position[axis] -= workOffset_[axis];
    }
    lastState_ = status.state;
    lastReportHadLine_ = status.line.has_value();
    if (status.line) lastLine_ = *status.line;
    if (atStop()) {
        // The hold is the stop's, whoever asked for one too; every move before it is made.
        held_ = resumeDue_ = false;
        lastLine_ = std::max(lastLine_, lines_[stopPauses_[stopsAnswered_]].programLine);
    } else if (resumeDue_ && status.state == "Hold:0") {
        resumeDue_ = false;  // held between moves, not at a stop: cycle start goes on
        lastState_.clear();
        write_(std::string(1, kCycleStart));
    } else if (resumeDue_ && !startsWith(status.state, "Hold")) {
        resumeDue_ = false;  // the hold never took
    }
    if (listener_.status) listener_.status(status);
    if (stopping_ && (status.state == "Hold:0" || status.state == "Idle" || startsWith(status.state, "Door"))) {
        // Motion has come to rest, so a reset drops the queue without losing the position.
        stopping_ = false;
        resetting_ = true;
        write_(std::string(1, kSoftReset));
    }
    if (waitingIdle_ && status.state == "Idle") {
        waitingIdle_ = false;
        end(StreamStop::Finished, "every line confirmed and the controller idle");
    }
}

void ControllerStream::finishIfDone() {
    if (acknowledged_ < lines_.size() || !inFlight_.empty()) return;
    if (settings_.protocol == LinkProtocol::Grbl && settings_.checkOnly) {
        // Leaving check mode resets grbl; its welcome banner ends the check.
        if (!leavingCheck_) {
            leavingCheck_ = true;
            sendOwnLine("$C");
        } else {
            resetting_ = true;
        }
        return;
    }
    if (settings_.protocol == LinkProtocol::Grbl) {
        waitingIdle_ = true;  // "ok" means planned; the last moves finish when it reports Idle
        write_(std::string(1, kStatusQuery));
        return;
    }
    // "ok" means queued: the run ends once the machine has made the last moves.
    if (!drained_) {
        if (!draining_) sendDrain();
        return;
    }
    end(StreamStop::Finished, "every line confirmed");
}

void ControllerStream::sendDrain() {
    write_("M400\n");
    inFlight_.push_back(kDrain);
    draining_ = true;
}

bool ControllerStream::placesNextStop() const {
    // Without line numbers (none past 9,999,999) grbl's reports cannot tell an empty planner.
    return settings_.protocol == LinkProtocol::Grbl && stopsAnswered_ < stopPauses_.size() && settings_.numberLines &&
           lines_[stopPauses_[stopsAnswered_]].programLine < 10'000'000;
}

bool ControllerStream::atStop() const {
    if (stop_ != StreamStop::None || !placesNextStop()) return false;
    const std::size_t pause = stopPauses_[stopsAnswered_];
    // grbl parses M0 once its planner has emptied, holds, and answers the line only at cycle
    // start; a hold with a block still planned (Ln reported) is between moves.
    return acknowledged_ == pause && next_ > pause && startsWith(lastState_, "Hold") && !lastReportHadLine_;
}

void ControllerStream::tick(double now) {
    if (!started_) return;
    const bool grbl = settings_.protocol == LinkProtocol::Grbl;
    const bool polling = stop_ == StreamStop::None || stopping_ || resetting_;
    if (grbl && polling && now - lastQuery_ >= settings_.statusInterval) {
        lastQuery_ = now;
        write_(std::string(1, kStatusQuery));
    }
    const bool waiting = !inFlight_.empty() || waitingIdle_ || stopping_ || resetting_;
    if (polling && waiting && !busy_ && now - lastAnswer_ > settings_.answerTimeout) {
        stopping_ = resetting_ = waitingIdle_ = false;
        end(StreamStop::Timeout, "no answer from the controller for " + std::to_string(static_cast<int>(settings_.answerTimeout)) + " s");
    }
}

void ControllerStream::hold() {
    if (stop_ != StreamStop::None) return;
    held_ = true;
    resumeDue_ = false;
    if (settings_.protocol == LinkProtocol::Grbl) write_(std::string(1, kFeedHold));
}

void ControllerStream::resume() {
    if (stop_ != StreamStop::None) return;
    const bool personsPause = held_;
    held_ = false;
    if (settings_.protocol == LinkProtocol::Grbl) {
        if (personsPause && atStop()) return;  // the stop waits for its own answer
        if (personsPause && placesNextStop()) {
            // The hold may have landed on a stop's M0, where cycle start would pass the stop:
            // a fresh report says where the machine holds before anything is sent.
            resumeDue_ = true;
            write_(std::string(1, kStatusQuery));
            return;
        }
        if (atStop()) ++stopsAnswered_;
        lastState_.clear();  // the hold is over once the next report says so
        write_(std::string(1, kCycleStart));
    } else if (settings_.protocol == LinkProtocol::Marlin && busy_) {
        // Ends an M0 wait; the emergency parser takes it at once, ahead of the queue.
        write_("M108\n");
    } else if (pausedByController_) {
        pausedByController_ = false;
        sendOwnLine("RESUME");
    }
    pump();
}

bool ControllerStream::waitingForPerson() const {
    if (stop_ != StreamStop::None) return false;
    switch (settings_.protocol) {
    case LinkProtocol::Grbl: return atStop() || (!placesNextStop() && !held_ && startsWith(lastState_, "Hold"));
    case LinkProtocol::Marlin: return pausedForUser_;
    default: return pausedByController_ && !draining_;
    }
}

std::uint64_t ControllerStream::currentProgramLine() const {
    if (settings_.protocol == LinkProtocol::Grbl && settings_.numberLines && lastLine_ > 0) return lastLine_;
    for (const std::size_t index : inFlight_) {
        if (index < lines_.size()) return lines_[index].programLine;
    }
    return acknowledged_ > 0 ? lines_[acknowledged_ - 1].programLine : 0;
}

bool ControllerStream::reportsExecution() const { return settings_.protocol == LinkProtocol::Grbl && settings_.numberLines; }

std::uint64_t ControllerStream::executedProgramLine() const { return reportsExecution() ? lastLine_ : executedLine_; }

std::uint64_t ControllerStream::answeredProgramLine() const {
    return acknowledged_ > 0 ? lines_[acknowledged_ - 1].programLine : 0;
}

void ControllerStream::stop() { end(StreamStop::Stopped, "stopped"); }

void ControllerStream::portClosed() {
    stopping_ = resetting_ = waitingIdle_ = false;
    if (stop_ == StreamStop::None) {
        stop_ = StreamStop::PortClosed;
        if (listener_.stopped) listener_.stopped(stop_, "the link to the controller closed");
    }
}

void ControllerStream::end(StreamStop reason, const std::string& text) {
    if (stop_ != StreamStop::None) return;
    stop_ = reason;
    const bool interrupted = reason != StreamStop::Finished && reason != StreamStop::Timeout &&
                             reason != StreamStop::ControllerReset && reason != StreamStop::Alarm;
    if (settings_.protocol == LinkProtocol::Grbl && interrupted) {
        // Lines already in its buffer would still run: hold, and reset once motion rests.
        write_(std::string(1, kFeedHold));
        stopping_ = true;
    }
    if (listener_.stopped) listener_.stopped(reason, text);
}

std::string grblErrorText(int code) {
    switch (code) {
    case 1: return "G-code words consist of a letter and a value. Letter was not found.";
    case 2: return "Missing the expected G-code word value or numeric value format is not valid.";
    case 3: return "Grbl '$' system command was not recognized or supported.";
    case 4: return "Negative value received for an expected positive value.";
    case 5: return "Homing cycle failure. Homing is not enabled via settings.";
    case 6: return "Minimum step pulse time must be greater than 3usec.";
    case 7: return "An EEPROM read failed. Auto-restoring affected EEPROM to default values.";
    case 8: return "Grbl '$' command cannot be used unless Grbl is IDLE. Ensures smooth operation during a job.";
    case 9: return "G-code commands are locked out during alarm or jog state.";
    case 10: return "Soft limits cannot be enabled without homing also enabled.";
    case 11: return "Max characters per line exceeded. Received command line was not executed.";
    case 12: return "Grbl '$' setting value cause the step rate to exceed the maximum supported.";
    case 13: return "Safety door detected as opened and door state initiated.";
    case 14: return "Build info or startup line exceeded EEPROM line length limit. Line not stored.";
    case 15: return "Jog target exceeds machine travel. Jog command has been ignored.";
    case 16: return "Jog command has no '=' or contains prohibited g-code.";
    case 17: return "Laser mode requires PWM output.";
    case 20: return "Unsupported or invalid g-code command found in block.";
    case 21: return "More than one g-code command from same modal group found in block.";
    case 22: return "Feed rate has not yet been set or is undefined.";
    case 23: return "G-code command in block requires an integer value.";
    case 24: return "More than one g-code command that requires axis words found in block.";
    case 25: return "Repeated g-code word found in block.";
    case 26: return "No axis words found in block for g-code command or current modal state which requires them.";
    case 27: return "Line number value is invalid.";
    case 28: return "G-code command is missing a required value word.";
    case 29: return "G59.x work coordinate systems are not supported.";
    case 30: return "G53 only allowed with G0 and G1 motion modes.";
    case 31: return "Axis words found in block when no command or current modal state uses them.";
    case 32: return "G2 and G3 arcs require at least one in-plane axis word.";
    case 33: return "Motion command target is invalid.";
    case 34: return "Arc radius value is invalid.";
    case 35: return "G2 and G3 arcs require at least one in-plane offset word.";
    case 36: return "Unused value words found in block.";
    case 37: return "G43.1 dynamic tool length offset is not assigned to configured tool length axis.";
    case 38: return "Tool number greater than max supported value.";
    default: return "an error this version does not describe";
    }
}

std::string grblAlarmText(int code) {
    switch (code) {
    case 1: return "Hard limit triggered. Machine position is likely lost due to sudden and immediate halt. Re-homing is highly recommended.";
    case 2: return "G-code motion target exceeds machine travel. Machine position safely retained. Alarm may be unlocked.";
    case 3: return "Reset while in motion. Grbl cannot guarantee position. Lost steps are likely. Re-homing is highly recommended.";
    case 4: return "Probe fail. The probe is not in the expected initial state before starting probe cycle.";
    case 5: return "Probe fail. Probe did not contact the workpiece within the programmed travel.";
    case 6: return "Homing fail. Reset during active homing cycle.";
    case 7: return "Homing fail. Safety door was opened during active homing cycle.";
    case 8: return "Homing fail. Cycle failed to clear limit switch when pulling off.";
    case 9: return "Homing fail. Could not find limit switch within search distance.";
    default: return "an alarm this version does not describe";
    }
}

}  // namespace tessaline
