// The window's draw pass over a large stored design, paced as the slider's start position asks;
// opening large designs; and the G-code pane with a 2.5M-line program: caret, scrolling, typing.

#include "DstTestEncoder.h"
#include "app/ColourLegend.h"
#include "app/GcodePane.h"
#include "app/MainWindow.h"
#include "app/MainWindowForm.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fstream>
#include <sys/resource.h>

namespace {

class SilentDialogs : public tessaline::UserDialogs {
public:
    QString openFileName(QWidget*, const QString&, const QStringList&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QStringList&, const QString&, QString*) override { return {}; }
    void message(QWidget*, Icon, const QString&, const QString&) override {}
    bool confirm(QWidget*, const QString&, const QString&) override { return false; }
    std::optional<int> askNumber(QWidget*, const QString&, const QString&, int, int, int) override { return {}; }
    bool showFolder(const QString&) override { return false; }
    std::optional<tessaline::ConnectionChoice> askConnection(QWidget*, const tessaline::ConnectionRequest&) override {
        return {};
    }
    bool askThread(QWidget*, const QString&, const QColor&) override { return false; }
    bool askTrim(QWidget*) override { return false; }
    void showRefusedLines(QWidget*, const QString&, const QList<tessaline::RefusedLine>&) override {}
    std::optional<tessaline::ResumeAnswer> askResume(QWidget*, const tessaline::ResumeOffer&) override { return std::nullopt; }
};

// 100k records: runs of stitches in ten colours with a jump between blocks.
QString writeDesign(const QTemporaryDir& folder, int records) {
    tessaline::test::DstTestEncoder design;
    for (int i = 0; i < records - 1; ++i) {
        if (i % 10000 == 9999) {
            design.colourChange();
        } else if (i % 1000 == 999) {
            design.jump(40, -40);
        } else {
            design.stitch((i % 40) < 20 ? 3 : -3, (i % 7) - 3);
        }
    }
    design.end();
    const QString path = folder.filePath("large.dst");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(reinterpret_cast<const char*>(design.bytes().data()), static_cast<qint64>(design.bytes().size()));
    return path;
}

void BM_WindowPass100kAtStartSpeed(benchmark::State& state) {
    QTemporaryDir folder;
    SilentDialogs dialogs;
    tessaline::MainWindow window(folder.path().toStdString(), dialogs);
    window.setEventPump([] {});  // the load's own pass is not what is measured
    window.loadDesign(writeDesign(folder, 100000));
    window.setEventPump(nullptr);  // the window's own pacing from here on
    window.show();
    for (auto _ : state) window.draw();
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_WindowPass100kAtStartSpeed)->Unit(benchmark::kMillisecond)->Iterations(3);

// Peak resident memory of the whole process so far, in MB; run one benchmark per process to read it.
double peakRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Opening a design: reading, storing, generating, filling the pane, an unpaced pass, and the
// window's next paint, offscreen.
void openDesign(benchmark::State& state, int records) {
    QTemporaryDir folder;
    SilentDialogs dialogs;
    tessaline::MainWindow window(folder.path().toStdString(), dialogs);
    window.setEventPump([] {});
    window.show();
    QApplication::processEvents();
    const QString design = writeDesign(folder, records);
    for (auto _ : state) {
        window.loadDesign(design);
        window.repaint();
    }
    state.counters["peak_rss_MB"] = peakRssMegabytes();
    state.counters["program_lines"] = static_cast<double>(
        window.control<tessaline::GcodePane>(QStringLiteral("RGcode"))->lines());
}

void BM_OpenDesign100k(benchmark::State& state) { openDesign(state, 100000); }
BENCHMARK(BM_OpenDesign100k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenDesign1M(benchmark::State& state) { openDesign(state, 1000000); }
BENCHMARK(BM_OpenDesign1M)->Unit(benchmark::kMillisecond)->Iterations(2);

// The legend of a design with many colours, as a draw pass fills it: one bar and one statistics
// line per colour block, then the total. Its time should grow with the colours, not faster.
void BM_LegendOfManyColours(benchmark::State& state) {
    QWidget form;
    tessaline::buildForm(&form);
    form.show();
    tessaline::ColourLegend legend(&form);
    legend.setDesignCounts(static_cast<double>(state.range(0) * 3), static_cast<double>(state.range(0)));
    const int colours = static_cast<int>(state.range(0));
    for (auto _ : state) {
        legend.begin();
        legend.warn(QStringLiteral("Warning: the design leaves the hoop"));
        for (int ended = 1; ended < colours; ++ended) legend.endColourBlock((ended - 1) % 34 + 1, 3, ended % 34 + 1);
        legend.finish(colours % 34 + 1);
        QApplication::processEvents();
        form.repaint();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LegendOfManyColours)->RangeMultiplier(4)->Range(625, 40000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

// A window whose pane holds a 2.5M-line program (about 58 MB), shown offscreen.
class LongProgram {
public:
    LongProgram() : window_(folder_.path().toStdString(), dialogs_) {
        const QString path = folder_.filePath("long.txt");
        std::ofstream out(path.toStdString(), std::ios::binary);
        for (int i = 0; i < kLines / 2; ++i) {
            out << "G01 X" << i % 200 << ".5 Y-" << i % 150 << ".25 Z" << 20 * i + 10 << " \r\n"
                << "G01 Z" << 20 * i + 20 << " \r\n";
        }
        out.close();
        pane()->loadProgram(path, nullptr);
        window_.show();
        QApplication::processEvents();
    }
    tessaline::GcodePane* pane() { return window_.control<tessaline::GcodePane>(QStringLiteral("RGcode")); }

    static constexpr int kLines = 2500000;

private:
    QTemporaryDir folder_;
    SilentDialogs dialogs_;
    tessaline::MainWindow window_;
};

// A caret move in a 2.5M-line program: the line query, the parse, the cross-hair's move and the
// pane's repaint.
void BM_TrackCaret2_5MLines(benchmark::State& state) {
    LongProgram program;
    int line = 0;
    for (auto _ : state) {
        line = (line + 7919) % LongProgram::kLines;
        program.pane()->setCursorPosition(line, 6);
        program.pane()->viewport()->repaint();
    }
}
BENCHMARK(BM_TrackCaret2_5MLines)->Unit(benchmark::kMicrosecond);

// One scroll event each way between the top and the end of a 2.5M-line program, painted.
void BM_ScrollEndAndBack2_5MLines(benchmark::State& state) {
    LongProgram program;
    tessaline::GcodePane* pane = program.pane();
    for (auto _ : state) {
        pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
        pane->viewport()->repaint();
        pane->verticalScrollBar()->setValue(0);
        pane->viewport()->repaint();
    }
    state.SetItemsProcessed(state.iterations() * 2);  // items/s: scroll events per second
}
BENCHMARK(BM_ScrollEndAndBack2_5MLines)->Unit(benchmark::kMillisecond);

// A key typed into the middle of a 2.5M-line program, painted; the caret tracking runs too.
void BM_TypeCharacter2_5MLines(benchmark::State& state) {
    LongProgram program;
    tessaline::GcodePane* pane = program.pane();
    pane->setFocus();
    pane->setCursorPosition(LongProgram::kLines / 2, 4);
    pane->ensureCursorVisible();
    // The first key at a new place moves the editor's insertion gap there (a copy of the text
    // between, about 10 ms across half the program); what is measured is typing on from there.
    auto type = [pane] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
        QApplication::sendEvent(pane, &press);
        QApplication::sendEvent(pane, &release);
        pane->viewport()->repaint();
    };
    type();
    for (auto _ : state) type();
}
BENCHMARK(BM_TypeCharacter2_5MLines)->Unit(benchmark::kMillisecond);

}  // namespace
