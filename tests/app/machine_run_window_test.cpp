// Running the loaded design from the window: Machine > Connect to a grbl stand-in on a
// pseudo-terminal, Run, colour stops answered through the dialogs, the status bar's count, the
// run stopped at a colour stop with the needle move to resume at, ports that are refused, the
// honest counts of controllers that only answer, and the program checked on the controller.

#include "ControllerStandIns.h"
#include "MachineOnPty.h"
#include "WindowFixture.h"
#include "app/CanvasWidget.h"
#include "app/GcodePane.h"
#include "app/MachineRunner.h"
#include "app/MarkerImage.h"
#include "app/PreviewController.h"
#include "common/NumberFormat.h"
#include "machine/ControllerStream.h"
#include "preview/DesignColours.h"
#include "design/DstDecoder.h"
#include "machine/SerialLink.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTest>
#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace tessaline::testing {
namespace {

class MachineRunWindow : public ConfiguredWindowTest {
protected:
    void SetUp() override {
        ConfiguredWindowTest::SetUp();
        // Three colours, each entered by a jump.
        test::DstTestEncoder encoder;
        for (int colour = 0; colour < 3; ++colour) {
            encoder.jump(40, -20);
            for (int s = 0; s < 30; ++s) encoder.stitch(s % 2 == 0 ? 7 : -4, (s % 5) - 2);
            if (colour < 2) encoder.colourChange();
        }
        encoder.end();
        decodeDst(encoder.bytes(), [this](const DesignRecord& record) {
            if (record.kind == RecordKind::ColourChange && firstColourMoves == 0) firstColourMoves = moves.size();
            if (record.kind == RecordKind::Stitch || record.kind == RecordKind::Jump) moves.emplace_back(record.x, record.y);
        });
        open(writeDesign(QStringLiteral("three.dst"), encoder));
        ASSERT_TRUE(dialogs.messages.empty());
    }

    QAction* action(const char* name) const { return window->findChild<QAction*>(QString::fromLatin1(name)); }

    void chooseProfile(const QString& name) {
        for (QAction* item : window->findChild<QMenu*>(QStringLiteral("mnuMachine"))->actions()) {
            if (item->data().toString() == name) item->trigger();
        }
    }

    void connectTo(const std::string& device) {
        dialogs.connection = ConnectionChoice{QString::fromStdString(device), 115200};
        action("mnuConnect")->trigger();
    }

    // Serves the window's events until done() holds; the deadline only keeps a fault from hanging.
    bool serveUntil(const std::function<bool()>& done) {
        const QDeadlineTimer deadline(60000);
        while (!done() && !deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    }
    void waitForRunEnd() { ASSERT_TRUE(serveUntil([this] { return !window->machine().running(); })); }

    // Runs the loaded design on a StandIn through the window, answering each colour stop with
    // Continue, and checks what the controller carried out.
    template <class StandIn>
    void runWholeDesign(const QString& profile) {
        SCOPED_TRACE(profile.toStdString());
        dialogs.threadStops.clear();
        chooseProfile(profile);
        test::MachineOnPty<StandIn> pty;
        EXPECT_FALSE(action("mnuRun")->isEnabled());
        connectTo(pty.device());
        ASSERT_TRUE(window->machine().connected())
            << (dialogs.messages.empty() ? QString() : dialogs.messages.back().text).toStdString();
        EXPECT_TRUE(status().contains(QString::fromStdString(pty.device()))) << status().toStdString();
        ASSERT_TRUE(action("mnuRun")->isEnabled());
        action("mnuRun")->trigger();
        EXPECT_TRUE(action("mnuStop")->isEnabled());
        EXPECT_FALSE(action("mnuDisconnect")->isEnabled());
        waitForRunEnd();
        pty.finish();

        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text.toStdString();
        ASSERT_EQ(dialogs.threadStops.size(), 2u);  // before colours 2 and 3, none after the last
        EXPECT_EQ(dialogs.threadStops[0].first, "Thread 2");
        EXPECT_EQ(dialogs.threadStops[1].first, "Thread 3");
        EXPECT_NE(dialogs.threadStops[0].second, dialogs.threadStops[1].second);
        EXPECT_TRUE(status().contains(QStringLiteral("Stitch %1 of %1").arg(moves.size()))) << status().toStdString();
        EXPECT_EQ(test::withoutRepeats(pty.machine.path), test::withoutRepeats(moves));
        // The pane shows the program sent, its caret on the last line that went.
        const auto sent = streamLines(control<GcodePane>("RGcode")->text().toStdString(),
                                      profile.startsWith(QStringLiteral("grbl")) ? LinkProtocol::Grbl : LinkProtocol::Marlin);
        ASSERT_FALSE(sent.empty());
        int caretLine = -1, caretIndex = -1;
        control<GcodePane>("RGcode")->getCursorPosition(&caretLine, &caretIndex);
        EXPECT_EQ(static_cast<std::uint64_t>(caretLine) + 1, sent.back().programLine);
        EXPECT_EQ(control<GcodePane>("RGcode")->text().toStdString() + "\n", window->machine().plan().text);
        const auto* bar = control<QProgressBar>("barRun");
        EXPECT_EQ(bar->maximum(), static_cast<int>(moves.size()));
        EXPECT_EQ(bar->value(), bar->maximum());
        EXPECT_TRUE(bar->text().startsWith(QStringLiteral("%1 of %1 stitches").arg(moves.size()))) << bar->text().toStdString();
        EXPECT_EQ(window->preview().tracedMoves(), moves.size());
        EXPECT_TRUE(action("mnuRun")->isEnabled());  // again, on the same connection
        action("mnuDisconnect")->trigger();
        EXPECT_FALSE(window->machine().connected());
    }

    // Opens a one-colour design long enough to be running still after a few status reports; its
    // needle moves.
    std::vector<test::Point> openLongDesign() {
        test::DstTestEncoder encoder;
        for (int s = 0; s < 800; ++s) encoder.stitch(s % 2 == 0 ? 9 : -8, (s % 7) - 3);
        encoder.end();
        std::vector<test::Point> single;
        decodeDst(encoder.bytes(), [&single](const DesignRecord& record) {
            if (record.kind == RecordKind::Stitch || record.kind == RecordKind::Jump) single.emplace_back(record.x, record.y);
        });
        open(writeDesign(QStringLiteral("one.dst"), encoder));
        return single;
    }

    QString status() const { return control<QLabel>("lblMachineStatus")->text(); }

    // A profile the user made: grbl 1.1 with the mist coolant lamp, which a grbl built without
    // M7 refuses with error 20.
    void addMistProfile() { addUserProfile("mist.toml", "name = \"grbl mist\"\nbase = \"grbl 1.1\"\nlamp_on = \"M7\"\n"); }

    // A profile file the user put in the profiles folder, read in by Reload Profiles.
    void addUserProfile(const char* fileName, const char* toml) {
        const QString folder = config.path() + QStringLiteral("/Tessaline/profiles");
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(folder + QLatin1Char('/') + QString::fromLatin1(fileName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(toml);
        file.close();
        action("mnuReloadProfiles")->trigger();
        ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text.toStdString();
    }

    std::vector<test::Point> moves;
    std::size_t firstColourMoves = 0;
};

TEST_F(MachineRunWindow, RunsTheDesignAnsweringEachColourStop) {
    runWholeDesign<test::GrblStandIn>(QStringLiteral("grbl 1.1"));
    runWholeDesign<test::MarlinStandIn>(QStringLiteral("Marlin 2"));
    runWholeDesign<test::LineOkStandIn>(QStringLiteral("Klipper"));
}

// A trim stop asks for the thread to be cut, not for a thread: each of the design's three jump
// runs is a trim with this profile, and the two colour stops still name their threads.
TEST_F(MachineRunWindow, TrimStopsAskForACutAndColourStopsForTheThread) {
    addUserProfile("trims.toml", "name = \"grbl trims\"\nbase = \"grbl 1.1\"\ntrim_stop = [\"M0\"]\ntrim_jumps = 1\n");
    chooseProfile(QStringLiteral("grbl trims"));
    test::MachineOnPty<test::GrblStandIn> pty;
    connectTo(pty.device());
    action("mnuRun")->trigger();
    waitForRunEnd();
    pty.finish();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text.toStdString();
    EXPECT_EQ(dialogs.trimStops, 3);
    ASSERT_EQ(dialogs.threadStops.size(), 2u);
    EXPECT_EQ(dialogs.threadStops[0].first, "Thread 2");
    EXPECT_EQ(dialogs.threadStops[1].first, "Thread 3");
    EXPECT_EQ(test::withoutRepeats(pty.machine.path), test::withoutRepeats(moves));
}

TEST_F(MachineRunWindow, PauseHoldsAMovingMachineUntilContinue) {
    const std::vector<test::Point> single = openLongDesign();
    chooseProfile(QStringLiteral("grbl 1.1"));
    test::MachineOnPty<test::GrblStandIn> pty;
    connectTo(pty.device());
    action("mnuRun")->trigger();
    // Not held before the machine moves: grbl would ignore the hold.
    action("mnuPause")->trigger();
    EXPECT_FALSE(window->machine().paused());
    ASSERT_TRUE(serveUntil([this] { return status().contains(QStringLiteral("Run")); })) << status().toStdString();
    action("mnuPause")->trigger();
    EXPECT_FALSE(action("mnuPause")->isEnabled());
    ASSERT_TRUE(action("mnuContinue")->isEnabled());
    ASSERT_TRUE(serveUntil([this] { return status().contains(QStringLiteral("Hold")); })) << status().toStdString();
    const std::string heldAt = status().toStdString();
    EXPECT_TRUE(status().contains(QStringLiteral("paused"))) << heldAt;
    action("mnuContinue")->trigger();
    EXPECT_TRUE(action("mnuPause")->isEnabled());
    waitForRunEnd();
    pty.finish();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.threadStops.empty());
    EXPECT_TRUE(status().contains(QStringLiteral("Stitch %1 of %1").arg(single.size()))) << status().toStdString();
    EXPECT_EQ(test::withoutRepeats(pty.machine.path), test::withoutRepeats(single));
}

TEST_F(MachineRunWindow, StoppingAtAColourStopResetsGrblAndNamesTheMoveToResumeAt) {
    chooseProfile(QStringLiteral("grbl 1.1"));
    test::MachineOnPty<test::GrblStandIn> pty;
    connectTo(pty.device());
    dialogs.threadAnswers = {false};
    // Counts the pixels of the canvas in a thread's colour at full strength.
    const auto pixelsOf = [this](int colour) {
        const QImage image = control<CanvasWidget>("Picture1")->image().convertToFormat(QImage::Format_RGB32);
        const QRgb wanted = threadColourOf(nullptr, colour).rgb();
        std::size_t count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == wanted;
        return count;
    };
    ASSERT_GT(pixelsOf(2), 0u);  // drawn in full before the run
    action("mnuRun")->trigger();
    waitForRunEnd();
    pty.finish();

    // Only what the machine confirmed is drawn in full: the first colour, none of the second.
    const std::uint64_t confirmed = window->machine().stitchesDone();
    EXPECT_GT(confirmed, 1u);
    EXPECT_LT(confirmed, moves.size());
    EXPECT_EQ(window->preview().tracedMoves(), confirmed);
    EXPECT_GT(pixelsOf(1), 0u);
    EXPECT_EQ(pixelsOf(2), 0u);
    EXPECT_EQ(control<QProgressBar>("barRun")->value(), static_cast<int>(confirmed));

    ASSERT_EQ(dialogs.threadStops.size(), 1u);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const QString text = dialogs.messages.back().text;
    const qsizetype at = text.indexOf(QStringLiteral("resume from needle move "));
    ASSERT_GE(at, 0) << text.toStdString();
    const std::size_t resumeAt = text.mid(at + 24).section(QLatin1Char('.'), 0, 0).toULongLong();
    // The stop waits after the first colour's last move; the resume point is that move or the
    // next, so nothing is left out and at most one move is sewn twice.
    EXPECT_GE(resumeAt, firstColourMoves) << text.toStdString();
    EXPECT_LE(resumeAt, firstColourMoves + 1) << text.toStdString();
    EXPECT_EQ(pty.machine.resets, 1u);
    // The machine went the design's way and stopped before the second colour, with every move
    // before the resume point done.
    const auto done = test::withoutRepeats(pty.machine.path);
    const auto whole = test::withoutRepeats(moves);
    ASSERT_LT(done.size(), whole.size());
    EXPECT_TRUE(std::equal(done.begin(), done.end(), whole.begin()));
    EXPECT_GE(done.size(), resumeAt - 1);
    EXPECT_TRUE(window->machine().connected());
}

// The machine's whole path after a run and its resumption: the first run's moves are the
// design's from its first, at least up to the last confirmed one (nothing skipped), and the
// resumed program's path is the travel to the chosen move, the tie-ins in place there, and the
// design's moves from the chosen one to the last (sewn again only from there). Returns the
// length of the first run's part.
std::size_t expectResumedPath(const std::vector<test::Point>& path, const std::vector<test::Point>& design,
                              std::uint64_t lastConfirmed, std::uint64_t resumeAt, int tieIns) {
    const std::size_t resumed = 1 + static_cast<std::size_t>(tieIns) + (design.size() - resumeAt + 1);
    EXPECT_GE(path.size(), resumed + lastConfirmed);
    if (path.size() < resumed + lastConfirmed) return 0;
    const std::size_t first = path.size() - resumed;
    EXPECT_TRUE(std::equal(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(first), design.begin()))
        << "the first run left the design's way";
    std::vector<test::Point> expected(1 + static_cast<std::size_t>(tieIns), design[resumeAt - 1]);
    expected.insert(expected.end(), design.begin() + static_cast<std::ptrdiff_t>(resumeAt - 1), design.end());
    EXPECT_EQ(std::vector<test::Point>(path.begin() + static_cast<std::ptrdiff_t>(first), path.end()), expected);
    EXPECT_EQ(path.back(), design.back());
    return first;
}

TEST_F(MachineRunWindow, ResumesAStoppedRunKStitchesBackFromTheLastConfirmed) {
    const std::vector<test::Point> single = openLongDesign();
    chooseProfile(QStringLiteral("grbl 1.1"));
    test::MachineOnPty<test::GrblStandIn> pty;
    connectTo(pty.device());
    EXPECT_FALSE(action("mnuResumeFromStitch")->isEnabled());
    action("mnuRun")->trigger();
    ASSERT_TRUE(serveUntil([this] { return window->machine().stitchesDone() > 40; }));
    EXPECT_FALSE(action("mnuResumeFromStitch")->isEnabled()) << "not while it runs unpaused";
    action("mnuStop")->trigger();
    waitForRunEnd();
    ASSERT_EQ(dialogs.messages.size(), 1u);  // the early end is told, with where to resume
    const std::uint64_t confirmed = window->machine().lastConfirmedMove();
    ASSERT_GT(confirmed, 40u);
    ASSERT_LT(confirmed, single.size());
    ASSERT_TRUE(action("mnuResumeFromStitch")->isEnabled());

    // Cancelled: nothing goes.
    action("mnuResumeFromStitch")->trigger();
    ASSERT_EQ(dialogs.resumeOffers.size(), 1u);
    EXPECT_FALSE(window->machine().running());

    dialogs.resumeAnswer = ResumeAnswer{ResumeWay::Back, 3, 0};
    action("mnuResumeFromStitch")->trigger();
    ASSERT_EQ(dialogs.resumeOffers.size(), 2u);
    const ResumeOffer& offer = dialogs.resumeOffers.back();
    EXPECT_EQ(offer.lastConfirmed, confirmed);
    EXPECT_EQ(offer.moves, single.size());
    EXPECT_FALSE(offer.picked.has_value());
    ASSERT_TRUE(window->machine().running());
    EXPECT_EQ(window->machine().plan().firstMove, confirmed - 2);
    // The pane shows the resumed program.
    EXPECT_EQ(control<GcodePane>("RGcode")->text().toStdString() + "\n", window->machine().plan().text);
    waitForRunEnd();
    pty.finish();
    EXPECT_EQ(dialogs.messages.size(), 1u) << dialogs.messages.back().text.toStdString();
    expectResumedPath(pty.machine.path, single, confirmed, confirmed - 2, 0);
    // Counted in the whole design's moves.
    EXPECT_TRUE(status().contains(QStringLiteral("Stitch %1 of %1").arg(single.size()))) << status().toStdString();
    EXPECT_EQ(window->preview().tracedMoves(), single.size());
    const auto* bar = control<QProgressBar>("barRun");
    EXPECT_EQ(bar->maximum(), static_cast<int>(single.size()));
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_FALSE(action("mnuResumeFromStitch")->isEnabled()) << "the run finished";
}

// Paused: a click on the preview picks the nearest stitch (marked); resuming there ends the
// held stream first (one reset, no early-end message) and sends tie-ins before the moves.
TEST_F(MachineRunWindow, ResumesAPausedRunAtTheStitchPickedOnThePreviewWithTieIns) {
    const std::vector<test::Point> single = openLongDesign();
    chooseProfile(QStringLiteral("grbl 1.1"));
    test::MachineOnPty<test::GrblStandIn> pty;
    connectTo(pty.device());
    action("mnuRun")->trigger();
    ASSERT_TRUE(serveUntil([this] { return window->machine().stitchesDone() > 30 && status().contains(QStringLiteral("Run")); }));
    action("mnuPause")->trigger();
    ASSERT_TRUE(serveUntil([this] { return status().contains(QStringLiteral("Hold")); })) << status().toStdString();
    ASSERT_TRUE(action("mnuResumeFromStitch")->isEnabled());
    const std::uint64_t confirmed = window->machine().lastConfirmedMove();

    // Click where stitch 12 lies; the pick is a stitch at least as near to the click.
    auto* canvas = control<CanvasWidget>("Picture1");
    const QPointF target = window->preview().toCanvas(QPointF(single[11].first, single[11].second));
    const QPoint click = target.toPoint();
    QTest::mouseClick(canvas, Qt::LeftButton, {}, click);
    auto* mark = canvas->findChild<QLabel*>(QStringLiteral("ImgPick"));
    ASSERT_NE(mark, nullptr);
    EXPECT_FALSE(mark->isHidden());

    dialogs.resumeAnswer = ResumeAnswer{ResumeWay::Picked, 3, 2};
    action("mnuResumeFromStitch")->trigger();
    ASSERT_EQ(dialogs.resumeOffers.size(), 1u);
    const ResumeOffer offer = dialogs.resumeOffers.back();
    ASSERT_TRUE(offer.picked.has_value());
    EXPECT_EQ(offer.lastConfirmed, confirmed);
    const std::uint64_t picked = *offer.picked;
    const auto distance = [&](std::uint64_t move) {
        const QPointF at = window->preview().toCanvas(QPointF(single[move - 1].first, single[move - 1].second));
        return std::hypot(at.x() - click.x(), at.y() - click.y());
    };
    EXPECT_LE(distance(picked), distance(12) + 1e-9);
    const QPoint markCentre = mark->geometry().center();
    const QPointF pickedAt = window->preview().toCanvas(QPointF(single[picked - 1].first, single[picked - 1].second));
    EXPECT_LE(std::abs(markCentre.x() - pickedAt.x()), 1.0);
    EXPECT_LE(std::abs(markCentre.y() - pickedAt.y()), 1.0);

    ASSERT_TRUE(window->machine().running());
    EXPECT_EQ(window->machine().plan().firstMove, picked);
    EXPECT_TRUE(mark->isHidden());
    waitForRunEnd();
    pty.finish();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text.toStdString();
    EXPECT_EQ(pty.machine.resets, 1u);  // the held stream ended with one reset before the resumed one
    expectResumedPath(pty.machine.path, single, confirmed, picked, 2);
    EXPECT_TRUE(status().contains(QStringLiteral("Stitch %1 of %1").arg(single.size()))) << status().toStdString();
}

// A grbl in alarm refuses the program (error:9) and stays locked through the reset that ends the
// run; Unlock/Reset resets it and, after its banner, unlocks it with $X, and the run then goes.
TEST_F(MachineRunWindow, UnlockResetBringsGrblOutOfAnAlarmBetweenRuns) {
    chooseProfile(QStringLiteral("grbl 1.1"));
    // The alarm came before the window connected: its ALARM line went to no one.
    test::MachineOnPty<test::GrblStandIn> pty([](test::GrblStandIn& grbl) {
        grbl.raiseAlarm(1);
        grbl.output.clear();
    });
    EXPECT_FALSE(action("mnuUnlockReset")->isEnabled()) << "not connected";
    connectTo(pty.device());
    ASSERT_TRUE(action("mnuUnlockReset")->isEnabled());
    action("mnuRun")->trigger();
    EXPECT_FALSE(action("mnuUnlockReset")->isEnabled()) << "not while running";
    waitForRunEnd();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages.back().text.contains(QStringLiteral("error:9")))
        << dialogs.messages.back().text.toStdString();

    ASSERT_TRUE(action("mnuUnlockReset")->isEnabled());
    action("mnuUnlockReset")->trigger();
    EXPECT_FALSE(action("mnuRun")->isEnabled()) << "not while unlocking";
    ASSERT_TRUE(serveUntil([this] { return !window->machine().unlocking(); }));
    EXPECT_TRUE(status().contains(QStringLiteral("Idle"))) << status().toStdString();
    EXPECT_FALSE(status().contains(QStringLiteral("Alarm"))) << status().toStdString();

    dialogs.messages.clear();
    action("mnuRun")->trigger();
    waitForRunEnd();
    pty.finish();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text.toStdString();
    EXPECT_FALSE(pty.machine.locked());
    EXPECT_EQ(std::count(pty.machine.parsed.begin(), pty.machine.parsed.end(), "$X"), 1);
    EXPECT_EQ(test::withoutRepeats(pty.machine.path), test::withoutRepeats(moves));
}

TEST_F(MachineRunWindow, TheNeedleStandsAtTheMachineAndTheCaretLeavesAProgramMadeDuringTheRun) {
    openLongDesign();
    chooseProfile(QStringLiteral("grbl 1.1"));
    test::MachineOnPty<test::GrblStandIn> pty;
    connectTo(pty.device());
    action("mnuRun")->trigger();
    auto* pane = control<GcodePane>("RGcode");
    const auto caretLine = [pane] {
        int line = -1, index = -1;
        pane->getCursorPosition(&line, &index);
        return line;
    };
    ASSERT_TRUE(serveUntil([&] { return caretLine() > 0; }));
    // Populate makes the program anew; its lines are no longer the ones being sent.
    control<QPushButton>("Command6")->click();
    const int left = caretLine();
    waitForRunEnd();
    pty.finish();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(caretLine(), left);

    const auto at = window->machine().machinePosition();
    ASSERT_TRUE(at.has_value());
    const QPointF expected = window->preview().toCanvas(*at);
    const QRect needle = control<MarkerImage>("ImgCur")->geometry();
    EXPECT_FALSE(control<MarkerImage>("ImgCur")->isHidden());
    EXPECT_LE(std::abs(needle.center().x() - expected.x()), 1.0) << needle.center().x() << " " << expected.x();
    EXPECT_LE(std::abs(needle.center().y() - expected.y()), 1.0) << needle.center().y() << " " << expected.y();
}

TEST_F(MachineRunWindow, TheNeedleStandsAtTheWorkPositionOnATableWithAWorkOffset) {
    const std::vector<test::Point> single = openLongDesign();
    chooseProfile(QStringLiteral("grbl 1.1"));
    test::MachineOnPty<test::GrblStandIn> pty([](test::GrblStandIn& grbl) {
        grbl.workOffset = {150, -75};  // G54 set at the hoop's centre
        grbl.reportsToWco = 1;         // joined between two offset reports: the first report has none
    });
    connectTo(pty.device());
    action("mnuRun")->trigger();
    waitForRunEnd();
    pty.finish();
    EXPECT_TRUE(dialogs.messages.empty());
    const auto at = window->machine().machinePosition();
    ASSERT_TRUE(at.has_value());
    EXPECT_NEAR(at->x(), single.back().first, 1e-6);
    EXPECT_NEAR(at->y(), single.back().second, 1e-6);
    EXPECT_TRUE(status().contains(QStringLiteral("X %1 Y %2").arg(QString::fromStdString(formatFixed(single.back().first, 3)),
                                                                    QString::fromStdString(formatFixed(single.back().second, 3)))))
        << status().toStdString();
}

// Marlin and Klipper answer a line once it is queued: the count says "answered", and the trace
// draws only the moves the machine has certainly made (on one colour: none before the end).
TEST_F(MachineRunWindow, MarlinAndKlipperCountAnsweredStitchesAndTraceOnlyWhatIsMade) {
    const std::vector<test::Point> single = openLongDesign();
    const auto run = [&]<class StandIn>(const QString& profile, StandIn*) {
        SCOPED_TRACE(profile.toStdString());
        chooseProfile(profile);
        test::MachineOnPty<StandIn> pty;
        connectTo(pty.device());
        action("mnuRun")->trigger();
        const QRegularExpression answered(QStringLiteral("Stitch ([1-9][0-9]*) of \\d+ answered"));
        ASSERT_TRUE(serveUntil([&] { return answered.match(status()).hasMatch(); })) << status().toStdString();
        EXPECT_EQ(window->preview().tracedMoves(), 0u) << status().toStdString();
        EXPECT_TRUE(control<QProgressBar>("barRun")->text().contains(QStringLiteral("stitches answered")))
            << control<QProgressBar>("barRun")->text().toStdString();
        waitForRunEnd();
        pty.finish();
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text.toStdString();
        EXPECT_EQ(window->preview().tracedMoves(), single.size());
        EXPECT_TRUE(status().contains(QStringLiteral("run finished"))) << status().toStdString();
        EXPECT_EQ(test::withoutRepeats(pty.machine.path), test::withoutRepeats(single));
        action("mnuDisconnect")->trigger();
    };
    run(QStringLiteral("Marlin 2"), static_cast<test::MarlinStandIn*>(nullptr));
    run(QStringLiteral("Klipper"), static_cast<test::LineOkStandIn*>(nullptr));
}

TEST_F(MachineRunWindow, ClosingDuringARunAsksThenStopsTheMachineFirst) {
    openLongDesign();
    chooseProfile(QStringLiteral("grbl 1.1"));
    test::MachineOnPty<test::GrblStandIn> pty;
    connectTo(pty.device());
    action("mnuRun")->trigger();
    dialogs.confirmAnswer = false;
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->machine().running());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    ASSERT_TRUE(serveUntil([this] { return status().contains(QStringLiteral("Run")); })) << status().toStdString();
    dialogs.confirmAnswer = true;
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->machine().running());
    pty.finish();
    EXPECT_EQ(pty.machine.resets, 1u);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("resume from needle move"))) << dialogs.messages[0].text.toStdString();
}

TEST_F(MachineRunWindow, RefusesPortsItCannotUseAndProfilesThatDoNotStream) {
    test::MachineOnPty<test::GrblStandIn> pty;
    // Classic runs programs itself: the dialog says which profiles can be used, nothing connects.
    connectTo(pty.device());
    ASSERT_EQ(dialogs.connectionRequests.size(), 1u);
    EXPECT_TRUE(dialogs.connectionRequests[0].problem.contains(QStringLiteral("grbl 1.1")))
        << dialogs.connectionRequests[0].problem.toStdString();
    EXPECT_FALSE(window->machine().connected());

    chooseProfile(QStringLiteral("grbl 1.1"));
    const struct {
        std::string device;
        QString reason;
    } refused[] = {
        {pty.device(), QStringLiteral("in use by another program")},
        {(folder.path() + QStringLiteral("/ttyNONE")).toStdString(), QStringLiteral("No such file")},
    };
    const SerialLink holder(pty.device(), 115200);  // another program holding the port
    for (const auto& port : refused) {
        dialogs.messages.clear();
        connectTo(port.device);
        EXPECT_FALSE(window->machine().connected());
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_TRUE(dialogs.messages[0].text.contains(QString::fromStdString(port.device))) << dialogs.messages[0].text.toStdString();
        EXPECT_TRUE(dialogs.messages[0].text.contains(port.reason)) << dialogs.messages[0].text.toStdString();
    }
    // The last port and speed are offered the next time.
    ASSERT_EQ(dialogs.connectionRequests.size(), 3u);
    EXPECT_EQ(dialogs.connectionRequests[2].port, QString::fromStdString(pty.device()));
    EXPECT_TRUE(dialogs.connectionRequests[2].problem.isEmpty());
}

// Machine > "Check Program on Controller…": the program goes through grbl's parser in its check
// mode, nothing moves, and the refused lines are shown with their program line, text and grbl's
// error; offered only for profiles with a check mode, only while connected and not running.
TEST_F(MachineRunWindow, ListsEveryLineGrblRefusesWithoutMoving) {
    addMistProfile();
    chooseProfile(QStringLiteral("grbl mist"));
    QAction* check = action("mnuCheckOnController");
    EXPECT_TRUE(check->isVisible());
    EXPECT_FALSE(check->isEnabled());  // not connected
    test::MachineOnPty<test::GrblStandIn> pty;
    dialogs.connection = ConnectionChoice{QString::fromStdString(pty.device()), 115200};
    action("mnuConnect")->trigger();
    ASSERT_TRUE(window->machine().connected());
    ASSERT_TRUE(check->isEnabled());
    check->trigger();
    EXPECT_TRUE(window->machine().checking());
    EXPECT_FALSE(check->isEnabled());  // not while one runs
    EXPECT_FALSE(action("mnuRun")->isEnabled());
    ASSERT_TRUE(serveUntil([this] { return !window->machine().running(); }));
    pty.finish();

    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text.toStdString();
    ASSERT_EQ(dialogs.checkReports.size(), 1u);
    const auto& report = dialogs.checkReports[0];
    // The program checked is the one Save Gcode writes: its M7 lines, one at each colour stop.
    const QStringList program = QString::fromStdString(window->machine().plan().text).split(QLatin1Char('\n'));
    QList<quint64> expected;
    for (int i = 0; i < program.size(); ++i) {
        if (program[i] == QStringLiteral("M7")) expected << static_cast<quint64>(i + 1);
    }
    ASSERT_EQ(expected.size(), 2);
    QList<quint64> found;
    for (const RefusedLine& line : report.lines) {
        found << line.line;
        EXPECT_EQ(line.text, QStringLiteral("M7"));
        EXPECT_EQ(line.error, QStringLiteral("error:20: Unsupported or invalid g-code command found in block."));
    }
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(report.summary.contains(QStringLiteral("refused 2"))) << report.summary.toStdString();
    EXPECT_TRUE(pty.machine.path.empty());   // nothing moved
    EXPECT_EQ(pty.machine.resets, 1u);       // leaving check mode resets grbl
    EXPECT_TRUE(dialogs.threadStops.empty());  // a check asks for no thread
    EXPECT_TRUE(window->machine().connected());
    EXPECT_TRUE(check->isEnabled());
    EXPECT_TRUE(action("mnuRun")->isEnabled());
}

TEST_F(MachineRunWindow, ACleanProgramSaysSoAndProfilesWithoutACheckModeAreNotOffered) {
    chooseProfile(QStringLiteral("grbl 1.1"));
    test::MachineOnPty<test::GrblStandIn> pty;
    dialogs.connection = ConnectionChoice{QString::fromStdString(pty.device()), 115200};
    action("mnuConnect")->trigger();
    action("mnuCheckOnController")->trigger();
    ASSERT_TRUE(serveUntil([this] { return !window->machine().running(); }));
    pty.finish();
    ASSERT_EQ(dialogs.checkReports.size(), 1u);
    EXPECT_TRUE(dialogs.checkReports[0].lines.isEmpty());
    EXPECT_EQ(dialogs.checkReports[0].summary, QStringLiteral("The controller took every line of the program."));
    EXPECT_FALSE(pty.machine.parsed.empty());  // it was asked, line by line
    EXPECT_TRUE(pty.machine.path.empty());

    for (const char* profile : {"Marlin 2", "Klipper", "Classic"}) {
        chooseProfile(QString::fromLatin1(profile));
        EXPECT_FALSE(action("mnuCheckOnController")->isVisible()) << profile;
    }
    chooseProfile(QStringLiteral("grblHAL"));
    EXPECT_TRUE(action("mnuCheckOnController")->isVisible());
}

}  // namespace
}  // namespace tessaline::testing
