// The window's draw pass over a large stored design, paced as the slider's start position asks,
// and the cross-hair following the caret through a long program.

#include "DstTestEncoder.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class SilentDialogs : public tessaline::UserDialogs {
public:
    QString openFileName(QWidget*, const QString&, const QStringList&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QStringList&, const QString&, QString*) override { return {}; }
    void message(QWidget*, Icon, const QString&, const QString&) override {}
    bool confirm(QWidget*, const QString&, const QString&) override { return false; }
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

// Opening a 100k-record design: reading, storing, generating, filling the pane, and an unpaced pass.
void BM_OpenDesign100k(benchmark::State& state) {
    QTemporaryDir folder;
    SilentDialogs dialogs;
    tessaline::MainWindow window(folder.path().toStdString(), dialogs);
    window.setEventPump([] {});
    const QString design = writeDesign(folder, 100000);
    for (auto _ : state) window.loadDesign(design);
}
BENCHMARK(BM_OpenDesign100k)->Unit(benchmark::kMillisecond)->Iterations(3);

// A caret move in a 250k-line program: the line query, the parse and the cross-hair's move.
void BM_TrackCaret250kLines(benchmark::State& state) {
    QTemporaryDir folder;
    SilentDialogs dialogs;
    tessaline::MainWindow window(folder.path().toStdString(), dialogs);
    QString program;
    for (int i = 0; i < 125000; ++i) {
        program += QStringLiteral("G01 X%1.5 Y-%2.25 Z%3 \nG01 Z%4 \n").arg(i % 200).arg(i % 150).arg(20 * i + 10).arg(20 * i + 20);
    }
    auto* pane = window.control<QPlainTextEdit>(QStringLiteral("RGcode"));
    pane->setPlainText(program);
    window.show();
    QTextDocument* document = pane->document();
    int line = 0;
    for (auto _ : state) {
        line = (line + 7919) % document->blockCount();
        pane->setTextCursor(QTextCursor(document->findBlockByNumber(line)));
    }
}
BENCHMARK(BM_TrackCaret250kLines)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
