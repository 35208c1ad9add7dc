// Unlocking a controller between runs: the bytes per protocol, and grbl's reset and $X taken by
// the grbl stand-in, written from grbl 1.1's published protocol.

#include "ControllerStandIns.h"
#include "machine/ControllerUnlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace tessaline {
namespace {

// Hands the unlock's bytes to grbl and grbl's lines back until the unlock is done.
void converse(ControllerUnlock& unlock, test::GrblStandIn& grbl) {
    std::string bytes = unlock.start();
    for (int turn = 0; turn < 200 && !unlock.done(); ++turn) {
        grbl.receive(bytes);
        bytes.clear();
        grbl.step();
        std::istringstream lines(grbl.output);
        grbl.output.clear();
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            bytes += unlock.line(line);
        }
    }
}

TEST(ControllerUnlock, GrblIsResetThenUnlockedAfterItsBanner) {
    test::GrblStandIn grbl;
    grbl.raiseAlarm(1);
    grbl.receive("G1 X1 Y1\n");
    grbl.step();
    EXPECT_NE(grbl.output.find("error:9"), std::string::npos) << "locked after the alarm";
    grbl.output.clear();

    ControllerUnlock unlock(LinkProtocol::Grbl);
    converse(unlock, grbl);
    EXPECT_TRUE(unlock.done());
    EXPECT_EQ(unlock.state(), "Idle");
    EXPECT_FALSE(grbl.locked());
    EXPECT_EQ(grbl.resets, 1u);
    EXPECT_EQ(std::count(grbl.parsed.begin(), grbl.parsed.end(), "$X"), 1);
    grbl.receive("G1 X1 Y1\n");
    grbl.step();
    EXPECT_EQ(grbl.output, "ok\r\n");
}

TEST(ControllerUnlock, EachStepWaitsForItsAnswer) {
    ControllerUnlock grbl(LinkProtocol::Grbl);
    EXPECT_EQ(grbl.start(), std::string(1, '\x18'));
    EXPECT_EQ(grbl.line("ok"), "") << "no $X before the banner";
    EXPECT_EQ(grbl.line("ALARM:3"), "");
    EXPECT_EQ(grbl.line("Grbl 1.1h ['$' for help]"), "$X\n");
    EXPECT_EQ(grbl.line("[MSG:Caution: Unlocked]"), "");
    EXPECT_EQ(grbl.state(), "Caution: Unlocked");
    EXPECT_EQ(grbl.line("ok"), "?");
    EXPECT_FALSE(grbl.done());
    EXPECT_EQ(grbl.line("<Idle|MPos:0.000,0.000,0.000|Bf:15,128>"), "");
    EXPECT_TRUE(grbl.done());
    EXPECT_EQ(grbl.state(), "Idle");

    ControllerUnlock refused(LinkProtocol::Grbl);
    refused.start();
    EXPECT_EQ(refused.line("GrblHAL 1.1f ['$' or '$HELP' for help]"), "$X\n");
    EXPECT_EQ(refused.line("error:79"), "");
    EXPECT_TRUE(refused.done());
    EXPECT_EQ(refused.state(), "error:79");

    const struct {
        LinkProtocol protocol;
        std::string first;
        bool awaitsOk;
    } others[] = {{LinkProtocol::Marlin, "M999\n", true}, {LinkProtocol::LineOk, "FIRMWARE_RESTART\n", false},
                  {LinkProtocol::None, "", false}};
    for (const auto& c : others) {
        SCOPED_TRACE(c.first);
        ControllerUnlock unlock(c.protocol);
        EXPECT_EQ(unlock.start(), c.first);
        EXPECT_EQ(unlock.done(), !c.awaitsOk);
        EXPECT_EQ(unlock.line("ok"), "");
        EXPECT_TRUE(unlock.done());
    }
}

}  // namespace
}  // namespace tessaline
