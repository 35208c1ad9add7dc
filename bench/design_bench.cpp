// Loading a large design: decoding its bytes (goal: 1M records in under 10 ms) and storing its
// rows in the work store (goal: 1M rows in under 1.5 s).

#include "design/DstDecoder.h"
#include "design/WorkStore.h"

#include "DstTestEncoder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using tessaline::DesignRecord;

constexpr int kRecords = 1'000'000;

// A design that wanders around like a real one: stitches in runs, a jump now and then,
// a colour change every 50,000 records, the end record last.
const std::vector<std::uint8_t>& millionRecordDesign() {
    static const std::vector<std::uint8_t> bytes = [] {
        tessaline::test::DstTestEncoder dst("BENCH");
        for (int i = 0; i < kRecords - 1; ++i) {
            const int dx = (i * 37) % 81 - 40;
            const int dy = (i * 53) % 61 - 30;
            if (i % 50'000 == 49'999) {
                dst.colourChange();
            } else if (i % 97 == 0) {
                dst.jump(dx * 3 % 121, dy);
            } else {
                dst.stitch(dx, dy);
            }
        }
        dst.end().trailing({0x1A});
        return dst.bytes();
    }();
    return bytes;
}

void BM_DecodeMillionRecords(benchmark::State& state) {
    const auto& bytes = millionRecordDesign();
    for (auto _ : state) {
        double sum = 0;
        const auto figures = tessaline::decodeDst(bytes, [&sum](const DesignRecord& r) { sum += r.x; });
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(figures);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_DecodeMillionRecords)->Unit(benchmark::kMillisecond);

void BM_StoreMillionRecords(benchmark::State& state) {
    const auto& bytes = millionRecordDesign();
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaline-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::filesystem::path dir = pattern;
    tessaline::WorkStore store(dir / tessaline::WorkStore::kFileName);
    store.open();
    for (auto _ : state) {
        store.replaceDesign([&](const tessaline::RecordSink& sink) { tessaline::decodeDst(bytes, sink); });
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.counters["rows"] = static_cast<double>(store.recordCount());
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StoreMillionRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
