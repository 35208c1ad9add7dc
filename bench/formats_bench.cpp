// Reading a large design in other formats against the same design in DST (goal: a 1M-stitch
// PES or JEF decodes within twice the time of its DST twin; HUS, whose streams are compressed,
// is measured beside them).

#include "design/DesignFormat.h"

#include "DstTestEncoder.h"
#include "HusTestPacker.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using tessaline::DesignFormat;
using tessaline::DesignRecord;

constexpr int kRecords = 1'000'000;

enum class Move { Stitch, Jump, ColourChange };

// The same wandering design for every format: stitches in runs, a jump now and then, a colour
// change every 50,000 records.
void forEachMove(const std::function<void(Move, int, int)>& visit) {
    for (int i = 0; i < kRecords - 1; ++i) {
        const int dx = (i * 37) % 81 - 40;
        const int dy = (i * 53) % 61 - 30;
        if (i % 50'000 == 49'999) {
            visit(Move::ColourChange, 0, 0);
        } else if (i % 97 == 0) {
            visit(Move::Jump, dx * 3 % 121, dy);
        } else {
            visit(Move::Stitch, dx, dy);
        }
    }
}

void push(std::vector<std::uint8_t>& b, std::initializer_list<int> values) {
    for (int v : values) b.push_back(static_cast<std::uint8_t>(v));
}

const std::vector<std::uint8_t>& dstDesign() {
    static const std::vector<std::uint8_t> bytes = [] {
        tessaline::test::DstTestEncoder dst("BENCH");
        forEachMove([&dst](Move move, int dx, int dy) {
            if (move == Move::ColourChange) dst.colourChange();
            else if (move == Move::Jump) dst.jump(dx, -dy);  // DST counts y up
            else dst.stitch(dx, -dy);
        });
        dst.end();
        return dst.bytes();
    }();
    return bytes;
}

const std::vector<std::uint8_t>& pesDesign() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(16 + 48, 0);
        const char header[] = "#PES0001";
        std::copy(header, header + 8, b.begin());
        b[8] = 16;
        push(b, {19});
        for (int i = 0; i < 20; ++i) push(b, {i % 64 + 1});
        b.resize(16 + 528, 0);
        forEachMove([&b](Move move, int dx, int dy) {
            if (move == Move::ColourChange) {
                push(b, {0xFE, 0xB0, 0x01});
            } else if (move == Move::Jump) {
                push(b, {0x90 | ((dx >> 8) & 0x0F), dx & 0xFF, 0x90 | ((dy >> 8) & 0x0F), dy & 0xFF});
            } else {
                push(b, {dx & 0x7F, dy & 0x7F});
            }
        });
        push(b, {0xFF, 0x00});
        return b;
    }();
    return bytes;
}

const std::vector<std::uint8_t>& jefDesign() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(116 + 80, 0);
        b[0] = 116 + 80;  // stitch list offset
        b[24] = 20;       // colours
        forEachMove([&b](Move move, int dx, int dy) {
            if (move == Move::ColourChange) push(b, {0x80, 0x01, 0, 0});
            else if (move == Move::Jump) push(b, {0x80, 0x02, dx & 0xFF, -dy & 0xFF});
            else push(b, {dx & 0xFF, -dy & 0xFF});
        });
        push(b, {0x80, 0x10});
        return b;
    }();
    return bytes;
}

// Stored as literal blocks, the compressed streams' slowest case: eight bits read for every byte.
const std::vector<std::uint8_t>& husDesign() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> kinds, xs, ys;
        forEachMove([&](Move move, int dx, int dy) {
            kinds.push_back(move == Move::ColourChange ? 0x84 : move == Move::Jump ? 0x81 : 0x80);
            xs.push_back(static_cast<std::uint8_t>(dx));
            ys.push_back(static_cast<std::uint8_t>(-dy));  // HUS counts y up
        });
        kinds.push_back(0x90);
        xs.push_back(0);
        ys.push_back(0);
        const auto packedKinds = tessaline::test::packLiterals(kinds);
        const auto packedXs = tessaline::test::packLiterals(xs);
        const auto packedYs = tessaline::test::packLiterals(ys);
        std::vector<std::uint8_t> b;
        auto u32 = [&b](std::uint32_t v) {
            push(b, {int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)});
        };
        push(b, {0x5D, 0xFC, 0xC8, 0x00});
        u32(static_cast<std::uint32_t>(kinds.size()));
        u32(1);
        b.resize(20, 0);
        const auto kindsAt = static_cast<std::uint32_t>(44);
        u32(kindsAt);
        u32(kindsAt + static_cast<std::uint32_t>(packedKinds.size()));
        u32(kindsAt + static_cast<std::uint32_t>(packedKinds.size() + packedXs.size()));
        b.resize(42, 0);
        push(b, {3, 0});
        for (const auto* stream : {&packedKinds, &packedXs, &packedYs}) b.insert(b.end(), stream->begin(), stream->end());
        return b;
    }();
    return bytes;
}

void decode(benchmark::State& state, DesignFormat format, const std::vector<std::uint8_t>& bytes) {
    std::uint64_t records = 0;
    for (auto _ : state) {
        double sum = 0;
        const auto design = tessaline::decodeDesign(format, bytes, [&sum](const DesignRecord& r) { sum += r.x; });
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(design);
        records = design.figures.records;
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.counters["records"] = static_cast<double>(records);  // the same design in every format
}

void BM_DecodeMillionDst(benchmark::State& state) { decode(state, DesignFormat::Dst, dstDesign()); }
void BM_DecodeMillionPes(benchmark::State& state) { decode(state, DesignFormat::Pes, pesDesign()); }
void BM_DecodeMillionJef(benchmark::State& state) { decode(state, DesignFormat::Jef, jefDesign()); }
void BM_DecodeMillionHus(benchmark::State& state) { decode(state, DesignFormat::Hus, husDesign()); }
BENCHMARK(BM_DecodeMillionDst)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeMillionPes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeMillionJef)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeMillionHus)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
