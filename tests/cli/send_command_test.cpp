// `send` end to end: tessaline-cli talks over a pseudo-terminal to a controller stand-in on its
// other side, answers colour stops from its input, and stops cleanly on Ctrl-C with the needle
// move to resume at, from which a second run ends where a whole run ends.

#include "ControllerStandIns.h"
#include "DstTestEncoder.h"
#include "MachineOnPty.h"
#include "TempFolder.h"

#include "design/DstDecoder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using test::Point;

struct SendRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    int prompts = 0;
};

// Runs tessaline-cli with arguments, answering each colour stop with Enter; interruptAfter, when
// set, sends SIGINT once that text has appeared on standard output instead of answering.
SendRun runSend(const std::vector<std::string>& arguments, const std::string& interruptAfter = "") {
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) throw std::runtime_error("pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
        std::vector<char*> argv{const_cast<char*>(TESSALINE_CLI)};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(TESSALINE_CLI, argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    SendRun run;
    bool interrupted = interruptAfter.empty();
    std::size_t scanned = 0;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(out[0], chunk, sizeof chunk);
        if (got <= 0) break;
        run.out.append(chunk, static_cast<std::size_t>(got));
        for (std::size_t at; (at = run.out.find("press Enter", scanned)) != std::string::npos;) {
            scanned = at + 1;
            ++run.prompts;
            // The stop that brings the interrupting text is left unanswered: the machine waits
            // there, so the interruption does not race the run's end.
            if (!interrupted && run.out.find(interruptAfter) != std::string::npos) break;
            (void)!::write(in[1], "\n", 1);
        }
        if (!interrupted && run.out.find(interruptAfter) != std::string::npos) {
            interrupted = true;
            ::kill(child, SIGINT);
        }
    }
    for (ssize_t got; (got = ::read(err[0], chunk, sizeof chunk)) > 0;) run.err.append(chunk, static_cast<std::size_t>(got));
    int status = 0;
    ::waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    for (int fd : {in[1], out[0], err[0]}) ::close(fd);
    return run;
}

class SendCommand : public ::testing::Test {
protected:
    void SetUp() override {
        // Three colours, with a jump into each.
        test::DstTestEncoder encoder;
        for (int colour = 0; colour < 3; ++colour) {
            encoder.jump(40, -20);
            for (int s = 0; s < 60; ++s) encoder.stitch(s % 2 == 0 ? 7 : -4, (s % 5) - 2);
            if (colour < 2) encoder.colourChange();
        }
        encoder.end();
        const auto bytes = encoder.bytes();
        design_ = folder_ / "three.dst";
        std::ofstream(design_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                       static_cast<std::streamsize>(bytes.size()));
        decodeDst(bytes, [this](const DesignRecord& record) {
            if (record.kind == RecordKind::Stitch || record.kind == RecordKind::Jump) moves_.emplace_back(record.x, record.y);
        });
    }
    tessaline::test::TempFolder temp_{"tessaline-send"};
    fs::path folder_ = temp_.path();
    fs::path design_;
    std::vector<Point> moves_;
};

TEST_F(SendCommand, GrblRunsTheWholeDesignAnsweringEachColourStop) {
    test::MachineOnPty<test::GrblStandIn> pty;
    const SendRun run = runSend({"send", design_.string(), "--port", pty.device(), "--profile", "grbl"});
    pty.finish();
    EXPECT_EQ(run.exitCode, 0) << run.err << run.out;
    EXPECT_EQ(run.prompts, 2) << run.out;  // before colours 2 and 3, none after the last
    EXPECT_NE(run.out.find("Thread 2 - press Enter"), std::string::npos) << run.out;
    EXPECT_FALSE(pty.machine.overflowed);
    EXPECT_EQ(test::withoutRepeats(pty.machine.path), test::withoutRepeats(moves_));
}

TEST_F(SendCommand, CtrlCHoldsAndResetsAndTheResumedRunEndsWhereTheWholeOneDoes) {
    std::string resumeAt;
    std::vector<Point> firstPart;
    {
        test::MachineOnPty<test::GrblStandIn> pty;
        // A thread break found while the machine waits for the third colour.
        const SendRun run = runSend({"send", design_.string(), "--port", pty.device(), "--profile", "grbl"},
                                    "Thread 3 - press Enter");
        pty.finish();
        EXPECT_EQ(run.exitCode, 1) << run.out;
        const std::size_t at = run.err.find("--from-stitch ");
        ASSERT_NE(at, std::string::npos) << run.err;
        resumeAt = run.err.substr(at + 14, run.err.find_first_not_of("0123456789", at + 14) - at - 14);
        EXPECT_EQ(pty.machine.resets, 1u);                                 // its queue dropped
        EXPECT_EQ(pty.machine.output.find("ALARM"), std::string::npos);    // with the machine at rest
        firstPart = test::withoutRepeats(pty.machine.path);
    }
    const std::size_t from = std::stoul(resumeAt);
    ASSERT_GE(from, 2u);
    ASSERT_LE(from, moves_.size());
    // Nothing the machine finished is lost: it reached every move before the resume point.
    ASSERT_GE(firstPart.size(), from - 1);

    test::MachineOnPty<test::GrblStandIn> pty;
    const SendRun resumed =
        runSend({"send", design_.string(), "--port", pty.device(), "--profile", "grbl", "--from-stitch", resumeAt});
    pty.finish();
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err;
    const std::vector<Point> expected(moves_.begin() + static_cast<std::ptrdiff_t>(from - 1), moves_.end());
    EXPECT_EQ(test::withoutRepeats(pty.machine.path), test::withoutRepeats(expected));
}

TEST_F(SendCommand, CheckRunsTheProgramThroughGrblsParserWithoutMoving) {
    {
        test::MachineOnPty<test::GrblStandIn> pty;
        const SendRun run = runSend({"send", design_.string(), "--port", pty.device(), "--profile", "grbl", "--check"});
        pty.finish();
        EXPECT_EQ(run.exitCode, 0) << run.err << run.out;
        EXPECT_NE(run.out.find("took every line"), std::string::npos) << run.out;
        EXPECT_TRUE(pty.machine.path.empty());
    }
    // The Classic wording on a grbl controller: each G64, M07, M06 and M786 line is refused.
    const fs::path profile = folder_ / "classic-on-grbl.toml";
    std::ofstream(profile) << "name = \"Classic on grbl\"\nprotocol = \"grbl\"\n";
    test::MachineOnPty<test::GrblStandIn> pty;
    const SendRun run = runSend({"send", design_.string(), "--port", pty.device(), "--profile", profile.string(), "--check"});
    pty.finish();
    EXPECT_EQ(run.exitCode, 1) << run.err;
    std::size_t refused = 0;
    for (std::size_t at = 0; (at = run.out.find("error:20: Unsupported", at)) != std::string::npos; ++at) ++refused;
    const SendRun program = runSend({"convert", design_.string(), "--profile", profile.string()});
    std::size_t unsupported = 0;
    std::istringstream lines(program.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        unsupported += line == "G64" || line == "M07" || line == "M06" || line == "M786";
    }
    EXPECT_GE(unsupported, 4u);
    EXPECT_EQ(refused, unsupported) << run.out;
    EXPECT_TRUE(pty.machine.path.empty());
    EXPECT_EQ(run.prompts, 0);
}

TEST_F(SendCommand, RefusesProfilesThatDoNotStreamAndPortsThatAreNone) {
    const SendRun classic = runSend({"send", design_.string(), "--port", "/dev/null"});
    EXPECT_EQ(classic.exitCode, 1);
    EXPECT_NE(classic.err.find("runs programs itself"), std::string::npos) << classic.err;
    const SendRun noDevice = runSend({"send", design_.string(), "--port", (folder_ / "ttyNONE").string(), "--profile", "grbl"});
    EXPECT_EQ(noDevice.exitCode, 1);
    EXPECT_NE(noDevice.err.find("ttyNONE"), std::string::npos) << noDevice.err;
}

}  // namespace
}  // namespace tessaline
