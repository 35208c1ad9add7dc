// `send`: runs a design's program on the machine over a serial link, waits at each colour stop
// for the person to thread the next colour, and says where to resume when the run ends early.

#include "cli/Commands.h"

#include "common/NumberFormat.h"
#include "gcode/BuiltinProfiles.h"
#include "gcode/GcodeGenerator.h"
#include "machine/ControllerStream.h"
#include "machine/SerialLink.h"
#include "session/Session.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace tessaline::cli {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void noteInterrupt(int) { interrupted = 1; }

// Ctrl-C asks the run to stop cleanly instead of ending the process with the machine moving.
class InterruptCatcher {
public:
    InterruptCatcher() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = noteInterrupt;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptCatcher() { ::sigaction(SIGINT, &previous_, nullptr); }

private:
    struct sigaction previous_ {};
};

struct SendArguments {
    ProgramArguments program;
    std::string port;
    int baud = 115200;
    bool check = false;  // grbl's check mode: parse every line on the controller, move nothing
};

std::string clock(double seconds) {
    const auto whole = static_cast<long>(std::max(0.0, seconds) + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

void send(SendArguments& arguments) {
    const ProgramChoices choices = checkedChoices(arguments.program);
    const DesignSession session = DesignSession::open(arguments.program.input, arguments.program.placement);
    const GcodeOptions options = programOptions(session, choices);
    const MachineProfile& profile = options.profile ? *options.profile : classicProfile();
    if (profile.protocol == LinkProtocol::None) {
        throw CommandFailure(profile.name + " runs programs itself; send speaks to grbl, grblHAL, Marlin and Klipper "
                                            "(choose one with --profile)");
    }
    if (arguments.check && profile.protocol != LinkProtocol::Grbl) {
        throw CommandFailure("--check uses grbl's check mode ($C); " + profile.name + " has none");
    }
    const SendPlan plan = sendPlan(session, options);
    const std::uint64_t total = plan.moveLines.size();

    SerialLink link(arguments.port, arguments.baud);
    StreamSettings settings;
    settings.protocol = profile.protocol;
    settings.receiveBuffer = profile.receiveBuffer;
    settings.checkOnly = arguments.check;
    std::string stopText;
    ControllerStream::Listener listener;
    listener.stopped = [&stopText](StreamStop, const std::string& text) { stopText = text; };
    listener.message = [](const std::string& text) { std::cout << "\n" << text << '\n' << std::flush; };
    ControllerStream stream(streamLines(plan.text, profile.protocol), settings,
                            [&link](std::string_view bytes) { link.write(bytes); }, listener);
    stream.setStops(plan.stops);
    // Marlin's and Klipper's "ok" says a line was queued, not made: the count says answered.
    const char* counted = stream.reportsExecution() ? " stitches, colour " : " stitches answered, colour ";

    const InterruptCatcher catcher;
    const bool terminal = ::isatty(STDOUT_FILENO) != 0;
    const auto start = std::chrono::steady_clock::now();
    const auto now = [&start] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    double waited = 0;  // time spent at colour stops, left out of the stitch rate
    double lastProgress = -1;
    int shownColour = 0;
    bool stopping = false;
    double stoppedAt = 0;
    const auto done = [&] { return movesDone(plan, stream.currentProgramLine()); };
    const auto progress = [&](bool force) {
        const double t = now();
        if (!force && t - lastProgress < 0.25) return;
        lastProgress = t;
        const std::uint64_t moves = std::min(done(), total);
        const int colour = moves < total ? plan.moveColours[moves] : plan.colours;
        const double rate = moves / std::max(1e-3, t - waited);
        if (terminal) {
            const int width = 30;
            const int filled = total == 0 ? width : static_cast<int>(width * moves / total);
            std::cout << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                      << std::string(static_cast<std::size_t>(width - filled), '-') << "] " << moves << '/' << total
                      << counted << colour << '/' << plan.colours << ", " << formatFixed(rate, 1) << "/s, "
                      << clock(rate > 0 ? static_cast<double>(total - moves) / rate : 0) << " left  " << std::flush;
        } else if (colour != shownColour) {
            std::cout << "Colour " << colour << " of " << plan.colours << " from stitch " << plan.firstMove + moves << '\n'
                      << std::flush;
        }
        shownColour = colour;
    };

    // The port is served while the person threads the next colour, so status reports and
    // keep-alive lines go on and Ctrl-C still stops the run.
    bool asking = false;
    std::uint64_t answeredLine = 0;
    double askedAt = 0;
    const auto stopRun = [&](const char* why) {
        if (stopping || stream.stopReason() != StreamStop::None) return;
        stopping = true;
        stoppedAt = now();
        asking = false;
        std::cout << (terminal ? "\n" : "") << why << std::endl;
        stream.stop();
    };
    stream.start(now());
    while (stream.stopReason() == StreamStop::None || (stream.settling() && now() - stoppedAt < 5)) {
        pollfd fds[2] = {{link.descriptor(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        ::poll(fds, asking ? 2 : 1, 20);
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const auto bytes = link.read();
            if (bytes) stream.received(*bytes, now());
            else stream.portClosed();
        }
        if (asking && (fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            char typed[256];
            const ssize_t got = ::read(STDIN_FILENO, typed, sizeof typed);
            if (got <= 0) {
                stopRun("No one to answer the colour stop: ending the run.");
            } else if (std::string_view(typed, static_cast<std::size_t>(got)).find('\n') != std::string_view::npos) {
                asking = false;
                waited += now() - askedAt;
                answeredLine = stream.currentProgramLine();
                stream.resume();
            }
        }
        stream.tick(now());
        if (interrupted != 0) stopRun("Stopping: holding the machine and clearing its queue...");
        if (stream.stopReason() != StreamStop::None && stoppedAt == 0) stoppedAt = now();
        if (!asking && stream.waitingForPerson() && stream.currentProgramLine() != answeredLine) {
            asking = true;
            askedAt = now();
            const PlanStop* at = stopAt(plan, stream.currentProgramLine());
            const std::string what = at != nullptr && !at->colour
                                         ? std::string("Cut the thread for the jump that follows")
                                         : threadText(session.threads(), nextColour(plan, stream.currentProgramLine()));
            std::cout << (terminal ? "\n" : "") << what << " - press Enter to continue" << std::endl;
        }
        if (stream.stopReason() == StreamStop::None && !asking) progress(false);
    }
    if (stream.stopReason() == StreamStop::Finished && arguments.check) {
        if (terminal) std::cout << '\n';
        for (const ControllerFinding& finding : stream.findings()) {
            std::cout << "program line " << finding.programLine << ": " << finding.text << '\n';
        }
        if (!stream.findings().empty()) {
            throw CheckFindings(std::to_string(stream.findings().size()) + " lines refused by the controller");
        }
        std::cout << "The controller took every line of the program." << std::endl;
        return;
    }
    if (stream.stopReason() == StreamStop::Finished) {
        progress(true);
        std::cout << (terminal ? "\n" : "") << "Sent " << total << " stitches in " << clock(now())
                  << "; the machine confirmed every line." << std::endl;
        return;
    }
    const std::uint64_t resumeAt = resumeMove(plan, stream.currentProgramLine());
    if (terminal) std::cout << '\n';
    throw CommandFailure(arguments.port + ": " + stopText + ". The machine confirmed the needle moves before " +
                         std::to_string(resumeAt) + "; resume with --from-stitch " + std::to_string(resumeAt));
}

}  // namespace

void addSendCommand(CLI::App& app) {
    auto arguments = std::make_shared<SendArguments>();
    CLI::App* command = app.add_subcommand(
        "send", "Run a design's program on the machine over a serial link (grbl, grblHAL, Marlin, Klipper),\n"
                "stopping at each colour for the next thread.");
    command->add_option("design", arguments->program.input, "Embroidery design file to sew")->required()->type_name("DESIGN");
    command->add_option("--port", arguments->port, "Serial device of the controller, as /dev/ttyUSB0")
        ->required()
        ->type_name("DEV");
    command->add_option("--baud", arguments->baud, "Speed of the serial link")->capture_default_str()->type_name("N");
    command->add_flag("--check", arguments->check,
                      "Only check: grbl parses every line in its check mode ($C) without moving, and each\n"
                      "line it refuses is listed (exit status 1 when there is one)");
    addProgramOptions(*command, arguments->program);
    command->callback([arguments] { send(*arguments); });
}

}  // namespace tessaline::cli
