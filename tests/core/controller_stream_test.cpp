// Streaming programs to controller stand-ins: every line taken once and in order, the machine's
// path the design's, the receive buffer never overrun nor left dry, and every fault a clean stop
// with the last confirmed line known.

#include "ControllerStandIns.h"
#include "ProfileTestSupport.h"

#include "gcode/BuiltinProfiles.h"
#include "machine/ControllerStream.h"
#include "machine/SendPlan.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tessaline {
namespace {

using test::GrblStandIn;
using test::MarlinStandIn;
using test::Point;

std::shared_ptr<const MachineProfile> builtin(const std::string& name) {
    for (const auto& profile : builtinProfiles()) {
        if (profile.name == name) return std::make_shared<const MachineProfile>(profile);
    }
    throw std::invalid_argument(name);
}

// A design of several colours with jumps between runs of stitches.
std::vector<DesignRecord> design(int colours, int stitchesPerColour) {
    std::vector<DesignRecord> records;
    for (int c = 0; c < colours; ++c) {
        records.push_back({RecordKind::Jump, 10.0 * c, -5.0 * c});
        for (int s = 0; s < stitchesPerColour; ++s) records.push_back({RecordKind::Stitch, 10.0 * c + 0.1 * s, (s % 7) * 0.3});
        records.push_back({RecordKind::ColourChange, 10.0 * c + 0.1 * stitchesPerColour, 0});
    }
    return records;
}

// Where the machine must go, in order: every needle move, and each colour change's point where
// the profile moves there (after the last needle move only where it stops there too).
std::vector<Point> designPath(const std::vector<DesignRecord>& records, const MachineProfile& profile) {
    std::vector<Point> path;
    std::size_t lastNeedleMove = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].kind == RecordKind::Stitch || records[i].kind == RecordKind::Jump) lastNeedleMove = i;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        const DesignRecord& r = records[i];
        const bool change = r.kind == RecordKind::ColourChange && profile.changeMove != ChangeMove::None &&
                            (i < lastNeedleMove || profile.finalColourStop);
        if (r.kind == RecordKind::Stitch || r.kind == RecordKind::Jump || change) path.emplace_back(r.x, r.y);
    }
    return path;
}

// The machine reads the program's decimals; the design's doubles may differ in the last bits.
void expectSamePath(const std::vector<Point>& actual, const std::vector<Point>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_NEAR(actual[i].first, expected[i].first, 1e-9) << "point " << i;
        ASSERT_NEAR(actual[i].second, expected[i].second, 1e-9) << "point " << i;
    }
}

SendPlan planOf(const std::vector<DesignRecord>& records, std::shared_ptr<const MachineProfile> profile) {
    GcodeOptions options;
    options.profile = std::move(profile);
    options.recordCount = records.size();
    return planSend(options, [&records](const RecordSink& sink) {
        for (const DesignRecord& record : records) sink(record);
    });
}

// Motion lines (G0 or G1 with X or Y) among the lines sent, up to program line `line`.
std::size_t motionsUpTo(const std::vector<StreamLine>& lines, std::uint64_t line) {
    std::size_t count = 0;
    for (const StreamLine& sent : lines) {
        if (sent.programLine > line) break;
        const auto words = test::gcodeWords(sent.text);
        const bool motion = !words.empty() && words.front().first == 'G' && (words.front().second == "0" || words.front().second == "1");
        bool moves = false;
        for (const auto& [letter, value] : words) moves = moves || letter == 'X' || letter == 'Y';
        count += motion && moves;
    }
    return count;
}

template <class Machine>
struct Link {
    Machine machine;
    std::unique_ptr<ControllerStream> stream;
    std::string written;                       // every byte the sender wrote
    std::vector<std::pair<StreamStop, std::string>> stops;
    std::vector<ControllerStatus> statuses;    // every status report, as the sender read it
    double now = 0;
    bool silent = false;                       // the machine no longer answers

    Link(const std::string& program, StreamSettings settings) {
        ControllerStream::Listener listener;
        listener.stopped = [this](StreamStop reason, const std::string& text) { stops.emplace_back(reason, text); };
        listener.status = [this](const ControllerStatus& status) { statuses.push_back(status); };
        stream = std::make_unique<ControllerStream>(streamLines(program, settings.protocol), settings,
                                                    [this](std::string_view bytes) {
                                                        written.append(bytes);
                                                        machine.receive(bytes);
                                                    },
                                                    listener);
    }

    // Turns of the firmware's loop and of the sender's, answering pauses as a person would.
    void run(std::size_t turns, const std::function<void(std::size_t)>& each = {}) {
        stream->start(now);
        for (std::size_t turn = 0; turn < turns; ++turn) {
            if constexpr (std::is_same_v<Machine, GrblStandIn>) {
                machine.expectingLines = stream->sentCount() < stream->lines().size();
            }
            if (!silent) machine.step();
            const std::string answers = std::move(machine.output);
            machine.output.clear();
            if (!silent) stream->received(answers, now);
            now += 0.01;
            stream->tick(now);
            if (each) each(turn);
            if (stream->stopReason() != StreamStop::None && idleAfterStop()) break;
        }
    }

    bool idleAfterStop() const {
        if constexpr (std::is_same_v<Machine, GrblStandIn>) return machine.idle() || silent;
        return true;
    }

    // Bytes the sender wrote after the n-th byte that are program text (not real-time characters).
    std::string textWrittenAfter(std::size_t n) const {
        std::string text;
        for (std::size_t i = n; i < written.size(); ++i) {
            if (written[i] != '?' && written[i] != '!' && written[i] != '~' && written[i] != 0x18) text.push_back(written[i]);
        }
        return text;
    }
};

TEST(ControllerStream, GrblTakesEveryLineOnceWithTheBufferFullAndTheMachineFollowsTheDesign) {
    const auto profile = builtin("grbl 1.1");
    const auto records = design(3, 120);
    Link<GrblStandIn> link(test::program({}, records, profile), {});
    link.run(100'000, [&](std::size_t) {
        if (link.machine.held()) link.stream->resume();  // the person has threaded the next colour
    });
    ASSERT_EQ(link.stops.size(), 1u);
    EXPECT_EQ(link.stops[0].first, StreamStop::Finished) << link.stops[0].second;
    EXPECT_EQ(link.stream->acknowledgedCount(), link.stream->lines().size());
    EXPECT_FALSE(link.machine.overflowed);
    EXPECT_EQ(link.machine.starvedSteps, 0u);
    expectSamePath(link.machine.path, designPath(records, *profile));
    std::vector<std::string> sent;
    for (const StreamLine& line : link.stream->lines()) {
        sent.push_back(std::string(1, 'N').append(std::to_string(line.programLine)).append(1, ' ').append(line.text));
    }
    EXPECT_EQ(link.machine.parsed, sent);  // each once, in order, numbered as in the program
    EXPECT_GE(link.machine.pauses, 2u);
}

TEST(ControllerStream, GrblHoldStopsTheMachineAndCycleStartCarriesOn) {
    const auto profile = builtin("grbl 1.1");
    const auto records = design(1, 300);
    Link<GrblStandIn> link(test::program({}, records, profile), {});
    std::size_t pathAtHold = 0;
    link.run(100'000, [&](std::size_t turn) {
        if (turn == 100) link.stream->hold();
        if (turn == 101) pathAtHold = link.machine.path.size();
        if (turn > 101 && turn < 200) {
            ASSERT_EQ(link.machine.path.size(), pathAtHold);
        }
        if (turn == 200) link.stream->resume();
        if (turn > 200 && link.machine.held()) link.stream->resume();
    });
    EXPECT_GT(pathAtHold, 0u);
    ASSERT_EQ(link.stops.size(), 1u);
    EXPECT_EQ(link.stops[0].first, StreamStop::Finished);
    expectSamePath(link.machine.path, designPath(records, *profile));
}

TEST(ControllerStream, GrblStatusGivesWorkPositionsFromMachinePositionLessTheLastOffsetOrAsReported) {
    const struct {
        const char* name;
        int statusMask;          // $10
        std::size_t firstWcoAt;  // reports before the first with WCO (a sender joining late)
    } cases[] = {{"MPos", 1, 0}, {"MPos, joined between offsets", 1, 4}, {"WPos", 0, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Link<GrblStandIn> link(test::program({}, design(1, 300), builtin("grbl 1.1")), {});
        link.machine.workOffset = {120.5, -40.25};
        link.machine.needleOffset = 3;
        link.machine.reportsToWco = c.firstWcoAt;
        link.machine.receive("$10=" + std::to_string(c.statusMask) + "\n");
        link.machine.step();
        link.machine.output.clear();
        link.run(100'000);
        ASSERT_EQ(link.stops.size(), 1u);
        ASSERT_EQ(link.stops[0].first, StreamStop::Finished) << link.stops[0].second;
        const auto& reported = link.machine.reportedWork;
        ASSERT_EQ(link.statuses.size(), reported.size());
        ASSERT_GT(reported.size(), 3 * link.machine.wcoEvery);  // most reports come without WCO
        std::size_t moved = 0;
        for (std::size_t i = 0; i < reported.size(); ++i) {
            const ControllerStatus& status = link.statuses[i];
            if (c.statusMask == 1 && i < c.firstWcoAt) {
                EXPECT_FALSE(status.hasPosition) << "report " << i << ": no offset known yet";
                continue;
            }
            ASSERT_TRUE(status.hasPosition) << "report " << i;
            EXPECT_NEAR(status.position[0], reported[i].first, 1e-9) << "report " << i;
            EXPECT_NEAR(status.position[1], reported[i].second, 1e-9) << "report " << i;
            EXPECT_NEAR(status.position[2], 0, 1e-9) << "report " << i;
            moved += reported[i] != reported.front();
        }
        EXPECT_GT(moved, 0u);
    }
}

TEST(ControllerStream, GrblErrorStopsAtThatLineInGrblsWordsHoldsAndResetsWithoutAlarm) {
    // The Classic program: grbl refuses its G64 with error 20.
    const std::string program = test::program({}, design(2, 50), nullptr);
    Link<GrblStandIn> link(program, {});
    std::size_t writtenAtStop = 0;
    link.run(10'000, [&](std::size_t) {
        if (!link.stops.empty() && writtenAtStop == 0) writtenAtStop = link.written.size();
    });
    ASSERT_EQ(link.stops.size(), 1u);
    EXPECT_EQ(link.stops[0].first, StreamStop::ControllerError);
    const auto lines = test::splitLines(program);
    const std::size_t g64 = static_cast<std::size_t>(std::find(lines.begin(), lines.end(), "G64") - lines.begin()) + 1;
    EXPECT_NE(link.stops[0].second.find("line " + std::to_string(g64) + ": error:20: Unsupported or invalid g-code command"),
              std::string::npos)
        << link.stops[0].second;
    EXPECT_EQ(link.textWrittenAfter(writtenAtStop), "");  // nothing after it is sent
    EXPECT_EQ(link.machine.resets, 1u);                   // its queue dropped...
    EXPECT_EQ(link.machine.output.find("ALARM"), std::string::npos);  // ...with the position kept
    EXPECT_LT(link.stream->acknowledgedCount(), link.stream->lines().size());
}

TEST(ControllerStream, GrblCheckModeListsEveryRefusedLineWithoutMovingAndLeavesGrblReset) {
    const std::string classic = test::program({}, design(2, 40), nullptr);  // G64, M7, M6, M786: error 20
    StreamSettings settings;
    settings.checkOnly = true;
    Link<GrblStandIn> link(classic, settings);
    link.run(10'000);
    ASSERT_EQ(link.stops.size(), 1u);
    EXPECT_EQ(link.stops[0].first, StreamStop::Finished) << link.stops[0].second;
    std::vector<std::uint64_t> expected;
    const auto lines = test::splitLines(classic);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        for (const char* refused : {"G64", "M07", "M06", "M786"}) {
            if (lines[i] == refused) expected.push_back(i + 1);
        }
    }
    ASSERT_GE(expected.size(), 4u);
    std::vector<std::uint64_t> found;
    for (const ControllerFinding& finding : link.stream->findings()) {
        found.push_back(finding.programLine);
        EXPECT_NE(finding.text.find("error:20: Unsupported or invalid g-code command"), std::string::npos) << finding.text;
    }
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(link.machine.path.empty());  // nothing moved
    EXPECT_EQ(link.machine.resets, 1u);      // leaving check mode

    Link<GrblStandIn> clean(test::program({}, design(2, 40), builtin("grbl 1.1")), settings);
    clean.run(10'000);
    ASSERT_EQ(clean.stops.size(), 1u);
    EXPECT_EQ(clean.stops[0].first, StreamStop::Finished);
    EXPECT_TRUE(clean.stream->findings().empty());
}

struct FaultCase {
    const char* name;
    std::size_t atTurn;
    StreamStop expected;
    std::function<void(Link<GrblStandIn>&)> inject;
};

class GrblFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(GrblFaults, StopCleanlyWithTheLastConfirmedLineKnown) {
    const FaultCase& c = GetParam();
    Link<GrblStandIn> link(test::program({}, design(1, 400), builtin("grbl 1.1")), {});
    std::size_t writtenAtStop = 0;
    std::size_t acknowledgedAtFault = 0;
    link.run(20'000, [&](std::size_t turn) {
        if (turn == c.atTurn) {
            acknowledgedAtFault = link.stream->acknowledgedCount();
            c.inject(link);
        }
        if (!link.stops.empty() && writtenAtStop == 0) writtenAtStop = link.written.size();
    });
    ASSERT_EQ(link.stops.size(), 1u);
    EXPECT_EQ(link.stops[0].first, c.expected) << link.stops[0].second;
    EXPECT_EQ(link.textWrittenAfter(writtenAtStop), "");
    EXPECT_GE(link.stream->acknowledgedCount(), acknowledgedAtFault);
    EXPECT_LT(link.stream->acknowledgedCount(), link.stream->lines().size());
    EXPECT_LE(link.stream->acknowledgedCount(), link.stream->sentCount());
}

INSTANTIATE_TEST_SUITE_P(
    ControllerStream, GrblFaults,
    ::testing::Values(
        FaultCase{"ResetBannerMidRun", 150, StreamStop::ControllerReset,
                  [](Link<GrblStandIn>& l) { l.machine.output += "\r\nGrbl 1.1h ['$' for help]\r\n"; }},
        FaultCase{"Alarm", 150, StreamStop::Alarm, [](Link<GrblStandIn>& l) { l.machine.output += "ALARM:1\r\n"; }},
        FaultCase{"Silence", 150, StreamStop::Timeout, [](Link<GrblStandIn>& l) { l.silent = true; }},
        FaultCase{"PortClosed", 150, StreamStop::PortClosed, [](Link<GrblStandIn>& l) { l.stream->portClosed(); }},
        FaultCase{"StopByThePerson", 150, StreamStop::Stopped, [](Link<GrblStandIn>& l) { l.stream->stop(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ControllerStream, MarlinResendsAfterLineNoiseSoNothingIsTakenTwiceOrSkipped) {
    const auto profile = builtin("Marlin 2");
    const auto records = design(2, 200);
    StreamSettings settings;
    settings.protocol = LinkProtocol::Marlin;
    settings.linesInFlight = 3;
    Link<MarlinStandIn> link(test::program({}, records, profile), settings);
    link.run(100'000, [&](std::size_t turn) {
        if (turn % 97 == 13) link.machine.corruptNextLine();
        if (link.machine.paused()) link.stream->resume();  // M108 ends the M0 wait
    });
    ASSERT_EQ(link.stops.size(), 1u);
    EXPECT_EQ(link.stops[0].first, StreamStop::Finished) << link.stops[0].second;
    EXPECT_GT(link.machine.resendRequests, 5u);
    expectSamePath(link.machine.path, designPath(records, *profile));
    std::vector<std::string> expected{"M110 N0"};
    for (const StreamLine& line : link.stream->lines()) expected.push_back(line.text);
    expected.push_back("M400");  // the run ends once the machine has made the queued moves
    EXPECT_EQ(link.machine.executed, expected);
    EXPECT_GE(link.machine.pauses, 1u);
}

// A person presses Pause as the machine comes to a colour stop, at every moment from the
// program's M0 waiting for the last moves to the hold it makes, and then Continue before any
// status report says where the machine holds. Continue must never pass the stop: each M0 hold
// ends only after the stream said it waits there for the thread and was answered.
TEST(ControllerStream, GrblPauseJustBeforeAColourStopThenContinueStillStopsForTheThread) {
    const auto profile = builtin("grbl 1.1");
    const auto records = design(3, 60);
    const SendPlan plan = planOf(records, profile);
    ASSERT_EQ(plan.stops.size(), 2u);
    for (std::size_t delay = 0; delay <= GrblStandIn::kPlannerBlocks + 3; ++delay) {
        SCOPED_TRACE("pause " + std::to_string(delay) + " turns after the stop's M0 was parsed");
        Link<GrblStandIn> link(plan.text, {});
        link.stream->setStops(plan.stops);
        std::size_t answered = 0, personsPauses = 0, heldAtStop = 0;
        std::size_t pauseAt = SIZE_MAX, continueAt = SIZE_MAX;
        bool wasDue = false;
        link.run(100'000, [&](std::size_t turn) {
            if (link.machine.pauseDue() && !wasDue) pauseAt = turn + delay;  // the first stop only
            wasDue = wasDue || link.machine.pauseDue();
            if (turn == pauseAt) {
                link.stream->hold();
                ++personsPauses;
                continueAt = turn + 1;
            } else if (turn == continueAt) {
                if (!link.stream->waitingForPerson()) link.stream->resume();  // the person's Continue
            } else if (link.stream->waitingForPerson()) {
                heldAtStop += link.machine.inPause();
                ++answered;  // the thread is changed
                link.stream->resume();
            }
            ASSERT_LE(link.machine.pauseReleases, answered) << "turn " << turn << ": a stop was passed without its thread";
        });
        ASSERT_EQ(link.stops.size(), 1u);
        EXPECT_EQ(link.stops[0].first, StreamStop::Finished) << link.stops[0].second;
        EXPECT_EQ(personsPauses, 1u);
        EXPECT_EQ(link.machine.pauses, 2u);
        EXPECT_EQ(answered, 2u);
        EXPECT_EQ(heldAtStop, 2u);  // each answer given while the machine held at the stop
        expectSamePath(link.machine.path, designPath(records, *profile));
    }
}

// Marlin and Klipper answer a line once it is queued: the stream says so, never counts a line
// made before the machine has made it, and asks for the thread only once the machine stands.
template <class Machine>
void expectHonestCount(const std::string& profileName, LinkProtocol protocol) {
    SCOPED_TRACE(profileName);
    const auto profile = builtin(profileName);
    const auto records = design(3, 80);
    const SendPlan plan = planOf(records, profile);
    StreamSettings settings;
    settings.protocol = protocol;
    Link<Machine> link(plan.text, settings);
    link.stream->setStops(plan.stops);
    EXPECT_FALSE(link.stream->reportsExecution());
    std::size_t asked = 0, answeredAhead = 0;
    bool waiting = false;
    link.run(100'000, [&](std::size_t turn) {
        const auto& lines = link.stream->lines();
        ASSERT_LE(motionsUpTo(lines, link.stream->executedProgramLine()), link.machine.path.size()) << "turn " << turn;
        answeredAhead += motionsUpTo(lines, link.stream->answeredProgramLine()) > link.machine.path.size();
        if (link.stream->waitingForPerson() && !waiting) {
            ++asked;
            EXPECT_FALSE(link.machine.moving()) << "turn " << turn << ": the thread asked for while the machine moves";
            EXPECT_EQ(motionsUpTo(lines, link.stream->executedProgramLine()), link.machine.path.size()) << "turn " << turn;
            link.stream->resume();
        }
        waiting = link.stream->waitingForPerson();
    });
    ASSERT_EQ(link.stops.size(), 1u);
    EXPECT_EQ(link.stops[0].first, StreamStop::Finished) << link.stops[0].second;
    EXPECT_EQ(asked, 2u);
    EXPECT_GT(answeredAhead, 0u);  // queued lines were answered before they were made
    EXPECT_FALSE(link.machine.moving());  // finished only once the last move is made
    EXPECT_EQ(link.stream->executedProgramLine(), link.stream->lines().back().programLine);
    expectSamePath(link.machine.path, designPath(records, *profile));
}

TEST(ControllerStream, MarlinAndKlipperSayAnsweredAndAskForTheThreadOnlyOnceTheMachineStands) {
    expectHonestCount<MarlinStandIn>("Marlin 2", LinkProtocol::Marlin);
    expectHonestCount<test::LineOkStandIn>("Klipper", LinkProtocol::LineOk);
}

TEST(ControllerStream, MarlinUnknownCommandAndRestartStop) {
    StreamSettings settings;
    settings.protocol = LinkProtocol::Marlin;
    Link<MarlinStandIn> unknown("G1 X1\nM786\nG1 X2\n", settings);
    unknown.run(100);
    ASSERT_EQ(unknown.stops.size(), 1u);
    EXPECT_EQ(unknown.stops[0].first, StreamStop::ControllerError);
    EXPECT_NE(unknown.stops[0].second.find("M786"), std::string::npos);
    EXPECT_EQ(unknown.machine.path, (std::vector<Point>{{1, 0}}));

    Link<MarlinStandIn> restarted("G1 X1\nG1 X2\nG1 X3\n", settings);
    restarted.run(100, [&](std::size_t turn) {
        if (turn == 1) restarted.machine.output += "start\n";
    });
    ASSERT_EQ(restarted.stops.size(), 1u);
    EXPECT_EQ(restarted.stops[0].first, StreamStop::ControllerReset);
}

TEST(ControllerStream, KlipperHoldsTheStreamAtPauseUntilResumed) {
    const auto profile = builtin("Klipper");
    const auto records = design(3, 60);
    StreamSettings settings;
    settings.protocol = LinkProtocol::LineOk;
    Link<test::LineOkStandIn> link(test::program({}, records, profile), settings);
    std::size_t turnsPaused = 0;
    link.run(100'000, [&](std::size_t) {
        if (link.machine.paused() && ++turnsPaused % 20 == 0) link.stream->resume();
    });
    ASSERT_EQ(link.stops.size(), 1u);
    EXPECT_EQ(link.stops[0].first, StreamStop::Finished) << link.stops[0].second;
    EXPECT_GE(link.machine.pauses, 2u);
    EXPECT_FALSE(link.machine.movedWhilePaused);
    expectSamePath(link.machine.path, designPath(records, *profile));

    Link<test::LineOkStandIn> unknown("G1 X1\nM786\nG1 X2\n", settings);
    unknown.run(100);
    ASSERT_EQ(unknown.stops.size(), 1u);
    EXPECT_EQ(unknown.stops[0].first, StreamStop::ControllerError);
    EXPECT_NE(unknown.stops[0].second.find("M786"), std::string::npos);
}

TEST(ControllerStream, LinesToSendLoseCommentsAsEachControllerReadsThem) {
    const std::string program = "(header)\r\nG1 X1 (c) ; d\r\n\r\nM0 (MSG, Thread colour 2)\r\n; note\r\nM117 Jump (x\r\n";
    const auto grbl = streamLines(program, LinkProtocol::Grbl);
    ASSERT_EQ(grbl.size(), 3u);
    EXPECT_EQ(grbl[0].text, "G1 X1");
    EXPECT_EQ(grbl[0].programLine, 2u);
    EXPECT_EQ(grbl[1].text, "M0 (MSG, Thread colour 2)");
    EXPECT_EQ(grbl[1].programLine, 4u);
    EXPECT_EQ(grbl[2].text, "M117 Jump");
    const auto marlin = streamLines(program, LinkProtocol::Marlin);
    ASSERT_EQ(marlin.size(), 4u);
    EXPECT_EQ(marlin[0].text, "(header)");  // Marlin reads no bracket comments: it would refuse this
    EXPECT_EQ(marlin[3].text, "M117 Jump (x");
    EXPECT_EQ(marlin[3].programLine, 6u);
}

TEST(ControllerStream, MarlinFrameCarriesTheXorChecksum) {
    // As Marlin hosts are seen to send the numbering reset on connecting.
    EXPECT_EQ(marlinFrame(0, "M110 N0"), "N0 M110 N0*125");
}

}  // namespace
}  // namespace tessaline
