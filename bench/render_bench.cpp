// Speed of the preview: a whole draw pass without pacing, and the cross-hair's line reading.

#include "common/NumberFormat.h"
#include "design/DesignRecord.h"
#include "preview/DrawPass.h"
#include "preview/model/GcodeLineParse.h"
#include "preview/model/UserScale.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tessaline;

// Satin-like rows of stitches across a 100 x 80 mm box, a jump every 200 rows and a colour
// change every 5000, as a dense real design has them.
std::vector<DesignRecord> denseDesign(std::size_t count) {
    std::vector<DesignRecord> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double band = static_cast<double>(i / 200 % 80);
        const double x = (i % 2 == 0 ? -50.0 : 50.0) * std::sin(static_cast<double>(i) * 0.001);
        RecordKind kind = RecordKind::Stitch;
        if (i % 5000 == 4999) {
            kind = RecordKind::ColourChange;
        } else if (i % 200 == 0) {
            kind = RecordKind::Jump;
        }
        rows.push_back({kind, x, band - 40});
    }
    return rows;
}

class QuietObserver : public PassObserver {
public:
    PassSettings current;
    PassSettings settings() override { return current; }
    void showNeedle(QPointF point, int colour) override {
        benchmark::DoNotOptimize(point);
        benchmark::DoNotOptimize(colour);
    }
};

void BM_DrawPass(benchmark::State& state) {
    const auto rows = denseDesign(static_cast<std::size_t>(state.range(0)));
    const int side = static_cast<int>(std::lround(kCanvasPixels));
    QImage canvas(side, side, QImage::Format_RGB32);
    QuietObserver observer;
    observer.current.needlePoint = state.range(1) != 0;
    for (auto _ : state) {
        DrawPass pass(canvas, 100, 80, 4, observer);
        pass.begin();
        for (const auto& row : rows) pass.row(row);
        pass.finish();
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
// Second argument: needle points on (1) or off (0).
BENCHMARK(BM_DrawPass)->Args({100'000, 1})->Args({100'000, 0})->Unit(benchmark::kMillisecond);

// A program of motion lines as the generator writes them.
std::string program(std::size_t lines) {
    std::string text;
    text.reserve(lines * 32);
    for (std::size_t i = 0; i < lines; ++i) {
        text += i % 50 == 0 ? "G00 X" : "G01 X";
        appendNumber(text, static_cast<double>(i % 1000) / 10 - 50);
        text += " Y";
        appendNumber(text, static_cast<double>(i % 777) / 10 - 38.8);
        text += " Z";
        appendNumber(text, static_cast<double>(i) * 2);
        text += '\n';
    }
    return text;
}

constexpr std::size_t kProgramLines = 250'000;

// One caret move: find the line around the caret in the whole text, then read it.
void BM_TrackCaretLine(benchmark::State& state) {
    const std::string text = program(kProgramLines);
    std::size_t caret = text.size() / 2;
    for (auto _ : state) {
        const std::size_t begin = text.rfind('\n', caret == 0 ? 0 : caret - 1);
        const std::size_t from = begin == std::string::npos ? 0 : begin + 1;
        const std::size_t end = text.find('\n', caret);
        const auto point = parseTrackedLine(std::string_view(text).substr(from, end - from));
        benchmark::DoNotOptimize(point);
        caret = (caret + 7919) % text.size();
    }
}
BENCHMARK(BM_TrackCaretLine);

// Every line of a 250k-line program, one after another.
void BM_ParseWholeProgram(benchmark::State& state) {
    const std::string text = program(kProgramLines);
    for (auto _ : state) {
        std::size_t from = 0;
        std::size_t found = 0;
        while (from < text.size()) {
            const std::size_t end = text.find('\n', from);
            found += parseTrackedLine(std::string_view(text).substr(from, end - from)).has_value();
            from = end + 1;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kProgramLines));
}
BENCHMARK(BM_ParseWholeProgram)->Unit(benchmark::kMillisecond);

}  // namespace
