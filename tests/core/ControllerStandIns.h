#pragma once
// Stand-ins for controllers no Debian package ships, written from the firmwares' published host
// protocols (grbl 1.1's "Grbl v1.1 Interface", Marlin 2's serial protocol with line numbers and
// checksums), not from the sender's needs. Each takes bytes as the serial port hands them over,
// answers as the firmware does, and keeps the X/Y position every motion line commands, so a test
// can compare the machine's path with the design's points. step() is one turn of the firmware's
// main loop: it takes at most one line and carries out at most one planned move.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaline::test {

using Point = std::pair<double, double>;

// The words of a G-code line ("G1 X1.5 Y-2" gives G1, X1.5, Y-2); comments left out.
inline std::vector<std::pair<char, std::string>> gcodeWords(std::string_view line) {
    std::vector<std::pair<char, std::string>> words;
    bool inComment = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (inComment) {
            inComment = ch != ')';
            continue;
        }
        if (ch == '(') {
            inComment = true;
        } else if (ch == ';') {
            break;
        } else if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')) {
            std::size_t end = i + 1;
            while (end < line.size() && (std::isdigit(static_cast<unsigned char>(line[end])) || line[end] == '.' ||
                                         line[end] == '-' || line[end] == '+'))
                ++end;
            words.emplace_back(static_cast<char>(std::toupper(static_cast<unsigned char>(ch))),
                               std::string(line.substr(i + 1, end - i - 1)));
            i = end - 1;
        }
    }
    return words;
}

// The first command of a line, without its line number: "N7 G1 X1*33" gives "G1".
inline std::string commandOf(std::string_view line) {
    for (const auto& [letter, value] : gcodeWords(line)) {
        if (letter != 'N') return std::string(1, letter) + std::to_string(std::atoi(value.c_str()));
    }
    return {};
}

// grbl 1.1: a 128-byte receive buffer; '?', '!', '~' and 0x18 taken out of the stream at once;
// "ok" once a line is parsed into the 15-block planner, "error:N" for a line it refuses (later
// lines keep running); M0 waits for the planner to empty, holds, and is answered "ok" only at
// cycle start, so the lines after it wait in the receive buffer; Ln names the planned block in
// progress and is left out when the planner is empty; a reset prints the welcome banner, and a reset
// while moving raises ALARM:3. An alarm locks G-code out (error:9) until `$X` ("[MSG:Caution:
// Unlocked]", ok); a reset keeps the lock and says "[MSG:'$H'|'$X' to unlock]" after its banner. "$C" toggles check mode: lines are parsed and answered but nothing
// moves, and switching it off resets grbl. Status reports give the machine position (MPos, $10=1,
// the default) or the work position (WPos, $10=0); the work coordinate offset (WCO) comes with the
// first report after a reset, then only every `wcoEvery` reports.
class GrblStandIn {
public:
    static constexpr std::size_t kReceiveBuffer = 128;
    static constexpr std::size_t kPlannerBlocks = 15;

    void receive(std::string_view bytes) {
        for (const char ch : bytes) {
            switch (ch) {
            case '?': output += statusReport(); break;
            case '!': held_ = held_ || running(); break;
            case '~':
                held_ = false;
                if (inPause_) {
                    inPause_ = false;
                    ++pauseReleases;
                    output += "ok\r\n";
                }
                break;
            case 0x18: reset(); break;
            default:
                if (rx_.size() >= kReceiveBuffer) overflowed = true;  // a real one loses the byte
                else rx_.push_back(ch);
            }
        }
    }

    // Parsing outruns motion, so the planner fills and the moves set the pace, as on a real table.
    void step() {
        if (pauseDue_ && planner_.empty()) {
            pauseDue_ = false;
            inPause_ = held_ = true;  // program pause: Hold until '~'
            ++pauses;
        }
        for (int parses = 0; parses < 2 && !pauseDue_ && !inPause_; ++parses) {
            const std::size_t end = rx_.find('\n');
            if (end == std::string::npos) {
                // The sender must keep the buffer from running dry: a whole line waits whenever one is due.
                if (expectingLines && planner_.size() < kPlannerBlocks) ++starvedSteps;
                break;
            }
            if (planner_.size() >= kPlannerBlocks) break;
            const std::string line = rx_.substr(0, end);
            rx_.erase(0, end + 1);
            parse(line);
        }
        if (!held_ && !planner_.empty()) {
            const Block block = planner_.front();
            planner_.pop_front();
            if (block.moves) {
                x_ = block.x;
                y_ = block.y;
                path.emplace_back(x_, y_);
            }
        }
    }

    bool idle() const { return planner_.empty() && rx_.empty() && !held_; }
    bool locked() const { return alarm_; }

    // An alarm such as a hard limit (ALARM:1): motion stops at once and G-code is locked out.
    void raiseAlarm(int code) {
        planner_.clear();
        held_ = pauseDue_ = inPause_ = false;
        alarm_ = true;
        output += "ALARM:" + std::to_string(code) + "\r\n";
    }
    bool held() const { return held_; }
    bool pauseDue() const { return pauseDue_; }    // parsing M0, waiting for the planner to empty
    bool inPause() const { return inPause_; }

    std::string output;            // what it has written back, for the sender to read
    std::vector<Point> path;        // X/Y after each motion block carried out
    std::vector<std::string> parsed;  // every line it parsed, refused ones included
    bool overflowed = false;
    bool expectingLines = false;    // set by a test while the sender has lines left to send
    std::size_t starvedSteps = 0;
    std::size_t pauses = 0;
    std::size_t pauseReleases = 0;  // M0 holds ended by cycle start
    std::set<std::string> refusedCodes{"G64", "M6", "M06", "M7", "M07", "M786"};  // error:20 in grbl 1.1
    Point workOffset{0, 0};         // G54's offset, set on the table before the run
    double needleOffset = 0;
    std::size_t wcoEvery = 10;      // grbl: 10 reports while busy, 30 idle
    std::size_t reportsToWco = 0;   // reports before the next WCO (0: the next one has it)
    std::vector<Point> reportedWork;  // the work position of each status report, in order

private:
    struct Block {
        bool moves = false;
        bool pause = false;
        double x = 0, y = 0;
        long line = 0;
    };

    bool running() const { return !planner_.empty(); }

    std::string statusReport() {
        const char* state = alarm_ ? "Alarm" : checkMode_ ? "Check" : held_ ? "Hold:0" : running() ? "Run" : "Idle";
        const bool machine = (statusMask_ & 1) != 0;
        char text[200];
        int size = std::snprintf(text, sizeof text, "<%s|%s:%.3f,%.3f,%.3f|Bf:%zu,%zu", state, machine ? "MPos" : "WPos",
                                 x_ + (machine ? workOffset.first : 0), y_ + (machine ? workOffset.second : 0),
                                 machine ? needleOffset : 0.0, kPlannerBlocks - planner_.size(), kReceiveBuffer - rx_.size());
        if (!planner_.empty() && planner_.front().line > 0) {
            size += std::snprintf(text + size, sizeof text - static_cast<std::size_t>(size), "|Ln:%ld", planner_.front().line);
        }
        if (reportsToWco == 0) {
            size += std::snprintf(text + size, sizeof text - static_cast<std::size_t>(size), "|WCO:%.3f,%.3f,%.3f",
                                  workOffset.first, workOffset.second, needleOffset);
            reportsToWco = wcoEvery;
        }
        --reportsToWco;
        std::snprintf(text + size, sizeof text - static_cast<std::size_t>(size), ">\r\n");
        reportedWork.emplace_back(x_, y_);
        return text;
    }

    void reset() {
        const bool moving = running() && !held_;
        rx_.clear();
        planner_.clear();
        held_ = pauseDue_ = inPause_ = false;
        if (moving) {
            alarm_ = true;
            output += "ALARM:3\r\n";
        }
        output += "\r\nGrbl 1.1h ['$' for help]\r\n";
        if (alarm_) output += "[MSG:'$H'|'$X' to unlock]\r\n";
        reportsToWco = 0;
        ++resets;
    }

    void parse(const std::string& line) {
        parsed.push_back(line);
        if (line == "$C") {
            checkMode_ = !checkMode_;
            output += checkMode_ ? "[MSG:Enabled]\r\nok\r\n" : "[MSG:Disabled]\r\nok\r\n";
            if (!checkMode_) reset();
            return;
        }
        if (line.rfind("$10=", 0) == 0) {
            statusMask_ = std::atoi(line.c_str() + 4);
            output += "ok\r\n";
            return;
        }
        if (line == "$X") {
            if (alarm_) output += "[MSG:Caution: Unlocked]\r\n";
            alarm_ = false;
            output += "ok\r\n";
            return;
        }
        if (alarm_) {
            output += "error:9\r\n";
            return;
        }
        Block block;
        bool motion = false;
        for (const auto& [letter, value] : gcodeWords(line)) {
            const std::string word = std::string(1, letter) + value;
            if (refusedCodes.count(word) != 0) {
                output += "error:20\r\n";
                return;
            }
            if (letter == 'G' && (std::atof(value.c_str()) == 0 || std::atof(value.c_str()) == 1)) motion = true;
            if (letter == 'M' && (std::atoi(value.c_str()) == 0)) block.pause = true;
            if (letter == 'N') block.line = std::atol(value.c_str());
            if (letter == 'X') block.x = std::atof(value.c_str()), block.moves = true;
            if (letter == 'Y') block.y = std::atof(value.c_str()), block.moves = true;
        }
        if (block.moves && !(motion || modalMotion_)) {
            output += "error:31\r\n";
            return;
        }
        modalMotion_ = modalMotion_ || motion;
        if (checkMode_) return void(output += "ok\r\n");
        if (block.pause) {
            pauseDue_ = true;  // answered at cycle start
            return;
        }
        if (block.moves) {
            // Words not given keep the position the planner will have reached.
            if (line.find('X') == std::string::npos) block.x = plannedX_;
            if (line.find('Y') == std::string::npos) block.y = plannedY_;
            plannedX_ = block.x;
            plannedY_ = block.y;
        }
        planner_.push_back(block);
        output += "ok\r\n";
    }

public:
    std::size_t resets = 0;

private:
    std::string rx_;
    std::deque<Block> planner_;
    bool held_ = false;
    bool alarm_ = false;
    bool modalMotion_ = false;
    bool checkMode_ = false;
    int statusMask_ = 1;
    bool pauseDue_ = false;
    bool inPause_ = false;
    double x_ = 0, y_ = 0, plannedX_ = 0, plannedY_ = 0;
};

// Marlin 2: numbered lines with an XOR checksum ("N12 G1 X1*87"); a bad checksum or an unexpected
// number is answered "Error:..., Last Line: L", "Resend: L+1", "ok", and the line is dropped;
// M110 sets the number; "ok" once a line is processed, for a move once it is in the 16-block
// planner (a full planner holds the line back); moves are made one a step; an unknown command is
// echoed; M0 and M400 first wait for the planner to empty ("busy: processing" meanwhile); M0 then
// waits, saying "busy: paused for user", until M108 (taken by its emergency parser ahead of the queue).
class MarlinStandIn {
public:
    static constexpr std::size_t kPlannerBlocks = 16;

public:
    void receive(std::string_view bytes) {
        for (const char ch : bytes) {
            if (corruptNext_ && ch != '\n') {
                corruptNext_ = false;
                pending_.push_back(static_cast<char>(ch ^ 0x04));  // line noise
                continue;
            }
            if (ch != '\n') {
                pending_.push_back(ch);
                continue;
            }
            if (pending_ == "M108") {
                paused_ = false;  // emergency parser
            } else {
                queue_.push_back(pending_);
            }
            pending_.clear();
        }
    }

    void corruptNextLine() { corruptNext_ = true; }
    bool paused() const { return paused_; }
    bool moving() const { return !planner_.empty(); }

    void step() {
        if (!planner_.empty()) {
            path.push_back(planner_.front());
            planner_.pop_front();
        }
        if (paused_) {
            if (++pausedSteps_ % 5 == 1) output += "busy: paused for user\n";
            return;
        }
        if (pausedLine_) {
            pausedLine_ = false;
            output += "ok\n";
        }
        if (queue_.empty()) return;
        const std::string command = commandOf(queue_.front());
        if ((command == "M0" || command == "M1" || command == "M400") && !planner_.empty()) {
            if (++syncSteps_ % 5 == 1) output += "busy: processing\n";
            return;
        }
        if ((command == "G0" || command == "G1") && planner_.size() >= kPlannerBlocks) return;
        const std::string line = queue_.front();
        queue_.pop_front();
        process(line);
    }

    std::string output;
    std::vector<Point> path;
    std::vector<std::string> executed;
    std::size_t resendRequests = 0;
    std::size_t pauses = 0;

private:
    void requestResend(const std::string& why) {
        output += "Error:" + why + ", Last Line: " + std::to_string(last_) + "\nResend: " + std::to_string(last_ + 1) + "\nok\n";
        ++resendRequests;
    }

    void process(std::string line) {
        if (line.find('*') != std::string::npos && line.front() != 'N') return requestResend("No Line Number with checksum");
        if (!line.empty() && line.front() == 'N') {
            const std::size_t star = line.rfind('*');
            const long number = std::atol(line.c_str() + 1);
            if (star == std::string::npos) return requestResend("No Checksum with line number");
            unsigned char sum = 0;
            for (std::size_t i = 0; i < star; ++i) sum ^= static_cast<unsigned char>(line[i]);
            if (std::to_string(sum) != line.substr(star + 1)) return requestResend("checksum mismatch");
            const std::string command = line.substr(line.find(' ') + 1, star - line.find(' ') - 1);
            const bool renumber = command.rfind("M110", 0) == 0;
            if (!renumber && number != last_ + 1) return requestResend("Line Number is not Last Line Number+1");
            last_ = number;
            line = command;
        }
        executed.push_back(line);
        const auto words = gcodeWords(line);
        if (words.empty()) return void(output += "ok\n");
        const std::string code = std::string(1, words.front().first) + std::to_string(std::atoi(words.front().second.c_str()));
        if (code == "M110") {
            for (const auto& [letter, value] : words) {
                if (letter == 'N') last_ = std::atol(value.c_str());
            }
        } else if (code == "M0") {
            paused_ = pausedLine_ = true;
            ++pauses;
            return;
        } else if (code == "G0" || code == "G1") {
            bool moves = false;
            for (const auto& [letter, value] : words) {
                if (letter == 'X') x_ = std::atof(value.c_str()), moves = true;
                if (letter == 'Y') y_ = std::atof(value.c_str()), moves = true;
            }
            if (moves) planner_.emplace_back(x_, y_);
        } else if (known_.count(code) == 0) {
            output += "echo:Unknown command: \"" + line + "\"\n";
        }
        output += "ok\n";
    }

    std::string pending_;
    std::deque<std::string> queue_;
    std::set<std::string> known_{"G4", "G21", "G28", "G90", "G91", "G92", "M73", "M117", "M211", "M400"};
    long last_ = 0;
    bool corruptNext_ = false;
    bool paused_ = false;
    bool pausedLine_ = false;
    std::size_t pausedSteps_ = 0;
    std::size_t syncSteps_ = 0;
    std::deque<Point> planner_;
    double x_ = 0, y_ = 0;
};

// Klipper's host pseudo-terminal: "ok" once each line is processed, for a move once it is in the
// toolhead's lookahead queue, made one a step later; "!! ..." for a command it does not know;
// PAUSE (from [pause_resume]) answers "// action:paused" at once, moves queued before it still
// being made, so the host holds its stream; RESUME "// action:resumed"; M400 is answered once
// every queued move is made.
class LineOkStandIn {
public:
    static constexpr std::size_t kLookahead = 16;

    void receive(std::string_view bytes) {
        for (const char ch : bytes) {
            if (ch != '\n') {
                pending_.push_back(ch);
            } else {
                queue_.push_back(pending_);
                pending_.clear();
            }
        }
    }

    void step() {
        if (!lookahead_.empty()) {
            path.push_back(lookahead_.front());
            lookahead_.pop_front();
        }
        if (queue_.empty()) return;
        const std::string first = queue_.front().substr(0, queue_.front().find(' '));
        if (first == "M400" && !lookahead_.empty()) return;
        if ((first == "G0" || first == "G1") && lookahead_.size() >= kLookahead) return;
        const std::string line = queue_.front();
        queue_.pop_front();
        const auto words = gcodeWords(line);
        if (first == "PAUSE") {
            paused_ = true;
            ++pauses;
            output += "// action:paused\nok\n";
            return;
        }
        if (first == "RESUME") {
            if (!paused_) return void(output += "!! Print is not paused, resume aborted\nok\n");
            paused_ = false;
            output += "// action:resumed\nok\n";
            return;
        }
        if (paused_ && (first == "G0" || first == "G1")) movedWhilePaused = true;
        if (first == "G0" || first == "G1") {
            bool moves = false;
            for (const auto& [letter, value] : words) {
                if (letter == 'X') x_ = std::atof(value.c_str()), moves = true;
                if (letter == 'Y') y_ = std::atof(value.c_str()), moves = true;
            }
            if (moves) lookahead_.emplace_back(x_, y_);
        } else if (known_.count(first) == 0) {
            output += "!! Unknown command:\"" + first + "\"\nok\n";
            return;
        }
        output += "ok\n";
    }

    bool paused() const { return paused_; }
    bool moving() const { return !lookahead_.empty(); }

    std::string output;
    std::vector<Point> path;
    std::size_t pauses = 0;
    bool movedWhilePaused = false;

private:
    std::string pending_;
    std::deque<std::string> queue_;
    std::set<std::string> known_{"G4", "G28", "G90", "G91", "G92", "M73", "M117", "M400", "SET_KINEMATIC_POSITION"};
    bool paused_ = false;
    std::deque<Point> lookahead_;
    double x_ = 0, y_ = 0;
};

}  // namespace tessaline::test
