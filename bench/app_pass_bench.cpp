// The window's draw pass over a large stored design, paced as the slider's start position asks.

#include "DstTestEncoder.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class SilentDialogs : public tessaline::UserDialogs {
public:
    QString openFileName(QWidget*, const QString&, const QStringList&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QStringList&, const QString&, QString*) override { return {}; }
    void message(QWidget*, Icon, const QString&, const QString&) override {}
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

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
