// The window while it runs a 1M-stitch design on a grbl stand-in over a pseudo-terminal, offscreen:
// the live trace on the preview, the caret following the executing line in the 2M-line pane, the
// status bar and the progress bar, for 15 s of the run. A 0-ms timer fires once every event-loop
// turn; the gaps between its firings are how long the window could not answer a person. Reports
// the longest gap and the share of turns over a 16-ms frame, and separately what the Run click
// itself costs (the program made anew into the pane).

#include "ControllerStandIns.h"
#include "DstTestEncoder.h"
#include "MachineOnPty.h"
#include "app/MachineRunner.h"
#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

using namespace tessaline;

class RunDialogs : public UserDialogs {
public:
    std::optional<ConnectionChoice> connection;
    QString openFileName(QWidget*, const QString&, const QStringList&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QStringList&, const QString&, QString*) override { return {}; }
    QStringList messages;  // a run that fails says why in the benchmark's error
    void message(QWidget*, Icon, const QString&, const QString& text) override { messages << text; }
    bool confirm(QWidget*, const QString&, const QString&) override { return true; }
    std::optional<int> askNumber(QWidget*, const QString&, const QString&, int, int, int) override { return {}; }
    bool showFolder(const QString&) override { return false; }
    std::optional<ConnectionChoice> askConnection(QWidget*, const ConnectionRequest&) override { return connection; }
    bool askThread(QWidget*, const QString&, const QColor&) override { return true; }
    bool askTrim(QWidget*) override { return true; }
    void showRefusedLines(QWidget*, const QString&, const QList<RefusedLine>&) override {}
    std::optional<ResumeAnswer> askResume(QWidget*, const ResumeOffer&) override { return std::nullopt; }
};

// grbl carrying out 2,000 planner blocks a second, five times a real table's pace, so the window
// has more to follow than it would at the machine.
class PacedGrbl : public test::GrblStandIn {
public:
    void step() {
        const auto now = std::chrono::steady_clock::now();
        if (now < next_) return;
        next_ = std::max(next_ + kStep, now - 10 * kStep);
        GrblStandIn::step();
    }

private:
    static constexpr std::chrono::microseconds kStep{500};
    std::chrono::steady_clock::time_point next_ = std::chrono::steady_clock::now();
};

// 1M stitches in ten colours, a jump every 1,000.
QString writeDesign(const QTemporaryDir& folder) {
    test::DstTestEncoder design;
    for (int i = 0; i < 1'000'000; ++i) {
        if (i % 100'000 == 99'999) design.colourChange();
        else if (i % 1000 == 999) design.jump(40, -40);
        else design.stitch((i % 40) < 20 ? 3 : -3, (i % 7) - 3);
    }
    design.end();
    const QString path = folder.filePath("million.dst");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(reinterpret_cast<const char*>(design.bytes().data()), static_cast<qint64>(design.bytes().size()));
    return path;
}

QAction* action(const MainWindow& window, const char* name) { return window.findChild<QAction*>(QString::fromLatin1(name)); }

void BM_WindowRunning1MStitchesOnGrbl(benchmark::State& state) {
    QTemporaryDir folder, config;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    // A million stitches take the needle axis past grbl's 32-bit step count at 250 steps a mm: a
    // table with a finer count, or a coarser one, allows the travel.
    QDir().mkpath(config.filePath("Tessaline/profiles"));
    QFile profile(config.filePath("Tessaline/profiles/long.toml"));
    profile.open(QIODevice::WriteOnly);
    profile.write("name = \"grbl long travel\"\nbase = \"grbl 1.1\"\nneedle_machine_max = 100000000\n");
    profile.close();
    RunDialogs dialogs;
    MainWindow window(folder.path().toStdString(), dialogs);
    window.setEventPump([] {});
    window.loadDesign(writeDesign(folder));
    window.setEventPump(nullptr);
    window.show();
    for (QAction* item : window.findChild<QMenu*>(QStringLiteral("mnuMachine"))->actions()) {
        if (item->data().toString() == QStringLiteral("grbl long travel")) item->trigger();
    }
    double maxGapMs = 0, runClickMs = 0;
    std::size_t turns = 0, slowTurns = 0;
    std::uint64_t stitches = 0;
    std::string failure;
    for (auto _ : state) {
        test::MachineOnPty<PacedGrbl> pty;
        dialogs.connection = ConnectionChoice{QString::fromStdString(pty.device()), 115200};
        action(window, "mnuConnect")->trigger();
        if (!window.machine().connected()) {
            state.SkipWithError("the stand-in's port could not be connected");
            break;
        }
        QElapsedTimer click;
        click.start();
        action(window, "mnuRun")->trigger();
        runClickMs = static_cast<double>(click.nsecsElapsed()) / 1e6;
        if (!window.machine().running()) {
            failure = ("the run did not start: " + dialogs.messages.join(QStringLiteral("; "))).toStdString();
            state.SkipWithError(failure.c_str());
            break;
        }

        QElapsedTimer clock;
        clock.start();
        qint64 last = clock.nsecsElapsed();
        QTimer turn;
        turn.setInterval(0);
        QObject::connect(&turn, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            const double gap = static_cast<double>(now - last) / 1e6;
            last = now;
            maxGapMs = std::max(maxGapMs, gap);
            ++turns;
            slowTurns += gap > 16.0;
        });
        QEventLoop loop;
        QTimer::singleShot(15'000, &loop, &QEventLoop::quit);
        turn.start();
        loop.exec();
        turn.stop();
        stitches = window.machine().stitchesDone();

        action(window, "mnuStop")->trigger();
        QEventLoop settle;
        QTimer::singleShot(10'000, &settle, &QEventLoop::quit);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!window.machine().running()) settle.quit();
        });
        poll.start(10);
        settle.exec();
        action(window, "mnuDisconnect")->trigger();
    }
    state.counters["max_gap_ms"] = maxGapMs;
    state.counters["turns_over_16ms_percent"] = turns == 0 ? 0.0 : 100.0 * static_cast<double>(slowTurns) / static_cast<double>(turns);
    state.counters["turns"] = static_cast<double>(turns);
    state.counters["turns_over_16ms"] = static_cast<double>(slowTurns);
    state.counters["stitches_done"] = static_cast<double>(stitches);
    state.counters["run_click_ms"] = runClickMs;
    qputenv("XDG_CONFIG_HOME", oldConfig);
}
BENCHMARK(BM_WindowRunning1MStitchesOnGrbl)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
